#pragma once
// The programs a boat's computer runs beside the tool, started for real on loopback: Debian's
// ser2net in front of a serial line, gpsd (read through gpspipe) as a client of a share; and a
// plain TCP client. Ports are ephemeral ones found free; every child is killed with its owner.

#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

// A free loopback port for TCP or UDP (bound to 0, read, released).
int FreeTcpPort();
int FreeUdpPort();

// A child process whose standard output is read line by line; its standard error goes to a log
// file beside it. SIGTERM (then SIGKILL) when it ends.
class TChild {
public:
    // Throws std::runtime_error when Argv[0] does not exist or cannot be started.
    explicit TChild(const std::vector<std::string>& Argv);
    ~TChild();
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    // Reads standard output until Line(...) returns true for a line or TimeoutMs passes.
    bool WaitLine(const std::function<bool(const std::string&)>& Line, int TimeoutMs);
    // Every line read so far.
    const std::vector<std::string>& Lines() const { return FLines; }
    void Stop();
    // The exit status once it ended (WaitExit), 128 + N for signal N, -1 while it runs.
    int WaitExit(int TimeoutMs);
    std::string Log() const;
    int Pid() const { return FPid; }

private:
    bool ReadSome(int TimeoutMs);
    int FPid = -1;
    int FOut = -1;
    int FStatus = -1;
    std::string FPending, FLogPath;
    std::vector<std::string> FLines;
};

// Fails with a message naming the package when a program is missing: ./test installs them.
std::string RequireProgram(const std::string& Path, const std::string& Package);

// ser2net serving Device (38400 8N1, raw TCP) on 127.0.0.1:Port().
class TSer2net {
public:
    explicit TSer2net(const std::string& Device, int Port = 0);
    ~TSer2net();
    int Port() const { return FPort; }
    std::string Url() const { return "tcp://127.0.0.1:" + std::to_string(FPort); }
    void Stop() { FChild.reset(); }
    void Start(); // again, on the same port

private:
    std::string FDevice, FDir;
    int FPort;
    std::unique_ptr<TChild> FChild;
};

// gpsd reading Source ("tcp://127.0.0.1:N" or "udp://127.0.0.1:N") on its own ephemeral port,
// and gpspipe -w on it.
class TGpsd {
public:
    explicit TGpsd(const std::string& Source);
    ~TGpsd();
    // The MMSIs of AIS reports gpspipe printed, waiting until Wanted are all there (or
    // TimeoutMs).
    std::set<long> AisMmsis(const std::set<long>& Wanted, int TimeoutMs);
    std::string Log() const;

private:
    std::string FDir;
    int FPort = 0;
    std::unique_ptr<TChild> FGpsd, FPipe;
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
