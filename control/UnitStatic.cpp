#include "UnitStatic.h"

#include "Dialogs.h"
#include "Framing.h"
#include "Positions.h"
#include "RadioGroup.h"
#include "SplitFields.h"
#include "VaCapture.h"
#include "VaComm.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

namespace {

const QString kNoResponse = "No response from corvane.\r\nTry to connect again.";
const QString kNoResponseCapital = "No response from Corvane.\r\nTry to connect again.";

struct TReadStep {
    int Step;
    const char* Query;
    const char* Repeat;
    std::uint8_t Awaited;
};

constexpr TReadStep kReadSteps[] = {
    {2, "DUAIQ,SSD", "DUAIQ,SSD", 5},  {3, "DUAIQ,VSD", "DUAIQ,VSD", 6},
    {4, "DUAIQ,SRM", "DUAIQ,SRM", 9},  {5, "DUAIQ,010", "DIAIQ,010", 7},
    {6, "DUAIQ,SER", "DUAIQ,SER", 10}, {7, "DUAIQ,NMEA,03", "DUAIQ,NMEA,03", 11},
    {8, "DUAIQ,ALM", "DUAIQ,ALM", 4},
};

// Awaited reply state of the write steps that wait for a read-back.
std::uint8_t WriteAwaited(int Step) {
    switch (Step) {
    case 20:
        return 7;
    case 21:
        return 5;
    case 22:
        return 6;
    case 23:
        return 9;
    case 25:
        return 10;
    case 26:
        return 4;
    default:
        return 0;
    }
}

void SetPanel(QLabel* Panel, const QString& Text, const QColor& Colour) {
    Panel->setText(Text);
    QPalette p = Panel->palette();
    p.setColor(QPalette::Window, Colour);
    Panel->setPalette(p);
}

QColor ButtonFace() {
    return QApplication::palette().color(QPalette::Button);
}

// The leading characters of S up to the first "@", or all of them.
QString BeforePadding(const QString& S) {
    const qsizetype at = S.indexOf('@');
    return at < 0 ? S : S.left(at);
}

} // namespace

bool ReadWholeNumber(const QString& Text, int& Value) {
    const QString t = Text;
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    if (i == t.size()) return false;
    long long v = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
        if (v > 2147483648LL) return false;
    }
    if (negative) v = -v;
    if (v > 2147483647LL || v < -2147483648LL) return false;
    Value = static_cast<int>(v);
    return true;
}

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

TUnitStatic::TUnitStatic(const TStaticControls& Controls, TVaComm& Comm, TVaCapture& Capture,
                         QTimer& Timer_Scan, QTimer& Timer_WatchDog, TOwnShip& OwnShip,
                         TStaticServices Services)
    : FC(Controls), FComm(Comm), FCapture(Capture), FTimerScan(Timer_Scan),
      FTimerWatchDog(Timer_WatchDog), FOwnShip(OwnShip), FServices(std::move(Services)) {
    FTimerScan.setSingleShot(true);
}

// ---- Sequencer ------------------------------------------------------------------------------

void TUnitStatic::ArmScan(int Interval, std::uint8_t State) {
    ReplyState = State;
    // A countdown in progress with the same interval goes on unchanged.
    if (FTimerScan.isActive() && FTimerScan.interval() == Interval) return;
    FTimerScan.start(Interval);
}

void TUnitStatic::StopScan() {
    FTimerScan.stop();
}

void TUnitStatic::NextStep() {
    ++ScanStep;
    ArmScan(100, 0);
}

void TUnitStatic::CloseIfOpen() {
    if (FComm.Active()) FComm.Close();
}

void TUnitStatic::Timer_ScanTimer() {
    const int mmsiAtTickStart = [this] {
        int v = 0;
        return ReadWholeNumber(FC.Edit_MMSI->text(), v) ? v : 0;
    }();
    StopScan();
    if (ScanStep == 1) {
        ConnectStep();
    } else if (ScanStep >= 2 && ScanStep <= 8) {
        ReadStep();
    } else if (ScanStep >= 20 && ScanStep <= 27) {
        if (ScanStep == 24) {
            if (ReplyState != 0) return;
            SendWriteGroup(24);
            ScanStep = 25;
            ArmScan(300, 0);
            return;
        }
        if (ScanStep == 27) {
            InformationBox("Programming was successful.");
            ScanStep = 0;
            return;
        }
        const std::uint8_t awaited = WriteAwaited(ScanStep);
        if (ReplyState == 0) {
            ArmScan(1000, awaited);
            RetryCount = 4;
            SendWriteGroup(ScanStep);
        } else if (WriteConfirmed(ScanStep, mmsiAtTickStart)) {
            NextStep();
        } else {
            if (--RetryCount <= 0) {
                const int step = ScanStep;
                ScanStep = 0;
                if (step == 20)
                    InformationBox("The MMSI cannot be changed!");
                else
                    ErrorBox(step <= 22 ? kNoResponse : kNoResponseCapital);
                return;
            }
            ArmScan(1000, awaited);
            SendWriteGroup(ScanStep);
        }
    }
}

void TUnitStatic::ConnectStep() {
    switch (ReplyState) {
    case 0:
        if (ScanPorts()) {
            ArmScan(1000, 1);
            FC.Panel_Connect->setText("Scanning for Corvane. Wait...");
        } else {
            ReplyState = 3;
            Fehler_Abbruch();
        }
        break;
    case 1:
        if (ProbeNextPort()) {
            Send("DUAIQ,010");
            ArmScan(1000, 1);
        } else {
            ReplyState = 3;
            Fehler_Abbruch();
        }
        break;
    case 2:
        SetPanel(FC.Panel_Connect, "Connected", QColor(0, 255, 0));
        FC.BitBtn_Connect->setEnabled(false);
        FC.BitBtn_Disc->setEnabled(true);
        FC.BitBtn_Reset->setEnabled(true);
        FC.BitBtn_Save->setEnabled(true);
        FC.Shape_Reset->setEnabled(true);
        SetHourGlassCursor(false);
        NextStep();
        break;
    default:
        break;
    }
}

void TUnitStatic::ReadStep() {
    const TReadStep& s = kReadSteps[ScanStep - 2];
    if (ReplyState == 0) {
        ArmScan(1000, s.Awaited);
        Send(s.Query);
        RetryCount = 3;
        if (ScanStep == 2) Pause(200);
    } else if (ReplyState == 2) {
        if (ScanStep < 8) {
            NextStep();
        } else {
            FServices.StartTxClock();
            ScanStep = 0;
        }
    } else if (ReplyState == s.Awaited) {
        if (--RetryCount <= 0) {
            ScanStep = 0;
            ErrorBox(kNoResponse);
            return;
        }
        ArmScan(1000, s.Awaited);
        Send(s.Repeat);
    }
}

bool TUnitStatic::ScanPorts() {
    CloseIfOpen();
    PortCount = 0;
    FC.ComboBox_Port->clear();
    for (int n = 1; n <= 255; ++n) {
        FComm.SetPortNum(n);
        bool opened = false;
        try {
            FComm.Open();
            opened = true;
        } catch (const EVaCommError&) {
            CloseIfOpen();
        }
        CloseIfOpen();
        if (opened) {
            PortList[static_cast<std::size_t>(++PortCount)] = n;
            FC.ComboBox_Port->addItem("COM " + QString::number(n));
        }
    }
    ProbeIndex = 0;
    return PortCount > 0;
}

bool TUnitStatic::ProbeNextPort() {
    CloseIfOpen();
    ++ProbeIndex;
    // past the last item no item is selected; programmatic changes never count as a choice
    FC.ComboBox_Port->setCurrentIndex(ProbeIndex - 1 < FC.ComboBox_Port->count() ? ProbeIndex - 1
                                                                                 : -1);
    if (ProbeIndex > PortCount) {
        Fehler_Abbruch();
        CloseIfOpen();
        return false;
    }
    FComm.SetPortNum(PortList[static_cast<std::size_t>(ProbeIndex)]);
    try {
        FComm.Open();
        Pause(10);
        Send("DUAIQ,010");
        return true;
    } catch (const EVaCommError&) {
        Fehler_Abbruch();
        CloseIfOpen();
        return false;
    }
}

void TUnitStatic::ConnectChosenPort() {
    BitBtn_DiscClick();
    CloseIfOpen();
    const int selected = SelectedItem(FC.ComboBox_Port);
    ProbeIndex = selected + 1;
    const bool listed = selected >= 0 && ProbeIndex <= PortCount;
    FComm.SetPortNum(listed ? PortList[static_cast<std::size_t>(ProbeIndex)] : 0);
    try {
        FComm.Open();
        ScanStep = 1;
        ArmScan(1000, 1);
        Send("DUAIQ,010");
    } catch (const EVaCommError&) {
        Fehler_Abbruch();
        CloseIfOpen();
    }
}

void TUnitStatic::BitBtn_ConnectClick() {
    SetHourGlassCursor(true);
    if (FServices.ClearTerminal) FServices.ClearTerminal();
    FC.BitBtn_Connect->setEnabled(false);
    FC.BitBtn_Disc->setEnabled(true);
    ScanStep = 1;
    ArmScan(100, 0);
    FC.RadioGroup_Baud->SetItemIndex(-1);
    FC.RadioGroup_Switch->SetItemIndex(-1);
    FC.RadioGroup_GPS->SetItemIndex(-1);
}

void TUnitStatic::BitBtn_DiscClick() {
    if (FComm.Active()) {
        Pause(200);
        FComm.Close();
    }
    FC.BitBtn_Disc->setEnabled(false);
    FC.BitBtn_Connect->setEnabled(true);
    FC.BitBtn_Save->setEnabled(false);
    FC.BitBtn_Reset->setEnabled(false);
    SetPanel(FC.Panel_Connect, "Disconnected", ButtonFace());
    for (QLineEdit* e : {FC.Edit_ShipsName, FC.Edit_MMSI, FC.Edit_A, FC.Edit_B, FC.Edit_D,
                         FC.Edit_C, FC.Edit_CallSign})
        e->clear();
    FC.Label_V_TX->setText("-");
    FC.Label_Tx->setText("Standby");
    FTimerWatchDog.stop();
    FC.Shape_Reset->setEnabled(false);
}

void TUnitStatic::Fehler_Abbruch() {
    StopScan();
    SetHourGlassCursor(false);
    FC.BitBtn_Connect->setEnabled(true);
    SetPanel(FC.Panel_Connect, "Disconnected", ButtonFace());
    CloseIfOpen();
    if (ReplyState == 3) ErrorBox("Connection failed.");
}

void TUnitStatic::Timer_WatchDogTimer() {
    FTimerWatchDog.stop();
    CloseIfOpen();
    FCapture.SetActive(false);
    Pause(200);
    try {
        FComm.Open();
    } catch (const EVaCommError&) {
        ErrorBox("COM-Port is shut down.\r\nPlease restart corvane Setup Software.");
        FServices.CloseMainWindow();
        return;
    }
    FCapture.SetActive(true);
}

// ---- Configuration replies --------------------------------------------------------------------

void TUnitStatic::ParseReply(const QString& S) {
    switch (ReplyState) {
    case 1:
        if (TextAt(S, 2, "AITXT") || TextAt(S, 2, "AIALR") || TextAt(S, 2, "GPRMC") ||
            TextAt(S, 2, "PSRT,")) {
            StopScan();
            ArmScan(100, 2);
        }
        break;
    case 5:
        if (TextAt(S, 2, "AISSD")) {
            ParseSSDReply(S);
            ArmScan(100, 2);
        }
        break;
    case 6:
        if (TextAt(S, 2, "AIVSD")) {
            ParseVSDReply(S);
            ArmScan(100, 2);
        }
        break;
    case 7:
        if (TextAt(S, 2, "PSRT,010,,,")) {
            FC.Edit_MMSI->setText(Positions(WithoutLineEnd(S), 13, 21));
            FC.Label_MMSI->setText(FC.Edit_MMSI->text() == "000000000" ? "none" : "OK");
            ArmScan(100, 2);
        }
        break;
    case 8:
        if (TextAt(S, 4, "VER,")) {
            QByteArray text = S.mid(S.indexOf('$')).toLatin1();
            if (const qsizetype cr = text.indexOf('\r'); cr >= 0) text.truncate(cr);
            std::vector<std::string> fields;
            if (SplitFields(",*", " ", std::string_view(text.constData(), text.size()), fields) > 5)
                FOwnShip.SWver =
                    QString::fromLatin1(fields[5].data(), static_cast<qsizetype>(fields[5].size()));
            ArmScan(100, 2);
        }
        break;
    case 9:
        if (TextAt(S, 2, "PSRT,SRM")) {
            // The vendor ID field runs from position 17 to the next field end, so it is
            // sent back exactly as the transponder reported it.
            const QString body = WithoutLineEnd(S);
            QString vendor = Positions(body, 17, static_cast<int>(body.size()));
            const qsizetype end = vendor.indexOf(QRegularExpression("[,*]"));
            if (end >= 0) vendor.truncate(end);
            FOwnShip.VendorID = vendor;
            if (TextAt(S, 11, "00"))
                FC.RadioGroup_Switch->SetItemIndex(0);
            else if (TextAt(S, 14, "01"))
                FC.RadioGroup_Switch->SetItemIndex(1);
            else if (TextAt(S, 14, "02"))
                FC.RadioGroup_Switch->SetItemIndex(2);
            ArmScan(100, 2);
        }
        break;
    case 10:
        if (TextAt(S, 2, "PSRT,SER")) {
            FC.RadioGroup_Baud->SetItemIndex(TextAt(S, 13, "0D36") ? 0 : 1);
            ArmScan(100, 2);
        }
        break;
    case 4:
        if (TextAt(S, 2, "PSRT,ALM")) {
            FC.RadioGroup_ALR->SetItemIndex(TextAt(S, 11, "00") ? 0 : 1);
            ArmScan(100, 2);
        }
        break;
    case 11:
        if (TextAt(S, 2, "PSRT,NMEA,00")) {
            FC.RadioGroup_GPS->SetItemIndex(TextAt(S, 15, "0008")   ? 1
                                            : TextAt(S, 15, "0000") ? 2
                                                                    : 0);
            ArmScan(100, 2);
        }
        break;
    default:
        break;
    }
}

void TUnitStatic::ParseSSDReply(const QString& S) {
    const QString body = WithoutLineEnd(S);
    FC.Edit_ShipsName->setText(BeforePadding(Positions(body, 16, 35)));
    FC.Edit_CallSign->setText(BeforePadding(Positions(body, 8, 14)));
    FC.Edit_A->setText(Positions(body, 37, 39));
    FC.Edit_B->setText(Positions(body, 41, 43));
    FC.Edit_C->setText(Positions(body, 45, 46));
    FC.Edit_D->setText(Positions(body, 48, 49));
}

void TUnitStatic::ParseVSDReply(const QString& S) {
    const QString code = Positions(WithoutLineEnd(S), 9, 10);
    int chosen = 0;
    for (int i = 0; i < FC.ComboBox_Type->count(); ++i)
        if (FC.ComboBox_Type->itemText(i).left(2) == code) chosen = i;
    FC.ComboBox_Type->setCurrentIndex(chosen);
}

// ---- Configuration writer ---------------------------------------------------------------------

void TUnitStatic::BitBtn_SaveClick() {
    int mmsi = 0;
    if (!ReadWholeNumber(FC.Edit_MMSI->text(), mmsi)) {
        InformationBox("MMSI must be a number!");
        return;
    }
    FOwnShip.MMSI = mmsi;
    if (mmsi <= 0 || mmsi > 999999999) {
        InformationBox("MMSI must be greater then \"0\" and less than \"999999999\"!");
        return;
    }
    auto upper = [](const QString& s) {
        QString r = s;
        for (QChar& c : r)
            if (c >= 'a' && c <= 'z') c = QChar(c.unicode() - 32);
        return r;
    };
    FOwnShip.ShipsName = upper(FC.Edit_ShipsName->text());
    FC.Edit_ShipsName->setText(FOwnShip.ShipsName);
    FOwnShip.CallSign = upper(FC.Edit_CallSign->text());
    FC.Edit_CallSign->setText(FOwnShip.CallSign);
    // Both are sent as fields of one sentence: a delimiter or reserved character typed into
    // them would move the distances into other fields or break the sentence, and the
    // transponder would store wrong values or nothing.
    auto breaksSentence = [](const QString& s) {
        for (const QChar c : s)
            if (c.unicode() < 32 || c.unicode() == 127 ||
                (c.unicode() < 128 && NmeaReserved(static_cast<char>(c.unicode()))))
                return true;
        return false;
    };
    if (breaksSentence(FOwnShip.ShipsName) || breaksSentence(FOwnShip.CallSign)) {
        InformationBox("Ship's name and call sign must not contain , * $ ! \\ ^ or ~!");
        return;
    }

    std::int32_t* dims[] = {&FOwnShip.A, &FOwnShip.B, &FOwnShip.C, &FOwnShip.D};
    QLineEdit* edits[] = {FC.Edit_A, FC.Edit_B, FC.Edit_C, FC.Edit_D};
    for (int i = 0; i < 4; ++i) {
        int v = 0;
        if (!ReadWholeNumber(edits[i]->text(), v)) {
            InformationBox("Dimension must be a number!");
            return;
        }
        *dims[i] = v;
    }
    if (FOwnShip.A < 0 || FOwnShip.A > 511 || FOwnShip.B < 0 || FOwnShip.B > 511 ||
        FOwnShip.C < 0 || FOwnShip.C > 63 || FOwnShip.D < 0 || FOwnShip.D > 63) {
        InformationBox("Dimension must be in the right range!");
        ScanStep = 0;
        return;
    }
    const int item = SelectedItem(FC.ComboBox_Type);
    int type = 0;
    if (item < 0 || !ReadWholeNumber(FC.ComboBox_Type->itemText(item).left(2), type)) {
        ScanStep = 0;
        return;
    }
    FOwnShip.ShipTyp = type;
    ScanStep = 20;
    ArmScan(100, 0);
}

void TUnitStatic::SendWriteGroup(int Step) {
    static const char* const kSwitch[] = {"PSRT,SRM,00,01,", "PSRT,SRM,01,01,", "PSRT,SRM,01,02,"};
    static const char* const kGps[] = {"000F", "0008", "0000"};
    static const char* const kBaud[] = {"PSRT,SER,,,0D36", "PSRT,SER,,,0D1E"};
    static const char* const kAlarm[] = {"PSRT,ALM,0000", "PSRT,ALM,0001"};
    switch (Step) {
    case 20:
        FC.Edit_MMSI->clear();
        Send(kUnlockSentence);
        Pause(100);
        Send("PSRT,010,,," + QString::number(FOwnShip.MMSI));
        Pause(300);
        Send("PSRT,010");
        break;
    case 21:
        FC.Edit_ShipsName->clear();
        Send("AISSD," + FOwnShip.CallSign + "," + FOwnShip.ShipsName + "," +
             QString::number(FOwnShip.A) + "," + QString::number(FOwnShip.B) + "," +
             QString::number(FOwnShip.C) + "," + QString::number(FOwnShip.D) + ",0,AI");
        Pause(300);
        Send("AIAIQ,SSD");
        break;
    case 22:
        Send("AIVSD," + QString::number(FOwnShip.ShipTyp) + ",,,,,,,,");
        Pause(300);
        Send("DUAIQ,VSD");
        break;
    case 23:
        if (const int i = FC.RadioGroup_Switch->ItemIndex(); i >= 0) {
            Send(kUnlockSentence);
            Send(kSwitch[i] + FOwnShip.VendorID);
        }
        Pause(300);
        Send("DUAIQ,SRM");
        break;
    case 24:
        // With no GPS output chosen nothing is written, as for the other interface settings.
        if (const int i = FC.RadioGroup_GPS->ItemIndex(); i >= 0)
            Send(QString("PSRT,NMEA,03,") + kGps[i] + ",00");
        break;
    case 25:
        if (const int i = FC.RadioGroup_Baud->ItemIndex(); i >= 0) {
            Send(kUnlockSentence);
            Send(kBaud[i]);
        }
        Pause(300);
        Send("DUAIQ,SER");
        break;
    case 26:
        if (const int i = FC.RadioGroup_ALR->ItemIndex(); i >= 0) {
            Send(kUnlockSentence);
            Send(kAlarm[i]);
        }
        Pause(300);
        Send("DUAIQ,ALM");
        break;
    default:
        break;
    }
}

bool TUnitStatic::WriteConfirmed(int Step, int MmsiAtTickStart) const {
    if (ReplyState != 2) return false;
    switch (Step) {
    case 20:
        return MmsiAtTickStart == FOwnShip.MMSI;
    case 21:
        return FC.Edit_ShipsName->text() == FOwnShip.ShipsName;
    case 22: {
        const int item = SelectedItem(FC.ComboBox_Type);
        return item >= 0 &&
               FC.ComboBox_Type->itemText(item).left(2) == QString::number(FOwnShip.ShipTyp);
    }
    default:
        return true;
    }
}

// ---- Factory reset ------------------------------------------------------------------------------

void TUnitStatic::FactoryResetSentences() {
    Send(kUnlockSentence);
    Send("PSRT,RDP");
    Pause(200);
    Send(kUnlockSentence);
    Send("PSRT,SRM,00,01," + FOwnShip.VendorID);
}

void TUnitStatic::ClearStaticFields() {
    for (QLineEdit* e : {FC.Edit_ShipsName, FC.Edit_CallSign, FC.Edit_MMSI, FC.Edit_A, FC.Edit_B,
                         FC.Edit_C, FC.Edit_D})
        e->clear();
}

void TUnitStatic::BitBtn_ResetClick() {
    if (ConfirmationBox("corvane set to factory state ?") != TMsgResult::Yes) return;
    FactoryResetSentences();
    SetHourGlassCursor(false);
    InformationBox("Corvane MMSI erased.");
    ClearStaticFields();
    Pause(500);
    BitBtn_DiscClick();
}

void TUnitStatic::PasswordEntered(const QString& Password,
                                  const std::function<void()>& UnlockTrace) {
    if (Password == "harbour7ink") {
        if (ConfirmationBox("Corvane set to factory state ?") != TMsgResult::Yes) return;
        FactoryResetSentences();
        SetHourGlassCursor(false);
        InformationBox("Corvane MMSI erased.");
        ClearStaticFields();
    } else if (Password == "zentr") {
        UnlockTrace();
    }
}
