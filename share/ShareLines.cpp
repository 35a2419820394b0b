#include "share/ShareLines.h"

#include <climits>
#include <cstring>

std::size_t TLineFramer::Take(const std::uint8_t* Data, std::size_t Count, std::string* Out) {
    std::size_t lines = 0;
    const char* p = reinterpret_cast<const char*>(Data);
    const char* const end = p + Count;
    while (p < end) {
        const char* lf =
            static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* stop = lf != nullptr ? lf : end;
        if (!FSkipping) {
            // + 1: room for the CR that may stand before the LF.
            if (FPartial.size() + static_cast<std::size_t>(stop - p) > FMaxLine + 1) {
                FPartial.clear();
                FSkipping = true;
            } else {
                FPartial.append(p, stop);
            }
        }
        if (lf == nullptr) break;
        if (!FSkipping) {
            if (!FPartial.empty() && FPartial.back() == '\r') FPartial.pop_back();
            if (!FPartial.empty() && FPartial.size() <= FMaxLine) {
                ++lines;
                if (Out != nullptr) {
                    Out->append(FPartial);
                    Out->append("\r\n");
                }
            }
        }
        FPartial.clear();
        FSkipping = false;
        p = lf + 1;
    }
    return lines;
}

void TLineFramer::Reset() {
    FPartial.clear();
    FSkipping = false;
}

bool ReadFragment(std::string_view Line, TFragment& Out) {
    if (Line.size() < 12 || Line[0] != '!' || Line[6] != ',') return false;
    const std::string_view type = Line.substr(3, 3);
    if (type != "VDM" && type != "VDO") return false;
    // "!AIVDM,2,1,3,...": one digit each for count and number, a sequential id of up to two.
    if (Line[8] != ',' || Line[10] != ',') return false;
    const char count = Line[7], number = Line[9];
    if (count < '1' || count > '9' || number < '1' || number > count) return false;
    const std::size_t idEnd = Line.find(',', 11);
    if (idEnd == std::string_view::npos || idEnd - 11 > 2) return false;
    for (std::size_t i = 11; i < idEnd; ++i)
        if (Line[i] < '0' || Line[i] > '9') return false;
    Out.Count = count - '0';
    Out.Number = number - '0';
    Out.Key.assign(Line.substr(0, 8));
    Out.Key.append(Line.substr(10, idEnd - 10));
    return true;
}

void TDatagramGrouper::Take(std::string_view Line, std::int64_t NowMs,
                            std::vector<TDatagram>& Out) {
    TFragment f;
    const bool fragment = ReadFragment(Line, f) && f.Count > 1;
    if (FHeld.Sentences > 0 && fragment && f.Key == FKey && f.Number == FNext) {
        FHeld.Bytes.append(Line);
        ++FHeld.Sentences;
        ++FNext;
        if (f.Number == f.Count) Flush(Out);
        return;
    }
    Flush(Out); // what is held will not be continued by this line
    if (fragment && f.Number == 1) {
        FHeld.Bytes.assign(Line);
        FHeld.Sentences = 1;
        FKey = f.Key;
        FNext = 2;
        FSince = NowMs;
        return;
    }
    Out.push_back(TDatagram{std::string(Line), 1});
}

void TDatagramGrouper::Expire(std::int64_t NowMs, std::vector<TDatagram>& Out) {
    if (FHeld.Sentences > 0 && NowMs - FSince >= kHoldMs) Flush(Out);
}

void TDatagramGrouper::Flush(std::vector<TDatagram>& Out) {
    if (FHeld.Sentences == 0) return;
    Out.push_back(std::move(FHeld));
    FHeld = TDatagram{};
    FNext = 0;
}

std::int64_t TDatagramGrouper::Deadline() const {
    return FHeld.Sentences > 0 ? FSince + kHoldMs : INT64_MAX;
}
