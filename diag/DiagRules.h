#pragma once
// Diagnostics without widgets: the transponder's status record, the GPS position fields, the
// lamp masks and the converter readings of the status sentence.

#include "targets/Geodesy.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The transponder's diagnostic status: the lamps, the GPS texts and the converter readings as
// last reported, each with the time it arrived (UTC days as TUtcClock gives them; 0 while
// nothing has), so a check can tell a reading from one that never came or has gone stale.
struct TDUT_Status {
    std::int32_t LED = 0;
    // Power as raw readings; supply in volts; signal levels in dBm.
    long double FwdPwr = 0, RevPwr = 0, VoltIdle = 0, VoltTx = 0, RSSI1 = 0, RSSI2 = 0;
    long double Thresh1 = 0, Thresh2 = 0, TX_Power = 0, TX_FreqAbw = 0, TX_ModPos = 0;
    long double TX_ModNeg = 0, TX_Current = 0, SplitPwrLo = 0, SplitPwrHi = 0, VHF_Ref = 0;
    long double VHF_Amp = 0, DC_Current = 0, Masse_Isol = 0;
    bool Sperren = false;
    // An own transmission reported since the last disconnect: the voltage under load is read.
    bool Transmitting = false;
    std::string SatUsed = "0";
    std::string SatView = "0";
    std::string ValidFix;
    std::string ValidMMSI;
    double LedAt = 0, PowerAt = 0, VoltIdleAt = 0, VoltTxAt = 0, Rssi1At = 0, Rssi2At = 0;
    double GpsAt = 0; // any GPS sentence
    double FixAt = 0; // the last RMC with a valid fix
};

// NMEA latitude ddmm.mmmm and its hemisphere as signed decimal degrees with five decimals
// ("S" negative), or "n.a." when degrees or minutes do not read as a number.
std::string NmeaLatToDeg(std::string_view Field, std::string_view Hemisphere);
// The same for a longitude dddmm.mmmm ("W" negative).
std::string NmeaLonToDeg(std::string_view Field, std::string_view Hemisphere);

// RMC's speed over ground (knots) and course (degrees true), fields 7 and 8 counted as they
// stand, empty ones included (a ship lying still often sends no course); the texts as the
// sentence has them, empty when missing, up to the checksum.
TOwnCourse RmcVelocity(std::string_view Sentence);

// ---- Status sentence "RES" -------------------------------------------------------------------

enum class TLampColour { Neutral, Lime, Yellow, Red };

struct TLampSpec {
    const char* Name;
    const char* Caption;
    int Bit;
    TLampColour On;
};

// The eight lamps from top to bottom.
inline constexpr std::array<TLampSpec, 8> kLamps = {{
    {"Shape_LED_OK", "All OK", 1, TLampColour::Lime},
    {"Shape_LED_RX", "RX", 5, TLampColour::Lime},
    {"Shape_LED_TX", "TX", 6, TLampColour::Lime},
    {"Shape_LED_Silent", "RX Only", 4, TLampColour::Yellow},
    {"Shape_LED_Warning", "Warning", 0, TLampColour::Yellow},
    {"Shape_LED_SRM", "Safety Related Message", 3, TLampColour::Yellow},
    {"Shape_LED_Error", "Error", 2, TLampColour::Red},
    {"Shape_LED_VHF_TX", "VHF TX", 7, TLampColour::Red},
}};

inline TLampColour LampColour(std::int32_t Mask, const TLampSpec& Lamp) {
    return (Mask >> Lamp.Bit) & 1 ? Lamp.On : TLampColour::Neutral;
}

// The hexadecimal number at the 1-based positions First to Last; nothing when any of them is
// not a hexadecimal digit or lies past the end of S.
std::optional<std::uint32_t> HexAt(std::string_view S, int First, int Last);

// Lamp mask of a "LED," sentence (positions 15 and 16).
std::optional<std::int32_t> LedMask(std::string_view S);
// Takes a lamp mask into the record at time At.
void RecordLED(TDUT_Status& Status, std::int32_t Mask, double At);

// New captions of the hardware labels from an "ADC," sentence; a label without one keeps its
// caption. Reading stops at the first reading that fails; the supply voltage while
// transmitting is read only once an own transmission has been seen (TxSeen).
struct TAdcCaptions {
    std::optional<std::string> ForPwr, RevPwr, V_Idle, V_TX, RSSI1, RSSI2;
};
TAdcCaptions EvaluateADC(std::string_view S, bool TxSeen);

// The raw readings of an "ADC," sentence, in the same order and with the same stop at the
// first reading that fails.
struct TAdcReadings {
    std::optional<std::uint32_t> Forward, Reverse, VoltIdle, VoltTx, Rssi1, Rssi2;
};
TAdcReadings ReadADC(std::string_view S, bool TxSeen);
// Takes the readings that arrived into the record at time At.
void RecordADC(TDUT_Status& Status, const TAdcReadings& R, double At);
double SupplyVolts(std::uint32_t Reading); // reading × 0.16
double SignalDbm(std::uint32_t Reading);   // reading / −10

// GPS sentences into the record and the own position, as the GPS status shows them. Returns
// the number of fields to show in the memo of the sentence's kind (0: leave it).
enum class TGpsMemo { None, GGA, GSV, RMC };
struct TGpsRecorded {
    TGpsMemo Memo = TGpsMemo::None;
    std::size_t Fields = 0;
};
TGpsRecorded RecordGPS(const std::vector<std::string>& F, std::string_view S, TDUT_Status& Status,
                       TGeoCoor& OwnPos, TOwnCourse& OwnCourse, double At);

// Verdicts of single readings.
std::optional<std::string> PowerVerdict(std::uint32_t Forward,
                                        std::uint32_t Reverse); // none for reverse 0
std::string VoltageText(std::uint32_t Reading);                 // "12 V"
std::string RssiVerdict(std::uint32_t Reading);                 // "OK", "ERROR"

// ---- Alarm and text-message sentences --------------------------------------------------------

// An alarm or text message as the lists read it, from the fields of SplitFields (empty fields
// dropped): ALR address, time, number, condition, acknowledge, text; TXT address, total,
// number, identifier, text. None when the sentence is too short for it.
struct TUnitMessageFields {
    std::string Id, Text;
    bool Active = true; // an alarm's condition is "A"
};
std::optional<TUnitMessageFields> AlarmOf(const std::vector<std::string>& F);
std::optional<TUnitMessageFields> TextOf(const std::vector<std::string>& F);
// The same from the sentence.
std::optional<TUnitMessageFields> ReadAlarm(std::string_view S);
std::optional<TUnitMessageFields> ReadText(std::string_view S);
