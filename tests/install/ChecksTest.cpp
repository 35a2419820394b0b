// Each check's verdict from the figures behind it, with the figures and the advice it gives.

#include "InstallFixture.h"
#include "tools/sim/AisEncode.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::string Own18(double SogKnots, double Lat = 54.4, double Lon = 10.2) {
    TAisPosB m;
    m.MMSI = 211234560;
    m.Sog = static_cast<unsigned>(SogKnots * 10);
    m.Lat = LonLatUnits(Lat);
    m.Lon = LonLatUnits(Lon);
    TVdSentenceBuilder b;
    return b.Build(true, 'A', EncodeMsg18(m))[0];
}

std::string Own24(bool PartB) {
    TVdSentenceBuilder b;
    if (!PartB) {
        TAisStaticA a;
        a.MMSI = 211234560;
        a.Name = "CORVANE TEST";
        return b.Build(true, 'B', EncodeMsg24A(a))[0];
    }
    TAisStaticB p;
    p.MMSI = 211234560;
    p.CallSign = "DK2345";
    return b.Build(true, 'B', EncodeMsg24B(p))[0];
}

std::string Received(std::uint32_t Mmsi, char Channel, double Lat, double Lon) {
    TAisPosA m;
    m.MMSI = Mmsi;
    m.Lat = LonLatUnits(Lat);
    m.Lon = LonLatUnits(Lon);
    TVdSentenceBuilder b;
    return b.Build(false, Channel, EncodeMsg123(m))[0];
}

void Fix(TInstallRig& R) {
    R.Body("GPRMC,120000.00,A,5424.000,N,01012.000,E,6.0,45.0,101226,,,A");
    R.Body("GPGGA,120000.00,5424.000,N,01012.000,E,1,08,0.9,12.0,M,42.5,M,,");
    R.Body("GPGSV,3,1,11,03,39,230,40");
}

void Adc(TInstallRig& R, const std::string& Body) {
    R.Body("PSRT,RES,ADC," + Body);
}

struct TCase {
    const char* Name;
    const char* Check;
    std::function<void(TInstallRig&)> Setup;
    TVerdict Verdict;
    const char* Figures; // a part of the figures
};

void PrintTo(const TCase& C, std::ostream* Os) {
    *Os << C.Name;
}

class Verdicts : public ::testing::TestWithParam<TCase> {};

TEST_P(Verdicts, FromTheFigures) {
    TInstallRig r;
    GetParam().Setup(r);
    const TCheck c = r.Get(GetParam().Check);
    EXPECT_EQ(c.Id, GetParam().Check);
    EXPECT_EQ(VerdictText(c.Verdict), VerdictText(GetParam().Verdict)) << c.Figures;
    EXPECT_NE(c.Figures.find(GetParam().Figures), std::string::npos) << c.Figures;
    // Anything not OK says what to do, except while data is still coming in.
    if (c.Verdict != TVerdict::Waiting) {
        EXPECT_EQ(c.Advice.empty(), c.Verdict == TVerdict::OK) << c.Advice;
    }
}

// Connected at 0 s, the configuration read; the case sets the rest.
std::function<void(TInstallRig&)> Connected(std::function<void(TInstallRig&)> Then) {
    return [Then](TInstallRig& R) {
        R.ReadConfig();
        R.Connect();
        Then(R);
    };
}

const TCase kCases[] = {
    // GPS
    {"NoGpsYet", "gps", Connected([](TInstallRig&) {}), TVerdict::Waiting, "No GPS sentence yet"},
    {"Fix", "gps", Connected([](TInstallRig& R) { Fix(R); }), TVerdict::OK,
     "satellites 11 in view, 08 used; 54"},
    {"NoFix", "gps", Connected([](TInstallRig& R) {
         R.Body("GPRMC,120000.00,V,,,,,,,101226,,,N");
         R.Body("GPGGA,120000.00,,,,,0,00,99.99,,,,,,");
     }),
     TVerdict::Fault, "No fix; satellites 0 in view, 0 used; no fix since the start"},
    {"GpsStale", "gps", Connected([](TInstallRig& R) {
         Fix(R);
         R.At(11);
     }),
     TVerdict::Waiting, "No GPS sentence for 11 s"},
    {"FixStaleWhileGsvFlows", "gps", Connected([](TInstallRig& R) {
         Fix(R);
         R.At(30);
         R.Body("GPGSV,3,1,11,03,39,230,40");
     }),
     TVerdict::Waiting, "No fix reported for 30 s"},
    {"OnlyGsv", "gps", Connected([](TInstallRig& R) { R.Body("GPGSV,3,1,11,03,39,230,40"); }),
     TVerdict::Waiting, "Fix not reported yet"},
    // MMSI
    {"MmsiNotRead", "mmsi", [](TInstallRig&) {}, TVerdict::Waiting, "Not read yet"},
    {"MmsiShip", "mmsi", Connected([](TInstallRig&) {}), TVerdict::OK, "211234560"},
    {"MmsiNone", "mmsi", Connected([](TInstallRig& R) { R.Config.MMSI = "000000000"; }),
     TVerdict::Fault, "No MMSI programmed"},
    {"MmsiCoast", "mmsi", Connected([](TInstallRig& R) { R.Config.MMSI = "002111234"; }),
     TVerdict::Fault, "a coast station's"},
    {"MmsiSart", "mmsi", Connected([](TInstallRig& R) { R.Config.MMSI = "970123456"; }),
     TVerdict::Fault, "distress device"},
    {"MmsiShort", "mmsi", Connected([](TInstallRig& R) { R.Config.MMSI = "21123456"; }),
     TVerdict::Fault, "not nine digits"},
    // Name and call sign
    {"Named", "identity", Connected([](TInstallRig&) {}), TVerdict::OK, "CORVANE TEST, DK2345"},
    {"NoName", "identity", Connected([](TInstallRig& R) { R.Config.ShipsName = "@@@@"; }),
     TVerdict::Check, "no name"},
    {"NoCallSign", "identity", Connected([](TInstallRig& R) { R.Config.CallSign = ""; }),
     TVerdict::Check, "no call sign"},
    // GPS antenna position
    {"Dimensions", "antenna-position", Connected([](TInstallRig&) {}), TVerdict::OK,
     "Length 15 m, beam 5 m (A 10 m, B 5 m, C 3 m, D 2 m)"},
    {"ZeroDistance", "antenna-position", Connected([](TInstallRig& R) { R.Config.D = "0"; }),
     TVerdict::Check, "a distance is 0"},
    {"BeamOverLength", "antenna-position", Connected([](TInstallRig& R) {
         R.Config.A = "1";
         R.Config.B = "1";
     }),
     TVerdict::Check, "beam greater than length"},
    {"DistanceText", "antenna-position", Connected([](TInstallRig& R) { R.Config.B = "x5"; }),
     TVerdict::Check, "B reads \"x5\""},
    // Transmitter
    {"NotConnected", "transmitter", [](TInstallRig&) {}, TVerdict::Waiting, "Not connected"},
    {"FirstReportDue", "transmitter", Connected([](TInstallRig& R) { R.At(150); }),
     TVerdict::Waiting, "No own report yet, listening 2 min 30 s"},
    {"NoReports", "transmitter", Connected([](TInstallRig& R) { R.At(201); }), TVerdict::Fault,
     "No own position report in 3 min 21 s; TX lamp not seen lit"},
    {"ReceiveOnly", "transmitter", Connected([](TInstallRig& R) {
         R.At(40);
         R.Body("PSRT,RES,LED,30");
     }),
     TVerdict::Fault, "receive-only mode (RX Only lamp lit)"},
    {"SilentWithoutMmsi", "transmitter", Connected([](TInstallRig& R) {
         R.Config.MMSI = "000000000";
         R.At(300);
     }),
     TVerdict::Check, "no MMSI programmed (see MMSI)"},
    {"OneReportSoFar", "transmitter", Connected([](TInstallRig& R) {
         R.At(2);
         R.Raw(Own18(6));
         R.At(20);
     }),
     TVerdict::Waiting,
     "last 18 s ago; no static report yet; TX lamp not seen lit; waiting for the next report"},
    {"OnSchedule", "transmitter", Connected([](TInstallRig& R) {
         R.At(2);
         R.Raw(Own18(6));
         R.Body("PSRT,RES,LED,62");
         R.At(4);
         R.Raw(Own24(false));
         R.Raw(Own24(true));
         R.At(32);
         R.Raw(Own18(6));
         R.At(62);
         R.Raw(Own18(6));
         R.At(70);
     }),
     TVerdict::OK,
     "Position reports due every 30 s at 6.0 kn, intervals 30, 30 s; last 8 s ago; static "
     "reports A and B sent; TX lamp lit"},
    {"MooredSchedule", "transmitter", Connected([](TInstallRig& R) {
         R.At(2);
         R.Raw(Own18(0.1));
         R.At(182);
         R.Raw(Own18(0.1));
         R.At(300);
     }),
     TVerdict::OK, "due every 3 min at 0.1 kn, intervals 180 s"},
    {"LateReport", "transmitter", Connected([](TInstallRig& R) {
         R.At(2);
         R.Raw(Own18(6));
         R.At(92);
         R.Raw(Own18(6));
         R.At(100);
     }),
     TVerdict::Check, "intervals 90 s"},
    {"ReportsStopped", "transmitter", Connected([](TInstallRig& R) {
         R.At(2);
         R.Raw(Own18(6));
         R.At(60);
     }),
     TVerdict::Fault, "last 58 s ago"},
    {"NoStaticAfterSixMinutes", "transmitter", Connected([](TInstallRig& R) {
         for (int t = 2; t < 420; t += 30) {
             R.At(t);
             R.Raw(Own18(6));
         }
         R.At(425);
     }),
     TVerdict::Check, "no static report yet"},
    // Supply
    {"NoVoltageYet", "supply", Connected([](TInstallRig&) {}), TVerdict::Waiting,
     "No voltage reading yet"},
    {"TwelveVolt", "supply", Connected([](TInstallRig& R) {
         R.Raw(Own18(6)); // the voltage under load is read from now on
         Adc(R, "0300,0060,4E,4B,0320,0320");
     }),
     TVerdict::OK, "Idle 12.5 V, transmitting 12.0 V (drop 0.5 V); 12 V system"},
    {"IdleOnly", "supply", Connected([](TInstallRig& R) { Adc(R, "0300,0060,4E,4B,0320,0320"); }),
     TVerdict::OK, "Idle 12.5 V, under load not measured yet"},
    {"TwentyFourVolt", "supply",
     Connected([](TInstallRig& R) { Adc(R, "0300,0060,A0,9C,0320,0320"); }), TVerdict::OK,
     "Idle 25.6 V, under load not measured yet; 24 V system"},
    {"Low", "supply", Connected([](TInstallRig& R) { Adc(R, "0300,0060,41,3F,0320,0320"); }),
     TVerdict::Fault, "Idle 10.4 V"},
    {"Lowish", "supply", Connected([](TInstallRig& R) { Adc(R, "0300,0060,46,3F,0320,0320"); }),
     TVerdict::Check, "Idle 11.2 V"},
    {"SagsUnderLoad", "supply", Connected([](TInstallRig& R) {
         R.Raw(Own18(6));
         Adc(R, "0300,0060,50,48,0320,0320");
     }),
     TVerdict::Check, "drop 1.3 V"},
    {"ZeroVolts", "supply", Connected([](TInstallRig& R) { Adc(R, "0300,0060,00,00,0320,0320"); }),
     TVerdict::Check, "The unit reads 0 V"},
    {"VoltageStale", "supply", Connected([](TInstallRig& R) {
         Adc(R, "0300,0060,4E,4B,0320,0320");
         R.At(15);
     }),
     TVerdict::Waiting, "No voltage reading for 15 s"},
    {"VoltageNotHex", "supply",
     Connected([](TInstallRig& R) { Adc(R, "0300,0060,4G,4B,0320,0320"); }), TVerdict::Waiting,
     "No voltage reading yet"},
    // VHF antenna
    {"GoodAntenna", "vhf-antenna",
     Connected([](TInstallRig& R) { Adc(R, "0300,0060,4E,4B,0320,0320"); }), TVerdict::OK,
     "Forward power 768, reverse power 96 (ratio 8.0)"},
    {"BadAntenna", "vhf-antenna",
     Connected([](TInstallRig& R) { Adc(R, "0300,0101,4E,4B,0320,0320"); }), TVerdict::Fault,
     "(ratio 3.0)"},
    {"RatioThree", "vhf-antenna",
     Connected([](TInstallRig& R) { Adc(R, "0300,0100,4E,4B,0320,0320"); }), TVerdict::OK,
     "(ratio 3.0)"},
    {"ReverseZero", "vhf-antenna",
     Connected([](TInstallRig& R) { Adc(R, "0300,0000,4E,4B,0320,0320"); }), TVerdict::Check,
     "reverse power reads 0"},
    {"NothingSent", "vhf-antenna",
     Connected([](TInstallRig& R) { Adc(R, "0000,0000,4E,4B,0320,0320"); }), TVerdict::Waiting,
     "no transmission measured yet"},
    {"CutBeforePower", "vhf-antenna",
     Connected([](TInstallRig& R) { R.Body("PSRT,RES,ADC,0300"); }), TVerdict::Waiting,
     "No power reading yet"},
    // Receiver levels
    {"Quiet", "receivers", Connected([](TInstallRig& R) { Adc(R, "0300,0060,4E,4B,0320,0303"); }),
     TVerdict::OK, "Receiver 1 -80.0 dBm, receiver 2 -77.1 dBm"},
    {"Noisy", "receivers", Connected([](TInstallRig& R) { Adc(R, "0300,0060,4E,4B,0320,0302"); }),
     TVerdict::Check, "receiver 2 -77.0 dBm (high)"},
    {"SecondCutShort", "receivers",
     Connected([](TInstallRig& R) { Adc(R, "0300,0060,4E,4B,0320,03"); }), TVerdict::Waiting,
     "No level reading of both receivers yet"},
    // Reception
    {"Listening", "reception", Connected([](TInstallRig& R) {
         R.At(5);
         R.Raw(Received(211000001, 'A', 54.5, 10.2));
     }),
     TVerdict::Waiting, "1 station"},
    {"BothChannels", "reception", Connected([](TInstallRig& R) {
         Fix(R);
         for (int t = 1; t <= 60; ++t) {
             R.At(t);
             R.Raw(Received(211000001, t % 2 ? 'A' : 'B', 54.5, 10.2));
         }
         R.At(60);
     }),
     TVerdict::OK,
     "Channel A 30/min, channel B 30/min; 1 station in the last 60 s; farthest 6.0 NM "
     "(211000001)"},
    {"DeadChannel", "reception", Connected([](TInstallRig& R) {
         for (int t = 0; t < 60; ++t) {
             R.At(t);
             R.Raw(Received(211000001 + t % 5, 'A', 54.5, 10.2));
         }
         R.At(60);
     }),
     TVerdict::Fault, "nothing on channel B"},
    {"NothingHeard", "reception", Connected([](TInstallRig& R) { R.At(120); }), TVerdict::Check,
     "Nothing heard in 2 min"},
    // Alarms
    {"Calm", "alarms", Connected([](TInstallRig& R) { R.Body("PSRT,RES,LED,02"); }), TVerdict::OK,
     "No active alarm"},
    {"UnitSilent", "alarms", Connected([](TInstallRig&) {}), TVerdict::Waiting,
     "No status report yet"},
    {"Alarm", "alarms", Connected([](TInstallRig& R) {
         R.Body("PSRT,RES,LED,06");
         R.Body("AIALR,120000.00,002,A,V,Antenna VSWR exceeds limit");
         R.Body("AITXT,01,01,025,Internal GNSS in use");
     }),
     TVerdict::Check,
     "Alarm 002 Antenna VSWR exceeds limit; messages: 025 Internal GNSS in use; Error lamp lit"},
    {"AlarmCleared", "alarms", Connected([](TInstallRig& R) {
         R.Body("PSRT,RES,LED,02");
         R.Body("AIALR,120000.00,002,A,V,Antenna VSWR exceeds limit");
         R.At(5);
         R.Body("PSRT,RES,LED,02");
         R.Body("AIALR,120005.00,002,V,V,Antenna VSWR exceeds limit");
     }),
     TVerdict::OK, "No active alarm"},
    {"AlarmForgotten", "alarms", Connected([](TInstallRig& R) {
         R.Body("AIALR,120000.00,002,A,V,Antenna VSWR exceeds limit");
         R.At(62);
         R.Body("PSRT,RES,LED,02");
     }),
     TVerdict::OK, "No active alarm"},
};

INSTANTIATE_TEST_SUITE_P(Checks, Verdicts, ::testing::ValuesIn(kCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Checks, AlwaysTheSameInOrder) {
    TInstallRig r;
    std::vector<std::string> ids;
    for (const TCheck& c : r.Run()) {
        ids.push_back(c.Id);
        EXPECT_EQ(c.Verdict, TVerdict::Waiting) << c.Id << ": nothing arrived, nothing is judged";
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"gps", "mmsi", "identity", "antenna-position",
                                             "transmitter", "supply", "vhf-antenna", "receivers",
                                             "reception", "alarms"}));
    EXPECT_TRUE(NoFault(r.Run()));
}

TEST(Checks, MmsiKinds) {
    const std::pair<const char*, TMmsiKind> cases[] = {
        {"211234560", TMmsiKind::Ship},         {"775123456", TMmsiKind::Ship},
        {"000000000", TMmsiKind::None},         {"", TMmsiKind::None},
        {"002111234", TMmsiKind::CoastStation}, {"021112345", TMmsiKind::Group},
        {"111211234", TMmsiKind::SarAircraft},  {"992111234", TMmsiKind::AidToNavigation},
        {"970123456", TMmsiKind::Device},       {"972123456", TMmsiKind::Device},
        {"974123456", TMmsiKind::Device},       {"982111234", TMmsiKind::Other},
        {"811234567", TMmsiKind::Other},        {"21123456", TMmsiKind::Invalid},
        {"21123456x", TMmsiKind::Invalid},      {"2112345600", TMmsiKind::Invalid},
    };
    for (const auto& [m, k] : cases) EXPECT_EQ(MmsiKind(m), k) << m;
}

} // namespace
