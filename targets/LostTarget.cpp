#include "targets/LostTarget.h"

namespace {

constexpr double kMissedReports = 6;

bool Known(double Sog) {
    return Sog >= 0 && Sog < 102.25;
}

} // namespace

double ReportIntervalSeconds(TStationClass Class, double Sog, int NavStatus) {
    switch (Class) {
    case TStationClass::B:
        return Known(Sog) && Sog > 2 ? 30 : 180;
    case TStationClass::Base:
    case TStationClass::Sar:
        return 10;
    case TStationClass::AtoN:
        return 180;
    case TStationClass::A:
        break;
    }
    const bool moored = NavStatus == 1 || NavStatus == 5;
    if (moored) return Known(Sog) && Sog > 3 ? 10 : 180;
    if (!Known(Sog) || Sog <= 14) return 10;
    return Sog <= 23 ? 6 : 2;
}

double LostAfterSeconds(TStationClass Class, double Sog, int NavStatus) {
    return kMissedReports * ReportIntervalSeconds(Class, Sog, NavStatus);
}

bool Lost(TStationClass Class, double Sog, int NavStatus, double SecondsSinceReport) {
    return SecondsSinceReport > LostAfterSeconds(Class, Sog, NavStatus);
}
