// Cutting received bytes into sentences, and packing sentences into datagrams, on their own.

#include "share/ShareLines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Frame(TLineFramer& F, const std::vector<std::string>& Chunks) {
    std::string out;
    for (const std::string& c : Chunks)
        F.Take(reinterpret_cast<const std::uint8_t*>(c.data()), c.size(), &out);
    return out;
}

TEST(LineFramer, Lines) {
    const std::string longLine(1024, 'x');
    const struct {
        const char* What;
        std::vector<std::string> Chunks;
        std::string Out;
    } cases[] = {
        {"CR LF", {"$A*00\r\n"}, "$A*00\r\n"},
        {"LF alone gets its CR", {"$A*00\n"}, "$A*00\r\n"},
        {"a byte at a time", {"$", "A", "*", "0", "0", "\r", "\n", "$B\n"}, "$A*00\r\n$B\r\n"},
        {"CR and LF in two chunks", {"$A\r", "\n$B\r", "\n"}, "$A\r\n$B\r\n"},
        {"empty lines dropped", {"\n\r\n\r\n$A\n\n"}, "$A\r\n"},
        {"a line without its LF waits", {"$A\r\n$B"}, "$A\r\n"},
        {"a CR inside a line stays", {"$A\rB\n"}, "$A\rB\r\n"},
        {"only the last CR goes", {"$A\r\r\n"}, "$A\r\r\n"},
        {"bytes pass unchanged",
         {std::string("$\x00\xff\x80*\n", 6)},
         std::string("$\x00\xff\x80*\r\n", 7)},
        {"1024 bytes is a line", {longLine + "\r\n"}, longLine + "\r\n"},
        {"1024 bytes without a CR", {longLine + "\n"}, longLine + "\r\n"},
        {"1025 bytes is garbage, the next line is not", {longLine + "y\r\n$A\n"}, "$A\r\n"},
        {"garbage in many chunks is forgotten up to its LF",
         {longLine, longLine, longLine, "tail\n$A\n"},
         "$A\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TLineFramer f(1024);
        EXPECT_EQ(Frame(f, c.Chunks), c.Out);
    }
}

TEST(LineFramer, CountsWithoutOutputAndForgetsOnReset) {
    TLineFramer f(1024);
    const std::string a = "$A\r\n$B\r\n$C";
    EXPECT_EQ(f.Take(reinterpret_cast<const std::uint8_t*>(a.data()), a.size(), nullptr), 2u);
    f.Reset(); // the port closed in the middle of $C
    EXPECT_EQ(Frame(f, {"D*00\r\n$E\r\n"}), "D*00\r\n$E\r\n");
}

std::vector<std::string> Group(const std::vector<std::string>& Lines) {
    TDatagramGrouper g;
    std::vector<TDatagram> out;
    for (const std::string& l : Lines) g.Take(l + "\r\n", 0, out);
    g.Flush(out);
    std::vector<std::string> texts;
    for (const TDatagram& d : out) {
        std::string t;
        int n = 0;
        for (std::size_t p = 0; p < d.Bytes.size();) {
            const std::size_t e = d.Bytes.find("\r\n", p);
            t += (t.empty() ? "" : "|") + d.Bytes.substr(p, e - p);
            p = e + 2;
            ++n;
        }
        EXPECT_EQ(n, d.Sentences) << t;
        texts.push_back(t);
    }
    return texts;
}

TEST(DatagramGrouper, Groups) {
    const std::string p =
        "!AIVDM,2,1,3,A,55P5TL01VIaAL@7WKO@mBplU@<PDhh000000001S;AJ::4A80?4i@E53,0*3E";
    const std::string q = "!AIVDM,2,2,3,A,1@0000000000000,2*55";
    const std::string o1 = "!AIVDO,2,1,7,B,5CVB,0*00";
    const std::string o2 = "!AIVDO,2,2,7,B,0,2*00";
    const std::string single = "!AIVDM,1,1,,B,15RTgt0PAso;90TKcjM8h6g208CQ,0*4A";
    const std::string gps = "$GPRMC,1*00";
    const struct {
        const char* What;
        std::vector<std::string> Lines;
        std::vector<std::string> Datagrams;
    } cases[] = {
        {"one sentence a datagram", {single, gps, single}, {single, gps, single}},
        {"two parts travel together", {gps, p, q, gps}, {gps, p + "|" + q, gps}},
        {"VDO too, and any talker",
         {o1, o2, "!BSVDM,2,1,0,A,x,0*00", "!BSVDM,2,2,0,A,y,0*00"},
         {o1 + "|" + o2, "!BSVDM,2,1,0,A,x,0*00|!BSVDM,2,2,0,A,y,0*00"}},
        {"three parts",
         {"!AIVDM,3,1,9,A,a,0*00", "!AIVDM,3,2,9,A,b,0*00", "!AIVDM,3,3,9,A,c,0*00"},
         {"!AIVDM,3,1,9,A,a,0*00|!AIVDM,3,2,9,A,b,0*00|!AIVDM,3,3,9,A,c,0*00"}},
        {"no sequential id still groups",
         {"!AIVDM,2,1,,A,a,0*00", "!AIVDM,2,2,,A,b,0*00"},
         {"!AIVDM,2,1,,A,a,0*00|!AIVDM,2,2,,A,b,0*00"}},
        {"another line sends the held part first", {p, gps, q}, {p, gps, q}},
        {"another message's first part", {p, o1, o2}, {p, o1 + "|" + o2}},
        {"another sequential id", {p, "!AIVDM,2,2,4,A,1@0,2*00"}, {p, "!AIVDM,2,2,4,A,1@0,2*00"}},
        {"VDM and VDO are not one message",
         {p, "!AIVDO,2,2,3,A,1@0,2*00"},
         {p, "!AIVDO,2,2,3,A,1@0,2*00"}},
        {"a part out of order",
         {"!AIVDM,3,1,9,A,a,0*00", "!AIVDM,3,3,9,A,c,0*00"},
         {"!AIVDM,3,1,9,A,a,0*00", "!AIVDM,3,3,9,A,c,0*00"}},
        {"the first part twice", {p, p, q}, {p, p + "|" + q}},
        {"a second part alone", {q, gps}, {q, gps}},
        {"interleaved messages keep their order",
         {"!AIVDM,2,1,1,A,a,0*00", "!AIVDM,2,1,2,A,b,0*00", "!AIVDM,2,2,1,A,c,0*00",
          "!AIVDM,2,2,2,A,d,0*00"},
         {"!AIVDM,2,1,1,A,a,0*00", "!AIVDM,2,1,2,A,b,0*00", "!AIVDM,2,2,1,A,c,0*00",
          "!AIVDM,2,2,2,A,d,0*00"}},
        {"malformed fields are plain lines",
         {"!AIVDM,2,3,1,A,a,0*00", "!AIVDM,0,1,1,A,a,0*00", "!AIVDM,2,1,123,A,a,0*00",
          "!AIVDM,22,1,1,A,a,0*00", "!AIVDM,2,1,x,A,a,0*00", "!AIVDM,2,1"},
         {"!AIVDM,2,3,1,A,a,0*00", "!AIVDM,0,1,1,A,a,0*00", "!AIVDM,2,1,123,A,a,0*00",
          "!AIVDM,22,1,1,A,a,0*00", "!AIVDM,2,1,x,A,a,0*00", "!AIVDM,2,1"}},
        {"a part left at the end goes on its own", {gps, p}, {gps, p}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(Group(c.Lines), c.Datagrams);
    }
}

TEST(DatagramGrouper, HoldsAFirstPartOnlyAShortWhile) {
    TDatagramGrouper g;
    std::vector<TDatagram> out;
    EXPECT_EQ(g.Deadline(), INT64_MAX);
    g.Take("!AIVDM,2,1,3,A,a,0*00\r\n", 5000, out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(g.Deadline(), 5000 + TDatagramGrouper::kHoldMs);
    g.Expire(5000 + TDatagramGrouper::kHoldMs - 1, out);
    EXPECT_TRUE(out.empty());
    g.Expire(5000 + TDatagramGrouper::kHoldMs, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].Bytes, "!AIVDM,2,1,3,A,a,0*00\r\n");
    EXPECT_EQ(g.Deadline(), INT64_MAX);
    // Its second part, late, goes on its own.
    g.Take("!AIVDM,2,2,3,A,b,0*00\r\n", 7000, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1].Bytes, "!AIVDM,2,2,3,A,b,0*00\r\n");
}

} // namespace
