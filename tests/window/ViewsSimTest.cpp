// All three views filled by the simulator's traffic over a pseudo-terminal, through the
// real serial component, capture and dispatch.

#include "ViewsFixture.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

using ViewsWithSimulator = ViewsTest;

TEST_F(ViewsWithSimulator, TrafficFillsTheThreeViews) {
    StartSim({"--speed", "10", "--targets", "6"});
    ASSERT_TRUE(ConnectAndRead());

    // received targets: one row each, names from their static reports, ranges from the own position
    ASSERT_TRUE(WaitFor(
        [this] {
            if (Form->TargetList.size() < 6) return false;
            for (int r = 1; r <= 6; ++r)
                if (Rx(r, 2).isEmpty() || Rx(r, 0).isEmpty() || Rx(r, 11).startsWith("n.a."))
                    return false;
            return true;
        },
        30000));
    EXPECT_EQ(Form->TargetList.size(), 6u);
    EXPECT_EQ(Form->StringGrid_RxData->rowCount(), 8);
    EXPECT_EQ(Form->Label_Rx->text(), "OK");

    // own transmissions: the connected transponder's own reports
    ASSERT_TRUE(WaitFor(
        [this] {
            return Text("Label_Msg24_VendID") == "CVN2401" && Text("Label_Msg18_MMSI") != "-";
        },
        30000));
    EXPECT_EQ(Text("Label_Msg18_MMSI"), "211234560");
    EXPECT_EQ(Text("Label_Msg24_MMSI"), "211234560");
    EXPECT_EQ(Text("Label_Msg24_Name"), "CORVANE TEST        ");
    EXPECT_EQ(Form->Label_Tx->text(), "OK");
    // the sequence finished, so the ages count from here on
    EXPECT_TRUE(Form->UnitSent->TxClockRunning);
    Tick(4);
    EXPECT_TRUE(Text("Label_Msg18_Time").endsWith(" seconds"));
    EXPECT_NE(Text("Label_Msg18_Time"), "Standby");

    // diagnostics: a GPS fix, the simulator's text messages and its antenna alarm, the lamps
    ASSERT_TRUE(WaitFor([this] { return !Cell(Form->StringGrid_Warn, 0, 0).isEmpty(); }, 30000));
    ASSERT_TRUE(WaitFor([this] { return Cell(Form->StringGrid_Error, 0, 0) == "002"; }, 30000));
    Form->Timer_Err_WarnTimer();
    EXPECT_EQ(Form->Shape_Error->BrushColor(), QColor(255, 0, 0));
    EXPECT_EQ(Form->DUT_Status.ValidFix, "OK");
    EXPECT_EQ(Text("Label_GPS_Fix"), "OK");
    EXPECT_EQ(Text("Label_Satellites"), "11/08");
    EXPECT_NE(Form->DUT_Status.LED, 0);
    EXPECT_EQ(Text("Label_V_Idle"), "12 V");
    EXPECT_EQ(Text("Label_V_TX"), "12 V");
    EXPECT_TRUE(Boxes.empty());
}

// The target list over the simulator's traffic: sorted by range through a header click,
// exported, and every target in the file in the order shown.
TEST_F(ViewsWithSimulator, TheTargetListSortsAndExportsLiveTraffic) {
    StartSim({"--speed", "10", "--targets", "8"});
    ASSERT_TRUE(ConnectAndRead());
    ASSERT_TRUE(WaitFor(
        [this] {
            if (Form->TargetList.size() < 8) return false;
            for (int r = 1; r <= 8; ++r)
                if (!Rx(r, RxCol::Range).endsWith(" nm") ||
                    Rx(r, RxCol::Range).startsWith("n.a."))
                    return false;
            return true;
        },
        30000));
    Form->TargetTable->SortBy(RxCol::Range, true);
    QTemporaryDir dir;
    const QString path = dir.filePath("live.csv");
    SetSaveFileHandler([&](const TSaveFileRequest&) { return path; });
    Form->TargetTable->ExportTargetsClick();
    SetSaveFileHandler({});
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(Form->TargetList.size()) + 1);
    double last = -1;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString range = lines[i].split(QChar(','))[RxCol::Range]; // "3.5 nm"
        if (range.startsWith("n.a.")) continue;
        const double nm = range.split(' ')[0].toDouble();
        EXPECT_GE(nm, last) << lines[i].toStdString();
        last = nm;
    }
}

} // namespace
