#pragma once
// AIS codec: VDM/VDO sentences, the six-bit payload, message decoders, converters to target
// records, code tables and value formatting. Every decoded value is a display-ready byte
// string ("." as decimal separator in every locale; "n.a." for unavailable values).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// ---- Sentences and payload ---------------------------------------------------------------

enum class T_AI_VD : std::uint8_t { VDM = 0, VDO = 1 };
enum class T_AI_Chan : std::uint8_t { A = 0, B = 1 };

struct T_NMEA_VD {
    T_AI_VD Source = T_AI_VD::VDM;
    T_AI_Chan Channel = T_AI_Chan::A;
    std::int32_t MsgID = 0;
    std::string MsgStr;
};

// Joining state of two-sentence type 5 messages; the program keeps one for its whole run.
struct TMsg5_setup {
    std::string Inhalt;
    std::string Step = "0";
    std::string Nummer;
};

// Fewest payload characters each decoder reads; ParseNmeaVD rejects shorter payloads so that
// no decoder ever reads past its payload.
inline constexpr std::size_t kMsg1Chars = 23;
inline constexpr std::size_t kMsg5Chars = 71;
inline constexpr std::size_t kMsg18Chars = 28;
inline constexpr std::size_t kMsg24AChars = 27;
inline constexpr std::size_t kMsg24BChars = 28;

bool ParseNmeaVD(std::string_view Sentence, T_NMEA_VD& VD, TMsg5_setup& Setup);

std::uint32_t SixBitValue(char Ch);
char SixBitChar(std::uint32_t Value);
// Unsigned value of Width (at most 30) bits from FirstBit on; bits past the payload read as 0.
std::uint32_t PayloadBits(std::string_view Payload, std::uint32_t FirstBit, std::uint32_t Width);
std::string SixBitText(std::string_view Payload, std::uint32_t FirstBit, std::uint32_t Count,
                       bool ReplaceAmpersand);

// ---- Records -----------------------------------------------------------------------------

struct TMsg1 {
    std::string MMSI, NavStatus, Speed, Lon, Lat, COG, TH;
};

struct TDimension {
    std::string Laenge, Breite;
};

struct TMsg5 {
    std::string MMSI;
    std::int32_t Num_Stat = 0;
    std::int32_t Num_Dyn = 0;
    std::string IMO, CallSign, ShipName, ShipsType;
    TDimension Dimension;
    std::string GNSS, ETA, Draught, Destination;
};

struct TMsg18 {
    std::string Rep, MMSI, Sp1, SOG, PA, Lon, Lat, COG, TH, TimeStamp, Sp2;
    std::string CB_Unit, CB_Disp, CB_DSC, CB_Band, CB_M22, Mode, RAIM, Comm_Flag, Comm_State;
};

struct TMsg24A {
    std::string Rep, MMSI, PN, Name;
};

struct TGPS_Pos {
    std::string A, B, C, D;
};

struct TMsg24B {
    std::string Rep, MMSI, PN, ShipType, VendorID, CallSign;
    TGPS_Pos Dimension;
    std::string Sp;
};

struct TDynamic {
    std::string AISclass, MMSI, NavStatus, Speed, Lon, Lat, COG, TH, TimeStamp;
};

struct TStatic {
    std::string MMSI;
    std::int32_t Num_Stat = 0;
    std::int32_t Num_Dyn = 0;
    std::string IMO, CallSign, ShipName, ShipsType;
    TDimension Dimension;
    std::string GNSS, ETA, Draught, Destination, VendorID;
    double LastReport = 0.0; // UTC, days
    std::vector<TDynamic> aPlot;
};

// ---- Decoders and converters ---------------------------------------------------------------

TMsg1 DecodeMsg1(std::string_view Payload);
TMsg5 DecodeMsg5(std::string_view Payload);
TMsg18 DecodeMsg18(std::string_view Payload);
TMsg24A DecodeMsg24A(std::string_view Payload);
TMsg24B DecodeMsg24B(std::string_view Payload);

TDynamic Msg1ToDynamic(const TMsg1& M);
TDynamic Msg18ToDynamic(const TMsg18& M);
TStatic Msg5ToStatic(const TMsg5& M);
TStatic Msg24AToStatic(const TMsg24A& M);
// False when a dimension text is not a decimal integer; Out is then left as it was.
bool Msg24BToStatic(const TMsg24B& M, TStatic& Out);

// ---- Code tables and value formatting ------------------------------------------------------

std::string NavStatusText(std::uint32_t Code);
std::string EpfdText(std::uint32_t Code);
std::string ShipTypeText(std::uint32_t Code);
std::string SpeedText(std::uint32_t Raw);
std::string CourseText(std::uint32_t Raw);
std::string HeadingText(std::uint32_t Raw);
std::string DecimalLon(std::uint32_t Field28);
std::string DecimalLat(std::uint32_t Field27);
std::string EtaText(std::uint32_t Month, std::uint32_t Day, std::uint32_t Hour, std::uint32_t Minute);
std::string DraughtText(std::uint32_t Raw);
std::string ModeText(std::uint32_t Flag);
std::string LatToDegMin(std::string_view S);
std::string LonToDegMin(std::string_view S);
