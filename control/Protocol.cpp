#include "control/Protocol.h"

#include "nmea/Decimal.h"
#include "nmea/Framing.h"
#include "nmea/Latin1.h"
#include "nmea/SplitFields.h"

#include <stdexcept>

TAwait AwaitOf(TReplyState State) {
    if (State == rsProbing) return TAwait::Probe;
    if (State >= rsAlarmOutput && State <= rsNmeaOutput) return TAwait::Reply;
    return TAwait::Nothing;
}

const std::array<TReadStep, 7> kReadSteps = {{
    {2, "DUAIQ,SSD", "DUAIQ,SSD", rsStaticData, "static data"},
    {3, "DUAIQ,VSD", "DUAIQ,VSD", rsVoyageData, "vessel type"},
    {4, "DUAIQ,SRM", "DUAIQ,SRM", rsSwitchType, "switch type"},
    {5, "DUAIQ,010", "DIAIQ,010", rsMMSI, "MMSI"},
    {6, "DUAIQ,SER", "DUAIQ,SER", rsBaudRate, "RS422 baud rate"},
    {7, "DUAIQ,NMEA,03", "DUAIQ,NMEA,03", rsNmeaOutput, "GPS output"},
    {8, "DUAIQ,ALM", "DUAIQ,ALM", rsAlarmOutput, "alarm output"},
}};

const TReadStep& ReadStep(int Step) {
    if (Step < kFirstReadStep || Step > kLastReadStep) throw std::out_of_range("no read step");
    return kReadSteps[static_cast<std::size_t>(Step - kFirstReadStep)];
}

// ---- Replies ------------------------------------------------------------------------------------

namespace {

// A received sentence without the CR that ends it: no field ever takes it.
std::string_view WithoutLineEnd(std::string_view S) {
    return !S.empty() && S.back() == '\r' ? S.substr(0, S.size() - 1) : S;
}

// The leading characters up to the first "@" (six-bit text padding), or all of them.
std::string BeforePadding(std::string_view S) {
    return Latin1ToUtf8(S.substr(0, S.find('@')));
}

std::string Text(std::string_view S) {
    return Latin1ToUtf8(S);
}

void ReadStatic(std::string_view S, TUnitConfig& Into) {
    const std::string_view body = WithoutLineEnd(S);
    Into.ShipsName = BeforePadding(Positions(body, 16, 35));
    Into.CallSign = BeforePadding(Positions(body, 8, 14));
    Into.A = Text(Positions(body, 37, 39));
    Into.B = Text(Positions(body, 41, 43));
    Into.C = Text(Positions(body, 45, 46));
    Into.D = Text(Positions(body, 48, 49));
}

void ReadVoyage(std::string_view S, TUnitConfig& Into) {
    const std::string_view code = Positions(WithoutLineEnd(S), 9, 10);
    const bool digits =
        code.size() == 2 && code[0] >= '0' && code[0] <= '9' && code[1] >= '0' && code[1] <= '9';
    if (digits)
        Into.VesselType = (code[0] - '0') * 10 + (code[1] - '0');
    else
        Into.VesselType.reset();
}

void ReadSwitch(std::string_view S, TUnitConfig& Into) {
    // The vendor ID field runs from position 17 to the next field end, so it can be sent back
    // exactly as the transponder reported it.
    const std::string_view body = WithoutLineEnd(S);
    std::string_view vendor = Positions(body, 17, body.size());
    vendor = vendor.substr(0, vendor.find_first_of(",*"));
    Into.VendorID = Text(vendor);
    if (HasAt(S, 11, "00"))
        Into.SwitchType = TSwitchType::None;
    else if (HasAt(S, 14, "01"))
        Into.SwitchType = TSwitchType::SafetyMsg;
    else if (HasAt(S, 14, "02"))
        Into.SwitchType = TSwitchType::RxOnly;
}

bool ReadVersion(std::string_view S, TUnitConfig& Into) {
    std::string_view text = S.substr(std::min(S.find('$'), S.size()));
    text = text.substr(0, text.find('\r'));
    std::vector<std::string> fields;
    if (SplitFields(",*", " ", text, fields) <= 5) return false;
    Into.SoftwareVersion = Text(fields[5]);
    return true;
}

} // namespace

TReplyResult ParseReply(TReplyState State, std::string_view S, TUnitConfig& Into) {
    TReplyResult r;
    switch (State) {
    case rsProbing:
        r.Taken = HasAt(S, 2, "AITXT") || HasAt(S, 2, "AIALR") || HasAt(S, 2, "GPRMC") ||
                  HasAt(S, 2, "PSRT,");
        break;
    case rsStaticData:
        if ((r.Taken = HasAt(S, 2, "AISSD"))) {
            ReadStatic(S, Into);
            r.Read = cfShipsName | cfCallSign | cfA | cfB | cfC | cfD;
        }
        break;
    case rsVoyageData:
        if ((r.Taken = HasAt(S, 2, "AIVSD"))) {
            ReadVoyage(S, Into);
            r.Read = cfVesselType;
        }
        break;
    case rsMMSI:
        if ((r.Taken = HasAt(S, 2, "PSRT,010,,,"))) {
            Into.MMSI = Text(Positions(WithoutLineEnd(S), 13, 21));
            r.Read = cfMMSI;
        }
        break;
    case rsVersion:
        if ((r.Taken = HasAt(S, 4, "VER,")) && ReadVersion(S, Into)) r.Read = cfSoftwareVersion;
        break;
    case rsSwitchType:
        if ((r.Taken = HasAt(S, 2, "PSRT,SRM"))) {
            ReadSwitch(S, Into);
            r.Read = cfVendorID | cfSwitchType;
        }
        break;
    case rsBaudRate:
        if ((r.Taken = HasAt(S, 2, "PSRT,SER"))) {
            Into.BaudRate = HasAt(S, 13, "0D36") ? TBaudRate::Baud38400 : TBaudRate::Baud4800;
            r.Read = cfBaudRate;
        }
        break;
    case rsAlarmOutput:
        if ((r.Taken = HasAt(S, 2, "PSRT,ALM"))) {
            Into.AlarmOutput = HasAt(S, 11, "00") ? TAlarmOutput::Enable : TAlarmOutput::Disable;
            r.Read = cfAlarmOutput;
        }
        break;
    case rsNmeaOutput:
        if ((r.Taken = HasAt(S, 2, "PSRT,NMEA,00"))) {
            Into.GpsOutput = HasAt(S, 15, "0008")   ? TGpsOutput::Minimal
                             : HasAt(S, 15, "0000") ? TGpsOutput::None
                                                    : TGpsOutput::All;
            r.Read = cfGpsOutput;
        }
        break;
    default:
        break;
    }
    return r;
}

// ---- Save ---------------------------------------------------------------------------------------

const char* SaveMessage(TSaveVerdict V) {
    switch (V) {
    case TSaveVerdict::MmsiNotANumber:
        return "MMSI must be a number!";
    case TSaveVerdict::MmsiOutOfRange:
        return "MMSI must be greater then \"0\" and less than \"999999999\"!";
    case TSaveVerdict::ReservedCharacter:
        return "Ship's name and call sign must not contain , * $ ! \\ ^ or ~!";
    case TSaveVerdict::DimensionNotANumber:
        return "Dimension must be a number!";
    case TSaveVerdict::DimensionOutOfRange:
        return "Dimension must be in the right range!";
    case TSaveVerdict::Ok:
    case TSaveVerdict::NoVesselType:
        break;
    }
    return "";
}

bool SaveEndsSequence(TSaveVerdict V) {
    return V == TSaveVerdict::DimensionOutOfRange || V == TSaveVerdict::NoVesselType;
}

namespace {

std::string Upper(std::string S) {
    for (char& c : S)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return S;
}

// Both travel as fields of one sentence: a delimiter or reserved character typed into them
// would move the distances into other fields or break the sentence, and the transponder would
// store wrong values or nothing.
bool BreaksSentence(std::string_view S) {
    for (const char ch : S) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 32 || c == 127 || (c < 128 && NmeaReserved(ch))) return true;
    }
    return false;
}

} // namespace

TSaveCheck CheckSave(TUnitConfig& Fields, TOwnShip& Own) {
    TSaveCheck r;
    auto reject = [&r](TSaveVerdict V) {
        r.Verdict = V;
        return r;
    };
    int mmsi = 0;
    if (!ReadWholeNumber(Fields.MMSI.value_or(""), mmsi))
        return reject(TSaveVerdict::MmsiNotANumber);
    Own.MMSI = mmsi;
    if (mmsi <= 0 || mmsi > 999999999) return reject(TSaveVerdict::MmsiOutOfRange);

    Own.ShipsName = Upper(Fields.ShipsName.value_or(""));
    Own.CallSign = Upper(Fields.CallSign.value_or(""));
    if (Fields.ShipsName != Own.ShipsName) r.Normalised |= cfShipsName;
    if (Fields.CallSign != Own.CallSign) r.Normalised |= cfCallSign;
    Fields.ShipsName = Own.ShipsName;
    Fields.CallSign = Own.CallSign;
    if (BreaksSentence(Own.ShipsName) || BreaksSentence(Own.CallSign))
        return reject(TSaveVerdict::ReservedCharacter);

    const std::optional<std::string>* texts[] = {&Fields.A, &Fields.B, &Fields.C, &Fields.D};
    std::int32_t* dims[] = {&Own.A, &Own.B, &Own.C, &Own.D};
    for (int i = 0; i < 4; ++i) {
        int v = 0;
        if (!ReadWholeNumber(texts[i]->value_or(""), v))
            return reject(TSaveVerdict::DimensionNotANumber);
        *dims[i] = v;
    }
    if (Own.A < 0 || Own.A > 511 || Own.B < 0 || Own.B > 511 || Own.C < 0 || Own.C > 63 ||
        Own.D < 0 || Own.D > 63)
        return reject(TSaveVerdict::DimensionOutOfRange);

    if (!Fields.VesselType || *Fields.VesselType < 0 || *Fields.VesselType > 99)
        return reject(TSaveVerdict::NoVesselType);
    Own.ShipTyp = *Fields.VesselType;
    return r;
}

// ---- Writing ------------------------------------------------------------------------------------

TOutcomeText OutcomeText(TOutcome O) {
    switch (O) {
    case TOutcome::ConnectionFailed:
        return {"Connection failed.", true};
    case TOutcome::NoResponse:
        return {"No response from corvane.\r\nTry to connect again.", true};
    case TOutcome::NoResponseCapital:
        return {"No response from Corvane.\r\nTry to connect again.", true};
    case TOutcome::MmsiNotChanged:
        return {"The MMSI cannot be changed!", false};
    case TOutcome::Programmed:
        return {"Programming was successful.", false};
    }
    return {"", true};
}

const std::array<TWriteStep, 7> kWriteSteps = {{
    {20, rsMMSI, cfMMSI, TOutcome::MmsiNotChanged, "MMSI"},
    {21, rsStaticData, cfShipsName, TOutcome::NoResponse, "static data"},
    {22, rsVoyageData, 0, TOutcome::NoResponse, "vessel type"},
    {23, rsSwitchType, 0, TOutcome::NoResponseCapital, "switch type"},
    {24, rsIdle, 0, TOutcome::NoResponseCapital, "GPS output"},
    {25, rsBaudRate, 0, TOutcome::NoResponseCapital, "RS422 baud rate"},
    {26, rsAlarmOutput, 0, TOutcome::NoResponseCapital, "alarm output"},
}};

const TWriteStep& WriteStep(int Step) {
    if (Step < kFirstWriteStep || Step >= kLastWriteStep) throw std::out_of_range("no write step");
    return kWriteSteps[static_cast<std::size_t>(Step - kFirstWriteStep)];
}

namespace {

TWireStep Body(std::string B) {
    return {0, std::move(B)};
}
TWireStep Pause(int Ms) {
    return {Ms, {}};
}

// An interface setting is written after the unlock sentence, and only when one is chosen.
template <class E, std::size_t N>
void Protected(TWireSequence& W, const std::optional<E>& Choice,
               const std::array<std::string_view, N>& Bodies, const std::string& Suffix = {}) {
    if (!Choice) return;
    W.push_back(Body(std::string(kUnlockSentence)));
    W.push_back(Body(std::string(Bodies[static_cast<std::size_t>(*Choice)]) + Suffix));
}

} // namespace

TWireSequence WriteGroup(int Step, const TOwnShip& Own, const TUnitConfig& Fields) {
    static constexpr std::array<std::string_view, 3> kSwitch = {
        "PSRT,SRM,00,01,", "PSRT,SRM,01,01,", "PSRT,SRM,01,02,"};
    static constexpr std::array<std::string_view, 3> kGps = {"000F", "0008", "0000"};
    static constexpr std::array<std::string_view, 2> kBaud = {"PSRT,SER,,,0D36", "PSRT,SER,,,0D1E"};
    static constexpr std::array<std::string_view, 2> kAlarm = {"PSRT,ALM,0000", "PSRT,ALM,0001"};
    TWireSequence w;
    switch (Step) {
    case 20:
        w = {Body(std::string(kUnlockSentence)), Pause(100),
             Body("PSRT,010,,," + std::to_string(Own.MMSI)), Pause(300), Body("PSRT,010")};
        break;
    case 21:
        w = {Body("AISSD," + Own.CallSign + "," + Own.ShipsName + "," + std::to_string(Own.A) +
                  "," + std::to_string(Own.B) + "," + std::to_string(Own.C) + "," +
                  std::to_string(Own.D) + ",0,AI"),
             Pause(300), Body("AIAIQ,SSD")};
        break;
    case 22:
        w = {Body("AIVSD," + std::to_string(Own.ShipTyp) + ",,,,,,,,"), Pause(300),
             Body("DUAIQ,VSD")};
        break;
    case 23:
        Protected(w, Fields.SwitchType, kSwitch, Own.VendorID);
        w.insert(w.end(), {Pause(300), Body("DUAIQ,SRM")});
        break;
    case 24:
        // With no GPS output chosen nothing is written, as for the other interface settings.
        if (Fields.GpsOutput)
            w.push_back(Body("PSRT,NMEA,03," +
                             std::string(kGps[static_cast<std::size_t>(*Fields.GpsOutput)]) +
                             ",00"));
        break;
    case 25:
        Protected(w, Fields.BaudRate, kBaud);
        w.insert(w.end(), {Pause(300), Body("DUAIQ,SER")});
        break;
    case 26:
        Protected(w, Fields.AlarmOutput, kAlarm);
        w.insert(w.end(), {Pause(300), Body("DUAIQ,ALM")});
        break;
    default:
        break;
    }
    return w;
}

bool WriteConfirmed(int Step, TReplyState State, int MmsiAtTickStart, const TUnitConfig& Fields,
                    const TOwnShip& Own) {
    if (State != rsReplied) return false;
    switch (Step) {
    case 20:
        return MmsiAtTickStart == Own.MMSI;
    case 21:
        return Fields.ShipsName.value_or("") == Own.ShipsName;
    case 22:
        return Fields.VesselType == Own.ShipTyp;
    default:
        return true;
    }
}

TWireSequence FactoryResetSentences(const std::string& VendorID) {
    return {Body(std::string(kUnlockSentence)), Body("PSRT,RDP"), Pause(200),
            Body(std::string(kUnlockSentence)), Body("PSRT,SRM,00,01," + VendorID)};
}
