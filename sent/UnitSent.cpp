#include "sent/UnitSent.h"

#include "widgets/LiveState.h"
#include "widgets/ViewWidgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {

const char* kZero18 = "0 minutes, 0 seconds";
const char* kZero24 = "0 minutes 0 seconds"; // no comma, unlike the position report's

QString ChannelText(const T_NMEA_VD& VD) {
    return VD.Channel == T_AI_Chan::A ? "A" : "B";
}

struct TRow {
    const char* caption;
    QLabel** value;
    const char* name;
    const char* start;
    bool indented = false;
};

QGroupBox* ReportGroup(QWidget* Parent, const char* Name, const char* Caption,
                       std::initializer_list<TRow> Rows) {
    auto* g = Named(new QGroupBox(Caption, Parent), Name, Caption);
    auto* l = new QGridLayout(g);
    l->setVerticalSpacing(2);
    int row = 0;
    for (const TRow& r : Rows) {
        if (r.value == nullptr) { // a heading line without a value
            l->addWidget(new QLabel(r.caption, g), row++, 0);
            continue;
        }
        auto* caption = new QLabel(r.caption, g);
        if (r.indented) caption->setIndent(16);
        *r.value = Named(new TStateLabel(r.caption, r.start, g), r.name); // "MMSI: 211234560"
        (*r.value)->setTextInteractionFlags(Qt::TextSelectableByMouse);
        caption->setBuddy(*r.value);
        l->addWidget(caption, row, 0);
        l->addWidget(*r.value, row, 1);
        ++row;
    }
    l->setColumnStretch(1, 1);
    l->setRowStretch(row, 1);
    return g;
}

} // namespace

TSentControls BuildSentControls(QWidget* Tab) {
    TSentControls c;
    auto* msg18 =
        ReportGroup(Tab, "GroupBox_Msg18", "Last Transmit Position Report",
                    {{"MMSI", &c.Label_Msg18_MMSI, "Label_Msg18_MMSI", "-"},
                     {"Latitude", &c.Label_Msg18_Lat, "Label_Msg18_Lat", "-"},
                     {"Longitude", &c.Label_Msg18_Lon, "Label_Msg18_Lon", "-"},
                     {"Position Accuracy", &c.Label_Msg18_PA, "Label_Msg18_PA", "-"},
                     {"Course over ground", &c.Label_Msg18_COG, "Label_Msg18_COG", "-"},
                     {"Speed over ground", &c.Label_Msg18_SOG, "Label_Msg18_SOG", "-"},
                     {"TX Channel", &c.Label_Msg18_Chan, "Label_Msg18_Chan", "-"},
                     {"Last Transmission", &c.Label_Msg18_Time, "Label_Msg18_Time", "Standby"}});
    auto* msg24 =
        ReportGroup(Tab, "GroupBox_Msg24", "Last Transmit Statitc Data",
                    {{"MMSI", &c.Label_Msg24_MMSI, "Label_Msg24_MMSI", "-"},
                     {"Ship's Name", &c.Label_Msg24_Name, "Label_Msg24_Name", "-"},
                     {"Type of Ship", &c.Label_Msg24_Type, "Label_Msg24_Type", "-"},
                     {"VendorID", &c.Label_Msg24_VendID, "Label_Msg24_VendID", "-"},
                     {"Call Sign", &c.Label_Msg24_CallSign, "Label_Msg24_CallSign", "-"},
                     {"Dimensions", nullptr, nullptr, nullptr},
                     {"A", &c.Label_Msg24_DimA, "Label_Msg24_DimA", "-", true},
                     {"B", &c.Label_Msg24_DimB, "Label_Msg24_DimB", "-", true},
                     {"C", &c.Label_Msg24_DimC, "Label_Msg24_DimC", "-", true},
                     {"D", &c.Label_Msg24_DimD, "Label_Msg24_DimD", "-", true},
                     {"TX Channel", &c.Label_Msg24_Chan, "Label_Msg24_Chan", "-"},
                     {"Last Transmission", &c.Label_Msg24_Time, "Label_Msg24_Time", "Standby"}});

    // Fixed texts only.
    auto* schedule = Named(new QGroupBox("Transmission Schedule", Tab), "GroupBox_TransmSch",
                           "Transmission Schedule");
    auto* positions =
        Named(new QGroupBox("Positons Report", schedule), "GroupBox_SchPos", "Positons Report");
    auto* pl = new QGridLayout(positions);
    pl->setVerticalSpacing(2);
    const char* lines[][2] = {{"Vessel Speed", "Reporting Interval"},
                              {"< 2 knots", "3 minutes"},
                              {"> 2 knots", "30 seconds"}};
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 2; ++col) {
            auto* l = new QLabel(lines[r][col], positions);
            if (r == 0) l->setStyleSheet("font-weight: bold;");
            pl->addWidget(l, r, col);
        }
    auto* statics =
        Named(new QGroupBox("Static Data", schedule), "GroupBox_SchStatic", "Static Data");
    auto* stl = new QVBoxLayout(statics);
    stl->addWidget(new QLabel("Every 6 minutes", statics));
    stl->addStretch(1);
    auto* notes = new QVBoxLayout;
    notes->addWidget(new QLabel("Information presented is for reference only.", schedule));
    notes->addWidget(
        new QLabel("Actual transmission times may vary depending on local conditions.", schedule));
    auto* sl = new QGridLayout(schedule);
    sl->addLayout(notes, 0, 0, 1, 2);
    sl->addWidget(positions, 1, 0);
    sl->addWidget(statics, 1, 1);

    auto* vdoLabel = Named(new QLabel("VDO:", Tab), "Label50");
    c.Memo_VDO = ReadOnlyMemo(Tab, "Memo_VDO");
    c.Memo_VDO->setAccessibleName("Payloads of the own transmissions");
    c.Memo_VDO->setMaximumHeight(60);
    c.TraceWidgets << vdoLabel << c.Memo_VDO;

    auto* layout = new QGridLayout(Tab);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(msg18, 0, 0);
    layout->addWidget(msg24, 0, 1);
    layout->addWidget(schedule, 1, 0, 1, 2);
    layout->addWidget(vdoLabel, 2, 0, 1, 2);
    layout->addWidget(c.Memo_VDO, 3, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(0, 1);
    for (QWidget* w : c.TraceWidgets) w->hide();
    return c;
}

TUnitSent::TUnitSent(const TSentControls& Controls, std::function<void()> Transmitted,
                     TGeoCoor& OwnPos, TOwnCourse& OwnCourse, TMsg5_setup& Setup, TUtcClock Now)
    : FC(Controls), FTransmitted(std::move(Transmitted)), FOwnPos(OwnPos), FOwnCourse(OwnCourse),
      FSetup(Setup), FNow(std::move(Now)) {}

void TUnitSent::HandleVDO(const std::string& S) {
    if (S.empty() || !ParseNmeaVD(S, FVD, FSetup)) return;
    FC.Memo_VDO->appendPlainText(Widen(FVD.MsgStr));
    switch (FVD.MsgID) {
    case 18: {
        FC.Label_Msg18_Chan->setText(ChannelText(FVD));
        const TMsg18 m = DecodeMsg18(FVD.MsgStr);
        FC.Label_Msg18_MMSI->setText(Widen(m.MMSI));
        FC.Label_Msg18_SOG->setText(Widen(m.SOG) + " knots");
        FC.Label_Msg18_PA->setText(m.PA == "1" ? "High ( < 10 m )" : "Low ( > 10 m )");
        FC.Label_Msg18_Lon->setText(Widen(LonToDegMin(m.Lon)));
        FC.Label_Msg18_Lat->setText(Widen(LatToDegMin(m.Lat)));
        FC.Label_Msg18_COG->setText(Widen(m.COG) + " degrees T");
        FOwnPos.Lon = m.Lon;
        FOwnPos.Lat = m.Lat;
        FOwnCourse = {m.SOG, m.COG};
        FC.Label_Msg18_Time->setText(kZero18);
        LastTx18 = FNow();
        FTransmitted();
        break;
    }
    case 240: {
        FC.Label_Msg24_Chan->setText(ChannelText(FVD));
        const TMsg24A m = DecodeMsg24A(FVD.MsgStr);
        FC.Label_Msg24_MMSI->setText(Widen(m.MMSI));
        FC.Label_Msg24_Name->setText(Widen(m.Name));
        FC.Label_Msg24_Time->setText(kZero24);
        FTransmitted();
        break;
    }
    case 241: {
        FC.Label_Msg24_Chan->setText(ChannelText(FVD));
        const TMsg24B m = DecodeMsg24B(FVD.MsgStr);
        FC.Label_Msg24_MMSI->setText(Widen(m.MMSI));
        FC.Label_Msg24_Type->setText(Widen(m.ShipType));
        FC.Label_Msg24_VendID->setText(Widen(m.VendorID));
        FC.Label_Msg24_CallSign->setText(Widen(m.CallSign));
        FC.Label_Msg24_DimA->setText(Widen(m.Dimension.A) + " meters");
        FC.Label_Msg24_DimB->setText(Widen(m.Dimension.B) + " meters");
        FC.Label_Msg24_DimC->setText(Widen(m.Dimension.C) + " meters");
        FC.Label_Msg24_DimD->setText(Widen(m.Dimension.D) + " meters");
        FC.Label_Msg24_Time->setText(kZero24);
        LastTx24B = FNow();
        FTransmitted();
        break;
    }
    default:
        break;
    }
}

void TUnitSent::StartTxClock() {
    LastTx18 = LastTx24B = FNow();
    TxClockRunning = true;
}

void TUnitSent::RefreshTxAge() {
    if (!TxClockRunning) return;
    const double now = FNow();
    FC.Label_Msg18_Time->setText(Widen(TxAgeText(now, LastTx18)));
    FC.Label_Msg24_Time->setText(Widen(TxAgeText(now, LastTx24B)));
}
