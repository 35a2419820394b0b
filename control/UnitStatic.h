#pragma once
// Transponder control: the connection and query sequencer, the configuration replies, the
// configuration writer and the factory reset. One instance, owned by the main window, which
// passes in the controls and services it works with.

#include "OwnShip.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QWidget;
class TRadioGroup;
class TVaCapture;
class TVaComm;

struct TStaticControls {
    QComboBox* ComboBox_Port;
    QPushButton* BitBtn_Connect;
    QPushButton* BitBtn_Disc;
    QLabel* Panel_Connect;
    QLineEdit* Edit_ShipsName;
    QLineEdit* Edit_CallSign;
    QLineEdit* Edit_MMSI;
    QLineEdit* Edit_A;
    QLineEdit* Edit_B;
    QLineEdit* Edit_C;
    QLineEdit* Edit_D;
    QComboBox* ComboBox_Type;
    QPushButton* BitBtn_Save;
    QPushButton* BitBtn_Reset;
    QWidget* Shape_Reset;
    TRadioGroup* RadioGroup_Baud;
    TRadioGroup* RadioGroup_GPS;
    TRadioGroup* RadioGroup_Switch;
    TRadioGroup* RadioGroup_ALR;
    QLabel* Label_MMSI; // "Valid MMSI" of the transponder-status group
    QLabel* Label_V_TX; // supply voltage while transmitting
    QLabel* Label_Tx;   // transmitter status
};

struct TStaticServices {
    std::function<void(const QString& Body)> SendNMEA;
    std::function<void(int Milliseconds)> Pause; // blocks the user-interface thread
    std::function<void()> ClearTerminal;
    std::function<void()> StartTxClock;
    std::function<void()> CloseMainWindow;
};

inline const QString kUnlockSentence = "PSRT,012,,,(--VoXeL--)";

class TUnitStatic {
public:
    TUnitStatic(const TStaticControls& Controls, TVaComm& Comm, TVaCapture& Capture,
                QTimer& Timer_Scan, QTimer& Timer_WatchDog, TOwnShip& OwnShip,
                TStaticServices Services);

    // Sequencer state.
    int ScanStep = 0;
    std::uint8_t ReplyState = 0;
    int RetryCount = 0;
    std::array<int, 256> PortList{}; // entries 1 to 255
    int PortCount = 0;
    int ProbeIndex = 0;

    void ArmScan(int Interval, std::uint8_t State);
    void StopScan();
    void NextStep();
    void Timer_ScanTimer();
    void Timer_WatchDogTimer();
    bool ScanPorts();
    bool ProbeNextPort();
    void ConnectChosenPort();
    void BitBtn_ConnectClick();
    void BitBtn_DiscClick();
    void Fehler_Abbruch();

    // Configuration replies.
    void ParseReply(const QString& S);
    void ParseSSDReply(const QString& S);
    void ParseVSDReply(const QString& S);

    // Configuration writer.
    void BitBtn_SaveClick();

    // Factory reset.
    void BitBtn_ResetClick();
    void FactoryResetSentences();
    void ClearStaticFields();
    void PasswordEntered(const QString& Password, const std::function<void()>& UnlockTrace);

private:
    void ConnectStep();
    void ReadStep();
    void WriteStep();
    void SendWriteGroup(int Step);
    bool WriteConfirmed(int Step, int MmsiAtTickStart) const;
    void CloseIfOpen();
    void Send(const QString& Body) { FServices.SendNMEA(Body); }
    void Pause(int Ms) { FServices.Pause(Ms); }

    TStaticControls FC;
    TVaComm& FComm;
    TVaCapture& FCapture;
    QTimer& FTimerScan;
    QTimer& FTimerWatchDog;
    TOwnShip& FOwnShip;
    TStaticServices FServices;
};

// Mouse cursor of the whole application: the hourglass while connecting.
void SetHourGlassCursor(bool On);

// The item of an editable drop-down list that its text selects, or -1 when the user typed
// something that is no item.
int SelectedItem(const QComboBox* Box);
