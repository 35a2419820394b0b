#pragma once
// A port on a published pseudo-terminal, configured as the application's port, with the
// test's main thread as its user-interface thread.

#include "SerialTestSupport.h"
#include "serial/VaComm.h"
#include "serial/VaExceptionReport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

// Collects what reaches the application's default exception report.
class TReportCatcher {
public:
    std::vector<std::string> Messages;
    std::vector<std::thread::id> Threads;
    TReportCatcher() {
        FPrevious = SetApplicationExceptionReporter([this](const std::string& M) {
            Messages.push_back(M);
            Threads.push_back(std::this_thread::get_id());
        });
    }
    ~TReportCatcher() { SetApplicationExceptionReporter(FPrevious); }

private:
    TVaExceptionReporter FPrevious;
};

// The settings the main window gives its port.
inline void ConfigureStd(TVaComm& C) {
    C.SetBaudrate(br38400);
    C.SetDeviceName("COM%d");
    TVaFlowControl& f = C.FlowControl();
    f.SetOutCtsFlow(false);
    f.SetOutDsrFlow(false);
    f.SetXonXoffOut(false);
    f.SetXonXoffIn(false);
    f.SetDsrSensitivity(false);
    f.SetTxContinueOnXoff(false);
    f.SetControlDtr(dtrDisabled);
    f.SetControlRts(rtsDisabled);
}

class CommTest : public ::testing::Test {
public:
    static constexpr int Port = 3;
    TTestPortDir Dir;
    TPty Pty;
    std::unique_ptr<TPublishedPort> Published =
        std::make_unique<TPublishedPort>(Port, Pty.SlavePath());
    TUiLoop Ui;
    TReportCatcher Reports;
    std::unique_ptr<TFakeConsole> Console;
    TVaComm Comm; // last: closed before everything it uses goes

    // The far end reads while the user-interface loop runs.
    std::string Receive(std::size_t Count) {
        return Pty.Receive(Count, 5000, [this] { Ui.Pump(2); });
    }
    std::string Drain(int QuietMs = 100) {
        return Pty.Drain(QuietMs, [this] { Ui.Pump(2); });
    }

    CommTest() {
        Comm.SetSynchronizer(&Ui.Queue);
        ConfigureStd(Comm);
        Comm.SetPortNum(Port);
    }
};
