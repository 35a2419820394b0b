// The window as people use it: it keeps its layout at every size it can take (and under a
// scale factor, see the CMake entry that sets QT_SCALE_FACTOR), the keyboard reaches every
// control in reading order, and a screen reader finds a name for each of them.

#include "widgets/RadioGroup.h"
#include "widgets/Shape.h"
#include "widgets/VaTerminal.h"
#include "WindowFixture.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <filesystem>
#include <initializer_list>

namespace {

QString Describe(const QWidget* W) {
    const QString name = W->objectName().isEmpty() ? QString("unnamed") : W->objectName();
    return QString("%1 %2 %3x%4+%5+%6")
        .arg(W->metaObject()->className(), name)
        .arg(W->width())
        .arg(W->height())
        .arg(W->x())
        .arg(W->y());
}

void LaidOut(QLayout* Layout, QList<QWidget*>& Out) {
    for (int i = 0; i < Layout->count(); ++i) {
        QLayoutItem* item = Layout->itemAt(i);
        if (QWidget* w = item->widget())
            Out << w;
        else if (QLayout* sub = item->layout())
            LaidOut(sub, Out);
    }
}

// The size a widget needs to show its contents: what it was given as minimum, else for a
// scroll area (tables, memos) room for a line of ten characters, as the rest scrolls, else
// its minimum size hint.
QSize Needs(const QWidget* W) {
    QSize need = W->minimumSizeHint();
    if (const auto* area = qobject_cast<const QAbstractScrollArea*>(W)) {
        const QFontMetrics fm = area->viewport()->fontMetrics();
        need =
            QSize(fm.averageCharWidth() * 10, fm.height()) + (W->size() - area->viewport()->size());
    }
    if (W->minimumWidth() > 0) need.setWidth(W->minimumWidth());
    if (W->minimumHeight() > 0) need.setHeight(W->minimumHeight());
    return need;
}

// Walks the widgets that layouts place. A widget without a layout either places its children
// by hand on purpose (the edits on the vessel diagram) or is a control whose children are its
// own internals (scroll bars and viewports of tables and memos, a combo box's edit, the tab
// bar of the tab control): neither is the window's layout, so the walk stops there. Every
// shown widget that a layout placed must lie inside its parent, keep at least the size it
// needs to show its contents (its minimum size hint), and overlap none of its siblings.
void LayoutProblems(QWidget* Parent, QStringList& Out) {
    QLayout* layout = Parent->layout();
    if (layout == nullptr) return;
    QList<QWidget*> placed;
    LaidOut(layout, placed);
    placed.removeIf([](QWidget* W) { return W->isHidden(); });
    for (QWidget* w : placed) {
        if (!Parent->rect().contains(w->geometry()))
            Out << Describe(w) + " outside " + Describe(Parent);
        const QSize need = Needs(w);
        const QSizePolicy policy = w->sizePolicy();
        const bool wide = policy.horizontalPolicy() != QSizePolicy::Ignored;
        const bool tall = policy.verticalPolicy() != QSizePolicy::Ignored;
        if ((wide && w->width() < need.width()) || (tall && w->height() < need.height()))
            Out << Describe(w) +
                       QString(" squeezed below %1x%2").arg(need.width()).arg(need.height());
        LayoutProblems(w, Out);
    }
    for (int i = 0; i < placed.size(); ++i)
        for (int j = i + 1; j < placed.size(); ++j)
            if (placed[i]->geometry().intersects(placed[j]->geometry()))
                Out << Describe(placed[i]) + " overlaps " + Describe(placed[j]);
}

// Runs the test in a directory of its own, where unlocking the trace view opens its log.
class InScratchDir {
public:
    InScratchDir() {
        char dir[] = "/tmp/corvane-ux-test-XXXXXX";
        FDir = mkdtemp(dir);
        FOld = std::filesystem::current_path();
        std::filesystem::current_path(FDir);
    }
    ~InScratchDir() {
        std::filesystem::current_path(FOld);
        std::filesystem::remove_all(FDir);
    }

private:
    std::filesystem::path FDir, FOld;
};

class Usability : public WindowTest {
protected:
    ~Usability() override {
        PasswordDialog.reset();
        Form.reset(); // closes the trace log before its directory goes
    }

    void Show() {
        Form->show();
        Form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    }

    // The window grows to make room for the trace terminal.
    void Unlock() {
        Form->UnlockTrace();
        QApplication::processEvents();
    }

    // Sets the window's size and lays out each tab in turn, collecting the problems.
    QStringList ProblemsAt(const QSize& Size) {
        Form->resize(Size);
        QStringList problems;
        LayoutProblems(Form.get(), problems);
        for (int i = 0; i < Form->PageControl->count(); ++i) {
            Form->PageControl->setCurrentIndex(i);
            QApplication::processEvents();
            QWidget* page = Form->PageControl->widget(i);
            const QSize need = page->minimumSizeHint();
            if (page->width() < need.width() || page->height() < need.height())
                problems << Describe(page) + " squeezed";
            LayoutProblems(page, problems);
        }
        Form->PageControl->setCurrentIndex(0);
        QApplication::processEvents();
        return problems;
    }

    QSize ClientArea() const { return Form->size() - QSize(0, Form->menuBar()->height()); }

    InScratchDir FScratch;
};

// ---- Sizes ---------------------------------------------------------------------------------

class LayoutAtEverySize : public Usability, public ::testing::WithParamInterface<bool> {};

// At the start size, the smallest size the window lets itself be given and a large one, on
// every tab, with the trace view locked and unlocked (its terminal and memos take room).
TEST_P(LayoutAtEverySize, NoControlOverlapsOrIsCutOff) {
    Show();
    if (GetParam()) Unlock();
    const QSize min = Form->minimumSize();
    EXPECT_LE(min.width(), 716);
    for (const QSize& size : {Form->size(), QSize(1, 1), QSize(1400, 900)}) {
        const QStringList problems = ProblemsAt(size);
        EXPECT_TRUE(problems.isEmpty()) << "at " << Form->width() << "x" << Form->height() << ":\n"
                                        << problems.join("\n").toStdString();
    }
    Form->resize(1, 1);
    EXPECT_EQ(Form->size(), min);
}

INSTANTIATE_TEST_SUITE_P(Window, LayoutAtEverySize, ::testing::Values(false, true),
                         [](const auto& Info) {
                             return std::string(Info.param ? "TraceUnlocked" : "TraceLocked");
                         });

TEST_F(Usability, OpensAtItsClientAreaAndItsMinimumIsNoLarger) {
    Show();
    EXPECT_EQ(ClientArea(), QSize(716, 426));
    const QSize min = Form->minimumSize() - QSize(0, Form->menuBar()->height());
    EXPECT_LE(min.width(), 716);
    EXPECT_LE(min.height(), 426);
}

TEST_F(Usability, TablesTakeTheRoomOfALargerWindow) {
    Show();
    struct {
        QWidget* widget;
        int tab;
        QSize before;
    } growing[] = {{Form->StringGrid_RxData, 3, {}},
                   {Form->StringGrid_Error, 1, {}},
                   {Form->StringGrid_Warn, 1, {}}};
    const QSize more(600, 400);
    for (auto& g : growing) {
        Form->PageControl->setCurrentIndex(g.tab);
        QApplication::processEvents();
        g.before = g.widget->size();
    }
    Form->resize(Form->size() + more);
    for (auto& g : growing) {
        Form->PageControl->setCurrentIndex(g.tab);
        QApplication::processEvents();
        const QSize grown = g.widget->size() - g.before;
        // the two lists share the width
        EXPECT_GE(grown.width(), g.tab == 1 ? more.width() / 2 - 10 : more.width())
            << Describe(g.widget).toStdString();
        EXPECT_EQ(grown.height(), more.height()) << Describe(g.widget).toStdString();
    }
}

// An edit scrolls a text it has no room for: the port box showed its hint as "ess Connect".
// Each text it shows must be in view from the first character to the last, whichever end the
// cursor is at.
TEST_F(Usability, ThePortBoxShowsItsHintAndItsLongestPortWhole) {
    Show();
    QLineEdit* edit = Form->ComboBox_Port->lineEdit();
    const QRect area = edit->contentsRect().adjusted(2, 0, -2, 0); // the edit's own margins
    const int y = area.center().y();
    for (const QString& text : {QString("press Connect"), QString("COM 255")}) {
        Form->ComboBox_Port->setEditText(text);
        edit->end(false);
        edit->repaint(); // an edit scrolls as it paints
        EXPECT_EQ(edit->cursorPositionAt(QPoint(area.left(), y)), 0) << text.toStdString();
        edit->home(false);
        edit->repaint();
        EXPECT_EQ(edit->cursorPositionAt(QPoint(area.right(), y)), text.size())
            << text.toStdString();
    }
}

// The hints laid by hand over the vessel diagram, where no layout measures them.
TEST_F(Usability, TheDiagramsHintsLieWholeOnIt) {
    Show();
    const QList<QLabel*> hints = Form->Image1->findChildren<QLabel*>();
    EXPECT_EQ(hints.size(), 4);
    for (QLabel* hint : hints) {
        EXPECT_TRUE(Form->Image1->rect().contains(hint->geometry()))
            << Describe(hint).toStdString();
        EXPECT_GE(hint->width(), hint->sizeHint().width()) << Describe(hint).toStdString();
    }
}

// "How to connect" is told in words that a person and a screen reader can read: text in the
// window's own font, not a drawing with its words shrunk into the tab's corner.
TEST_F(Usability, HowToConnectIsToldInTheWindowsFont) {
    Show();
    QStringList told;
    for (QLabel* l : Form->Image2->findChildren<QLabel*>()) {
        EXPECT_TRUE(l->isVisible()) << Describe(l).toStdString();
        EXPECT_GE(l->font().pointSizeF(), Form->font().pointSizeF()) << Describe(l).toStdString();
        told << QAccessible::queryAccessibleInterface(l)->text(QAccessible::Name);
    }
    for (const char* words : {"Corvane", "PC", "RS232", "press Connect"})
        EXPECT_TRUE(told.join(' ').contains(words))
            << words << " in: " << told.join(" | ").toStdString();
}

TEST_F(Usability, PasswordDialogKeepsItsLayout) {
    PasswordDialog->show();
    QApplication::processEvents();
    for (const QSize& size : {PasswordDialog->size(), QSize(1, 1)}) {
        PasswordDialog->resize(size);
        QApplication::processEvents();
        QStringList problems;
        LayoutProblems(PasswordDialog.get(), problems);
        EXPECT_TRUE(problems.isEmpty()) << problems.join("\n").toStdString();
    }
}

// ---- Keyboard ------------------------------------------------------------------------------

// The name of a Tab stop: a radio button stands for its group.
std::string StopName(QWidget* W, QTabBar* Tabs) {
    if (W == nullptr) return "(no focus)";
    if (W == Tabs) return "tabs";
    if (auto* group = qobject_cast<TRadioGroup*>(W->parentWidget()))
        return group->objectName().toStdString();
    return W->objectName().isEmpty() ? W->metaObject()->className() : W->objectName().toStdString();
}

// Presses Key from Start until the focus comes back to Start; returns the stops after Start.
std::vector<std::string> Walk(QWidget* Start, QTabBar* Tabs, Qt::Key Key) {
    Start->setFocus(Qt::OtherFocusReason);
    std::vector<std::string> stops;
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Key);
        QWidget* now = QApplication::focusWidget();
        if (now == Start) return stops;
        stops.push_back(StopName(now, Tabs));
    }
    stops.push_back("(focus never came back)");
    return stops;
}

struct TTabOrderCase {
    const char* name;
    int tab;
    bool unlocked;
    std::vector<std::string> stops; // after the tab bar, in order
};

// The order read on each tab: top to bottom in the left column, then the right column top
// to bottom, left to right within a row. On the Static data tab: port, Connect, Disconnect,
// ship's name, call sign, MMSI, vessel type, Save, then the diagram's A, B, C, D, the four
// radio groups (one stop each) and Reset; the trace terminal last once it shows.
const std::vector<std::string> kStaticStops = {
    "ComboBox_Port",  "BitBtn_Connect", "BitBtn_Disc",     "Edit_ShipsName", "Edit_CallSign",
    "Edit_MMSI",      "ComboBox_Type",  "BitBtn_Save",     "Edit_A",         "Edit_B",
    "Edit_C",         "Edit_D",         "RadioGroup_Baud", "RadioGroup_GPS", "RadioGroup_Switch",
    "RadioGroup_ALR", "BitBtn_Reset"};

std::vector<std::string> Plus(std::vector<std::string> A, const std::vector<std::string>& B) {
    A.insert(A.end(), B.begin(), B.end());
    return A;
}

const TTabOrderCase kTabOrders[] = {
    {"Static", 0, false, kStaticStops},
    {"StaticUnlocked", 0, true, Plus(kStaticStops, {"VaTerminal1"})},
    {"Diagnostics", 1, false, {"StringGrid_Error", "StringGrid_Warn"}},
    {"DiagnosticsUnlocked",
     1,
     true,
     {"StringGrid_Error", "StringGrid_Warn", "Memo_GGA", "Memo_GSV", "Memo_RMC", "Memo_TXT",
      "Memo_ALR", "Memo1"}},
    {"Sent", 2, false, {}},
    {"SentUnlocked", 2, true, {"Memo_VDO"}},
    {"Received", 3, false, {"StringGrid_RxData"}},
};

void PrintTo(const TTabOrderCase& C, std::ostream* Os) {
    *Os << C.name;
}

class TabOrder : public Usability, public ::testing::WithParamInterface<TTabOrderCase> {};

TEST_P(TabOrder, TabVisitsTheTabsControlsInReadingOrderAndShiftTabGoesBack) {
    const TTabOrderCase& c = GetParam();
    Show();
    if (c.unlocked) Unlock();
    // as when connected: every button takes part
    for (QPushButton* b : {Form->BitBtn_Disc, Form->BitBtn_Save, Form->BitBtn_Reset})
        b->setEnabled(true);
    Form->PageControl->setCurrentIndex(c.tab);
    QTabBar* tabs = Form->PageControl->tabBar();
    EXPECT_EQ(Walk(tabs, tabs, Qt::Key_Tab), c.stops);
    const std::vector<std::string> back(c.stops.rbegin(), c.stops.rend());
    EXPECT_EQ(Walk(tabs, tabs, Qt::Key_Backtab), back);
}

INSTANTIATE_TEST_SUITE_P(Window, TabOrder, ::testing::ValuesIn(kTabOrders),
                         [](const auto& Info) { return std::string(Info.param.name); });

TEST_F(Usability, ARadioGroupIsOneStopAtItsChoiceAndArrowsChoose) {
    Show();
    Form->RadioGroup_GPS->SetItemIndex(1);
    Form->RadioGroup_Baud->Buttons().front()->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Form->RadioGroup_GPS->Buttons()[1]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), Form->RadioGroup_GPS->Buttons()[2]);
    EXPECT_EQ(Form->RadioGroup_GPS->ItemIndex(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(StopName(QApplication::focusWidget(), nullptr), "RadioGroup_Switch");
    // cleared again (as a disconnect does): the first button is the stop
    Form->RadioGroup_GPS->SetItemIndex(-1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), Form->RadioGroup_GPS->Buttons()[0]);
}

TEST_F(Usability, PasswordDialogTabsFromTheEditToItsButtons) {
    PasswordDialog->show();
    PasswordDialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(PasswordDialog.get()));
    EXPECT_EQ(Walk(PasswordDialog->MaskEdit, nullptr, Qt::Key_Tab),
              (std::vector<std::string>{"BitBtn1", "BitBtn2"}));
}

// ---- Screen readers ------------------------------------------------------------------------

// What a screen reader announces: the accessible name, else what the toolkit derives from
// the control (a button's or a label's text).
QString SpokenName(QWidget* W) {
    if (!W->accessibleName().isEmpty()) return W->accessibleName();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(W);
    return a != nullptr ? a->text(QAccessible::Name) : QString();
}

// Every control that takes focus, in the window and in the dialog, skipping those that hand
// their focus to another (a combo box's edit, the tab control) and the popups of combo boxes.
TEST_F(Usability, EveryControlHasAHumanName) {
    Unlock(); // the trace view's controls too
    for (QWidget* top :
         {static_cast<QWidget*>(Form.get()), static_cast<QWidget*>(PasswordDialog.get())})
        for (QWidget* w : top->findChildren<QWidget*>()) {
            if (w->focusPolicy() == Qt::NoFocus || w->focusProxy() != nullptr || w->window() != top)
                continue;
            const QString name = SpokenName(w);
            EXPECT_FALSE(name.isEmpty()) << Describe(w).toStdString();
            EXPECT_NE(name, w->objectName()) << Describe(w).toStdString(); // "Memo_GGA" is no name
        }
    for (QWidget* w :
         std::initializer_list<QWidget*>{Form->Panel_Connect, Form->Shape_OK, Form->Shape_Warn,
                                         Form->Shape_Error, Form->Image1, Form->Image2})
        EXPECT_FALSE(w->accessibleName().isEmpty()) << Describe(w).toStdString();
    // labels are read by their caption, not by the name of the object
    for (QLabel* l : Form->findChildren<QLabel*>())
        if (!l->objectName().isEmpty()) {
            EXPECT_NE(SpokenName(l), l->objectName()) << Describe(l).toStdString();
        }
    // the distances' ranges, as the hints beside them show
    EXPECT_TRUE(Form->Edit_A->accessibleDescription().contains("511"));
    EXPECT_TRUE(Form->Edit_B->accessibleDescription().contains("511"));
    EXPECT_TRUE(Form->Edit_C->accessibleDescription().contains("63"));
    EXPECT_TRUE(Form->Edit_D->accessibleDescription().contains("63"));
}

} // namespace
