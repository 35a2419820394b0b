#pragma once
// Pseudo-terminals with the test holding the far end, a private port directory, and a plain
// event loop standing in for the user-interface thread.

#include "serial/PortNames.h"
#include "serial/VaClient.h"
#include "serial/VaSync.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

// A temporary directory, removed with everything in it.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

// A temporary port directory, active for the resolution while it lives.
class TTestPortDir : public TTempDir {
public:
    TTestPortDir() { SetTestPortDirectory(Path()); }
    ~TTestPortDir() { SetTestPortDirectory(""); }
    std::string Link(int PortNum) const { return Path() + "/COM" + std::to_string(PortNum); }
};

// Declares Device the kernel console while it lives.
class TFakeConsole {
public:
    explicit TFakeConsole(dev_t Device);
    ~TFakeConsole();

private:
    TTempDir FSys;
};

// A pseudo-terminal. The test writes and reads the master; like the simulator it also keeps
// a descriptor on the slave, so the terminal outlives each open of the port.
class TPty {
public:
    TPty();
    ~TPty();
    const std::string& SlavePath() const { return FSlavePath; }
    int Master() const { return FMaster; }
    int Slave() const { return FSlave; }
    // The far end goes away: the port sees a hang-up.
    void CloseMaster();

    void Send(const std::string& Bytes);
    // Reads until Count bytes came or TimeoutMs passed; Idle runs whenever nothing is there
    // (the user-interface loop, which the port's threads may wait for).
    std::string Receive(std::size_t Count, int TimeoutMs = 5000,
                        const std::function<void()>& Idle = {});
    // Whatever arrives until nothing has come for QuietMs.
    std::string Drain(int QuietMs = 100, const std::function<void()>& Idle = {});

private:
    int FMaster = -1, FSlave = -1;
    std::string FSlavePath;
};

// The test's main thread plays the user-interface thread.
class TUiLoop {
public:
    TVaSyncQueue Queue;
    const std::thread::id UiThread = std::this_thread::get_id();

    // Runs hand-overs for Ms milliseconds.
    void Pump(int Ms);
    // Runs hand-overs until Done() holds or TimeoutMs passed; returns Done().
    bool PumpUntil(const std::function<bool()>& Done, int TimeoutMs = 5000);
};

// A client that records what the port delivers.
class TRecorder : public TVaCommComponent {
public:
    struct TChunk {
        std::string Data;
        std::thread::id Thread;
    };
    std::vector<TChunk> Chunks;
    std::vector<std::uint32_t> Events;
    std::vector<std::thread::id> EventThreads;
    std::function<void(PVaData, int)> OnData;
    std::function<void(std::uint32_t)> OnEvent;
    // Shared log of (recorder name, chunk) across recorders, to see the order of clients.
    std::vector<std::string>* Log = nullptr;
    std::string Name;

    void HandleCommData(PVaData Data, int Count) override;
    void HandleCommEvent(std::uint32_t Ev) override;
    std::string All() const;
    bool HasEvent(std::uint32_t Bit) const;
};

double ProcessCpuSeconds();

using TClock = std::chrono::steady_clock;
inline long MsSince(TClock::time_point Start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - Start).count());
}

// Waits up to Ms for Fd (a terminal's master, a socket) to become readable, running Idle
// meanwhile when given.
bool WaitReadable(int Fd, long Ms, const std::function<void()>& Idle);

// The message of the EVaCommError that F raises, or "<none>".
std::string CommErrorOf(const std::function<void()>& F);
