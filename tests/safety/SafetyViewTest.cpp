// The safety list and the distress bar as a user meets them: rows newest first and added, not
// rebuilt; the bar hidden until an alert, its lines, and the acknowledgement.

#include "safety/DistressBar.h"
#include "safety/SafetyList.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr double kDay0 = 45658.0; // 2025-01-01 00:00 UTC
constexpr double kSecond = 1.0 / 86400.0;

TSafetyMessage Message(int I, const std::string& To = {}) {
    return {kDay0 + I * kSecond, "2110000" + std::to_string(10 + I), To,
            "TEXT " + std::to_string(I)};
}

QStringList Column(const TSafetyList& L, int Col) {
    QStringList out;
    for (int r = 0; r < L.topLevelItemCount(); ++r) out << L.topLevelItem(r)->text(Col);
    return out;
}

TEST(SafetyList, NamedWithItsColumns) {
    TSafetyList list;
    EXPECT_EQ(list.objectName(), "List_SafetyMessages");
    EXPECT_EQ(list.accessibleName(), "Safety messages");
    EXPECT_FALSE(list.rootIsDecorated());
    const QTreeWidgetItem* h = list.headerItem();
    ASSERT_EQ(list.columnCount(), 4);
    EXPECT_EQ(h->text(0), "Time (UTC)");
    EXPECT_EQ(h->text(1), "From");
    EXPECT_EQ(h->text(2), "To");
    EXPECT_EQ(h->text(3), "Text");
    EXPECT_EQ(list.textElideMode(), Qt::ElideRight);
}

TEST(SafetyList, NewestFirstAddingOnlyTheNewRows) {
    TSafetyLog log;
    TSafetyList list;
    log.Add(Message(1, "211000099"));
    log.Add(Message(2));
    list.Show(log);
    EXPECT_EQ(Column(list, TSafetyList::ColText), QStringList({"TEXT 2", "TEXT 1"}));
    EXPECT_EQ(Column(list, TSafetyList::ColTo), QStringList({"all", "211000099"}));
    EXPECT_EQ(Column(list, TSafetyList::ColFrom), QStringList({"211000012", "211000011"}));
    EXPECT_EQ(list.topLevelItem(0)->text(TSafetyList::ColTime), "2025-01-01 00:00:02");
    const QTreeWidgetItem* oldTop = list.topLevelItem(0);
    const QTreeWidgetItem* oldBottom = list.topLevelItem(1);

    list.Show(log); // nothing new
    EXPECT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.topLevelItem(0), oldTop);

    log.Add(Message(3));
    log.Add(Message(4));
    list.Show(log);
    EXPECT_EQ(Column(list, TSafetyList::ColText),
              QStringList({"TEXT 4", "TEXT 3", "TEXT 2", "TEXT 1"}));
    // The rows shown before are the same rows, not made anew.
    EXPECT_EQ(list.topLevelItem(2), oldTop);
    EXPECT_EQ(list.topLevelItem(3), oldBottom);
}

TEST(SafetyList, KeepsNoMoreRowsThanTheLog) {
    TSafetyLog log(3);
    TSafetyList list;
    log.Add(Message(1));
    log.Add(Message(2));
    list.Show(log);
    const QTreeWidgetItem* kept = list.topLevelItem(0); // message 2
    log.Add(Message(3));
    log.Add(Message(4));
    list.Show(log);
    EXPECT_EQ(Column(list, TSafetyList::ColText), QStringList({"TEXT 4", "TEXT 3", "TEXT 2"}));
    EXPECT_EQ(list.topLevelItem(2), kept);

    for (int i = 5; i <= 20; ++i) log.Add(Message(i)); // more than the log keeps, unseen
    list.Show(log);
    EXPECT_EQ(Column(list, TSafetyList::ColText), QStringList({"TEXT 20", "TEXT 19", "TEXT 18"}));

    TSafetyLog full; // the thousand a log keeps, shown as they come
    for (int i = 0; i < 1010; ++i) {
        full.Add(Message(i));
        if (i % 100 == 0) list.Show(full);
    }
    list.Show(full);
    EXPECT_EQ(list.topLevelItemCount(), 1000);
    EXPECT_EQ(list.topLevelItem(0)->text(TSafetyList::ColText), "TEXT 1009");
    EXPECT_EQ(list.topLevelItem(999)->text(TSafetyList::ColText), "TEXT 10");
}

TEST(SafetyList, AnotherLogIsShownAfresh) {
    TSafetyLog first, second;
    TSafetyList list;
    for (int i = 1; i <= 3; ++i) first.Add(Message(i));
    list.Show(first);
    second.Add(Message(9));
    list.Show(second);
    EXPECT_EQ(Column(list, TSafetyList::ColText), QStringList({"TEXT 9"}));
}

TEST(SafetyList, FullTextAsTooltipNeverAsMarkup) {
    TSafetyLog log;
    TSafetyList list;
    const std::string plain = "PLEASE REPORT TO JOBOURG TRAFFIC CHANNEL 13 ON ARRIVAL AT THE TSS";
    log.Add({kDay0, "2275200", "215724000", plain});
    log.Add({kDay0, "2275200", "", "<B>BIG</B> & <IMG SRC=X>"});
    list.Show(log);
    EXPECT_EQ(list.topLevelItem(1)->toolTip(TSafetyList::ColText), QString::fromStdString(plain));
    const QString markup = list.topLevelItem(0)->toolTip(TSafetyList::ColText);
    EXPECT_EQ(list.topLevelItem(0)->text(TSafetyList::ColText), "<B>BIG</B> & <IMG SRC=X>");
    EXPECT_FALSE(markup.contains("<B>"));
    EXPECT_TRUE(markup.contains("&lt;B&gt;BIG&lt;/B&gt; &amp; &lt;IMG SRC=X&gt;"))
        << markup.toStdString();
}

struct DistressBarTest : testing::Test {
    QMainWindow Window;
    TDistressBar* Bar = new TDistressBar;
    void SetUp() override {
        Window.addToolBar(Qt::TopToolBarArea, Bar);
        Window.resize(800, 400);
        Window.show();
    }
};

TEST_F(DistressBarTest, HiddenUntilTheFirstAlert) {
    EXPECT_EQ(Bar->objectName(), "ToolBar_Distress");
    EXPECT_FALSE(Bar->isVisible());
    EXPECT_FALSE(Bar->isMovable());
    EXPECT_FALSE(Bar->isFloatable());
    EXPECT_EQ(Bar->Label_Distress->objectName(), "Label_Distress");
    EXPECT_EQ(Bar->Label_Distress->accessibleName(), "Distress alert");
    EXPECT_EQ(Bar->Button_Acknowledge->objectName(), "Button_Acknowledge");
    EXPECT_EQ(Bar->Button_Acknowledge->text(), "Acknowledge");

    const QStringList lines = {"Man overboard 972123456, position not known",
                               "AIS-SART 970123456, position not known"};
    Bar->ShowAlerts(lines);
    EXPECT_TRUE(Bar->isVisible());
    EXPECT_TRUE(Bar->Label_Distress->isVisible());
    EXPECT_EQ(Bar->Label_Distress->text(), lines.join('\n'));
    EXPECT_TRUE(Bar->Label_Distress->wordWrap());
    EXPECT_EQ(Bar->Label_Distress->textFormat(), Qt::PlainText);

    Bar->ShowAlerts({});
    EXPECT_FALSE(Bar->isVisible());
}

TEST_F(DistressBarTest, NoContextMenuOfTheWindowCanHideIt) {
    Bar->ShowAlerts({"AIS-SART 970123456, position not known"});
    const std::unique_ptr<QMenu> menu(Window.createPopupMenu());
    if (menu) {
        for (const QAction* a : menu->actions())
            EXPECT_FALSE(a == Bar->toggleViewAction() && a->isVisible());
    }
    EXPECT_FALSE(Bar->toggleViewAction()->isVisible());
}

TEST_F(DistressBarTest, TheButtonCallsTheOwner) {
    Bar->ShowAlerts({"AIS-SART 970123456, position not known"});
    QTest::mouseClick(Bar->Button_Acknowledge, Qt::LeftButton); // no owner yet: nothing happens
    int calls = 0;
    Bar->OnAcknowledge = [&] {
        ++calls;
        Bar->ShowAlerts({});
    };
    QTest::mouseClick(Bar->Button_Acknowledge, Qt::LeftButton);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(Bar->isVisible());
}

TEST_F(DistressBarTest, AFloodOfAlertsShowsHowManyMore) {
    QStringList lines;
    for (int i = 0; i < 20; ++i) lines << QString("AIS-SART 9700000%1").arg(10 + i);
    Bar->ShowAlerts(lines);
    const QStringList shown = Bar->Label_Distress->text().split('\n');
    ASSERT_EQ(shown.size(), TDistressBar::kMaxLines + 1);
    EXPECT_EQ(shown.first(), lines.first());
    EXPECT_EQ(shown.last(), "... and 12 more distress alerts");
}

} // namespace
