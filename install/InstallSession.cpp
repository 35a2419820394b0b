#include "install/InstallSession.h"

#include "nmea/Dispatch.h"
#include "nmea/SplitFields.h"

void TInstallSession::Start(double At) {
    ListeningSince = At;
    Watch.Start(At);
    Status.Transmitting = false; // the voltage under load is read again after a transmission
}

void TInstallSession::Feed(std::string_view Sentence, double At) {
    const TRoute route = RouteSentence(Sentence, TAwait::Nothing);
    switch (route) {
    case TRoute::HandleGPS: {
        std::vector<std::string> f;
        SplitFields(",*", " ", Sentence, f);
        RecordGPS(f, Sentence, Status, OwnPos, OwnCourse, At);
        break;
    }
    case TRoute::HandleRES:
        if (HasAt(Sentence, 11, "LED,")) {
            if (const auto mask = LedMask(Sentence)) RecordLED(Status, *mask, At);
        } else if (HasAt(Sentence, 11, "ADC,")) {
            RecordADC(Status, ReadADC(Sentence, Status.Transmitting), At);
        }
        break;
    case TRoute::HandleVDO:
        Status.Transmitting = true;
        break;
    default:
        break;
    }
    Watch.Feed(route, Sentence, At, OwnPos);
}

std::vector<TCheck> TInstallSession::Checks(double Now, const TUnitConfig& Config) const {
    TInstallInputs in;
    in.Now = Now;
    in.ListeningSince = ListeningSince;
    in.Config = Config;
    in.Status = &Status;
    in.OwnPos = OwnPos;
    in.Watch = &Watch;
    return RunInstallChecks(in);
}
