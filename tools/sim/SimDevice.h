#pragma once
// The transponder's side of the configuration dialogue: which sentences it takes, which it
// answers and with what. The replies are laid out so that the setup tool's fixed-position
// reads take the right characters, and so that a setting written and read back shows the
// value written.

#include "tools/sim/SimConfig.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TSentenceCheck { Ok, NoStart, NoChecksum, BadChecksum };

// Line: one received sentence without its line end. Body receives the text between the
// start character and "*" when the checksum (two hexadecimal digits, either case) matches.
TSentenceCheck CheckSentence(std::string_view Line, std::string_view& Body);

// Reply bodies (without "$", checksum and line end).
std::string ReplyMMSI(const TSimConfig& C);    // PSRT,010,,,<nine digits>
std::string ReplyStatic(const TSimConfig& C);  // AISSD,<call sign @7>,<name @20>,AAA,BBB,CC,DD,0,AI
std::string ReplyVoyage(const TSimConfig& C);  // AIVSD,<type, three digits>,,,,,,,,
std::string ReplySwitch(const TSimConfig& C);  // PSRT,SRM,<enable>,<mode>,<vendor ID>,
std::string ReplyBaud(const TSimConfig& C);    // PSRT,SER,,,<code>
std::string ReplyNmea(const TSimConfig& C);    // PSRT,NMEA,00,<four hex digits>,00
std::string ReplyAlarm(const TSimConfig& C);   // PSRT,ALM,00 enabled, PSRT,ALM,01 disabled
std::string ReplyVersion(const TSimConfig& C); // AIVER,1,1,AI,<vendor ID>,<software version>,SIM

inline constexpr std::string_view kUnlockBody = "PSRT,012,,,(--VoXeL--)";
inline constexpr std::string_view kSoftwareVersion = "1.4.2";

struct TDeviceFaults {
    bool Silent = false;     // answers no query
    bool MmsiLocked = false; // keeps its MMSI whatever it is told
};

class TSimDevice {
public:
    // An unlock sentence opens the way for the next protected command only, and only this long.
    static constexpr std::int64_t kUnlockValidMs = 5000;

    TSimDevice(const TSimConfig& Initial, const TDeviceFaults& Faults);

    struct TOutcome {
        std::vector<std::string> Replies; // bodies, in the order to send
        bool ConfigChanged = false;
        bool StaticChanged = false; // the own static data report (name, call sign, ...) changed
        bool MmsiWritten = false;   // programmed or wiped by a reset, even to the same value
        std::string Note;           // what the device made of the sentence, for the log
    };

    // One checked sentence body, received at NowMs (monotonic).
    TOutcome Handle(std::string_view Body, std::int64_t NowMs);

    const TSimConfig& Config() const { return FConfig; }

private:
    bool TakeUnlock(std::int64_t NowMs);
    void Query(std::string_view What, TOutcome& R);
    void Command(std::string_view Body, std::int64_t NowMs, TOutcome& R);
    void Change(const TSimConfig& C, bool Static, TOutcome& R);

    TSimConfig FConfig;
    TDeviceFaults FFaults;
    bool FUnlocked = false;
    std::int64_t FUnlockedAt = 0;
};
