// The kinds beyond the tool's (base stations, SAR aircraft, extended class B reports, aids to
// navigation, safety messages) on real captured traffic: every message of them in the captures,
// a table of them checked field by field, and gpsdecode as a peer on every one.

#include "GpsdecodePeer.h"
#include "OtherRecords.h"
#include "ais/AIS_Codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kCorpus = CORVANE_CORPUS_DIR;

std::vector<std::string> ReadLines(const fs::path& File) {
    std::ifstream in(File, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The AIS sets and the whole device captures.
std::vector<fs::path> Captures() {
    std::vector<fs::path> files;
    for (const char* dir : {"ais", "streams"})
        if (fs::is_directory(kCorpus / dir))
            for (const auto& e : fs::directory_iterator(kCorpus / dir))
                if (e.path().extension() == ".nmea") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

bool IsOtherKind(std::int32_t MsgID) {
    for (std::int32_t k : {4, 9, 11, 12, 14, 19, 21})
        if (MsgID == k) return true;
    return false;
}

struct TDecoded {
    std::string File;
    int Line; // 1-based; the line that completes the message
    TAisMessage Msg;
    TFields Fields;
};

// A capture through one joining state, line by line with its CR as the tool receives it; the
// messages of the other kinds.
std::vector<TDecoded> DecodeOthers(const fs::path& File) {
    std::vector<TDecoded> out;
    TAisJoin join;
    TAisMessage msg;
    int n = 0;
    for (const std::string& line : ReadLines(File)) {
        ++n;
        if (ParseAisMessage(line + "\r", msg, join) && IsOtherKind(msg.MsgID))
            out.push_back({File.parent_path().filename().string() + "/" + File.filename().string(),
                           n, msg, DecodeOtherFields(msg)});
    }
    return out;
}

TEST(OtherCorpus, FindsEveryKindWhole) {
    const auto files = Captures();
    if (files.empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
    std::map<std::int32_t, int> kinds, joined;
    for (const auto& file : files) {
        const auto lines = ReadLines(file);
        for (const TDecoded& d : DecodeOthers(file)) {
            SCOPED_TRACE(d.File + ":" + std::to_string(d.Line));
            ++kinds[d.Msg.MsgID];
            if (lines[d.Line - 1].rfind("!AIVDM,1,", 0) != 0) ++joined[d.Msg.MsgID];
            for (const auto& [name, value] : d.Fields) EXPECT_FALSE(value.empty()) << name;
        }
    }
    for (std::int32_t kind : {4, 9, 11, 12, 14, 19, 21})
        EXPECT_GT(kinds[kind], 0) << "no message of kind " << kind;
    // Messages of two sentences, joined by the one mechanism whatever their kind.
    for (std::int32_t kind : {12, 21})
        EXPECT_GT(joined[kind], 0) << "no joined message of kind " << kind;
}

struct TKnown {
    const char* File;
    int Line; // 1-based; the line that completes the message
    TFields Fields;
};

// Expected values were read from gpsdecode's raw output and the bits by hand.
const TKnown kKnown[] = {
    {"ais/gpsd-sample-aivdm.nmea",
     5,
     {{"MMSI", "3669702"},
      {"UTC", "14. May  2007 19:57:39 UTC"},
      {"PA", "1"},
      {"Lon", "-76.352362"},
      {"Lat", "36.883767"},
      {"GNSS", "Supervised"}}},
    // A base station that knows neither time nor position.
    {"ais/gpsd-sample-aivdm.nmea",
     81,
     {{"MMSI", "2470052"},
      {"UTC", "n.a."},
      {"PA", "0"},
      {"Lon", "n.a."},
      {"Lat", "n.a."},
      {"GNSS", "n.a."}}},
    // The date without the time (hour 24, minute and second 60).
    {"ais/gpsd-sample-aivdm.nmea",
     82,
     {{"MMSI", "2242115"},
      {"UTC", "1. Jun. 2012 -:-:- UTC"},
      {"PA", "1"},
      {"Lon", "-8.385217"},
      {"Lat", "43.369013"},
      {"GNSS", "Supervised"}}},
    // Type 11 has the layout of type 4.
    {"ais/gpsd-sample-aivdm.nmea",
     30,
     {{"MMSI", "304137000"},
      {"UTC", "22. May  2009 2:22:40 UTC"},
      {"PA", "1"},
      {"Lon", "-94.407683"},
      {"Lat", "28.409117"},
      {"GNSS", "GPS"}}},
    // Type 9: altitude, speed, position and course all "not available".
    {"ais/dma-stream-example.nmea",
     165,
     {{"MMSI", "111232501"},
      {"Altitude", "n.a."},
      {"SOG", "n.a."},
      {"PA", "0"},
      {"Lon", "n.a."},
      {"Lat", "n.a."},
      {"COG", "n.a."},
      {"TimeStamp", "63"}}},
    {"ais/gpsd-sample-aivdm.nmea",
     27,
     {{"MMSI", "111232511"},
      {"Altitude", "303"},
      {"SOG", "42"},
      {"PA", "0"},
      {"Lon", "-6.278843"},
      {"Lat", "58.144000"},
      {"COG", "155"},
      {"TimeStamp", "15"}}},
    // Type 9 whose latitude lies beyond 90 degrees south.
    {"ais/libais-typeexamples.nmea",
     24,
     {{"MMSI", "400214919"},
      {"Altitude", "3704"},
      {"SOG", "168"},
      {"PA", "1"},
      {"Lon", "60.969937"},
      {"Lat", "n.a."},
      {"COG", "296"},
      {"TimeStamp", "31"}}},
    {"ais/gpsd-sample-aivdm.nmea",
     31,
     {{"MMSI", "2275200"},
      {"SeqNo", "0"},
      {"DestMMSI", "215724000"},
      {"Retransmit", "0"},
      {"Text", "PLEASE REPORT TO JOBOURG TRAFFIC CHANNEL 13"}}},
    // Type 12 over two sentences.
    {"ais/gpsd-sample-aivdm.nmea",
     38,
     {{"MMSI", "211217560"},
      {"SeqNo", "2"},
      {"DestMMSI", "211378120"},
      {"Retransmit", "0"},
      {"Text", "GUD PM 2U N HAPI NEW YIR OL D BES FRM AL FUJAIRAH"}}},
    {"ais/gpsd-sample-aivdm.nmea", 40, {{"MMSI", "351809000"}, {"Text", "RCVD YR TEST MSG"}}},
    {"ais/gpsd-sample-aivdm.nmea",
     41,
     {{"MMSI", "237008900"}, {"Text", "EP228 IX48 FG3 DK7 PL56."}}},
    // Type 19: the name padded to twenty characters, as parts A of type 24 show it.
    {"ais/gpsd-ais-nmea-type6-fid55.nmea",
     442,
     {{"MMSI", "412440345"},
      {"SOG", "0"},
      {"PA", "0"},
      {"Lon", "117.921210"},
      {"Lat", "24.123117"},
      {"COG", "337"},
      {"TH", "0"},
      {"TimeStamp", "0"},
      {"Name", "MIN ZHANG YU 03066  "},
      {"ShipType", "Ship with no information"},
      {"A", "5"},
      {"B", "4"},
      {"C", "2"},
      {"D", "1"},
      {"GNSS", "GPS"}}},
    // Type 21 over two sentences, eleven characters of the name in its extension.
    {"ais/gpsd-sample-aivdm.nmea",
     57,
     {{"MMSI", "123456789"},
      {"AidType", "Cardinal Mark N"},
      {"Name", "CHINA ROSE MURPHY EXPRESS ALERT"},
      {"PA", "0"},
      {"Lon", "-122.698592"},
      {"Lat", "47.920618"},
      {"A", "5"},
      {"B", "5"},
      {"C", "5"},
      {"D", "5"},
      {"GNSS", "GPS"},
      {"OffPosition", "0"},
      {"Virtual", "0"}}},
    // Type 21 whose extension ends in an "@" that characters follow.
    {"ais/gpsd-ais-nmea-type6-fid55.nmea",
     1288,
     {{"MMSI", "992476131"},
      {"AidType", "Reference point"},
      {"Name", "5^ MRSC REGGIO CALABRIA"},
      {"PA", "0"},
      {"Lon", "15.652400"},
      {"Lat", "38.129600"},
      {"A", "0"},
      {"B", "0"},
      {"C", "0"},
      {"D", "0"},
      {"GNSS", "n.a."},
      {"OffPosition", "0"},
      {"Virtual", "1"}}},
    // Type 21 padded with "@" inside its first twenty characters, and bits after them.
    {"ais/gpsd-ais-nmea-type6-fid55.nmea",
     353,
     {{"MMSI", "995126029"},
      {"AidType", "Beacon, Cardinal N"},
      {"Name", "AHAAHA ROCKS NORTH"},
      {"PA", "1"},
      {"Lon", "175.025000"},
      {"Lat", "-36.685833"},
      {"A", "0"},
      {"B", "0"},
      {"C", "0"},
      {"D", "0"},
      {"GNSS", "Supervised"},
      {"OffPosition", "0"},
      {"Virtual", "1"}}},
    // Type 14 whose text an "@" ends, characters after it.
    {"ais/libais-test-aivdm.nmea", 82, {{"MMSI", "397310862"}, {"Text", ",H,"}}},
};

TEST(OtherCorpus, KnownMessages) {
    if (Captures().empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
    for (const TKnown& k : kKnown) {
        SCOPED_TRACE(std::string(k.File) + ":" + std::to_string(k.Line));
        const auto all = DecodeOthers(kCorpus / k.File);
        const auto it = std::find_if(all.begin(), all.end(),
                                     [&](const TDecoded& d) { return d.Line == k.Line; });
        ASSERT_NE(it, all.end()) << "not accepted";
        EXPECT_EQ(it->Fields, k.Fields);
    }
}

// ---- gpsdecode as a peer -------------------------------------------------------------------

std::uint32_t U(const TFields& g, const char* Key) {
    const auto it = g.find(Key);
    if (it == g.end()) ADD_FAILURE() << "gpsdecode gave no " << Key;
    return it == g.end() ? 0 : static_cast<std::uint32_t>(std::stoll(it->second));
}

std::string Flag(const TFields& g, const char* Key) {
    return g.at(Key) == "true" ? "1" : "0";
}

std::string Dec(std::uint32_t V) {
    return std::to_string(V);
}

std::uint32_t Lon(const TFields& g) {
    return static_cast<std::uint32_t>(std::stoll(g.at("lon"))) & 0xFFFFFFF;
}
std::uint32_t Lat(const TFields& g) {
    return static_cast<std::uint32_t>(std::stoll(g.at("lat"))) & 0x7FFFFFF;
}

std::string Replaced(std::string S) {
    for (std::size_t k = 1; k < S.size(); ++k)
        if (S[k] == '&') S[k] = '_';
    return S;
}

// Both end a text at its first "@" and drop trailing blanks, except that an "@" in first
// place ends it there and not here; a text without characters is "" there and "n.a." here.
void ExpectTrimmedText(const std::string& Ours, const std::string& Theirs, const char* Name) {
    if (Theirs.empty() && Ours.size() > 1 && Ours[0] == '@') return;
    EXPECT_EQ(Ours, Theirs.empty() ? "n.a." : Theirs) << Name;
}

// A field of fixed width keeps its padding here, and every later "@" shows as a blank.
void ExpectPaddedText(const std::string& Ours, const std::string& Theirs, const char* Name) {
    if (Ours == "n.a.") {
        EXPECT_EQ(Theirs, "") << Name;
        return;
    }
    EXPECT_EQ(Ours.substr(0, Theirs.size()), Theirs) << Name << ": [" << Ours << "]";
    if (Ours.size() > Theirs.size()) {
        EXPECT_TRUE(Ours[Theirs.size()] == ' ' || (Theirs.empty() && Ours[0] == '@'))
            << Name << ": [" << Ours << "] vs [" << Theirs << "]";
    }
}

void ExpectDimension(const TFields& f, const TFields& g) {
    EXPECT_EQ(f.at("A") + "/" + f.at("B") + "/" + f.at("C") + "/" + f.at("D"),
              Dec(U(g, "to_bow")) + "/" + Dec(U(g, "to_stern")) + "/" + Dec(U(g, "to_port")) + "/" +
                  Dec(U(g, "to_starboard")));
}

void Compare(const TDecoded& d, const TFields& g) {
    const TFields& f = d.Fields;
    switch (d.Msg.MsgID) {
    case 4:
    case 11: {
        unsigned y, mo, d, h, mi, sec; // YYYY-MM-DDTHH:MM:SSZ, a year of five digits too
        ASSERT_EQ(std::sscanf(g.at("timestamp").c_str(), "%u-%u-%uT%u:%u:%uZ", &y, &mo, &d, &h, &mi,
                              &sec),
                  6);
        EXPECT_EQ(f.at("UTC"), UtcText(y, mo, d, h, mi, sec));
        EXPECT_EQ(f.at("PA"), Flag(g, "accuracy"));
        EXPECT_EQ(f.at("Lon"), DecimalLon(Lon(g)));
        EXPECT_EQ(f.at("Lat"), DecimalLat(Lat(g)));
        EXPECT_EQ(f.at("GNSS"), EpfdText(U(g, "epfd")));
        break;
    }
    case 9:
        EXPECT_EQ(f.at("Altitude"), AltitudeText(U(g, "alt")));
        EXPECT_EQ(f.at("SOG"), SarSpeedText(U(g, "speed")));
        EXPECT_EQ(f.at("PA"), Flag(g, "accuracy"));
        EXPECT_EQ(f.at("Lon"), DecimalLon(Lon(g)));
        EXPECT_EQ(f.at("Lat"), DecimalLat(Lat(g)));
        EXPECT_EQ(f.at("COG"), CourseText(U(g, "course")));
        EXPECT_EQ(f.at("TimeStamp"), Dec(U(g, "second")));
        break;
    case 12:
        EXPECT_EQ(f.at("SeqNo"), Dec(U(g, "seqno")));
        EXPECT_EQ(f.at("DestMMSI"), Dec(U(g, "dest_mmsi")));
        EXPECT_EQ(f.at("Retransmit"), Flag(g, "retransmit"));
        ExpectTrimmedText(f.at("Text"), g.at("text"), "Text");
        break;
    case 14:
        ExpectTrimmedText(f.at("Text"), g.at("text"), "Text");
        break;
    case 19:
        EXPECT_EQ(f.at("SOG"), SpeedText(U(g, "speed")));
        EXPECT_EQ(f.at("PA"), Flag(g, "accuracy"));
        EXPECT_EQ(f.at("Lon"), DecimalLon(Lon(g)));
        EXPECT_EQ(f.at("Lat"), DecimalLat(Lat(g)));
        EXPECT_EQ(f.at("COG"), CourseText(U(g, "course")));
        EXPECT_EQ(f.at("TH"), HeadingText(U(g, "heading")));
        EXPECT_EQ(f.at("TimeStamp"), Dec(U(g, "second")));
        ExpectPaddedText(f.at("Name"), Replaced(g.at("shipname")), "Name");
        EXPECT_EQ(f.at("ShipType"), ShipTypeText(U(g, "shiptype")));
        ExpectDimension(f, g);
        EXPECT_EQ(f.at("GNSS"), EpfdText(U(g, "epfd")));
        break;
    case 21:
        EXPECT_EQ(f.at("AidType"), AidTypeText(U(g, "aid_type")));
        ExpectTrimmedText(f.at("Name"), Replaced(g.at("name")), "Name");
        EXPECT_EQ(f.at("PA"), Flag(g, "accuracy"));
        EXPECT_EQ(f.at("Lon"), DecimalLon(Lon(g)));
        EXPECT_EQ(f.at("Lat"), DecimalLat(Lat(g)));
        ExpectDimension(f, g);
        EXPECT_EQ(f.at("GNSS"), EpfdText(U(g, "epfd")));
        EXPECT_EQ(f.at("OffPosition"), Flag(g, "off_position"));
        EXPECT_EQ(f.at("Virtual"), Flag(g, "virtual_aid"));
        break;
    default:
        ADD_FAILURE() << "kind " << d.Msg.MsgID;
        break;
    }
}

// Both decoders see every capture whole; of these kinds each must decode exactly the messages
// the other does, in the same order, with the same values.
TEST(OtherCorpus, AgreesWithGpsdecodeOnEveryMessage) {
    if (!HaveGpsdecode()) GTEST_SKIP() << kGpsdecodePath << " is not installed";
    const auto files = Captures();
    if (files.empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
    std::map<std::int32_t, int> compared;
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        std::vector<TFields> theirs;
        for (TFields& g : RunGpsdecode(file)) // the streams' GPS sentences give other classes
            if (g["class"] == "AIS" && IsOtherKind(static_cast<std::int32_t>(U(g, "type"))))
                theirs.push_back(std::move(g));
        const auto ours = DecodeOthers(file);
        ASSERT_EQ(ours.size(), theirs.size());
        for (std::size_t k = 0; k < ours.size(); ++k) {
            const TDecoded& d = ours[k];
            const TFields& g = theirs[k];
            SCOPED_TRACE("line " + std::to_string(d.Line));
            ASSERT_EQ(Dec(static_cast<std::uint32_t>(d.Msg.MsgID)), g.at("type"));
            ASSERT_EQ(d.Fields.at("MMSI"), g.at("mmsi"));
            Compare(d, g);
            ++compared[d.Msg.MsgID];
        }
    }
    // What the captures hold of each kind, as gpsdecode counts them.
    const std::map<std::int32_t, int> expected = {{4, 154}, {9, 10}, {11, 9},  {12, 17},
                                                  {14, 16}, {19, 7}, {21, 132}};
    EXPECT_EQ(compared, expected);
}

// The one position reader behind the distress alert, against the decoders of each kind (those
// of the other kinds agree with gpsdecode above; those of 1, 2, 3 and 18 as their texts give it).
TEST(OtherCorpus, ReportedPositionIsTheDecodersOwn) {
    const auto files = Captures();
    if (files.empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
    auto number = [](const std::string& Text) { return std::stod(Text); };
    std::map<std::int32_t, int> checked;
    for (const auto& file : files) {
        TAisJoin join;
        TAisMessage m;
        for (const std::string& line : ReadLines(file)) {
            if (!ParseAisMessage(line + "\r", m, join)) continue;
            const TPosition p = ReportedPosition(m);
            TPosition want;
            switch (m.MsgID) {
            case 1:
            case 2:
            case 3:
            case 18: {
                const TDynamic d = m.MsgID == 18 ? Msg18ToDynamic(DecodeMsg18(m.MsgStr))
                                                 : Msg1ToDynamic(DecodeMsg1(m.MsgStr));
                want.Valid = d.Lat != "n.a." && d.Lon != "n.a.";
                want.Lat = want.Valid ? number(d.Lat) : 0;
                want.Lon = want.Valid ? number(d.Lon) : 0;
                break;
            }
            case 4:
            case 11:
                want = DecodeMsg4(m.MsgStr).Pos;
                break;
            case 9:
                want = DecodeMsg9(m.MsgStr).Pos;
                break;
            case 19:
                want = DecodeMsg19(m.MsgStr).Pos;
                break;
            case 21:
                want = DecodeMsg21(m.MsgStr, m.FillBits).Pos;
                break;
            default:
                EXPECT_FALSE(p.Valid) << line;
                continue;
            }
            ++checked[m.MsgID];
            ASSERT_EQ(p.Valid, want.Valid) << line;
            EXPECT_NEAR(p.Lat, want.Lat, 1e-6) << line;
            EXPECT_NEAR(p.Lon, want.Lon, 1e-6) << line;
        }
    }
    for (std::int32_t k : {1, 4, 9, 18, 19, 21}) EXPECT_GT(checked[k], 0) << "type " << k;
}

} // namespace
