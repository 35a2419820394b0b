#pragma once
// AIS codec: VDM/VDO sentences, the six-bit payload, message decoders, converters to target
// records, code tables and value formatting. Every decoded value is a display-ready byte
// string ("." as decimal separator in every locale; "n.a." for unavailable values).

#include <array>
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

// Kinds beyond those the tool shows (base stations, SAR aircraft, extended class B reports,
// aids to navigation and safety messages) come through ParseAisMessage, which leaves
// ParseNmeaVD and its joining state as they are. It takes every kind that has a decoder, joins
// messages of up to nine sentences of any kind, and checks what ParseNmeaVD leaves unchecked:
// the checksum, a payload of armouring characters only, and the fill bits. A channel "1" or "2"
// reads as A or B, an empty one as A.

// Fewest payload characters of the decoders of the other kinds, as the fields they read need.
inline constexpr std::size_t kMsg4Chars = 23;  // types 4 and 11, up to the fixing device type
inline constexpr std::size_t kMsg9Chars = 23;  // up to the time stamp
inline constexpr std::size_t kMsg12Chars = 12; // the text begins at bit 72
inline constexpr std::size_t kMsg14Chars = 7;  // the MMSI ends in the seventh, the text at bit 40
inline constexpr std::size_t kMsg19Chars = 51; // up to the fixing device type
inline constexpr std::size_t kMsg21Chars = 45; // up to the virtual flag; the name extension after
// Longest payload of one message: five slots carry at most 1008 data bits.
inline constexpr std::size_t kMaxPayloadChars = 168;

// A whole message from ParseAisMessage: MsgID as ParseNmeaVD gives it (240 and 241 for the two
// parts of type 24), and 9, 11, 12 and 21 besides; MsgStr the payloads of all its sentences.
struct TAisMessage : T_NMEA_VD {
    std::uint32_t FillBits = 0; // of the last sentence: bits at the end of MsgStr that are not data
};

// Joining state of ParseAisMessage: one message in the making per sequential message
// identifier ("0" to "9", and none).
struct TAisJoin {
    struct TPending {
        std::uint32_t Count = 0; // sentences of the message; 0 when nothing is pending
        std::uint32_t Next = 0;  // fragment number awaited
        T_AI_VD Source = T_AI_VD::VDM;
        T_AI_Chan Channel = T_AI_Chan::A;
        std::string Payload;
    };
    std::array<TPending, 11> Pending;
};

// True when Sentence completes a message of a kind that has a decoder and a payload long
// enough for it; Msg is then that message. A sentence that does not fit the message pending
// under its identifier drops that message.
bool ParseAisMessage(std::string_view Sentence, TAisMessage& Msg, TAisJoin& Join);

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

// A report's position as numbers, for plotting: degrees, east and north positive. Valid is
// false when either coordinate is out of range (the "not available" 181 and 91 among them).
struct TPosition {
    double Lon = 0.0, Lat = 0.0;
    bool Valid = false;
};

// Types 4 (base station report) and 11 (UTC and date response).
struct TMsg4 {
    std::string MMSI, UTC, PA, Lon, Lat, GNSS;
    TPosition Pos;
};

// Type 9, standard SAR aircraft position report.
struct TMsg9 {
    std::string MMSI, Altitude, SOG, PA, Lon, Lat, COG, TimeStamp;
    TPosition Pos;
};

// Types 12 and 14: Text runs to the end of the payload and, like the name of type 21, ends at
// its first "@" after the first character; trailing blanks are dropped, and a text of no
// character is "n.a.".

// Type 12, addressed safety related message.
struct TMsg12 {
    std::string MMSI, SeqNo, DestMMSI, Retransmit, Text;
};

// Type 14, safety related broadcast message.
struct TMsg14 {
    std::string MMSI, Text;
};

// Type 19, extended class B position report.
struct TMsg19 {
    std::string MMSI, SOG, PA, Lon, Lat, COG, TH, TimeStamp, Name, ShipType;
    TGPS_Pos Dimension;
    std::string GNSS;
    TPosition Pos;
};

// Type 21, aid to navigation report. Name holds the name extension too.
struct TMsg21 {
    std::string MMSI, AidType, Name, PA, Lon, Lat;
    TGPS_Pos Dimension;
    std::string GNSS, OffPosition, Virtual;
    TPosition Pos;
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

// The decoders of the other kinds check the payload's length first: a payload shorter than
// their kMsg*Chars gives "n.a." in every text and no valid position. Texts that run to the end of
// the payload take whole characters only, FillBits (0 to 5) taken off the end.
TMsg4 DecodeMsg4(std::string_view Payload);
TMsg9 DecodeMsg9(std::string_view Payload);
TMsg12 DecodeMsg12(std::string_view Payload, std::uint32_t FillBits = 0);
TMsg14 DecodeMsg14(std::string_view Payload, std::uint32_t FillBits = 0);
TMsg19 DecodeMsg19(std::string_view Payload);
TMsg21 DecodeMsg21(std::string_view Payload, std::uint32_t FillBits = 0);

TDynamic Msg1ToDynamic(const TMsg1& M);
TDynamic Msg18ToDynamic(const TMsg18& M);
TStatic Msg5ToStatic(const TMsg5& M);
TStatic Msg24AToStatic(const TMsg24A& M);
// False when a dimension text is not a decimal integer; Out is then left as it was.
bool Msg24BToStatic(const TMsg24B& M, TStatic& Out);
// A type 19 report fills a class B row as 18 and 24 do: its position as Msg18ToDynamic gives it,
// its static cells as parts A and B together. Msg19ToStatic fails as Msg24BToStatic does.
TDynamic Msg19ToDynamic(const TMsg19& M);
bool Msg19ToStatic(const TMsg19& M, TStatic& Out);

// ---- Code tables and value formatting ------------------------------------------------------

std::string NavStatusText(std::uint32_t Code);
std::string EpfdText(std::uint32_t Code);
std::string ShipTypeText(std::uint32_t Code);
std::string SpeedText(std::uint32_t Raw);
std::string CourseText(std::uint32_t Raw);
std::string HeadingText(std::uint32_t Raw);
std::string DecimalLon(std::uint32_t Field28);
std::string DecimalLat(std::uint32_t Field27);
std::string EtaText(std::uint32_t Month, std::uint32_t Day, std::uint32_t Hour,
                    std::uint32_t Minute);
std::string DraughtText(std::uint32_t Raw);
std::string ModeText(std::uint32_t Flag);
// Date and time of a type 4 or 11 report, "30. Oct. 2017 21:43:41 UTC"; a part out of range
// shows as "-", and a report with none of them gives "n.a.".
std::string UtcText(std::uint32_t Year, std::uint32_t Month, std::uint32_t Day, std::uint32_t Hour,
                    std::uint32_t Minute, std::uint32_t Second);
std::string AltitudeText(std::uint32_t Raw); // metres; 4094 is 4094 or higher
std::string SarSpeedText(std::uint32_t Raw); // whole knots; 1022 is 1022 or faster
std::string AidTypeText(std::uint32_t Code);
TPosition PositionOf(std::uint32_t Field28, std::uint32_t Field27);
// The position a whole message reports (types 1, 2, 3, 4, 9, 11, 18, 19 and 21); not valid
// for the other kinds.
TPosition ReportedPosition(const TAisMessage& M);
// An MMSI as the nine digits it is: a coast station's 2275200 is 002275200. Texts that are not
// digits, or have nine or more, come back as they are.
std::string NineDigitMmsi(std::string_view Decimal);
std::string LatToDegMin(std::string_view S);
std::string LonToDegMin(std::string_view S);
