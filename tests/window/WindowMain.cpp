// Window tests run the real window under the offscreen platform, with the serial threads'
// notifications served by the Qt event loop as in the program.

#include "app/QtSync.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TQtSyncPump pump;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
