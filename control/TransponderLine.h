#pragma once
// The transponder's serial line, as the window and the command line both open it: COM<n> at
// 38400 bit/s, 8N1, no flow control, DTR and RTS held off. Those who include this link the
// serial component.

#include "serial/VaComm.h"

inline constexpr const char* kTransponderDeviceName = "COM%d";

inline void SetTransponderLine(TVaComm& Comm) {
    Comm.SetBaudrate(br38400);
    Comm.FlowControl().SetControlDtr(dtrDisabled);
    Comm.FlowControl().SetControlRts(rtsDisabled);
    Comm.SetDeviceName(kTransponderDeviceName);
}
