#include "nmea/Dispatch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct RouteCase {
    const char* name;
    std::string sentence;
    TAwait await;
    TRoute route;
};

// Test names, not bytes, in failure reports.
void PrintTo(const RouteCase& c, std::ostream* os) {
    *os << c.name;
}

class RouteCases : public ::testing::TestWithParam<RouteCase> {};

TEST_P(RouteCases, GoesToItsHandler) {
    const RouteCase& c = GetParam();
    EXPECT_EQ(RouteSentence(c.sentence, c.await), c.route);
}

const std::string kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r";
const std::string kVdm = "!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4A\r";
const std::string kVdo = "!AIVDO,1,1,,,B3aC3LP0...,0*00\r";

INSTANTIATE_TEST_SUITE_P(
    Table, RouteCases,
    ::testing::Values(
        RouteCase{"GpsWhileIdle", kRmc, TAwait::Nothing, TRoute::HandleGPS},
        RouteCase{"GpsWhileAwaitingAReplyGoesToTheParserOnly", kRmc, TAwait::Reply,
                  TRoute::ParseReply},
        RouteCase{"GpsWhileProbing", kRmc, TAwait::Probe, TRoute::ParseReply},
        RouteCase{"VdmWhileProbingGoesToTheParser", kVdm, TAwait::Probe, TRoute::ParseReply},
        RouteCase{"VdoWhileProbingGoesToTheParser", kVdo, TAwait::Probe, TRoute::ParseReply},
        RouteCase{"VdmWhileReadingIsDecoded", kVdm, TAwait::Reply, TRoute::HandleVDM},
        RouteCase{"VdoIdle", kVdo, TAwait::Nothing, TRoute::HandleVDO},
        RouteCase{"Text", "$AITXT,01,01,91,FREQ*1A\r", TAwait::Nothing, TRoute::HandleTXT},
        RouteCase{"TextWithoutCommaIsDropped", "$AITXT*00\r", TAwait::Nothing, TRoute::Dropped},
        RouteCase{"HardwareStatus", "$PSRT,RES,LED,00*00\r", TAwait::Nothing, TRoute::HandleRES},
        RouteCase{"AnySixCharactersBeforeRes", "$XXXXXRES,1*00\r", TAwait::Nothing,
                  TRoute::HandleRES},
        RouteCase{"ResWhileAwaitingAlarmOutput", "$PSRT,RES,1*00\r", TAwait::Reply,
                  TRoute::ParseReply},
        RouteCase{"Alarm", "$AIALR,000000.00,006,A,V,AIS: Tx malfunction*00\r", TAwait::Nothing,
                  TRoute::HandleALR},
        RouteCase{"GpsTalkerAlarmGoesToGps", "$GPALR,000000.00,001,A,V,x*00\r", TAwait::Nothing,
                  TRoute::HandleGPS},
        RouteCase{"UnknownDollarSentence", "$PSRT,SER,,,0D36*00\r", TAwait::Nothing,
                  TRoute::Dropped},
        RouteCase{"OtherTalkerVdm", "!BSVDM,1,1,,A,13u?etPv2;0n:dDPwUM1U1Cb069D,0*23\r",
                  TAwait::Nothing, TRoute::Dropped},
        RouteCase{"LowerCaseIsNotMatched", "!aivdm,1,1,,A,1,0*00\r", TAwait::Nothing,
                  TRoute::Dropped},
        RouteCase{"TooShortForTheTest", "!AIVD", TAwait::Nothing, TRoute::Dropped},
        RouteCase{"ShortDollar", "$G", TAwait::Nothing, TRoute::Dropped},
        RouteCase{"NeitherDollarNorBang", "GPRMC,1*00\r", TAwait::Nothing, TRoute::Dropped},
        RouteCase{"Empty", "", TAwait::Probe, TRoute::Dropped}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
