#pragma once
// A fresh main window per test, with message boxes recorded (and answered) instead of shown
// and serial ports resolved in a private test directory only.

#include "ConnectAndRead.h"
#include "widgets/Dialogs.h"
#include "app/FormMain.h"
#include "serial/PortNames.h"
#include "SimProcess.h"
#include "app/UnitReset.h"
#include "control/UnitStatic.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// Readable failure messages for texts of the window.
inline void PrintTo(const QString& S, std::ostream* Os) {
    *Os << '"' << S.toStdString() << '"';
}

class WindowTest : public ::testing::Test {
protected:
    WindowTest() {
        char dir[] = "/tmp/corvane-ports-test-XXXXXX";
        PortDir = mkdtemp(dir);
        SetTestPortDirectory(PortDir);
        SetMessageBoxHandler([this](const TMessageBox& Box) {
            Boxes.push_back(Box);
            if (Answers.empty())
                return Box.Buttons == TMsgButtons::Ok ? TMsgResult::Ok : TMsgResult::Cancel;
            const TMsgResult a = Answers.front();
            Answers.pop_front();
            return a;
        });
        Form = std::make_unique<TFormMain>();
        PasswordDialog = std::make_unique<TFormReset>(Form.get());
        Form->SetFormReset(PasswordDialog.get());
    }

    ~WindowTest() override {
        PasswordDialog.reset();
        Form.reset();
        Sim.reset();
        SetMessageBoxHandler({});
        SetTestPortDirectory("");
        std::filesystem::remove_all(PortDir);
    }

    TUnitStatic& Unit() { return *Form->UnitStatic; }

    // Hands bytes to the capture exactly as the port would.
    void Feed(const std::string& Bytes) {
        Form->VaCapture_Std.HandleCommData(reinterpret_cast<PVaData>(Bytes.data()),
                                           static_cast<int>(Bytes.size()));
    }

    TSimProcess& StartSim(const std::vector<std::string>& Args = {"--no-traffic"}) {
        Sim = std::make_unique<TSimProcess>(PortDir, Args);
        return *Sim;
    }

    template <class P> bool WaitFor(P Predicate, int Ms) { return QTest::qWaitFor(Predicate, Ms); }

    // Connect pressed, the transponder found and the configuration read.
    bool ConnectAndRead(int Ms = 15000) { return ::ConnectAndRead(*Form, Ms); }

    std::vector<QString> BoxTexts() const {
        std::vector<QString> texts;
        for (const auto& b : Boxes) texts.push_back(b.Text);
        return texts;
    }

    std::string PortDir;
    std::vector<TMessageBox> Boxes;
    std::deque<TMsgResult> Answers;
    std::unique_ptr<TSimProcess> Sim;
    std::unique_ptr<TFormMain> Form;
    std::unique_ptr<TFormReset> PasswordDialog;
};
