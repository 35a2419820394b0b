#pragma once
// A TCP server on 127.0.0.1 as the far end of a network port: a gateway that the test drives.
// It serves one connection at a time.

#include <functional>
#include <string>

class TLoopbackServer {
public:
    // Listens on an ephemeral port.
    TLoopbackServer();
    ~TLoopbackServer();
    TLoopbackServer(const TLoopbackServer&) = delete;
    TLoopbackServer& operator=(const TLoopbackServer&) = delete;

    int Port() const { return FPort; }
    std::string Url() const { return "tcp://127.0.0.1:" + std::to_string(FPort); }

    // Takes the next connection, waiting up to TimeoutMs with Idle running meanwhile.
    bool Accept(int TimeoutMs = 5000, const std::function<void()>& Idle = {});
    void Send(const std::string& Bytes);
    // Reads until Count bytes came or TimeoutMs passed.
    std::string Receive(std::size_t Count, int TimeoutMs = 5000,
                        const std::function<void()>& Idle = {});
    // True once the connection's far end has closed (end of stream read), within TimeoutMs.
    bool PeerClosed(int TimeoutMs = 5000, const std::function<void()>& Idle = {});
    // Ends the connection with a close (FIN) or a reset (RST).
    void CloseConnection(bool Reset = false);
    // The server goes away (connections are refused) and comes back on the same port.
    void StopListening();
    void Listen();

private:
    int FListen = -1, FConn = -1, FPort = 0;
};

// A port number on 127.0.0.1 that was free a moment ago (bound to port 0 and closed), for a
// server that the test starts itself.
int FreeLoopbackPort();
