#pragma once
// Diagnostics: GPS status, the alarm and text-message lists with their lights, and the
// transponder's hardware status. One instance, owned by the main window, which builds the
// controls (BuildDiagControls) and passes in the records the unit writes.

#include "diag/DiagRules.h"
#include "targets/Geodesy.h"
#include "targets/ReportAge.h"

#include <QList>
#include <array>
#include <functional>
#include <string>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QTableWidget;
class QWidget;
class TShape;

struct TDiagControls {
    QTableWidget* StringGrid_Error = nullptr; // "Alarm Messages"
    QTableWidget* StringGrid_Warn = nullptr;  // "Warning Messages"
    TShape* Shape_OK = nullptr;
    TShape* Shape_Warn = nullptr;
    TShape* Shape_Error = nullptr;
    // Status group, never shown.
    QGroupBox* GroupBox_Status = nullptr;
    QLabel* Label_MMSI = nullptr;
    QLabel* Label_GPS_Fix = nullptr;
    QLabel* Label_GPS_Error = nullptr;
    QLabel* Label_Satellites = nullptr;
    QLabel* Label_Tx = nullptr;
    QLabel* Label_Rx = nullptr;
    // Lamp group, never shown; in the order of kLamps.
    QGroupBox* GroupBox_LED = nullptr;
    std::array<TShape*, kLamps.size()> Lamps{};
    // Hardware group, never shown.
    QGroupBox* GroupBox_Hardware = nullptr;
    QLabel* Label_V_Idle = nullptr;
    QLabel* Label_V_TX = nullptr;
    QLabel* Label_RSSI1 = nullptr;
    QLabel* Label_RSSI2 = nullptr;
    QLabel* Label_ForPwr = nullptr;
    QLabel* Label_RevPwr = nullptr;
    // Memos of the trace view.
    QPlainTextEdit* Memo_GGA = nullptr;
    QPlainTextEdit* Memo_GSV = nullptr;
    QPlainTextEdit* Memo_RMC = nullptr;
    QPlainTextEdit* Memo_TXT = nullptr;
    QPlainTextEdit* Memo_ALR = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QList<QWidget*> TraceWidgets; // hidden until the trace view is unlocked
};

// Builds the "Diagnostics" tab's controls and layout on Tab.
TDiagControls BuildDiagControls(QWidget* Tab);

class TUnitDiag {
public:
    // LogSentence writes a received sentence to the trace log when it is open; Now stamps the
    // record's readings.
    TUnitDiag(const TDiagControls& Controls, TDUT_Status& Status, TGeoCoor& OwnPos,
              TOwnCourse& OwnCourse, std::function<void(const std::string&)> LogSentence,
              TUtcClock Now);

    // Handlers take the received sentence as bytes, one character per byte, CR included.
    void HandleGPS(const std::string& S);
    void HandleALR(const std::string& S);
    void HandleTXT(const std::string& S);
    void RefreshErrWarn();
    void HandleRES(const std::string& S);
    void ShowLED(const std::string& S);
    void ShowADC(const std::string& S);
    // The transmitter's state: "OK" once an own transmission is reported, "Standby" after a
    // disconnect, which also forgets the voltage under load.
    void TransmitterSeen();
    void TransmitterStandby();
    // "Valid MMSI": "OK" once a programmed MMSI is reported, "none" for an erased one.
    void MmsiReported(bool Programmed);

private:
    TDiagControls FC;
    TDUT_Status& FStatus;
    TGeoCoor& FOwnPos;
    TOwnCourse& FOwnCourse;
    std::function<void(const std::string&)> FLogSentence;
    TUtcClock FNow;
};
