#pragma once
// The hub's two pieces of line handling, kept apart from its sockets so they can be tested on
// their own: cutting received bytes into sentences, and packing sentences into datagrams.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Cuts bytes, in any chunking, into lines ended by LF. Each line goes out without its LF and
// a CR before it, followed by CR LF. Empty lines are dropped, and so is a line that grows past
// MaxLine bytes before its LF (garbage on the line): it is forgotten up to the next LF, so
// memory never grows with it.
class TLineFramer {
public:
    explicit TLineFramer(std::size_t MaxLine = 1024) : FMaxLine(MaxLine) {}

    // Appends every line that Data completes to Out (when not null); the number of lines.
    std::size_t Take(const std::uint8_t* Data, std::size_t Count, std::string* Out);
    // Forgets a line begun but not ended.
    void Reset();

private:
    std::size_t FMaxLine;
    std::string FPartial;
    bool FSkipping = false; // inside an overlong line: everything up to the next LF goes
};

// One datagram: whole lines, each ended by CR LF.
struct TDatagram {
    std::string Bytes;
    int Sentences = 0;
};

// Packs sentences into datagrams, one sentence each, except that the parts of one
// multi-sentence AIS message (!xxVDM or !xxVDO with the same count and sequential id, numbered
// 1, 2, ... up to the count) travel together once the last part is there. A line that does not
// continue the parts held sends them first, on their own, so nothing is lost and the order
// stays; so does the time limit, for a last part that never comes.
class TDatagramGrouper {
public:
    static constexpr std::int64_t kHoldMs = 1000;

    // Line with its CR LF; NowMs the time it arrived. Datagrams ready go to Out, in order.
    void Take(std::string_view Line, std::int64_t NowMs, std::vector<TDatagram>& Out);
    // Sends what is held once it has waited kHoldMs.
    void Expire(std::int64_t NowMs, std::vector<TDatagram>& Out);
    // Sends what is held now (the share stops).
    void Flush(std::vector<TDatagram>& Out);
    // When Expire has something to do; INT64_MAX while nothing is held.
    std::int64_t Deadline() const;

private:
    TDatagram FHeld;
    std::string FKey; // what the next part must repeat: formatter, count, sequential id
    int FNext = 0;    // the part number that continues what is held
    std::int64_t FSince = 0;
};

// The fields that place a sentence in a multi-sentence AIS message; false for anything else.
struct TFragment {
    int Count = 0;
    int Number = 0;
    std::string Key; // what all parts share: formatter, count and sequential id ("!AIVDM,2,3")
};
bool ReadFragment(std::string_view Line, TFragment& Out);
