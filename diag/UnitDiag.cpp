#include "diag/UnitDiag.h"

#include "nmea/Dispatch.h"
#include "nmea/SplitFields.h"
#include "widgets/LiveState.h"
#include "widgets/Shape.h"
#include "widgets/ViewWidgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

namespace {

using TFields = std::vector<std::string>;

TFields Fields(const std::string& S) {
    TFields f;
    SplitFields(",*", " ", S, f);
    return f;
}

void ShowFields(QPlainTextEdit* Memo, const TFields& F, std::size_t Count) {
    QStringList lines;
    for (std::size_t i = 0; i < Count && i < F.size(); ++i) lines << Widen(F[i]);
    Memo->setPlainText(lines.join('\n'));
}

QColor ColourOf(TLampColour C) {
    switch (C) {
    case TLampColour::Lime:
        return QColor(0, 255, 0);
    case TLampColour::Yellow:
        return QColor(255, 255, 0);
    case TLampColour::Red:
        return QColor(255, 0, 0);
    case TLampColour::Neutral:
        break;
    }
    return NeutralColour();
}

// Strict whole number (optional sign and digits); the empty last row has none.
bool ReadCount(const QString& Text, int& Value) {
    bool ok = false;
    Value = Text.toInt(&ok, 10);
    return ok && !Text.isEmpty() && !Text.front().isSpace() && !Text.back().isSpace();
}

// The row of Id in column 0, compared without regard to letter case; a new entry takes the
// empty last row, and a row is added so that an empty one stays at the bottom.
void ListEntry(QTableWidget* Grid, const std::string& Id, const std::string& Text) {
    const QString id = Widen(Id);
    int row = -1;
    for (int r = 0; r < Grid->rowCount() && row < 0; ++r)
        if (CellText(Grid, r, 0).compare(id, Qt::CaseInsensitive) == 0) row = r;
    if (row < 0) {
        row = Grid->rowCount() - 1;
        Grid->setRowCount(Grid->rowCount() + 1);
    }
    SetCellText(Grid, row, 0, id);
    SetCellText(Grid, row, 1, Widen(Text));
    SetCellText(Grid, row, 2, "60");
}

// One tick of a list's count-down. A deleted row's successor moves into its index and is
// counted only on the next tick.
void CountDown(QTableWidget* Grid) {
    for (int r = 0; r < Grid->rowCount(); ++r) {
        int v;
        if (!ReadCount(CellText(Grid, r, 2), v)) continue;
        SetCellText(Grid, r, 2, QString::number(static_cast<long long>(v) - 1));
        if (v <= 0) Grid->removeRow(r);
    }
}

// One row of a status group: the value label it creates (heard as "<caption>: <value>"), its
// object name and its text until the first report.
struct TValueRow {
    QLabel*& Value;
    const char* Name;
    const char* Initial;
    const char* Caption;
};

QGroupBox* CaptionGroup(QWidget* Parent, const char* Name, const char* Caption,
                        std::initializer_list<TValueRow> Rows) {
    auto* g = Named(new QGroupBox(Caption, Parent), Name, Caption);
    auto* l = new QGridLayout(g);
    int row = 0;
    for (const TValueRow& r : Rows) {
        r.Value = Named(new TStateLabel(r.Caption, r.Initial, g), r.Name);
        r.Value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->addWidget(new QLabel(r.Caption, g), row, 0);
        l->addWidget(r.Value, row, 1);
        ++row;
    }
    return g;
}

} // namespace

TDiagControls BuildDiagControls(QWidget* Tab) {
    TDiagControls c;
    auto* layout = new QGridLayout(Tab);
    layout->setContentsMargins(4, 4, 4, 4);

    struct {
        QTableWidget** grid;
        const char* name;
        const char* group;
        const char* caption;
    } lists[] = {{&c.StringGrid_Error, "StringGrid_Error", "GroupBox_Error", "Alarm Messages"},
                 {&c.StringGrid_Warn, "StringGrid_Warn", "GroupBox_Warn", "Warning Messages"}};
    int col = 0;
    for (auto& l : lists) {
        auto* g = Named(new QGroupBox(l.caption, Tab), l.group, l.caption);
        *l.grid = StringGrid(g, l.name, 3, 1);
        (*l.grid)->setAccessibleName(l.caption);
        (*l.grid)->setShowGrid(false);
        auto* gl = new QVBoxLayout(g);
        gl->setContentsMargins(4, 4, 4, 4);
        gl->addWidget(*l.grid);
        layout->addWidget(g, 0, col++);
    }

    // Status lights, each under its caption.
    auto* lights = new QVBoxLayout;
    struct {
        TShape** shape;
        const char* name;
        const char* caption;
        QColor start;
    } shapes[] = {{&c.Shape_OK, "Shape_OK", "OK", QColor(0, 255, 0)},
                  {&c.Shape_Warn, "Shape_Warn", "Warning", Qt::white},
                  {&c.Shape_Error, "Shape_Error", "Alarm", Qt::white}};
    lights->addSpacing(8);
    for (auto& s : shapes) {
        auto* caption = new QLabel(s.caption, Tab);
        caption->setAlignment(Qt::AlignHCenter);
        *s.shape =
            Named(new TShape(s.start, Qt::black, Tab), s.name, QString(s.caption) + " light");
        (*s.shape)->setFixedSize(28, 28);
        lights->addWidget(caption, 0, Qt::AlignHCenter);
        lights->addWidget(*s.shape, 0, Qt::AlignHCenter);
        lights->addSpacing(10);
    }
    lights->addStretch(1);
    layout->addLayout(lights, 0, 2);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(0, 1);

    // Status, lamp and hardware groups: kept up to date, never shown.
    c.GroupBox_Status =
        CaptionGroup(Tab, "GroupBox_Status", "Quillon Status",
                     {{c.Label_MMSI, "Label_MMSI", "Not Programmed", "Valid MMSI"},
                      {c.Label_GPS_Fix, "Label_GPS_Fix", "No Fix", "GPS position Fix"},
                      {c.Label_GPS_Error, "Label_GPS_Error", "> 10 m", "GPS Error"},
                      {c.Label_Satellites, "Label_Satellites", "0/0", "Satellites in view/used"},
                      {c.Label_Tx, "Label_Tx", "Standby", "Transmitter"},
                      {c.Label_Rx, "Label_Rx", "Standby", "Receiver"}});

    c.GroupBox_LED = Named(new QGroupBox("LED Status", Tab), "GroupBox_LED", "LED Status");
    auto* ll = new QGridLayout(c.GroupBox_LED);
    for (std::size_t i = 0; i < kLamps.size(); ++i) {
        c.Lamps[i] = Named(new TShape(NeutralColour(), Qt::gray, c.GroupBox_LED), kLamps[i].Name,
                           kLamps[i].Caption);
        ll->addWidget(c.Lamps[i], static_cast<int>(i), 0);
        ll->addWidget(new QLabel(kLamps[i].Caption, c.GroupBox_LED), static_cast<int>(i), 1);
    }

    c.GroupBox_Hardware =
        CaptionGroup(Tab, "GroupBox_Hardware", "Hardware Status",
                     {{c.Label_V_Idle, "Label_V_Idle", "-", "Supply Voltage (Idle)"},
                      {c.Label_V_TX, "Label_V_TX", "-", "Supply Voltage (TX)"},
                      {c.Label_RSSI1, "Label_RSSI1", "-", "RSSI 1"},
                      {c.Label_RSSI2, "Label_RSSI2", "-", "RSSI 2"},
                      {c.Label_ForPwr, "Label_ForPwr", "-", "TX Forward power"},
                      {c.Label_RevPwr, "Label_RevPwr", "-", "TX Reverse power"}});
    auto* hidden = new QHBoxLayout;
    for (QGroupBox* g : {c.GroupBox_Status, c.GroupBox_LED, c.GroupBox_Hardware}) {
        hidden->addWidget(g);
        g->hide();
    }
    layout->addLayout(hidden, 1, 0, 1, 3);

    // Memos of the trace view, with their labels.
    auto* memos = new QGridLayout;
    struct {
        QPlainTextEdit** memo;
        const char* name;
        const char* label;
        const char* labelName;
    } trace[] = {
        {&c.Memo_GGA, "Memo_GGA", "GGA:", "Label56"}, {&c.Memo_GSV, "Memo_GSV", "GSV", "Label57"},
        {&c.Memo_RMC, "Memo_RMC", "RMC", "Label58"},  {&c.Memo_TXT, "Memo_TXT", "TXT", "Label51"},
        {&c.Memo_ALR, "Memo_ALR", "ALR", "Label52"},
    };
    int i = 0;
    for (auto& t : trace) {
        auto* l = Named(new QLabel(t.label, Tab), t.labelName);
        *t.memo = ReadOnlyMemo(Tab, t.name);
        (*t.memo)->setMaximumHeight(60);
        memos->addWidget(l, 0, i);
        memos->addWidget(*t.memo, 1, i);
        c.TraceWidgets << l << *t.memo;
        ++i;
    }
    c.Memo1 = ReadOnlyMemo(Tab, "Memo1");
    c.Memo1->setAccessibleName("Last received sentence");
    c.Memo1->setMaximumHeight(26);
    c.Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    memos->addWidget(c.Memo1, 2, 0, 1, i);
    c.TraceWidgets << c.Memo1;
    layout->addLayout(memos, 2, 0, 1, 3);
    for (QWidget* w : c.TraceWidgets) w->hide();
    return c;
}

TUnitDiag::TUnitDiag(const TDiagControls& Controls, TDUT_Status& Status, TGeoCoor& OwnPos,
                     TOwnCourse& OwnCourse, std::function<void(const std::string&)> LogSentence,
                     TUtcClock Now)
    : FC(Controls), FStatus(Status), FOwnPos(OwnPos), FOwnCourse(OwnCourse),
      FLogSentence(std::move(LogSentence)), FNow(std::move(Now)) {}

// ---- GPS status ------------------------------------------------------------------------------

void TUnitDiag::HandleGPS(const std::string& S) {
    const TFields f = Fields(S);
    const TGpsRecorded r = RecordGPS(f, S, FStatus, FOwnPos, FOwnCourse, FNow());
    QPlainTextEdit* memos[] = {nullptr, FC.Memo_GGA, FC.Memo_GSV, FC.Memo_RMC};
    if (QPlainTextEdit* memo = memos[static_cast<int>(r.Memo)]) ShowFields(memo, f, r.Fields);
    if (f.size() > 0 && f[0] == "$GPRMC") FLogSentence(S);
    FC.Label_Satellites->setText(Widen(FStatus.SatView + "/" + FStatus.SatUsed));
    FC.Label_GPS_Fix->setText(Widen(FStatus.ValidFix));
}

// ---- Alarm and text-message lists --------------------------------------------------------------

void TUnitDiag::HandleALR(const std::string& S) {
    const TFields f = Fields(S); // address, time, number, condition, acknowledge, text, checksum
    ShowFields(FC.Memo_ALR, f, f.size());
    const auto m = AlarmOf(f);
    if (!m || !m->Active) return;
    ListEntry(FC.StringGrid_Error, m->Id, m->Text);
}

void TUnitDiag::HandleTXT(const std::string& S) {
    const TFields f = Fields(S); // address, total, number, identifier, text, checksum
    ShowFields(FC.Memo_TXT, f, f.size());
    if (const auto m = TextOf(f)) ListEntry(FC.StringGrid_Warn, m->Id, m->Text);
}

void TUnitDiag::RefreshErrWarn() {
    CountDown(FC.StringGrid_Error);
    CountDown(FC.StringGrid_Warn);
    const QColor neutral = NeutralColour();
    FC.Shape_Error->SetBrushColor(
        CellText(FC.StringGrid_Error, 0, 0).isEmpty() ? neutral : QColor(255, 0, 0));
    FC.Shape_Warn->SetBrushColor(
        CellText(FC.StringGrid_Warn, 0, 0).isEmpty() ? neutral : QColor(255, 255, 0));
    const bool quiet =
        FC.Shape_Error->BrushColor() == neutral && FC.Shape_Warn->BrushColor() == neutral;
    FC.Shape_OK->SetBrushColor(quiet ? QColor(0, 255, 0) : neutral);
}

// ---- Hardware status -------------------------------------------------------------------------

void TUnitDiag::HandleRES(const std::string& S) {
    if (!HasAt(S, 7, "RES,")) return;
    if (HasAt(S, 11, "LED,"))
        ShowLED(S);
    else if (HasAt(S, 11, "ADC,"))
        ShowADC(S);
}

void TUnitDiag::ShowLED(const std::string& S) {
    const auto mask = LedMask(S);
    if (!mask) return;
    RecordLED(FStatus, *mask, FNow());
    for (std::size_t i = 0; i < kLamps.size(); ++i)
        FC.Lamps[i]->SetBrushColor(ColourOf(LampColour(*mask, kLamps[i])));
}

void TUnitDiag::ShowADC(const std::string& S) {
    RecordADC(FStatus, ReadADC(S, FStatus.Transmitting), FNow());
    const TAdcCaptions c = EvaluateADC(S, FStatus.Transmitting);
    const std::pair<const std::optional<std::string>*, QLabel*> labels[] = {
        {&c.ForPwr, FC.Label_ForPwr}, {&c.RevPwr, FC.Label_RevPwr}, {&c.V_Idle, FC.Label_V_Idle},
        {&c.V_TX, FC.Label_V_TX},     {&c.RSSI1, FC.Label_RSSI1},   {&c.RSSI2, FC.Label_RSSI2}};
    for (const auto& [caption, label] : labels)
        if (caption->has_value()) label->setText(Widen(**caption));
}

void TUnitDiag::TransmitterSeen() {
    FStatus.Transmitting = true;
    FC.Label_Tx->setText("OK");
}

void TUnitDiag::TransmitterStandby() {
    FStatus.Transmitting = false;
    FC.Label_V_TX->setText("-");
    FC.Label_Tx->setText("Standby");
}

void TUnitDiag::MmsiReported(bool Programmed) {
    FStatus.ValidMMSI = Programmed ? "OK" : "none";
    FC.Label_MMSI->setText(Widen(FStatus.ValidMMSI));
}
