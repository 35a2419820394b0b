// Real captured traffic: every line of every capture, a handful of messages checked field by
// field against values read with an independent decoder, and gpsdecode as a peer on the rest.

#include "GpsdecodePeer.h"
#include "NeededChars.h"
#include "Records.h"
#include "ais/AIS_Codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kAisDir = fs::path(CORVANE_CORPUS_DIR) / "ais";

std::vector<std::string> ReadLines(const fs::path& File) {
    std::ifstream in(File, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<fs::path> CorpusFiles() {
    std::vector<fs::path> files;
    if (fs::is_directory(kAisDir))
        for (const auto& e : fs::directory_iterator(kAisDir))
            if (e.path().extension() == ".nmea") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// One accepted message: the lines that made it (two for a joined type 5) and its record.
struct TAccepted {
    std::string File;
    std::vector<std::string> Lines;
    T_NMEA_VD VD;
    TFields Fields;
};

// Runs a capture through one joining state, as the program does, line by line with its CR.
std::vector<TAccepted> DecodeFile(const fs::path& File) {
    std::vector<TAccepted> out;
    TMsg5_setup setup;
    T_NMEA_VD vd;
    std::string held; // the line of a held first half
    for (const std::string& line : ReadLines(File)) {
        const bool wasHeld = setup.Step == "1";
        const bool ok = ParseNmeaVD(line + "\r", vd, setup);
        if (ok) {
            TAccepted a{File.filename().string(), {line}, vd, DecodeFields(vd)};
            if (vd.MsgID == 5) a.Lines.insert(a.Lines.begin(), held);
            out.push_back(std::move(a));
        }
        if (!wasHeld && setup.Step == "1") held = line;
    }
    return out;
}

TEST(Corpus, DecodesEveryLine) {
    const auto files = CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "no corpus at " << kAisDir;
    std::map<std::int32_t, int> kinds;
    int part3 = 0;
    for (const auto& file : files) {
        for (const TAccepted& a : DecodeFile(file)) {
            SCOPED_TRACE(a.File + ": " + a.Lines.back());
            ++kinds[a.VD.MsgID];
            EXPECT_GE(a.VD.MsgStr.size(), NeededChars(a.VD.MsgID));
            for (const auto& [name, value] : a.Fields) EXPECT_FALSE(value.empty()) << name;
            if (a.VD.MsgID == 241 && PayloadBits(a.VD.MsgStr, 38, 2) == 3) ++part3;
        }
    }
    for (std::int32_t kind : {1, 2, 3, 4, 5, 14, 15, 18, 19, 20, 22, 23, 240, 241})
        EXPECT_GT(kinds[kind], 0) << "no message of kind " << kind;
    EXPECT_EQ(part3, 35); // the type 24 reports with part number 3 that the capture notes list
}

struct TKnown {
    const char* File;
    int Line; // 1-based; the line that completes the message
    TFields Fields;
};

// Expected values were read from gpsdecode's raw output and from the bits by hand; padding
// blanks and "n.a." follow the codec's own text rules.
const TKnown kKnown[] = {
    {"gpsd-ais-nmea.nmea",
     2,
     {{"MMSI", "371255000"},
      {"IMO", "9266633"},
      {"CallSign", "HP6683 "},
      {"ShipName", "SEA ENTERPRISE      "},
      {"ShipsType", "Ship with no information"},
      {"Laenge", "28"},
      {"Breite", "7"},
      {"GNSS", "GPS"},
      {"ETA", "29. Mar. 11:00 UTC"},
      {"Draught", "1.4"},
      {"Destination", "LEMMER              "}}},
    {"gpsd-ais-nmea.nmea",
     3,
     {{"MMSI", "244660274"},
      {"NavStatus", "under way using engine"},
      {"Speed", "0"},
      {"Lon", "5.678283"},
      {"Lat", "52.855395"},
      {"COG", "0"},
      {"TH", "n.a."}}},
    {"gpsd-ais-nmea.nmea",
     4,
     {{"MMSI", "211129800"},
      {"NavStatus", "moored"},
      {"Speed", "0"},
      {"Lon", "5.679668"},
      {"Lat", "52.858252"},
      {"COG", "n.a."},
      {"TH", "n.a."}}},
    {"gpsd-ais-nmea.nmea",
     15,
     {{"Rep", "0"},
      {"MMSI", "244014164"},
      {"Sp1", "0"},
      {"SOG", "0"},
      {"PA", "0"},
      {"Lon", "5.707180"},
      {"Lat", "52.841188"},
      {"COG", "n.a."},
      {"TH", "n.a."},
      {"TimeStamp", "0"},
      {"Sp2", "0"},
      {"CB_Unit", "0"},
      {"CB_Disp", "0"},
      {"CB_DSC", "1"},
      {"CB_Band", "1"},
      {"CB_M22", "1"},
      {"Mode", "autonomous"},
      {"RAIM", "0"},
      {"Comm_Flag", "1"},
      {"Comm_State", "85242"}}},
    {"gpsd-ais-nmea.nmea",
     16,
     {{"Rep", "0"}, {"MMSI", "211736530"}, {"PN", "A"}, {"Name", "LIBERTAS            "}}},
    {"gpsd-ais-nmea.nmea",
     85,
     {{"Rep", "0"},
      {"MMSI", "211736530"},
      {"PN", "B"},
      {"ShipType", "Pleasure Craft"},
      {"VendorID", "GRMD  E"},
      {"CallSign", "DK7547 "},
      {"A", "8"},
      {"B", "3"},
      {"C", "3"},
      {"D", "1"},
      {"Sp", "4"}}},
    // An "&" in a real ship name.
    {"gpsd-ais-nmea-type6-fid55.nmea",
     1156,
     {{"MMSI", "211516500"},
      {"IMO", "n.a."},
      {"CallSign", "DB5168 "},
      {"ShipName", "L _ R 6             "},
      {"ShipsType", "Ship with no information"},
      {"Laenge", "12"},
      {"Breite", "4"},
      {"GNSS", "GPS"},
      {"ETA", "1. Jan. 0:26 UTC"},
      {"Draught", "1.5"},
      {"Destination", "HAMBURG             "}}},
    // Part number 3 reaches the part B decoder; a call sign beginning with "@" keeps it.
    {"gpsd-ais-18-27.nmea",
     3,
     {{"Rep", "0"},
      {"MMSI", "230108610"},
      {"PN", "B"},
      {"ShipType", "Passenger Ship"},
      {"VendorID", "n.a."},
      {"CallSign", "@OF-332"},
      {"A", "424"},
      {"B", "0"},
      {"C", "0"},
      {"D", "0"},
      {"Sp", "0"}}},
};

TEST(Corpus, KnownMessages) {
    for (const TKnown& k : kKnown) {
        SCOPED_TRACE(std::string(k.File) + ":" + std::to_string(k.Line));
        const auto all = DecodeFile(kAisDir / k.File);
        if (all.empty()) GTEST_SKIP() << "no corpus at " << kAisDir;
        const auto lines = ReadLines(kAisDir / k.File);
        ASSERT_LE(k.Line, static_cast<int>(lines.size()));
        const auto it = std::find_if(all.begin(), all.end(), [&](const TAccepted& a) {
            return a.Lines.back() == lines[k.Line - 1];
        });
        ASSERT_NE(it, all.end()) << "not accepted";
        EXPECT_EQ(it->Fields, k.Fields);
    }
}

TEST(Corpus, RejectedOddities) {
    if (CorpusFiles().empty()) GTEST_SKIP() << "no corpus at " << kAisDir;
    // Own class B reports sent without a channel letter have five fields.
    for (const TAccepted& a : DecodeFile(kAisDir / "gpsd-ait250.nmea"))
        EXPECT_NE(a.VD.Source, T_AI_VD::VDO) << a.Lines.back();
    // Type 5 halves of two messages interleaved: each first half drops the other, so none of
    // the four lines completes a message.
    const auto lines = ReadLines(kAisDir / "gpsd-sample-aivdm.nmea");
    for (const TAccepted& a : DecodeFile(kAisDir / "gpsd-sample-aivdm.nmea"))
        for (int n = 76; n <= 79; ++n) EXPECT_NE(a.Lines.back(), lines[n - 1]);
}

// ---- gpsdecode as a peer -------------------------------------------------------------------

std::uint32_t U(const TFields& g, const char* Key) {
    const auto it = g.find(Key);
    if (it == g.end()) ADD_FAILURE() << "gpsdecode gave no " << Key;
    return it == g.end() ? 0 : static_cast<std::uint32_t>(std::stoll(it->second));
}

std::uint32_t Bool(const TFields& g, const char* Key) {
    return g.at(Key) == "true" ? 1 : 0;
}

std::string Dec(std::uint32_t V) {
    return std::to_string(V);
}

// gpsdecode ends a text at its first "@" and drops trailing blanks; the codec shows each later
// "@" as a blank, keeps the padding, and writes "n.a." for a field of "@" and blanks.
void ExpectText(const std::string& Ours, std::string Theirs, bool Replace, const char* Name) {
    if (Replace)
        for (std::size_t k = 1; k < Theirs.size(); ++k)
            if (Theirs[k] == '&') Theirs[k] = '_';
    if (Ours == "n.a.") {
        EXPECT_EQ(Theirs, "") << Name;
        return;
    }
    std::string trimmed = Ours;
    while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
    EXPECT_EQ(trimmed.substr(0, Theirs.size()), Theirs) << Name << ": [" << Ours << "]";
    if (trimmed.size() > Theirs.size()) {
        EXPECT_TRUE(trimmed[Theirs.size()] == ' ' || (Theirs.empty() && trimmed[0] == '@'))
            << Name << ": [" << Ours << "] vs [" << Theirs << "]";
    }
}

std::uint32_t Lon(const TFields& g) {
    return static_cast<std::uint32_t>(std::stoll(g.at("lon"))) & 0xFFFFFFF;
}
std::uint32_t Lat(const TFields& g) {
    return static_cast<std::uint32_t>(std::stoll(g.at("lat"))) & 0x7FFFFFF;
}

void Compare(const TAccepted& a, const TFields& g) {
    const TFields& f = a.Fields;
    switch (a.VD.MsgID) {
    case 1:
    case 2:
    case 3:
        EXPECT_EQ(f.at("NavStatus"), NavStatusText(U(g, "status")));
        EXPECT_EQ(f.at("Speed"), SpeedText(U(g, "speed")));
        EXPECT_EQ(f.at("Lon"), DecimalLon(Lon(g)));
        EXPECT_EQ(f.at("Lat"), DecimalLat(Lat(g)));
        EXPECT_EQ(f.at("COG"), CourseText(U(g, "course")));
        EXPECT_EQ(f.at("TH"), HeadingText(U(g, "heading")));
        break;
    case 5: {
        const std::uint32_t imo = U(g, "imo");
        EXPECT_EQ(f.at("IMO"), imo == 0 ? "n.a." : Dec(imo));
        ExpectText(f.at("CallSign"), g.at("callsign"), false, "CallSign");
        ExpectText(f.at("ShipName"), g.at("shipname"), true, "ShipName");
        ExpectText(f.at("Destination"), g.at("destination"), false, "Destination");
        EXPECT_EQ(f.at("ShipsType"), ShipTypeText(U(g, "shiptype")));
        const std::uint32_t len = U(g, "to_bow") + U(g, "to_stern");
        const std::uint32_t beam = U(g, "to_port") + U(g, "to_starboard");
        EXPECT_EQ(f.at("Laenge"), len == 0 ? "n.a." : Dec(len));
        EXPECT_EQ(f.at("Breite"), beam == 0 ? "n.a." : Dec(beam));
        EXPECT_EQ(f.at("GNSS"), EpfdText(U(g, "epfd")));
        const std::string eta = g.at("eta"); // MM-DDTHH:MMZ
        EXPECT_EQ(f.at("ETA"), EtaText(std::stoul(eta.substr(0, 2)), std::stoul(eta.substr(3, 2)),
                                       std::stoul(eta.substr(6, 2)), std::stoul(eta.substr(9, 2))));
        EXPECT_EQ(f.at("Draught"), DraughtText(U(g, "draught")));
        break;
    }
    case 18: {
        EXPECT_EQ(f.at("Rep"), Dec(U(g, "repeat")));
        EXPECT_EQ(f.at("Sp1"), Dec(U(g, "reserved")));
        EXPECT_EQ(f.at("SOG"), SpeedText(U(g, "speed")));
        EXPECT_EQ(f.at("PA"), Dec(Bool(g, "accuracy")));
        EXPECT_EQ(f.at("Lon"), DecimalLon(Lon(g)));
        EXPECT_EQ(f.at("Lat"), DecimalLat(Lat(g)));
        EXPECT_EQ(f.at("COG"), CourseText(U(g, "course")));
        EXPECT_EQ(f.at("TH"), HeadingText(U(g, "heading")));
        EXPECT_EQ(f.at("TimeStamp"), Dec(U(g, "second")));
        EXPECT_EQ(f.at("Sp2"), Dec(U(g, "regional")));
        EXPECT_EQ(f.at("CB_Unit") + f.at("CB_Disp") + f.at("CB_DSC") + f.at("CB_Band") +
                      f.at("CB_M22") + f.at("RAIM"),
                  Dec(Bool(g, "cs")) + Dec(Bool(g, "display")) + Dec(Bool(g, "dsc")) +
                      Dec(Bool(g, "band")) + Dec(Bool(g, "msg22")) + Dec(Bool(g, "raim")));
        const std::uint32_t radio = U(g, "radio");
        EXPECT_EQ(f.at("Comm_Flag"), Dec(radio >> 19));
        EXPECT_EQ(f.at("Comm_State"), Dec(radio & 0x7FFFF));
        break;
    }
    case 240:
        EXPECT_EQ(f.at("PN"), "A");
        ExpectText(f.at("Name"), g.at("shipname"), true, "Name");
        break;
    case 241:
        EXPECT_EQ(f.at("PN"), "B");
        EXPECT_EQ(f.at("ShipType"), ShipTypeText(U(g, "shiptype")));
        ExpectText(f.at("VendorID"), g.at("vendorid"), true, "VendorID");
        ExpectText(f.at("CallSign"), g.at("callsign"), true, "CallSign");
        EXPECT_EQ(f.at("A") + "/" + f.at("B") + "/" + f.at("C") + "/" + f.at("D"),
                  Dec(U(g, "to_bow")) + "/" + Dec(U(g, "to_stern")) + "/" + Dec(U(g, "to_port")) +
                      "/" + Dec(U(g, "to_starboard")));
        break;
    default:
        break;
    }
}

// gpsdecode prints a part A followed by its part B as one record without a "part" key.
bool IsMerged(const TFields& g) {
    return g.at("type") == "24" && g.find("part") == g.end();
}

bool SameMessage(const TAccepted& a, const TFields& g) {
    const std::uint32_t type = U(g, "type");
    bool kind;
    switch (a.VD.MsgID) {
    case 1:
    case 2:
    case 3:
        kind = type >= 1 && type <= 3;
        break;
    case 240:
        kind = type == 24 && (IsMerged(g) || g.at("part") == "A");
        break;
    case 241:
        kind = type == 24 && (IsMerged(g) || g.at("part") == "B");
        break;
    default:
        kind = type == static_cast<std::uint32_t>(a.VD.MsgID);
        break;
    }
    const std::uint32_t mmsi = U(g, "mmsi");
    const std::string& ours = a.Fields.at("MMSI");
    return kind && (ours == Dec(mmsi) || (ours == "n.a." && mmsi == 0)); // type 5 shows 0 as n.a.
}

TEST(Corpus, AgreesWithGpsdecode) {
    if (access(kGpsdecodePath, X_OK) != 0) GTEST_SKIP() << kGpsdecodePath << " is not installed";
    const auto files = CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "no corpus at " << kAisDir;

    // Only what the codec accepted and decodes goes to the peer, a message's lines together,
    // so both sides see the same messages in the same order.
    std::vector<TAccepted> ours;
    for (const auto& file : files)
        for (TAccepted& a : DecodeFile(file))
            if (!a.Fields.empty()) ours.push_back(std::move(a));
    const fs::path dir = fs::temp_directory_path();
    const std::string tag = "corvane-peer-" + std::to_string(getpid());
    const fs::path in = dir / (tag + ".nmea"), out = dir / (tag + ".json");
    {
        std::ofstream f(in, std::ios::binary);
        for (const TAccepted& a : ours)
            for (const std::string& line : a.Lines) f << line << "\r\n";
    }
    const std::string cmd = std::string(kGpsdecodePath) + " -u -s < '" + in.string() + "' > '" +
                            out.string() + "' 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::vector<TFields> theirs;
    for (const std::string& line : ReadLines(out)) theirs.push_back(ParseGpsdecodeLine(line));
    fs::remove(in);
    fs::remove(out);

    // gpsdecode skips some messages the codec takes (type 24 part numbers 2 and 3, reports of
    // an odd bit count); every other message must find its record, in order.
    std::vector<bool> used(theirs.size());
    std::size_t j = 0, matched = 0;
    for (const TAccepted& a : ours) {
        SCOPED_TRACE(a.File + ": " + a.Lines.back());
        std::size_t k = j;
        while (k < theirs.size() && k < j + 8 && !SameMessage(a, theirs[k])) ++k;
        if (k == theirs.size() || k == j + 8) {
            // Only type 24 reports whose part number is 2 or 3, or whose length less the fill
            // bits is neither 160 nor 168 bits.
            EXPECT_EQ(a.VD.MsgID / 10, 24);
            const std::size_t comma = a.Lines.back().rfind(',');
            const int fill = comma == std::string::npos ? 0 : a.Lines.back()[comma + 1] - '0';
            const std::size_t bits = a.VD.MsgStr.size() * 6 - fill;
            EXPECT_TRUE(PayloadBits(a.VD.MsgStr, 38, 2) >= 2 || (bits != 160 && bits != 168));
            continue;
        }
        Compare(a, theirs[k]);
        used[k] = true;
        ++matched;
        j = (a.VD.MsgID == 240 && IsMerged(theirs[k])) ? k : k + 1; // its part B comes next
    }
    EXPECT_EQ(std::count(used.begin(), used.end(), false), 0)
        << "gpsdecode printed records the codec did not decode";
    EXPECT_GT(matched, 3000u) << "too few messages compared";
}

} // namespace
