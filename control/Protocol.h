#pragma once
// The configuration dialogue with the transponder as data and pure functions: what each step
// sends and awaits, how a reply is read, how Save checks its input, what confirms a write and
// what the factory reset sends. The sequencer (Sequencer.h) runs it.

#include "control/OwnShip.h"
#include "control/UnitConfig.h"
#include "nmea/Dispatch.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What the sequencer waits for.
enum TReplyState : std::uint8_t {
    rsIdle = 0,        // the current step has not sent yet; also idle
    rsProbing = 1,     // any sign of the transponder on the probed port
    rsReplied = 2,     // the awaited reply has arrived and has been taken over
    rsFailed = 3,      // the connection attempt failed
    rsAlarmOutput = 4, // "PSRT,ALM"
    rsStaticData = 5,  // "AISSD"
    rsVoyageData = 6,  // "AIVSD"
    rsMMSI = 7,        // "PSRT,010,,,"
    rsVersion = 8,     // "VER,"; no step asks for it
    rsSwitchType = 9,  // "PSRT,SRM"
    rsBaudRate = 10,   // "PSRT,SER"
    rsNmeaOutput = 11, // "PSRT,NMEA,00"
};

// How received sentences are routed while the sequencer is in State.
TAwait AwaitOf(TReplyState State);

inline constexpr std::string_view kUnlockSentence = "PSRT,012,,,(--VoXeL--)";
inline constexpr std::string_view kProbeQuery = "DUAIQ,010";

// Steps of the sequencer: 1 connects, 2 to 8 read, 20 to 27 write.
inline constexpr int kStepConnect = 1;
inline constexpr int kFirstReadStep = 2;
inline constexpr int kLastReadStep = 8;
inline constexpr int kFirstWriteStep = 20;
inline constexpr int kStepNmeaOutput = 24; // writes without awaiting a reply
inline constexpr int kLastWriteStep = 27;  // reports success

inline constexpr int kReplyWaitMs = 1000; // how long a step waits for its reply
inline constexpr int kStepGapMs = 100;    // from a reply (or a step) to the next step
inline constexpr int kReadAttempts = 3;
inline constexpr int kWriteAttempts = 4;

struct TReadStep {
    int Step;
    std::string_view Query;  // first sending
    std::string_view Repeat; // each repeat
    TReplyState Awaited;
    const char* What; // for progress lines
};
extern const std::array<TReadStep, 7> kReadSteps;
const TReadStep& ReadStep(int Step); // Step 2 to 8

// What a received sentence did while the sequencer waited in State.
struct TReplyResult {
    bool Taken = false; // the awaited reply (or, while probing, a sign of the transponder)
    TFieldMask Read = 0;
};
// S is a sentence as the capture delivers it (ending in CR); positions count from 1 at "$".
// The settings the reply carries go into Into; any other sentence changes nothing.
TReplyResult ParseReply(TReplyState State, std::string_view S, TUnitConfig& Into);

// Save's checks, in their order, with their messages.
enum class TSaveVerdict {
    Ok,
    MmsiNotANumber,
    MmsiOutOfRange,
    ReservedCharacter,
    DimensionNotANumber,
    DimensionOutOfRange,
    NoVesselType, // ends without a message
};
const char* SaveMessage(TSaveVerdict V); // empty for Ok and NoVesselType
// True when the rejection also ends a sequence under way.
bool SaveEndsSequence(TSaveVerdict V);

struct TSaveCheck {
    TSaveVerdict Verdict = TSaveVerdict::Ok;
    TFieldMask Normalised = 0; // fields Save rewrote (the name and call sign in capitals)
};
// Checks Fields and copies them into Own as it goes: values copied before a rejection stay.
TSaveCheck CheckSave(TUnitConfig& Fields, TOwnShip& Own);

// A sentence body to send, or a pause of the sender.
struct TWireStep {
    int PauseMs = 0;
    std::string Body; // UTF-8; empty for a pause
    bool operator==(const TWireStep&) const = default;
};
using TWireSequence = std::vector<TWireStep>;

enum class TOutcome {
    ConnectionFailed,
    NoResponse,        // a read step, or the MMSI-less write steps 21 and 22
    NoResponseCapital, // the interface write steps
    MmsiNotChanged,
    Programmed,
};
struct TOutcomeText {
    const char* Text; // line breaks as CR LF
    bool Error;       // an error, else an information
};
TOutcomeText OutcomeText(TOutcome O);

struct TWriteStep {
    int Step;
    TReplyState Awaited; // rsIdle: no reply awaited
    TFieldMask Clears;   // cleared before each sending, so only the read-back refills it
    TOutcome GiveUp;
    const char* What;
};
extern const std::array<TWriteStep, 7> kWriteSteps;
const TWriteStep& WriteStep(int Step); // Step 20 to 26

// The sentences and pauses of write step Step: values from Own, interface choices from Fields.
TWireSequence WriteGroup(int Step, const TOwnShip& Own, const TUnitConfig& Fields);

// Whether write step Step is confirmed; MmsiAtTickStart is the number the MMSI field held when
// the tick began (0 when it held none).
bool WriteConfirmed(int Step, TReplyState State, int MmsiAtTickStart, const TUnitConfig& Fields,
                    const TOwnShip& Own);

// The factory reset: no reply is awaited.
TWireSequence FactoryResetSentences(const std::string& VendorID);
