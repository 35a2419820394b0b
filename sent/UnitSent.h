#pragma once
// Own transmissions: the transponder's last own position report and static data report, the
// time since each was sent, and the own position taken from the position report.

#include "ais/AIS_Codec.h"
#include "targets/Geodesy.h"
#include "targets/ReportAge.h"

#include <QList>
#include <functional>
#include <string>

class QLabel;
class QPlainTextEdit;
class QWidget;

struct TSentControls {
    QLabel* Label_Msg18_MMSI = nullptr;
    QLabel* Label_Msg18_Lat = nullptr;
    QLabel* Label_Msg18_Lon = nullptr;
    QLabel* Label_Msg18_PA = nullptr;
    QLabel* Label_Msg18_COG = nullptr;
    QLabel* Label_Msg18_SOG = nullptr;
    QLabel* Label_Msg18_Chan = nullptr;
    QLabel* Label_Msg18_Time = nullptr;
    QLabel* Label_Msg24_MMSI = nullptr;
    QLabel* Label_Msg24_Name = nullptr;
    QLabel* Label_Msg24_Type = nullptr;
    QLabel* Label_Msg24_VendID = nullptr;
    QLabel* Label_Msg24_CallSign = nullptr;
    QLabel* Label_Msg24_DimA = nullptr;
    QLabel* Label_Msg24_DimB = nullptr;
    QLabel* Label_Msg24_DimC = nullptr;
    QLabel* Label_Msg24_DimD = nullptr;
    QLabel* Label_Msg24_Chan = nullptr;
    QLabel* Label_Msg24_Time = nullptr;
    QPlainTextEdit* Memo_VDO = nullptr;
    QList<QWidget*> TraceWidgets; // the memo and its label, hidden until the trace view is unlocked
};

// Builds the "Sent data" tab's controls and layout on Tab.
TSentControls BuildSentControls(QWidget* Tab);

class TUnitSent {
public:
    // Transmitted runs on every own transmission reported; Setup is the joining state shared
    // with the received sentences.
    TUnitSent(const TSentControls& Controls, std::function<void()> Transmitted, TGeoCoor& OwnPos,
              TOwnCourse& OwnCourse, TMsg5_setup& Setup, TUtcClock Now);

    void HandleVDO(const std::string& S); // the received sentence as bytes
    void StartTxClock();
    void RefreshTxAge();

    double LastTx18 = 0;
    double LastTx24B = 0;
    bool TxClockRunning = false;

private:
    TSentControls FC;
    std::function<void()> FTransmitted;
    TGeoCoor& FOwnPos;
    TOwnCourse& FOwnCourse;
    TMsg5_setup& FSetup;
    TUtcClock FNow;
    T_NMEA_VD FVD;
};
