#pragma once
// The "Static data" tab's side of the configuration dialogue: the window's adapter to the
// sequencer. It moves the form's controls to and from the sequencer's configuration record,
// runs the sequencer on the window's timer, shows its outcomes in message boxes and owns the
// buttons, the connection panel, the cursor, the Password dialog's service functions and the
// link watchdog.

#include "control/OwnShip.h"
#include "control/Sequencer.h"
#include "control/StaticControls.h"

#include <QString>
#include <functional>
#include <memory>
#include <string>

class QComboBox;
class QTimer;
class TVaCapture;
class TVaComm;

struct TStaticServices {
    std::function<void(const QString& Body)> SendNMEA;
    std::function<void(int Milliseconds)> Pause; // blocks the user-interface thread
    std::function<void()> ClearTerminal;
    std::function<void()> StartTxClock;
    std::function<void()> CloseMainWindow;
    std::function<void()> TransmitterStandby; // the diagnostics forget the transmitter's state
    std::function<void(bool Programmed)> MmsiReported; // the diagnostics show it
};

class TUnitStatic {
public:
    TUnitStatic(const TStaticControls& Controls, TVaComm& Comm, TVaCapture& Capture,
                QTimer& Timer_Scan, QTimer& Timer_WatchDog, TOwnShip& OwnShip,
                TStaticServices Services);
    ~TUnitStatic();

    void Timer_ScanTimer();
    void Timer_WatchDogTimer();
    void ConnectChosenPort();
    void BitBtn_ConnectClick();
    void BitBtn_DiscClick();

    // A received sentence routed to the configuration replies.
    void ParseReply(const std::string& S);

    void BitBtn_SaveClick();

    void BitBtn_ResetClick();
    // The configuration as read from the unit (and as last saved).
    const TUnitConfig& Fields() const;
    void PasswordEntered(const QString& Password, const std::function<void()>& UnlockTrace);

private:
    class TLink;
    class TTimer;
    class TEvents;
    void FactoryReset();
    void PullFields();
    void ShowFields(TFieldMask Mask);

    TStaticControls FC;
    TVaComm& FComm;
    TVaCapture& FCapture;
    QTimer& FTimerWatchDog;
    TStaticServices FServices;
    std::unique_ptr<TLink> FLink;
    std::unique_ptr<TTimer> FTimer;
    std::unique_ptr<TEvents> FEvents;
    std::unique_ptr<TSequencer> FSequencer;

public:
    // The sequencer's state under the names the window has always used.
    int& ScanStep;
    TReplyState& ReplyState;
};

// Mouse cursor of the whole application: the hourglass while connecting.
void SetHourGlassCursor(bool On);

// The item of an editable drop-down list that its text selects, or -1 when the user typed
// something that is no item.
int SelectedItem(const QComboBox* Box);
