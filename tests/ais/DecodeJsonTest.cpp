// corvane-decode's JSON lines: the tool's kinds exactly as before, the kinds beyond them as
// records of their own, on real sentences.

#include "tools/decode/DecodeJson.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TJsonCase {
    const char* Name;
    std::vector<std::string> Lines;
    std::vector<std::string> Expected;
};

const TJsonCase kCases[] = {
    // The tool's kinds print as the tool decodes them; a type 4 too short to decode, or
    // with a checksum that does not match, keeps its null record.
    {"ToolKindsAsBefore",
     {"!AIVDM,2,1,9,B,55R3Vn82=ILTQ3KKS>1<D60Dq@E918U<F222221J1`?164vc03S1CCAD,0*2A",
      "!AIVDM,2,2,9,B,`88888888888880,2*76", "!AIVDM,1,1,,B,13aDp<PP000IwSlN?Wm@0?wN2<1T,0*29",
      "!AIVDM,1,1,,B,B5O6hr00<veEKmUaMFdEow`UWP06,0*4F",
      "!AIVDM,1,1,,B,H39sGlPhT8E9@5<000000000000,2*5C",
      "!AIVDM,1,1,,B,H39sGlTU7B=40054;omlo0103314,0*4D", "!AIVDM,1,1,,A,?03OviQ,0*00",
      "!AIVDM,1,1,,A,4,0*00", "!AIVDM,1,1,,A,403OviQuMGCqWrRO9>E6fE700@GO,0*4D",
      "!AIVDM,1,1,,A,403OviQuMGCqWrRO9>E6fE700@GO,0*00"},
     {"{\"line\": 2, \"source\": \"VDM\", \"channel\": \"B\", \"msgid\": 5, \"record\": \"TMsg5\", "
      "\"fields\": {\"MMSI\": \"371255000\", \"IMO\": \"9266633\", \"CallSign\": \"HP6683 \", "
      "\"ShipName\": \"SEA ENTERPRISE      \", \"ShipsType\": \"Ship with no information\", "
      "\"Dimension\": {\"Laenge\": \"28\", \"Breite\": \"7\"}, \"GNSS\": \"GPS\", \"ETA\": \"29. "
      "Mar. 11:00 UTC\", \"Draught\": \"1.4\", \"Destination\": \"LEMMER              \"}}",
      "{\"line\": 3, \"source\": \"VDM\", \"channel\": \"B\", \"msgid\": 1, \"record\": \"TMsg1\", "
      "\"fields\": {\"MMSI\": \"244660274\", \"NavStatus\": \"under way using engine\", \"Speed\": "
      "\"0\", \"Lon\": \"5.678283\", \"Lat\": \"52.855395\", \"COG\": \"0\", \"TH\": \"n.a.\"}}",
      "{\"line\": 4, \"source\": \"VDM\", \"channel\": \"B\", \"msgid\": 18, \"record\": "
      "\"TMsg18\", \"fields\": {\"Rep\": \"0\", \"MMSI\": \"368161000\", \"Sp1\": \"0\", \"SOG\": "
      "\"5\", \"PA\": \"1\", \"Lon\": \"-72.233848\", \"Lat\": \"39.480925\", \"COG\": \"35\", "
      "\"TH\": \"n.a.\", \"TimeStamp\": \"17\", \"Sp2\": \"0\", \"CB_Unit\": \"1\", \"CB_Disp\": "
      "\"0\", \"CB_DSC\": \"1\", \"CB_Band\": \"1\", \"CB_M22\": \"0\", \"Mode\": \"autonomous\", "
      "\"RAIM\": \"1\", \"Comm_Flag\": \"1\", \"Comm_State\": \"393222\"}}",
      "{\"line\": 5, \"source\": \"VDM\", \"channel\": \"B\", \"msgid\": 240, \"record\": "
      "\"TMsg24A\", \"fields\": {\"Rep\": \"0\", \"MMSI\": \"211736530\", \"PN\": \"A\", \"Name\": "
      "\"LIBERTAS            \"}}",
      "{\"line\": 6, \"source\": \"VDM\", \"channel\": \"B\", \"msgid\": 241, \"record\": "
      "\"TMsg24B\", \"fields\": {\"Rep\": \"0\", \"MMSI\": \"211736530\", \"PN\": \"B\", "
      "\"ShipType\": \"Pleasure Craft\", \"VendorID\": \"GRMD  E\", \"CallSign\": \"DK7547 \", "
      "\"Dimension\": {\"A\": \"8\", \"B\": \"3\", \"C\": \"3\", \"D\": \"1\"}, \"Sp\": \"4\"}}",
      "{\"line\": 7, \"source\": \"VDM\", \"channel\": \"A\", \"msgid\": 15, \"record\": null, "
      "\"fields\": {}}",
      "{\"line\": 8, \"source\": \"VDM\", \"channel\": \"A\", \"msgid\": 4, \"record\": null, "
      "\"fields\": {}}",
      "{\"line\": 9, \"source\": \"VDM\", \"channel\": \"A\", \"msgid\": 4, \"record\": \"TMsg4\", "
      "\"fields\": {\"MMSI\": \"3669702\", \"UTC\": \"14. May  2007 19:57:39 UTC\", \"PA\": \"1\", "
      "\"Lon\": \"-76.352362\", \"Lat\": \"36.883767\", \"GNSS\": \"Supervised\"}}",
      "{\"line\": 10, \"source\": \"VDM\", \"channel\": \"A\", \"msgid\": 4, \"record\": null, "
      "\"fields\": {}}"}},
    // The kinds beyond the tool's, a two-sentence message on the line of its second.
    {"OtherKinds",
     {"!AIVDM,1,1,,B,91b55wi;hbOS@OdQAC062Ch2089h,0*30",
      "!AIVDM,1,1,,B,;4R33:1uUK2F`q?mOt@@GoQ00000,0*5D",
      "!AIVDM,2,1,1,A,<39KdV8jIGtP7E4P@=PjEP>P81@9P>5GPI9BP?<P4P25CP6B=P1<P6E:19B1,0*02",
      "!AIVDM,2,2,1,A,80,4*1B", "!AIVDM,1,1,,A,>5?Per18=HB1U:1@E=B0m<L,2*51",
      "!AIVDM,1,1,,B,C5N3SRgPEnJGEBT>NhWAwwo862PaLELTBJ:V00000000S0D:R220,0*0B",
      "!AIVDM,2,1,5,B,E1mg=5J1T4W0h97aRh6ba84<h2d;W:Te=eLvH50```q,0*46",
      "!AIVDM,2,2,5,B,:D44QDlp0C1DU00,2*36"},
     {"{\"line\": 1, \"source\": \"VDM\", \"channel\": \"B\", \"msgid\": 9, \"record\": \"TMsg9\", "
      "\"fields\": {\"MMSI\": \"111232511\", \"Altitude\": \"303\", \"SOG\": \"42\", \"PA\": "
      "\"0\", \"Lon\": \"-6.278843\", \"Lat\": \"58.144000\", \"COG\": \"155\", \"TimeStamp\": "
      "\"15\"}}",
      "{\"line\": 2, \"source\": \"VDM\", \"channel\": \"B\", \"msgid\": 11, \"record\": "
      "\"TMsg4\", \"fields\": {\"MMSI\": \"304137000\", \"UTC\": \"22. May  2009 2:22:40 UTC\", "
      "\"PA\": \"1\", \"Lon\": \"-94.407683\", \"Lat\": \"28.409117\", \"GNSS\": \"GPS\"}}",
      "{\"line\": 4, \"source\": \"VDM\", \"channel\": \"A\", \"msgid\": 12, \"record\": "
      "\"TMsg12\", \"fields\": {\"MMSI\": \"211217560\", \"SeqNo\": \"2\", \"DestMMSI\": "
      "\"211378120\", \"Retransmit\": \"0\", \"Text\": \"GUD PM 2U N HAPI NEW YIR OL D BES FRM AL "
      "FUJAIRAH\"}}",
      "{\"line\": 5, \"source\": \"VDM\", \"channel\": \"A\", \"msgid\": 14, \"record\": "
      "\"TMsg14\", \"fields\": {\"MMSI\": \"351809000\", \"Text\": \"RCVD YR TEST MSG\"}}",
      "{\"line\": 6, \"source\": \"VDM\", \"channel\": \"B\", \"msgid\": 19, \"record\": "
      "\"TMsg19\", \"fields\": {\"MMSI\": \"367059850\", \"SOG\": \"9\", \"PA\": \"0\", \"Lon\": "
      "\"-88.810392\", \"Lat\": \"29.543695\", \"COG\": \"336\", \"TH\": \"n.a.\", \"TimeStamp\": "
      "\"46\", \"Name\": \"CAPT.J.RIMES        \", \"ShipType\": \"Cargo Ship\", \"Dimension\": "
      "{\"A\": \"5\", \"B\": \"21\", \"C\": \"4\", \"D\": \"4\"}, \"GNSS\": \"GPS\"}}",
      "{\"line\": 8, \"source\": \"VDM\", \"channel\": \"B\", \"msgid\": 21, \"record\": "
      "\"TMsg21\", \"fields\": {\"MMSI\": \"123456789\", \"AidType\": \"Cardinal Mark N\", "
      "\"Name\": \"CHINA ROSE MURPHY EXPRESS ALERT\", \"PA\": \"0\", \"Lon\": \"-122.698592\", "
      "\"Lat\": \"47.920618\", \"Dimension\": {\"A\": \"5\", \"B\": \"5\", \"C\": \"5\", \"D\": "
      "\"5\"}, \"GNSS\": \"GPS\", \"OffPosition\": \"0\", \"Virtual\": \"0\"}}"}},
    // A sentence without an identifier is a single one to the tool and the second of two
    // here: the line completes a message for each.
    {"TwoMessagesOnOneLine",
     {"!AIVDM,2,1,,A,E1mg=5J1T4W0h97aRh6ba84<h2d;W:Te=eLvH50```q,0*70",
      "!AIVDM,2,2,,A,13aDp<PP000IwSlN?Wm@0?wN2<1T,0*2A"},
     {"{\"line\": 2, \"source\": \"VDM\", \"channel\": \"A\", \"msgid\": 1, \"record\": \"TMsg1\", "
      "\"fields\": {\"MMSI\": \"244660274\", \"NavStatus\": \"under way using engine\", \"Speed\": "
      "\"0\", \"Lon\": \"5.678283\", \"Lat\": \"52.855395\", \"COG\": \"0\", \"TH\": \"n.a.\"}}",
      "{\"line\": 2, \"source\": \"VDM\", \"channel\": \"A\", \"msgid\": 21, \"record\": "
      "\"TMsg21\", \"fields\": {\"MMSI\": \"123456789\", \"AidType\": \"Cardinal Mark N\", "
      "\"Name\": \"CHINA ROSE MURPHY EX%S 2B\", \"PA\": \"0\", \"Lon\": \"-122.698592\", \"Lat\": "
      "\"47.920618\", \"Dimension\": {\"A\": \"5\", \"B\": \"5\", \"C\": \"5\", \"D\": \"5\"}, "
      "\"GNSS\": \"GPS\", \"OffPosition\": \"0\", \"Virtual\": \"1\"}}"}},
    // The tool drops a held type 5 half when another two-sentence message begins; that
    // message is decoded here all the same.
    {"HeldType5DroppedAsBefore",
     {"!AIVDM,2,1,9,B,55R3Vn82=ILTQ3KKS>1<D60Dq@E918U<F222221J1`?164vc03S1CCAD,0*2A",
      "!AIVDM,2,1,1,A,<39KdV8jIGtP7E4P@=PjEP>P81@9P>5GPI9BP?<P4P25CP6B=P1<P6E:19B1,0*02",
      "!AIVDM,2,2,9,B,`88888888888880,2*76", "!AIVDM,2,2,1,A,80,4*1B"},
     {"{\"line\": 4, \"source\": \"VDM\", \"channel\": \"A\", \"msgid\": 12, \"record\": "
      "\"TMsg12\", \"fields\": {\"MMSI\": \"211217560\", \"SeqNo\": \"2\", \"DestMMSI\": "
      "\"211378120\", \"Retransmit\": \"0\", \"Text\": \"GUD PM 2U N HAPI NEW YIR OL D BES FRM AL "
      "FUJAIRAH\"}}"}},
};

TEST(DecodeJson, Lines) {
    for (const TJsonCase& c : kCases) {
        SCOPED_TRACE(c.Name);
        TDecodeJson json;
        std::string out;
        long n = 0;
        for (const std::string& line : c.Lines) json.AddLine(line, ++n, out);
        std::vector<std::string> got;
        for (std::size_t from = 0, lf; (lf = out.find('\n', from)) != std::string::npos;
             from = lf + 1)
            got.push_back(out.substr(from, lf - from));
        EXPECT_EQ(got, c.Expected);
    }
}

TEST(DecodeJson, ReturnsWhetherItAppended) {
    TDecodeJson json;
    std::string out = "kept";
    EXPECT_FALSE(json.AddLine("!AIVDM,1,1,,A,601uEPprEH2@<P<j00,4*32", 1, out));
    EXPECT_FALSE(
        json.AddLine("!AIVDM,2,1,5,B,E1mg=5J1T4W0h97aRh6ba84<h2d;W:Te=eLvH50```q,0*46", 2, out));
    EXPECT_EQ(out, "kept");
    EXPECT_TRUE(json.AddLine("!AIVDM,2,2,5,B,:D44QDlp0C1DU00,2*36", 3, out));
    EXPECT_EQ(out.rfind("kept{\"line\": 3, ", 0), 0u);
}

} // namespace
