#pragma once
// Hands the transponder's sentences to other programs, read-only: a TCP server, UDP datagrams or
// a published pseudo-terminal per share. Feed takes the received bytes on the caller's thread
// and returns at once; one sending thread of the hub does all network and terminal work, so a
// slow or stuck client never holds up the caller. Each client has a bounded queue; a client
// that falls that far behind is disconnected. What clients send is read and thrown away.

#include "share/ShareSpec.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct TShareStatus {
    TShareSpec Spec;
    bool Running = false;
    std::string Where;         // "127.0.0.1:10110"; pty: "COM12 /dev/pts/5"; empty while stopped
    int Clients = 0;           // tcp: clients connected now; udp and pty: 0
    std::uint64_t Sentences = 0; // sentences handed on since the share started
    std::uint64_t Dropped = 0;   // clients disconnected (tcp) or sentences dropped (udp, pty)
    std::string LastEvent;     // the latest line of the share's status, or empty
    std::string Error;         // why the last start failed, or empty
};

class TShareHub {
public:
    // QueueLimit: the bytes one client may have waiting before it is disconnected.
    explicit TShareHub(std::size_t QueueLimit = 256 * 1024);
    ~TShareHub(); // stops every share and the sending thread
    TShareHub(const TShareHub&) = delete;
    TShareHub& operator=(const TShareHub&) = delete;

    // A new share, stopped; its index in Status().
    int Add(const TShareSpec& Spec);
    // Binds, publishes or opens the socket; false with Error (also kept in its status).
    bool Start(int Index, std::string& Error);
    // Disconnects its clients and closes it; it can be started again.
    void Stop(int Index);
    // A snapshot, safe from any thread.
    std::vector<TShareStatus> Status() const;

    // Received bytes, any chunking. Every complete line (ended by LF, a CR before it dropped)
    // goes out as the line plus CR LF, in order; for UDP the sentences of one multi-sentence
    // AIS message ("!xxVDM,2,1,..." and the rest) travel in one datagram.
    void Feed(const std::uint8_t* Data, std::size_t Count);
    // Forgets a line begun but not ended (the port closed).
    void ResetFraming();

    // Called on the sending thread when a status changes (a client came or went, an event);
    // the receiver must hand it to its own thread, and must not wait for that thread. Once
    // SetOnChange returns, the handler it replaced is not running and never runs again.
    void SetOnChange(std::function<void()> Handler);

    // Tests: the hub's clock in milliseconds (a steady clock unless set), which times how long
    // a pseudo-terminal may go unread and how long UDP holds the first parts of a message.
    // Poke makes the sending thread look at the time again after the test moved it.
    void SetClock(std::function<std::int64_t()> NowMs);
    void Poke();

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};
