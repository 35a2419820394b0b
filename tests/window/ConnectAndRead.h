#pragma once
// Presses Connect as the user would and waits until the transponder has been found and its
// configuration read: the panel says "Connected" and the sequencer is idle again.

#include "app/FormMain.h"
#include "control/UnitStatic.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

inline bool ConnectAndRead(TFormMain& Form, int Ms) {
    Form.BitBtn_Connect->click();
    return QTest::qWaitFor(
        [&Form] {
            return Form.Panel_Connect->text() == "Connected" && Form.UnitStatic->ScanStep == 0;
        },
        Ms);
}
