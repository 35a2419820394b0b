#include "nmea/Dispatch.h"

TRoute RouteSentence(std::string_view S, TAwait Await) {
    if (S.empty()) return TRoute::Dropped;
    if (S[0] == '$') {
        if (Await != TAwait::Nothing) return TRoute::ParseReply;
        if (HasAt(S, 2, "AITXT,")) return TRoute::HandleTXT;
        if (HasAt(S, 7, "RES,")) return TRoute::HandleRES;
        if (HasAt(S, 2, "GP")) return TRoute::HandleGPS;
        if (HasAt(S, 4, "ALR,")) return TRoute::HandleALR;
        return TRoute::Dropped;
    }
    if (S[0] == '!') {
        if (Await == TAwait::Probe) return TRoute::ParseReply;
        if (HasAt(S, 2, "AIVDM,")) return TRoute::HandleVDM;
        if (HasAt(S, 2, "AIVDO,")) return TRoute::HandleVDO;
    }
    return TRoute::Dropped;
}
