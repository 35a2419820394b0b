#pragma once
// A transponder line that misbehaves on purpose: a pseudo-terminal published as a port whose
// far end either never reads or answers everything with garbage.

#include "serial/PortNames.h"

#include <atomic>
#include <fcntl.h>
#include <memory>
#include <random>
#include <stdexcept>
#include <stdlib.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <poll.h>

class TFakeLine {
public:
    enum class TMode { NeverReads, AnswersGarbage };

    explicit TFakeLine(TMode Mode) {
        FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (FMaster < 0 || grantpt(FMaster) != 0 || unlockpt(FMaster) != 0)
            throw std::runtime_error("no pseudo-terminal");
        const std::string slave = ptsname(FMaster);
        FSlave = open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC); // held, as a device would be
        termios t{};
        tcgetattr(FSlave, &t);
        cfmakeraw(&t);
        tcsetattr(FSlave, TCSANOW, &t);
        FPort = std::make_unique<TPublishedPort>(0, slave);
        if (Mode == TMode::AnswersGarbage) FThread = std::thread([this] { Garbage(); });
    }
    ~TFakeLine() {
        FStop = true;
        if (FThread.joinable()) FThread.join();
        FPort.reset();
        close(FSlave);
        close(FMaster);
    }
    int PortNum() const { return FPort->PortNum(); }
    const std::string& LinkPath() const { return FPort->LinkPath(); }

private:
    void Garbage() {
        std::mt19937 rng(7);
        char buf[512];
        while (!FStop) {
            pollfd p{FMaster, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            if (read(FMaster, buf, sizeof buf) <= 0) continue;
            char junk[96];
            for (char& c : junk) c = static_cast<char>(rng() % 7 == 0 ? "\r\n$!,*"[rng() % 6] : rng());
            if (write(FMaster, junk, sizeof junk) < 0) continue;
        }
    }
    int FMaster = -1, FSlave = -1;
    std::unique_ptr<TPublishedPort> FPort;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};
