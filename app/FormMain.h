#pragma once
// The main window: builds every control and component, wires the units and routes received
// sentences to their handlers.

#include "OwnShip.h"
#include "TraceLog.h"
#include "VaCapture.h"
#include "VaComm.h"

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <memory>
#include <string>

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
class TFormReset;
class TRadioGroup;
class TUnitStatic;
class TVaTerminal;

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(QWidget* Parent = nullptr);
    ~TFormMain() override;

    void SetFormReset(TFormReset* Dialog);

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

    // Components.
    TVaComm VaComm_Std;
    TVaCapture VaCapture_Std;
    QTimer Timer_Scan;
    QTimer Timer_WatchDog;
    QTimer Timer_Err_Warn;
    TTraceLog TraceLog;
    std::unique_ptr<TUnitStatic> UnitStatic;
    TFormReset* FormReset = nullptr;

    // Controls.
    QTabWidget* PageControl;
    QWidget* TabSheet_Static;
    QWidget* TabSheet_Diag;
    QWidget* TabSheet_Sent;
    QWidget* TabSheet_Received;
    QComboBox* ComboBox_Port;
    QPushButton* BitBtn_Connect;
    QPushButton* BitBtn_Disc;
    QLabel* Panel_Connect;
    QLineEdit* Edit_ShipsName;
    QLineEdit* Edit_CallSign;
    QLineEdit* Edit_MMSI;
    QComboBox* ComboBox_Type;
    QPushButton* BitBtn_Save;
    QLabel* Image1;
    QLabel* Image2;
    QLineEdit* Edit_A;
    QLineEdit* Edit_B;
    QLineEdit* Edit_C;
    QLineEdit* Edit_D;
    QWidget* Shape_Reset;
    QPushButton* BitBtn_Reset;
    TRadioGroup* RadioGroup_Baud;
    TRadioGroup* RadioGroup_GPS;
    TRadioGroup* RadioGroup_Switch;
    TRadioGroup* RadioGroup_ALR;
    TVaTerminal* VaTerminal1;
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
    QTableWidget* StringGrid_Error;
    QTableWidget* StringGrid_Warn;
    QTableWidget* StringGrid_RxData;
    QMenu* MenuItem_DataCol;

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
    void FormClose();
    void HandleVDM(const QString& S, const std::string& Raw);
    void HandleGPS(const QString& S, const std::string& Raw);
    void LogSentence(const std::string& Raw);

    QList<QWidget*> FTraceWidgets; // shown once the trace view is unlocked
    bool FClosed = false;
};

// Runs Handler, passing any exception to the application's default exception report: no
// exception ever unwinds through the event loop.
template <class F> void Guarded(F&& Handler);
