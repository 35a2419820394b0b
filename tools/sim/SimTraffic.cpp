#include "tools/sim/SimTraffic.h"

#include "nmea/Framing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kKeepWithinNm = 8.0;

constexpr std::int64_t kGpsMs = 1000, kLedMs = 500, kAdcMs = 5000, kStaticMs = 360000;
constexpr std::int64_t kBaseMs = 10000, kAtoNMs = 180000, kAlarmTickMs = 10000;
constexpr std::int64_t kMobMs = 60000;

const char* const kNames[] = {"NORDLICHT",     "ALBATROS", "MARE BALTICUM", "KIELER FOERDE",
                              "L & R 6",       "HOLTENAU", "STELLA MARIS",  "FEHMARNBELT",
                              "SEESTERN",      "OSTWIND",  "BALTIC TRADER", "LABOE",
                              "FRIEDRICHSORT", "SCHLEI",   "MOEWE",         "ANNA-LENA"};
const char* const kDestinations[] = {"KIEL",   "HAMBURG", "COPENHAGEN",
                                     "GDANSK", "ROSTOCK", "AARHUS"};
const unsigned kMids[] = {211, 218, 219, 220, 244, 245, 257, 265, 266, 230};

double Rad(double d) {
    return d * kPi / 180.0;
}
double Deg(double r) {
    return r * 180.0 / kPi;
}
double Wrap360(double d) {
    d = std::fmod(d, 360.0);
    return d < 0 ? d + 360.0 : d;
}

// Flat-earth distance and bearing; good enough within the few miles the traffic keeps to.
double DistanceNm(double Lat1, double Lon1, double Lat2, double Lon2) {
    const double dy = (Lat2 - Lat1) * 60.0;
    const double dx = (Lon2 - Lon1) * 60.0 * std::cos(Rad((Lat1 + Lat2) / 2));
    return std::hypot(dx, dy);
}
double BearingDeg(double Lat1, double Lon1, double Lat2, double Lon2) {
    const double dy = (Lat2 - Lat1) * 60.0;
    const double dx = (Lon2 - Lon1) * 60.0 * std::cos(Rad((Lat1 + Lat2) / 2));
    return Wrap360(Deg(std::atan2(dx, dy)));
}

std::tm Utc(std::int64_t Ms) {
    const std::time_t t = static_cast<std::time_t>(Ms / 1000);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return tm;
}

std::string NmeaTime(std::int64_t UtcMs) {
    const std::tm tm = Utc(UtcMs);
    char b[16];
    std::snprintf(b, sizeof b, "%02d%02d%02d.%02d", tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<int>((UtcMs % 1000) / 10));
    return b;
}

std::string NmeaLat(double Lat) {
    const double a = std::fabs(Lat);
    const int d = static_cast<int>(a);
    char b[24];
    std::snprintf(b, sizeof b, "%02d%08.5f,%c", d, (a - d) * 60.0, Lat < 0 ? 'S' : 'N');
    return b;
}

std::string NmeaLon(double Lon) {
    const double a = std::fabs(Lon);
    const int d = static_cast<int>(a);
    char b[24];
    std::snprintf(b, sizeof b, "%03d%08.5f,%c", d, (a - d) * 60.0, Lon < 0 ? 'W' : 'E');
    return b;
}

unsigned Tenths(double v, unsigned Max) {
    const long t = std::lround(v * 10.0);
    return static_cast<unsigned>(std::clamp<long>(t, 0, Max));
}

unsigned Second(std::int64_t UtcMs) {
    return static_cast<unsigned>(Utc(UtcMs).tm_sec);
}

// Rate of turn as AIS codes it: 4.733 times the square root of degrees per minute.
int RotCode(double TurnDegPerSec) {
    const double perMin = TurnDegPerSec * 60.0;
    const double code = 4.733 * std::sqrt(std::fabs(perMin));
    const int c = std::min(126, static_cast<int>(std::lround(code)));
    return perMin < 0 ? -c : c;
}

} // namespace

TTrafficGen::TTrafficGen(const TTrafficOptions& O) : FOpt(O), FRng(O.Seed) {
    FOwn.Lat = O.Lat;
    FOwn.Lon = O.Lon;
    FOwn.Sog = 6.0;
    FOwn.Cog = 45.0;
    FOwn.Turn = 0.25; // a wide circle around the start, so the own ship stays in the area

    std::uniform_int_distribution<int> stagger(0, 9999);
    // A receiver reports on the whole UTC second.
    Schedule((1000 - O.UtcStartMs % 1000) % 1000, Gps);
    Schedule(250, Led);
    Schedule(1500, Adc);
    if (!O.NoAlarms) Schedule(0, AlarmTick);
    if (O.StatusOnly) return;
    Schedule(2000, Own18);
    FOwn24Due = 4000;
    Schedule(FOwn24Due, Own24);

    const int vessels = std::max(0, O.Targets);
    for (int i = 0; i < vessels; ++i) FShips.push_back(MakeShip(FShips.size()));
    if (vessels > 0) {
        // A shore station and a buoy, as any busy area has.
        TSimShip base;
        base.Kind = TSimShip::BaseStation;
        base.MMSI = 2111240;
        base.Lat = O.Lat + 0.05;
        base.Lon = O.Lon - 0.08;
        FShips.push_back(base);
        TSimShip aton;
        aton.Kind = TSimShip::AidToNavigation;
        aton.MMSI = 992111001;
        aton.Name = "KIEL LIGHTHOUSE";
        aton.Lat = O.Lat + 0.02;
        aton.Lon = O.Lon + 0.05;
        FShips.push_back(aton);
    }
    if (O.Mob) {
        // Someone in the water a third of a mile south of the start, drifting east: the
        // device sends a class A position report with status 14 every minute and its text.
        TSimShip mob;
        mob.Kind = TSimShip::ManOverboard;
        mob.MMSI = 972111001;
        mob.Lat = O.Lat - 0.0055;
        mob.Lon = O.Lon;
        mob.Sog = 0.4;
        mob.Cog = 90;
        mob.HasHeading = false;
        mob.NavStatus = 14;
        FShips.push_back(mob);
    }
    std::uniform_int_distribution<int> firstStatic(1000, 30000);
    for (std::size_t i = 0; i < FShips.size(); ++i) {
        const std::int64_t first = std::min<std::int64_t>(ReportInterval(FShips[i]), 10000);
        Schedule(stagger(FRng) % first, TargetPos, i);
        const auto kind = FShips[i].Kind;
        if (kind == TSimShip::ClassA || kind == TSimShip::ClassB || kind == TSimShip::ManOverboard)
            Schedule(firstStatic(FRng), TargetStatic, i);
    }
}

TSimShip TTrafficGen::MakeShip(std::size_t Index) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    TSimShip s;
    s.Kind = Index % 3 == 2 ? TSimShip::ClassB : TSimShip::ClassA;
    const unsigned mid = kMids[Index % std::size(kMids)];
    s.MMSI = mid * 1000000u + 100000u + static_cast<std::uint32_t>(Index * 7919u % 900000u);
    const double range = 0.5 + unit(FRng) * (kKeepWithinNm - 1.0);
    const double bearing = unit(FRng) * 360.0;
    s.Lat = FOpt.Lat + range * std::cos(Rad(bearing)) / 60.0;
    s.Lon = FOpt.Lon + range * std::sin(Rad(bearing)) / 60.0 / std::cos(Rad(FOpt.Lat));
    s.Cog = unit(FRng) * 360.0;
    s.Turn = (unit(FRng) - 0.5) * 0.1;
    s.Name = kNames[Index % std::size(kNames)];
    if (Index >= std::size(kNames)) {
        s.Name += ' ';
        s.Name += std::to_string(Index / std::size(kNames) + 1);
    }
    char cs[8];
    std::snprintf(cs, sizeof cs, "D%c%04u", static_cast<char>('A' + Index % 26),
                  static_cast<unsigned>(1000 + Index * 37 % 9000));
    s.CallSign = cs;
    if (s.Kind == TSimShip::ClassA) {
        // Some moored, most under way, a few fast.
        const double r = unit(FRng);
        s.Sog = r < 0.15 ? 0.0 : r < 0.85 ? 4.0 + unit(FRng) * 10.0 : 15.0 + unit(FRng) * 12.0;
        s.NavStatus = s.Sog == 0.0 ? 5 : 0;
        if (s.Sog == 0.0) s.Turn = 0.0;
        s.MsgType = Index % 7 == 3 ? 2 : 1;
        s.ShipType = r < 0.5 ? 70 : r < 0.8 ? 80 : 60;
        s.ToBow = 40 + static_cast<unsigned>(unit(FRng) * 100);
        s.ToStern = 10 + static_cast<unsigned>(unit(FRng) * 30);
        s.ToPort = 6 + static_cast<unsigned>(unit(FRng) * 8);
        s.ToStarboard = 6 + static_cast<unsigned>(unit(FRng) * 8);
        s.IMO = 9100000u + static_cast<std::uint32_t>(Index * 104729u % 800000u);
        s.Draught = 30 + static_cast<unsigned>(unit(FRng) * 90);
        s.Destination = kDestinations[Index % std::size(kDestinations)];
    } else {
        s.Sog = unit(FRng) < 0.3 ? 0.5 + unit(FRng) : 3.0 + unit(FRng) * 5.0;
        s.HasHeading = Index % 2 == 0;
        s.ShipType = Index % 2 == 0 ? 37 : 36;
        s.ToBow = 8 + static_cast<unsigned>(unit(FRng) * 6);
        s.ToStern = 2 + static_cast<unsigned>(unit(FRng) * 3);
        s.ToPort = 2;
        s.ToStarboard = 2;
        s.VendorID = Index % 2 == 0 ? "ALB1234" : "NAV0815";
    }
    return s;
}

std::int64_t TTrafficGen::ReportInterval(const TSimShip& S) {
    switch (S.Kind) {
    case TSimShip::BaseStation:
        return kBaseMs;
    case TSimShip::AidToNavigation:
        return kAtoNMs;
    case TSimShip::ManOverboard:
        return kMobMs;
    case TSimShip::ClassB:
        return OwnReportInterval(S.Sog);
    case TSimShip::ClassA:
        break;
    }
    if (S.NavStatus == 1 || S.NavStatus == 5) return 180000;
    if (S.Sog > 23.0) return 2000;
    if (S.Sog > 14.0) return 6000;
    return 10000;
}

std::int64_t TTrafficGen::OwnReportInterval(double SogKnots) {
    return SogKnots > 2.0 ? 30000 : 180000;
}

void TTrafficGen::Schedule(std::int64_t At, TEvent Kind, std::size_t Index) {
    FDue.push(TDue{At, FSeq++, Kind, Index});
}

std::int64_t TTrafficGen::NextDueMs() const {
    return FDue.empty() ? INT64_MAX : FDue.top().At;
}

void TTrafficGen::StaticChanged(std::int64_t SimMs) {
    if (FOpt.StatusOnly) return;
    FOwn24Due = SimMs + 2000;
    Schedule(FOwn24Due, Own24);
}

void TTrafficGen::Advance(std::int64_t SimMs, const TSimConfig& C, std::vector<std::string>& Out) {
    while (!FDue.empty() && FDue.top().At <= SimMs) {
        const TDue e = FDue.top();
        FDue.pop();
        // Only what this event reports moves up to its time: each ship carries the time it
        // was last moved, so moving all of them per event made 10,000 targets cost the
        // square of that and left the line and the replies behind.
        Move(FOwn, e.At, false);
        if (e.Kind == TargetPos || e.Kind == TargetStatic) MoveShip(FShips[e.Index], e.At);
        Run(e, C, Out);
    }
}

void TTrafficGen::Flood(std::int64_t SimMs, std::vector<std::string>& Out) {
    if (FShips.empty()) return;
    Move(FOwn, SimMs, false);
    // A second try when a dead channel B swallowed the first: empty means nothing to send.
    const std::size_t before = Out.size();
    for (int i = 0; i < 2 && Out.size() == before; ++i) {
        TSimShip& s = FShips[FFloodNext++ % FShips.size()];
        MoveShip(s, SimMs);
        SendPosition(s, SimMs, Out);
    }
}

void TTrafficGen::Run(const TDue& E, const TSimConfig& C, std::vector<std::string>& Out) {
    switch (E.Kind) {
    case Gps:
        SendGps(E.At, C, Out);
        Schedule(E.At + kGpsMs, Gps);
        break;
    case Led:
        SendLed(E.At, C, Out);
        Schedule(E.At + kLedMs, Led);
        break;
    case Adc:
        SendAdc(Out);
        Schedule(E.At + kAdcMs, Adc);
        break;
    case AlarmTick:
        AlarmStep(E.At, C, Out);
        Schedule(E.At + kAlarmTickMs, AlarmTick);
        break;
    case Own18:
        SendOwn18(E.At, C, Out);
        Schedule(E.At + OwnReportInterval(FOwn.Sog), Own18);
        break;
    case Own24:
        if (E.At != FOwn24Due) break; // superseded by an earlier report after a change
        SendOwn24(C, Out);
        FOwn24Due = E.At + kStaticMs;
        Schedule(FOwn24Due, Own24);
        break;
    case TargetPos:
        SendPosition(FShips[E.Index], E.At, Out);
        Schedule(E.At + ReportInterval(FShips[E.Index]), TargetPos, E.Index);
        break;
    case TargetStatic:
        SendStatic(FShips[E.Index], Out);
        Schedule(E.At + kStaticMs, TargetStatic, E.Index);
        break;
    }
}

void TTrafficGen::MoveShip(TSimShip& S, std::int64_t SimMs) {
    if (S.Kind == TSimShip::ClassA || S.Kind == TSimShip::ClassB ||
        S.Kind == TSimShip::ManOverboard)
        Move(S, SimMs, true);
}

void TTrafficGen::Move(TSimShip& S, std::int64_t SimMs, bool KeepNear) {
    const double dt = static_cast<double>(SimMs - S.MovedAt) / 1000.0;
    if (dt <= 0) return;
    S.MovedAt = SimMs;
    const double course = S.Cog + S.Turn * dt / 2; // mean course over the step
    const double nm = S.Sog * dt / 3600.0;
    S.Lat += nm * std::cos(Rad(course)) / 60.0;
    S.Lon += nm * std::sin(Rad(course)) / 60.0 / std::cos(Rad(S.Lat));
    S.Cog = Wrap360(S.Cog + S.Turn * dt);
    if (!KeepNear || S.Sog == 0.0) return;
    // Past the edge of the area a vessel turns back towards it at a plausible rate.
    const double away = DistanceNm(FOpt.Lat, FOpt.Lon, S.Lat, S.Lon);
    const double home = BearingDeg(S.Lat, S.Lon, FOpt.Lat, FOpt.Lon);
    const double off = Wrap360(home - S.Cog + 180.0) - 180.0;
    if (away > kKeepWithinNm && std::fabs(off) > 30.0)
        S.Turn = off > 0 ? 0.5 : -0.5;
    else if (std::fabs(S.Turn) > 0.1)
        S.Turn = 0.02;
}

char TTrafficGen::NextChannel() {
    FChannelB = !FChannelB;
    return FChannelB ? 'A' : 'B';
}

void TTrafficGen::Emit(std::vector<std::string>& Out, std::vector<std::string> Sentences) {
    for (auto& s : Sentences) Out.push_back(std::move(s));
}

void TTrafficGen::SendGps(std::int64_t SimMs, const TSimConfig& C, std::vector<std::string>& Out) {
    if (FOpt.StatusOnly) return;
    const std::int64_t utc = FOpt.UtcStartMs + SimMs;
    const std::string time = NmeaTime(utc);
    const std::string pos = NmeaLat(FOwn.Lat) + "," + NmeaLon(FOwn.Lon);
    // Without a fix the receiver still knows the time and the satellites in view, nothing else.
    const bool fix = !FOpt.Faults.Has(TSimFault::NoFix);
    char b[160];
    if (C.NmeaOutput & kGpsRMC) {
        const std::tm tm = Utc(utc);
        if (fix)
            std::snprintf(b, sizeof b, "GPRMC,%s,A,%s,%.1f,%.1f,%02d%02d%02d,,,A", time.c_str(),
                          pos.c_str(), FOwn.Sog, FOwn.Cog, tm.tm_mday, tm.tm_mon + 1,
                          tm.tm_year % 100);
        else
            std::snprintf(b, sizeof b, "GPRMC,%s,V,,,,,,,%02d%02d%02d,,,N", time.c_str(),
                          tm.tm_mday, tm.tm_mon + 1, tm.tm_year % 100);
        Out.push_back(FrameNMEA(b));
    }
    if (C.NmeaOutput & kGpsGGA) {
        if (fix)
            std::snprintf(b, sizeof b, "GPGGA,%s,%s,1,08,0.9,12.0,M,42.5,M,,", time.c_str(),
                          pos.c_str());
        else
            std::snprintf(b, sizeof b, "GPGGA,%s,,,,,0,00,99.99,,,,,,", time.c_str());
        Out.push_back(FrameNMEA(b));
    }
    if (C.NmeaOutput & kGpsVTG) {
        if (fix)
            std::snprintf(b, sizeof b, "GPVTG,%.1f,T,,M,%.1f,N,%.1f,K,A", FOwn.Cog, FOwn.Sog,
                          FOwn.Sog * 1.852);
        else
            std::snprintf(b, sizeof b, "GPVTG,,T,,M,,N,,K,N");
        Out.push_back(FrameNMEA(b));
    }
    if (C.NmeaOutput & kGpsGSV) {
        // Eleven satellites in view, slowly changing signal strength.
        static const int kSats[11][3] = {{3, 39, 230},  {8, 31, 170},  {10, 8, 58},   {11, 65, 149},
                                         {14, 43, 97},  {17, 18, 316}, {22, 66, 224}, {27, 4, 155},
                                         {28, 26, 288}, {32, 38, 65},  {1, 12, 20}};
        const int phase = static_cast<int>((SimMs / 1000) % 7);
        for (int part = 0; part < 3; ++part) {
            std::string body = "GPGSV,3," + std::to_string(part + 1) + ",11";
            for (int k = part * 4; k < std::min(11, part * 4 + 4); ++k) {
                std::snprintf(b, sizeof b, ",%02d,%02d,%03d,%02d", kSats[k][0], kSats[k][1],
                              kSats[k][2], 30 + (k * 3 + phase) % 15);
                body += b;
            }
            Out.push_back(FrameNMEA(body));
        }
    }
}

void TTrafficGen::SendPosition(TSimShip& S, std::int64_t SimMs, std::vector<std::string>& Out) {
    const std::int64_t utc = FOpt.UtcStartMs + SimMs;
    ++S.Reports;
    TAisPayload p;
    switch (S.Kind) {
    case TSimShip::ManOverboard: // reports as a class A vessel does
    case TSimShip::ClassA: {
        TAisPosA m;
        // Now and then a vessel answers an interrogation with a type 3.
        m.Type = S.MsgType == 1 && S.Reports % 5 == 0 ? 3 : S.MsgType;
        m.MMSI = S.MMSI;
        m.NavStatus = S.NavStatus;
        m.Rot = S.Sog == 0.0 ? 0 : RotCode(S.Turn);
        m.Sog = Tenths(S.Sog, 1022);
        m.PosAcc = 1;
        m.Lon = LonLatUnits(S.Lon);
        m.Lat = LonLatUnits(S.Lat);
        m.Cog = Tenths(S.Cog, 3599);
        m.Heading = static_cast<unsigned>(std::lround(S.Cog)) % 360;
        m.Second = Second(utc);
        m.Radio = static_cast<std::uint32_t>(S.Reports % 8) << 14 | (S.MMSI & 0x3FFF);
        p = EncodeMsg123(m);
        break;
    }
    case TSimShip::ClassB: {
        TAisPosB m;
        m.MMSI = S.MMSI;
        m.Sog = Tenths(S.Sog, 1022);
        m.Lon = LonLatUnits(S.Lon);
        m.Lat = LonLatUnits(S.Lat);
        m.Cog = Tenths(S.Cog, 3599);
        m.Heading = S.HasHeading ? static_cast<unsigned>(std::lround(S.Cog)) % 360 : 511;
        m.Second = Second(utc);
        p = EncodeMsg18(m);
        break;
    }
    case TSimShip::BaseStation: {
        const std::tm tm = Utc(utc);
        TAisBaseStation m;
        m.MMSI = S.MMSI;
        m.Year = static_cast<unsigned>(tm.tm_year + 1900);
        m.Month = static_cast<unsigned>(tm.tm_mon + 1);
        m.Day = static_cast<unsigned>(tm.tm_mday);
        m.Hour = static_cast<unsigned>(tm.tm_hour);
        m.Minute = static_cast<unsigned>(tm.tm_min);
        m.Second = static_cast<unsigned>(tm.tm_sec);
        m.PosAcc = 1;
        m.Lon = LonLatUnits(S.Lon);
        m.Lat = LonLatUnits(S.Lat);
        m.Epfd = 7; // surveyed
        p = EncodeMsg4(m);
        break;
    }
    case TSimShip::AidToNavigation: {
        TAisAtoN m;
        m.MMSI = S.MMSI;
        m.AidType = 6; // light, without sectors
        m.Name = S.Name;
        m.PosAcc = 1;
        m.Lon = LonLatUnits(S.Lon);
        m.Lat = LonLatUnits(S.Lat);
        m.Epfd = 7;
        m.Second = Second(utc);
        p = EncodeMsg21(m);
        break;
    }
    }
    Receive(SimMs, p, Out);
}

void TTrafficGen::SendStatic(TSimShip& S, std::vector<std::string>& Out) {
    if (S.Kind == TSimShip::ManOverboard) {
        TAisSafety m;
        m.MMSI = S.MMSI;
        m.Text = "MOB ACTIVE";
        Receive(S.MovedAt, EncodeMsg14(m), Out);
        return;
    }
    if (S.Kind == TSimShip::ClassA) {
        TAisStaticVoyage m;
        m.MMSI = S.MMSI;
        m.IMO = S.IMO;
        m.CallSign = S.CallSign;
        m.Name = S.Name;
        m.ShipType = S.ShipType;
        m.ToBow = S.ToBow;
        m.ToStern = S.ToStern;
        m.ToPort = S.ToPort;
        m.ToStarboard = S.ToStarboard;
        m.Epfd = 1;
        m.EtaMonth = 12;
        m.EtaDay = 24;
        m.EtaHour = 18;
        m.EtaMinute = 30;
        m.Draught = S.Draught;
        m.Destination = S.Destination;
        m.Dte = 0;
        Receive(S.MovedAt, EncodeMsg5(m), Out);
        return;
    }
    TAisStaticA a;
    a.MMSI = S.MMSI;
    a.Name = S.Name;
    Receive(S.MovedAt, EncodeMsg24A(a), Out);
    TAisStaticB b;
    b.MMSI = S.MMSI;
    b.ShipType = S.ShipType;
    b.VendorID = S.VendorID;
    b.CallSign = S.CallSign;
    b.ToBow = S.ToBow;
    b.ToStern = S.ToStern;
    b.ToPort = S.ToPort;
    b.ToStarboard = S.ToStarboard;
    Receive(S.MovedAt, EncodeMsg24B(b), Out);
}

void TTrafficGen::Receive(std::int64_t SimMs, const TAisPayload& P, std::vector<std::string>& Out) {
    const char channel = NextChannel();
    if (channel == 'B' && FOpt.Faults.Has(TSimFault::DeadChannel)) return;
    FLastRx = SimMs;
    Emit(Out, FBuilder.Build(false, channel, P));
}

bool TTrafficGen::RxOnly(const TSimConfig& C) const {
    return SwitchRxOnly(C) || FOpt.Faults.Has(TSimFault::RxOnly);
}

// A unit without an MMSI, switched to receive only or with a transmitter that sends nothing
// stays silent on the radio.
bool TTrafficGen::MayTransmit(const TSimConfig& C) const {
    return C.MMSI != 0 && !RxOnly(C) && !FOpt.Faults.Has(TSimFault::NoOwnReports);
}

void TTrafficGen::SendOwn18(std::int64_t SimMs, const TSimConfig& C,
                            std::vector<std::string>& Out) {
    if (!MayTransmit(C)) return;
    FLastTx = SimMs;
    TAisPosB m;
    m.MMSI = C.MMSI;
    // Without a fix position, speed, course and time stamp keep their "not available" codes.
    if (!FOpt.Faults.Has(TSimFault::NoFix)) {
        m.Sog = Tenths(FOwn.Sog, 1022);
        m.PosAcc = 1;
        m.Lon = LonLatUnits(FOwn.Lon);
        m.Lat = LonLatUnits(FOwn.Lat);
        m.Cog = Tenths(FOwn.Cog, 3599);
        m.Second = Second(FOpt.UtcStartMs + SimMs);
    }
    Emit(Out, FBuilder.Build(true, NextChannel(), EncodeMsg18(m)));
}

void TTrafficGen::SendOwn24(const TSimConfig& C, std::vector<std::string>& Out) {
    if (!MayTransmit(C)) return;
    FLastTx = FOwn.MovedAt;
    TAisStaticA a;
    a.MMSI = C.MMSI;
    a.Name = C.ShipsName;
    Emit(Out, FBuilder.Build(true, NextChannel(), EncodeMsg24A(a)));
    TAisStaticB b;
    b.MMSI = C.MMSI;
    b.ShipType = static_cast<unsigned>(C.ShipType);
    b.VendorID = C.VendorID;
    b.CallSign = C.CallSign;
    b.ToBow = static_cast<unsigned>(C.A);
    b.ToStern = static_cast<unsigned>(C.B);
    b.ToPort = static_cast<unsigned>(C.C);
    b.ToStarboard = static_cast<unsigned>(C.D);
    Emit(Out, FBuilder.Build(true, NextChannel(), EncodeMsg24B(b)));
}

void TTrafficGen::SendLed(std::int64_t SimMs, const TSimConfig& C, std::vector<std::string>& Out) {
    unsigned mask = 0;
    if (C.MMSI == 0)
        mask |= 1u << 0; // warning: not programmed
    else if (!FAlarmActive)
        mask |= 1u << 1;
    if (FAlarmActive) mask |= 1u << 2;
    if (SwitchSafety(C)) mask |= 1u << 3;
    if (RxOnly(C)) mask |= 1u << 4;
    if (SimMs - FLastRx < 1000) mask |= 1u << 5;
    if (SimMs - FLastTx < 1000) mask |= 1u << 6;
    if (SimMs - FLastTx < 500) mask |= 1u << 7;
    char b[32];
    std::snprintf(b, sizeof b, "PSRT,RES,LED,%02X", mask);
    Out.push_back(FrameNMEA(b));
}

void TTrafficGen::SendAdc(std::vector<std::string>& Out) {
    std::uniform_int_distribution<int> jitter(0, 15);
    // Forward against reverse power stays above 3 unless the antenna alarm is on; a bad
    // antenna or cable keeps it near 1.5 all the time.
    const unsigned fwd = 0x0300 + static_cast<unsigned>(jitter(FRng));
    unsigned rev = FAlarmActive ? 0x0140 : 0x0060;
    if (FOpt.Faults.Has(TSimFault::ReversePower)) rev = 0x0200;
    const unsigned rssi1 = 0x0320 + static_cast<unsigned>(jitter(FRng) * 4);
    const unsigned rssi2 = 0x0320 + static_cast<unsigned>(jitter(FRng) * 4);
    // Supply in steps of 0.16 V: 12.48 V idle, 12.00 V while transmitting; a weak supply has
    // 10.40 V and 9.92 V, under the 11.5 V a 12 V system needs.
    const bool low = FOpt.Faults.Has(TSimFault::LowVoltage);
    const unsigned idle = low ? 0x41 : 0x4E, tx = low ? 0x3E : 0x4B;
    char b[64];
    std::snprintf(b, sizeof b, "PSRT,RES,ADC,%04X,%04X,%02X,%02X,%04X,%04X", fwd, rev, idle, tx,
                  rssi1, rssi2);
    Out.push_back(FrameNMEA(b));
}

// A four-minute cycle: a text message, an antenna alarm that is active for a minute and is
// then cleared, and a second text message.
void TTrafficGen::AlarmStep(std::int64_t SimMs, const TSimConfig& C,
                            std::vector<std::string>& Out) {
    const std::int64_t phase = (SimMs / 1000) % 240;
    const std::string time = NmeaTime(FOpt.UtcStartMs + SimMs);
    const bool active = phase >= 60 && phase < 130;
    const bool cleared = FAlarmActive && !active;
    FAlarmActive = active;
    if (C.AlarmOutput && (active || cleared))
        Out.push_back(FrameNMEA("AIALR," + time + ",002," + (active ? "A" : "V") +
                                ",V,Antenna VSWR exceeds limit"));
    if (phase == 20) Out.push_back(FrameNMEA("AITXT,01,01,025,Internal GNSS in use"));
    if (phase == 180) Out.push_back(FrameNMEA("AITXT,01,01,021,External DGNSS in use"));
}
