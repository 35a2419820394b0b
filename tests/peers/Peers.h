#pragma once
// The programs a boat's computer runs beside the tool, started for real on loopback: Debian's
// ser2net in front of a serial line, gpsd (read through gpspipe, as a user watches it) as a
// client of a share; a plain TCP client; and the MMSI an AIS payload carries. Ports are ephemeral
// ones found free; every child goes with the test, however the test ends.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

// A free loopback port for TCP or UDP (bound to 0, read, released).
int FreeTcpPort();
int FreeUdpPort();

// True while something listens for TCP on 127.0.0.1:Port. Read from the kernel's table, so no
// connection is made to find out: ser2net would open its serial side for one.
bool Listening(int Port);

// Path, when that program is there; otherwise throws a message naming the Debian package, so the
// test fails (never skips) and says what to install.
std::string RequireProgram(const std::string& Path, const std::string& Package);

// A child process, kept by a forked keeper much as timeout(1) would keep it: when the test
// process ends in any way, even killed, the program is sent SIGTERM and then SIGKILL, also when
// it has dropped privileges (which clears a parent-death signal of its own); the cap ends a
// program whose test never ended it. Its standard input is /dev/null; its standard output is read
// line by line or goes to the log, with its standard error.
class TChild {
public:
    enum class TOutput { Lines, Log };
    struct TOptions {
        TOutput Output = TOutput::Lines;
        // Where the log goes (appended to, and kept); a file of its own, removed with it, when
        // empty.
        std::string LogPath;
        int CapSeconds = 600;
    };

    // Throws std::runtime_error when Argv[0] is missing or cannot be started. The parent-death
    // signal comes when the creating thread ends, so a thread that lives as long as the test (its
    // main thread) should create it.
    explicit TChild(const std::vector<std::string>& Argv);
    TChild(const std::vector<std::string>& Argv, const TOptions& Options);
    ~TChild();
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    // Reads standard output until Line(...) returns true for a line (read now or before) or
    // TimeoutMs passes.
    bool WaitLine(const std::function<bool(const std::string&)>& Line, int TimeoutMs);
    // Reads standard output for TimeoutMs; false once it has ended.
    bool ReadFor(int TimeoutMs);
    // Every line read so far.
    const std::vector<std::string>& Lines() const { return FLines; }
    bool Running() { return WaitExit(0) < 0; }
    // SIGTERM, and SIGKILL for a program that lingers; waits until it is gone. Once it has been
    // waited for it is never signalled again: its process number may belong to another by then.
    void Stop();
    // The exit status once it ended, 128 + N for signal N; -1 while it runs.
    int WaitExit(int TimeoutMs);
    std::string Log() const;

private:
    bool ReadSome(int TimeoutMs);
    int FPid = -1;
    int FOut = -1;
    int FStatus = -1;
    bool FOwnLog = false;
    std::string FPending, FLogPath;
    std::vector<std::string> FLines;
};

// ser2net serving Device (38400 8N1, no modem control, raw TCP) on 127.0.0.1:Port(); it opens
// the device only when a client connects.
class TSer2net {
public:
    // Throws when it does not start listening.
    explicit TSer2net(const std::string& Device, int Port = 0);
    ~TSer2net();
    TSer2net(const TSer2net&) = delete;
    TSer2net& operator=(const TSer2net&) = delete;

    int Port() const { return FPort; }
    std::string Url() const { return "tcp://127.0.0.1:" + std::to_string(FPort); }
    // Running and listening.
    bool Ready();
    void Stop() { FChild.reset(); }
    // Again, on the same port; throws when it does not start listening.
    void Start();
    // Everything it logged, across restarts.
    std::string Log() const;

private:
    std::string FDevice, FDir;
    int FPort;
    std::unique_ptr<TChild> FChild;
};

// gpsd reading Source ("tcp://127.0.0.1:N" or "udp://127.0.0.1:N") on its own ephemeral port,
// and gpspipe -w watching it; what gpspipe prints is read all along, so gpsd never drops it.
class TGpsd {
public:
    // The MMSIs of the AIS reports printed, and those of type 5 (static and voyage) reports.
    struct TAis {
        std::set<long> Mmsis, StaticMmsis;
    };

    // Throws when gpsd or gpspipe is missing or does not start, or gpspipe does not watch.
    explicit TGpsd(const std::string& Source);
    ~TGpsd();
    TGpsd(const TGpsd&) = delete;
    TGpsd& operator=(const TGpsd&) = delete;

    // What has been reported, once Done says it is enough or TimeoutMs has passed.
    TAis WaitAis(const std::function<bool(const TAis&)>& Done, int TimeoutMs);
    // The MMSIs reported, once Wanted are all there or TimeoutMs has passed.
    std::set<long> AisMmsis(const std::set<long>& Wanted, int TimeoutMs);
    // gpsd's log, then gpspipe's.
    std::string Log() const;

private:
    void Read();
    std::string FDir;
    int FPort = 0;
    std::unique_ptr<TChild> FGpsd, FPipe;
    std::mutex FMutex;
    std::condition_variable FChanged;
    TAis FAis;
    bool FEnded = false;
    std::atomic<bool> FQuit{false};
    std::thread FReader;
};

// A TCP client on 127.0.0.1.
class TLineClient {
public:
    explicit TLineClient(int Port, int ReceiveBuffer = 0);
    ~TLineClient();
    TLineClient(const TLineClient&) = delete;
    TLineClient& operator=(const TLineClient&) = delete;
    bool Connected() const { return FFd >= 0; }
    // Reads until Done(lines) or TimeoutMs; lines keep their CR LF.
    bool ReadUntil(const std::function<bool(const std::vector<std::string>&)>& Done, int TimeoutMs);
    // True once the server has closed the connection (read returns end of file or an error).
    bool Closed(int TimeoutMs);
    bool Write(const std::string& Bytes);
    void Reset(); // closes with RST
    const std::vector<std::string>& Lines() const { return FLines; }
    std::size_t Bytes() const { return FBytes; }

private:
    int FFd = -1;
    std::string FPending;
    std::vector<std::string> FLines;
    std::size_t FBytes = 0;
};

// The message type (bits 0 to 5) and the MMSI (bits 8 to 37) of a six-bit AIS payload, as in
// "!AIVDM,1,1,,A,<payload>,0*hh"; 0 when the payload is too short for it or holds a character
// outside the six-bit armouring.
int PayloadType(const std::string& Payload);
long PayloadMmsi(const std::string& Payload);
