#pragma once
// The main window: builds every control and component, wires the units and routes received
// sentences to their handlers. The "Static data" tab's controls are its own members
// (TStaticControls), as its unit sees them.

#include "ais/AIS_Codec.h"
#include "app/TraceLog.h"
#include "control/OwnShip.h"
#include "control/StaticControls.h"
#include "diag/DiagRules.h"
#include "diag/UnitDiag.h"
#include "install/InstallChecks.h"
#include "install/InstallReport.h"
#include "install/InstallWatch.h"
#include "safety/SafetyLog.h"
#include "sent/UnitSent.h"
#include "serial/VaCapture.h"
#include "serial/VaComm.h"
#include "serial/VaExceptionReport.h"
#include "targets/Geodesy.h"
#include "targets/ReportAge.h"
#include "targets/TargetTable.h"
#include "targets/UnitReceive.h"

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QWidget;
class TDistressBar;
class TFormReset;
class TInstallTab;
class TPlotTab;
class TShareHub;
class TShareMenu;
class TShareTap;
class TRadioGroup;
class TSafetyList;
class TShape;
class TUnitStatic;
class TVaTerminal;

class TFormMain : public QMainWindow, public TStaticControls {
    Q_OBJECT
public:
    explicit TFormMain(QWidget* Parent = nullptr);
    ~TFormMain() override;

    void SetFormReset(TFormReset* Dialog);
    // Hands every received byte to Hub as well and adds its "Sharing" menu; once, before the
    // window shows. Hub outlives the window.
    void SetShareHub(TShareHub* Hub);
    // Adds the "Installation" tab after the four and "Save installation report..." to the File
    // menu, and has the installation watch fed every received sentence; once, before the
    // window shows.
    void AddInstallationTab();
    // Adds the "Plot" tab after the others: the targets around the own ship, fed from the
    // target list as its rows are stored, and the coverage from the installation watch
    // (created here when the installation tab is not there); once, before the window shows.
    void AddPlotTab();
    // Adds "Show other stations" to the "Data Columns" menu: base stations, aids to navigation
    // and SAR aircraft as rows of the table, off at start; once, before the window shows.
    void AddOtherStations();
    // Adds the list of safety messages under the plot (adding the plot when it is not there)
    // and the distress alert across the window; once, before the window shows.
    void AddSafetyMessages();

    // Sentence framing and dispatch.
    void SendNMEA(const QString& Body);
    void VaCapture_StdMessage(TVaCapture& Sender, const std::string& Data);

    // Event handlers.
    void FormCreate();
    void Exit1Click() { close(); }
    void MenuItem_HelpClick();
    void Timer_Err_WarnTimer();
    void Shape_ResetMouseDown();
    void UnlockTrace();

    // Program-wide records.
    TOwnShip OwnShip;
    std::array<bool, 14> ColVisible{};
    TGeoCoor OwnPos{"91", "181"}; // outside the valid range until a position arrives
    TOwnCourse OwnCourse;         // written with OwnPos, by the same two sentences
    std::vector<TStatic> TargetList;
    TDUT_Status DUT_Status;
    TMsg5_setup Msg5Setup; // joining state shared by received and own sentences
    // UTC "now" as days, for every age the window shows; tests put their own clock here.
    TUtcClock UtcNow = SystemUtcNow;

    // Components.
    TVaComm VaComm_Std;
    TVaCapture VaCapture_Std;
    QTimer Timer_Scan;
    QTimer Timer_WatchDog;
    QTimer Timer_Err_Warn;
    TTraceLog TraceLog;
    std::unique_ptr<TUnitStatic> UnitStatic;
    std::unique_ptr<TUnitReceive> UnitReceive;
    TTargetTable* TargetTable = nullptr; // owned by the grid
    std::unique_ptr<TUnitSent> UnitSent;
    std::unique_ptr<TUnitDiag> UnitDiag;
    TFormReset* FormReset = nullptr;
    std::unique_ptr<TShareTap> ShareTap;
    TShareMenu* ShareMenu = nullptr; // owned by the window
    // The installation check, once its tab is added.
    std::unique_ptr<TInstallWatch> InstallWatch;
    TInstallTab* TabSheet_Install = nullptr;
    QAction* MenuItem_SaveInstallReport = nullptr;
    double ListeningSince = 0; // when the last connection was set up; 0 while not connected
    std::vector<TCheck> InstallChecks() const;
    TInstallReport InstallReport() const;
    void SaveInstallReportClick();
    // The plot, once its tab is added.
    TPlotTab* TabSheet_Plot = nullptr;
    QAction* MenuItem_ShowOthers = nullptr;
    // Safety messages and distress devices, once added.
    TSafetyLog SafetyLog;
    TDistressAlerts DistressAlerts;
    TSafetyList* List_Safety = nullptr;
    TDistressBar* ToolBar_Distress = nullptr;
    void ShowDistressAlerts();

    // Controls; those of the "Static data" tab come from TStaticControls.
    QTabWidget* PageControl;
    QWidget* TabSheet_Static;
    QWidget* TabSheet_Diag;
    QWidget* TabSheet_Sent;
    QWidget* TabSheet_Received;
    QPlainTextEdit* Memo1;
    QPlainTextEdit* Memo_GGA;
    QPlainTextEdit* Memo_GSV;
    QPlainTextEdit* Memo_RMC;
    QPlainTextEdit* Memo_TXT;
    QPlainTextEdit* Memo_ALR;
    QPlainTextEdit* Memo_VDO;
    QLabel* Label_MMSI;
    QLabel* Label_V_TX;
    QLabel* Label_Tx;
    QLabel* Label_Rx;
    QTableWidget* StringGrid_Error;
    QTableWidget* StringGrid_Warn;
    TShape* Shape_OK;
    TShape* Shape_Warn;
    TShape* Shape_Error;
    QTableWidget* StringGrid_RxData;
    QMenu* MenuItem_DataCol;
    QMenu* MenuItem_File;

    void ApplyRxColumns();

protected:
    void closeEvent(QCloseEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QWidget* BuildStaticTab();
    QWidget* BuildDiagTab();
    QWidget* BuildSentTab();
    QWidget* BuildReceivedTab();
    void BuildMenu();
    void BuildTabOrder();
    void NameViewControls();
    void FormClose();
    void BuildUnits();
    void PageControlChange(int Index);
    void LogSentence(const std::string& Raw);
    void ShowLastSentence(const QString& S);
    void ApplyLastSentence();

    QList<QWidget*> FTraceWidgets; // shown once the trace view is unlocked
    bool FClosed = false;
    bool FReceivedShowing = false;
    QString FLastSentence;
    bool FLastSentencePending = false; // a layout of the memo is queued
    bool FLastSentenceStale = false;   // the memo does not show FLastSentence yet
    // The views' controls, handed to their units.
    TDiagControls FDiag;
    TSentControls FSent;
    TReceiveControls FReceive;
};

// Runs Handler, passing any exception to the application's default exception report: no
// exception ever unwinds through the event loop.
template <class F> void Guarded(F&& Handler) {
    try {
        Handler();
    } catch (...) {
        ReportCurrentException();
    }
}
