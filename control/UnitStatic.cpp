#include "control/UnitStatic.h"

#include "serial/VaCapture.h"
#include "serial/VaComm.h"
#include "widgets/Dialogs.h"
#include "widgets/RadioGroup.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

void SetPanel(QLabel* Panel, const QString& Text, const QColor& Colour) {
    Panel->setText(Text);
    QPalette p = Panel->palette();
    p.setColor(QPalette::Window, Colour);
    Panel->setPalette(p);
}

QColor ButtonFace() {
    return QApplication::palette().color(QPalette::Button);
}

QString ToQt(const std::optional<std::string>& S) {
    return S ? QString::fromStdString(*S) : QString();
}

template <class E> int Index(const std::optional<E>& Choice) {
    return Choice ? static_cast<int>(*Choice) : -1;
}

template <class E> std::optional<E> Choice(int Index) {
    return Index >= 0 ? std::optional<E>(static_cast<E>(Index)) : std::nullopt;
}

void ShowOutcome(TOutcome O) {
    const TOutcomeText t = OutcomeText(O);
    t.Error ? ErrorBox(t.Text) : InformationBox(t.Text);
}

} // namespace

void SetHourGlassCursor(bool On) {
    if (On) {
        if (QApplication::overrideCursor() == nullptr)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
    }
}

int SelectedItem(const QComboBox* Box) {
    const int byText = Box->findText(Box->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (byText >= 0 && Box->currentIndex() >= 0 &&
        Box->itemText(Box->currentIndex()) == Box->currentText())
        return Box->currentIndex();
    return byText;
}

// ---- The sequencer's seams ------------------------------------------------------------------

class TUnitStatic::TLink final : public IUnitLink {
public:
    TLink(TVaComm& Comm, std::function<void(const QString&)> SendNMEA)
        : FComm(Comm), FSendNMEA(std::move(SendNMEA)) {}
    bool Open(int PortNum) override {
        FComm.SetPortNum(PortNum);
        try {
            FComm.Open();
            return true;
        } catch (const EVaCommError&) {
            return false;
        }
    }
    void Close() override {
        if (FComm.Active()) FComm.Close();
    }
    bool Active() const override { return FComm.Active(); }
    void Send(const std::string& Body) override { FSendNMEA(QString::fromStdString(Body)); }

private:
    TVaComm& FComm;
    std::function<void(const QString&)> FSendNMEA;
};

class TUnitStatic::TTimer final : public IScanTimer {
public:
    explicit TTimer(QTimer& T) : FTimer(T) { FTimer.setSingleShot(true); }
    void Start(int Ms) override { FTimer.start(Ms); }
    void Stop() override { FTimer.stop(); }
    bool Active() const override { return FTimer.isActive(); }
    int Interval() const override { return FTimer.interval(); }

private:
    QTimer& FTimer;
};

class TUnitStatic::TEvents final : public ISequencerEvents {
public:
    explicit TEvents(TUnitStatic& U) : U(U) {}

    void Scanning() override { U.FC.Panel_Connect->setText("Scanning for Corvane. Wait..."); }
    void PortsListed(const std::vector<int>& Ports) override {
        U.FC.ComboBox_Port->clear();
        for (const int n : Ports) U.FC.ComboBox_Port->addItem("COM " + QString::number(n));
    }
    void PortSelected(int Index) override {
        // programmatic changes never count as the user's choice
        U.FC.ComboBox_Port->setCurrentIndex(Index < U.FC.ComboBox_Port->count() ? Index : -1);
    }
    void Connected(int) override {
        SetPanel(U.FC.Panel_Connect, "Connected", QColor(0, 255, 0));
        U.FC.BitBtn_Connect->setEnabled(false);
        U.FC.BitBtn_Disc->setEnabled(true);
        U.FC.BitBtn_Reset->setEnabled(true);
        U.FC.BitBtn_Save->setEnabled(true);
        U.FC.Shape_Reset->setEnabled(true);
        SetHourGlassCursor(false);
    }
    void ConnectionAborted() override {
        SetHourGlassCursor(false);
        U.FC.BitBtn_Connect->setEnabled(true);
        SetPanel(U.FC.Panel_Connect, "Disconnected", ButtonFace());
    }
    void FieldsRead(TFieldMask Mask) override {
        U.ShowFields(Mask);
        if (Mask & cfMMSI) U.FServices.MmsiReported(U.FC.Edit_MMSI->text() != "000000000");
    }
    void FieldsCleared(TFieldMask Mask) override { U.ShowFields(Mask); }
    void FieldsNormalised(TFieldMask Mask) override { U.ShowFields(Mask); }
    void ReadComplete() override { U.FServices.StartTxClock(); }
    void Outcome(TOutcome O) override { ShowOutcome(O); }

private:
    TUnitStatic& U;
};

TUnitStatic::TUnitStatic(const TStaticControls& Controls, TVaComm& Comm, TVaCapture& Capture,
                         QTimer& Timer_Scan, QTimer& Timer_WatchDog, TOwnShip& OwnShip,
                         TStaticServices Services)
    : FC(Controls), FComm(Comm), FCapture(Capture), FTimerWatchDog(Timer_WatchDog),
      FServices(std::move(Services)), FLink(std::make_unique<TLink>(Comm, FServices.SendNMEA)),
      FTimer(std::make_unique<TTimer>(Timer_Scan)), FEvents(std::make_unique<TEvents>(*this)),
      FSequencer(std::make_unique<TSequencer>(*FLink, *FTimer, FServices.Pause, OwnShip, *FEvents)),
      ScanStep(FSequencer->ScanStep), ReplyState(FSequencer->ReplyState) {}

TUnitStatic::~TUnitStatic() = default;

// ---- Controls and the configuration record ----------------------------------------------------

// The form as the user may have edited it: the sequencer reads it at each tick and on Save.
void TUnitStatic::PullFields() {
    TUnitConfig& f = FSequencer->Fields;
    f.MMSI = FC.Edit_MMSI->text().toStdString();
    f.ShipsName = FC.Edit_ShipsName->text().toStdString();
    f.CallSign = FC.Edit_CallSign->text().toStdString();
    f.A = FC.Edit_A->text().toStdString();
    f.B = FC.Edit_B->text().toStdString();
    f.C = FC.Edit_C->text().toStdString();
    f.D = FC.Edit_D->text().toStdString();
    const int item = SelectedItem(FC.ComboBox_Type);
    f.VesselType = item >= 0 && item < static_cast<int>(kVesselTypes.size())
                       ? std::optional<int>(kVesselTypes[static_cast<std::size_t>(item)].Code)
                       : std::nullopt;
    f.SwitchType = Choice<TSwitchType>(FC.RadioGroup_Switch->ItemIndex());
    f.BaudRate = Choice<TBaudRate>(FC.RadioGroup_Baud->ItemIndex());
    f.GpsOutput = Choice<TGpsOutput>(FC.RadioGroup_GPS->ItemIndex());
    f.AlarmOutput = Choice<TAlarmOutput>(FC.RadioGroup_ALR->ItemIndex());
}

void TUnitStatic::ShowFields(TFieldMask Mask) {
    const TUnitConfig& f = FSequencer->Fields;
    const struct {
        TConfigField Bit;
        QLineEdit* Edit;
        const std::optional<std::string>& Text;
    } edits[] = {{cfShipsName, FC.Edit_ShipsName, f.ShipsName},
                 {cfCallSign, FC.Edit_CallSign, f.CallSign},
                 {cfMMSI, FC.Edit_MMSI, f.MMSI},
                 {cfA, FC.Edit_A, f.A},
                 {cfB, FC.Edit_B, f.B},
                 {cfC, FC.Edit_C, f.C},
                 {cfD, FC.Edit_D, f.D}};
    for (const auto& e : edits)
        if (Mask & e.Bit) e.Edit->setText(ToQt(e.Text));
    if (Mask & cfVesselType) FC.ComboBox_Type->setCurrentIndex(VesselTypeItem(f.VesselType));
    if (Mask & cfSwitchType) FC.RadioGroup_Switch->SetItemIndex(Index(f.SwitchType));
    if (Mask & cfBaudRate) FC.RadioGroup_Baud->SetItemIndex(Index(f.BaudRate));
    if (Mask & cfGpsOutput) FC.RadioGroup_GPS->SetItemIndex(Index(f.GpsOutput));
    if (Mask & cfAlarmOutput) FC.RadioGroup_ALR->SetItemIndex(Index(f.AlarmOutput));
}

// ---- Sequencer ----------------------------------------------------------------------------------

void TUnitStatic::Timer_ScanTimer() {
    PullFields();
    FSequencer->Tick();
}

void TUnitStatic::ConnectChosenPort() {
    BitBtn_DiscClick();
    FSequencer->ConnectChosen(SelectedItem(FC.ComboBox_Port));
}

void TUnitStatic::BitBtn_ConnectClick() {
    SetHourGlassCursor(true);
    if (FServices.ClearTerminal) FServices.ClearTerminal();
    FC.BitBtn_Connect->setEnabled(false);
    FC.BitBtn_Disc->setEnabled(true);
    FSequencer->Connect();
}

void TUnitStatic::BitBtn_DiscClick() {
    FSequencer->Disconnect();
    FC.BitBtn_Disc->setEnabled(false);
    FC.BitBtn_Connect->setEnabled(true);
    FC.BitBtn_Save->setEnabled(false);
    FC.BitBtn_Reset->setEnabled(false);
    SetPanel(FC.Panel_Connect, "Disconnected", ButtonFace());
    FServices.TransmitterStandby();
    FTimerWatchDog.stop();
    FC.Shape_Reset->setEnabled(false);
}

void TUnitStatic::Timer_WatchDogTimer() {
    FTimerWatchDog.stop();
    FLink->Close();
    FCapture.SetActive(false);
    FServices.Pause(200);
    try {
        FComm.Open();
    } catch (const EVaCommError&) {
        ErrorBox("COM-Port is shut down.\r\nPlease restart corvane Setup Software.");
        FServices.CloseMainWindow();
        return;
    }
    FCapture.SetActive(true);
}

void TUnitStatic::ParseReply(const std::string& S) {
    FSequencer->ParseReply(S);
}

// ---- Configuration writer ---------------------------------------------------------------------

void TUnitStatic::BitBtn_SaveClick() {
    PullFields();
    const TSaveVerdict v = FSequencer->Save();
    if (const char* message = SaveMessage(v); *message != '\0') InformationBox(message);
}

// ---- Factory reset ------------------------------------------------------------------------------

void TUnitStatic::FactoryReset() {
    FSequencer->FactoryReset();
    SetHourGlassCursor(false);
    InformationBox("Corvane MMSI erased.");
    FSequencer->ClearStaticFields();
}

const TUnitConfig& TUnitStatic::Fields() const {
    return FSequencer->Fields;
}

void TUnitStatic::BitBtn_ResetClick() {
    if (ConfirmationBox("corvane set to factory state ?") != TMsgResult::Yes) return;
    FactoryReset();
    FServices.Pause(500);
    BitBtn_DiscClick();
}

void TUnitStatic::PasswordEntered(const QString& Password,
                                  const std::function<void()>& UnlockTrace) {
    if (Password == "harbour7ink") {
        if (ConfirmationBox("Corvane set to factory state ?") != TMsgResult::Yes) return;
        FactoryReset();
    } else if (Password == "zentr") {
        UnlockTrace();
    }
}
