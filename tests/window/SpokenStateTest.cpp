// What a screen reader hears of the controls that show a live state (the connection, the
// lights, the readings of the views), read through the accessibility interface Qt publishes
// to AT-SPI, and the change notices it is sent.

#include "widgets/LiveState.h"
#include "ViewsFixture.h"

#include <QAccessible>
#include <QTabWidget>

#ifdef CORVANE_QPA_ACCESSIBILITY
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#endif

namespace {

using namespace sentences;

QString Heard(QObject* Control) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(Control);
    return a != nullptr ? a->text(QAccessible::Name) : QString("(no interface)");
}

class SpokenState : public ViewsTest {
protected:
    void Show() {
        Form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    }
    QString HeardOf(const char* Name) const { return Heard(Find<QWidget>(Name)); }
};

// ---- Names ---------------------------------------------------------------------------------

// The connection code sets the panel's text through a plain QLabel pointer.
class ConnectionPanel : public SpokenState, public ::testing::WithParamInterface<const char*> {};

TEST_P(ConnectionPanel, IsHeardWithTheStateItShows) {
    EXPECT_EQ(Heard(Form->Panel_Connect), "Connection status: Disconnected");
    QLabel* panel = Form->Panel_Connect;
    panel->setText(GetParam());
    EXPECT_EQ(Heard(panel), QString("Connection status: ") + GetParam());
    Unit().BitBtn_DiscClick();
    EXPECT_EQ(Heard(panel), "Connection status: Disconnected");
}

INSTANTIATE_TEST_SUITE_P(Window, ConnectionPanel,
                         ::testing::Values("Scanning for Corvane. Wait...", "Connected"),
                         [](const auto& Info) {
                             return std::string(Info.index ? "Connected" : "Scanning");
                         });

struct TReadingCase {
    const char* name;
    const char* label;
    std::vector<std::string> received; // before the label is heard
    const char* heard;
};

void PrintTo(const TReadingCase& C, std::ostream* Os) {
    *Os << C.name;
}

const TReadingCase kReadings[] = {
    {"ValidMmsiAtStart", "Label_MMSI", {}, "Valid MMSI: Not Programmed"},
    {"ReceiverAtStart", "Label_Rx", {}, "Receiver: Standby"},
    {"ReceiverHearingATarget", "Label_Rx", {PosA(244660000, 54.5, 10.3)}, "Receiver: OK"},
    {"TransmitterSeenSending", "Label_Tx", {PosB(211234560, 54.4, 10.2, true)}, "Transmitter: OK"},
    {"GpsFix",
     "Label_GPS_Fix",
     {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n"},
     "GPS position Fix: OK"},
    {"Satellites",
     "Label_Satellites",
     {"$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74\r\n",
      "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"},
     "Satellites in view/used: 11/08"},
    {"SupplyVoltage",
     "Label_V_Idle",
     {Nmea("PSRT,RES,ADC,0300,0100,4B,50,0320,0302")},
     "Supply Voltage (Idle): 12 V"},
    {"SignalVerdict",
     "Label_RSSI2",
     {Nmea("PSRT,RES,ADC,0300,0100,4B,50,0320,0302")},
     "RSSI 2: ERROR"},
    {"OwnMmsi", "Label_Msg18_MMSI", {PosB(211234560, 54.4, 10.2, true)}, "MMSI: 211234560"},
    {"OwnPositionBeforeAnyReport", "Label_Msg18_Lat", {}, "Latitude: -"},
    {"LastTransmissionBeforeAnyReport", "Label_Msg18_Time", {}, "Last Transmission: Standby"},
    {"OwnName",
     "Label_Msg24_Name",
     {Static24A(211234560, "CORVANE TEST", true)},
     "Ship's Name: CORVANE TEST"},
    {"OwnDistance", "Label_Msg24_DimA", {Static24B(211234560, "DK2345", true)}, "A: 8 meters"},
};

class Reading : public SpokenState, public ::testing::WithParamInterface<TReadingCase> {};

TEST_P(Reading, IsHeardAfterItsCaption) {
    for (const std::string& s : GetParam().received) Receive(s);
    EXPECT_EQ(HeardOf(GetParam().label), GetParam().heard);
}

INSTANTIATE_TEST_SUITE_P(Window, Reading, ::testing::ValuesIn(kReadings),
                         [](const auto& Info) { return std::string(Info.param.name); });

// A fixed accessible name must not hide what a label shows: every named label, once the views
// are filled, is heard with its text; every light and lamp with its state.
TEST_F(SpokenState, NoNameHidesALabelsTextOrALightsState) {
    Receive(PosB(211234560, 54.4, 10.2, true));
    Receive(Static24A(211234560, "CORVANE TEST", true));
    Receive(Static24B(211234560, "DK2345", true));
    Receive(PosA(244660000, 54.5, 10.3));
    Receive(Nmea("PSRT,RES,ADC,0300,0100,4B,50,0320,0302"));
    Receive(Nmea("PSRT,RES,LED,42"));
    Form->Panel_Connect->setText("Connected");
    int named = 0;
    for (QLabel* l : Form->findChildren<QLabel*>()) {
        if (l->accessibleName().isEmpty() || l->text().isEmpty()) continue;
        ++named;
        EXPECT_TRUE(Heard(l).contains(l->text().trimmed()))
            << l->objectName().toStdString() << " is heard as \"" << Heard(l).toStdString()
            << "\", shows \"" << l->text().toStdString() << '"';
    }
    EXPECT_GE(named, 32); // the panel, 12 status and hardware readings, 19 own-report fields
    for (TShape* s : Form->findChildren<TShape*>())
        EXPECT_EQ(Heard(s), s->accessibleName() + (s->Lit() ? ": on" : ": off"))
            << s->objectName().toStdString();
}

TEST_F(SpokenState, LightsAreHeardOnAndOffAsTheListsFillAndEmpty) {
    auto lights = [this] {
        return QStringList{Heard(Form->Shape_OK), Heard(Form->Shape_Warn),
                           Heard(Form->Shape_Error)};
    };
    EXPECT_EQ(lights(), (QStringList{"OK light: on", "Warning light: off", "Alarm light: off"}));
    Receive(Nmea("AIALR,123519,006,A,V,Antenna VSWR exceeds limit"));
    Tick();
    EXPECT_EQ(lights(), (QStringList{"OK light: off", "Warning light: off", "Alarm light: on"}));
    Receive(Nmea("AITXT,01,01,21,External DGNSS in use"));
    Tick();
    EXPECT_EQ(lights(), (QStringList{"OK light: off", "Warning light: on", "Alarm light: on"}));
    for (int i = 0; i < 62; ++i) Tick(); // both entries count down and leave
    EXPECT_EQ(lights(), (QStringList{"OK light: on", "Warning light: off", "Alarm light: off"}));

    EXPECT_EQ(HeardOf("Shape_LED_RX"), "RX: off");
    Receive(Nmea("PSRT,RES,LED,20")); // bit 5
    EXPECT_EQ(HeardOf("Shape_LED_RX"), "RX: on");
}

// A name from the transponder's own report with characters that look like markup is shown,
// and heard, as it stands: it is not laid out as a bold "CORVANE".
TEST_F(SpokenState, MarkupInAReceivedNameIsShownAsWritten) {
    const QString name = "<B>CORVANE</B>";
    Receive(Static24A(211234560, name.toStdString(), true));
    auto* label = Find<QLabel>("Label_Msg24_Name");
    ASSERT_EQ(label->text().trimmed(), name); // padded to the field's 20 characters
    EXPECT_GE(label->sizeHint().width(), label->fontMetrics().horizontalAdvance(name));
    EXPECT_EQ(Heard(label), "Ship's Name: " + name);
}

// ---- Change notices ------------------------------------------------------------------------

#ifdef CORVANE_QPA_ACCESSIBILITY
// Name changes as a screen reader gets them: Qt sends accessibility events only while a
// reader is attached, which the offscreen platform never reports; switched on by hand here.
class TNotices {
public:
    struct TNotice {
        QObject* Control;
        QString Name; // as read when the notice arrives
    };

    TNotices() {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
        FPrevious = QAccessible::installUpdateHandler(&Record);
        List().clear();
    }
    ~TNotices() {
        QAccessible::installUpdateHandler(FPrevious);
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
        List().clear();
    }

    // The name changes of Control since the last call, in order.
    QStringList Take(QObject* Control) {
        QStringList names;
        auto& list = List();
        for (auto it = list.begin(); it != list.end();)
            if (it->Control == Control) {
                names << it->Name;
                it = list.erase(it);
            } else {
                ++it;
            }
        return names;
    }

private:
    static std::vector<TNotice>& List() {
        static std::vector<TNotice> list;
        return list;
    }
    static void Record(QAccessibleEvent* Event) {
        if (Event->type() == QAccessible::NameChanged)
            List().push_back({Event->object(), Heard(Event->object())});
    }
    QAccessible::UpdateHandler FPrevious = nullptr;
};
#define REQUIRE_NOTICES()
#else
class TNotices {
public:
    QStringList Take(QObject*) { return {}; }
};
#define REQUIRE_NOTICES()                                                                          \
    GTEST_SKIP() << "switching accessibility on under the offscreen platform needs Qt's "          \
                    "private headers (Debian: qt6-base-private-dev)"
#endif

TEST_F(SpokenState, APanelChangeIsNoticedWithTheNewName) {
    REQUIRE_NOTICES();
    Show();
    TNotices notices;
    QLabel* panel = Form->Panel_Connect;
    panel->setText("Scanning for Corvane. Wait...");
    QApplication::processEvents();
    EXPECT_EQ(notices.Take(panel), QStringList{"Connection status: Scanning for Corvane. Wait..."});
    panel->setText("Scanning for Corvane. Wait..."); // the same again: nothing to tell
    QApplication::processEvents();
    EXPECT_EQ(notices.Take(panel), QStringList{});
    Unit().BitBtn_DiscClick();
    QApplication::processEvents();
    EXPECT_EQ(notices.Take(panel), QStringList{"Connection status: Disconnected"});
}

// A label on a tab that is not showing is read with its state at once and noticed when its
// tab is shown.
TEST_F(SpokenState, AChangeOnAHiddenTabIsNoticedWhenTheTabShows) {
    REQUIRE_NOTICES();
    Show();
    TNotices notices;
    auto* mmsi = Find<QWidget>("Label_Msg18_MMSI");
    Receive(PosB(211234560, 54.4, 10.2, true));
    QApplication::processEvents();
    EXPECT_EQ(Heard(mmsi), "MMSI: 211234560");
    EXPECT_EQ(notices.Take(mmsi), QStringList{});
    Form->PageControl->setCurrentWidget(Form->TabSheet_Sent);
    QApplication::processEvents();
    EXPECT_EQ(notices.Take(mmsi), QStringList{"MMSI: 211234560"});
}

TEST_F(SpokenState, ALightIsNoticedWhenItGoesOnOrOffNotOnEveryTick) {
    REQUIRE_NOTICES();
    TNotices notices;
    Receive(Nmea("AIALR,123519,006,A,V,Antenna VSWR exceeds limit"));
    Tick();
    EXPECT_EQ(notices.Take(Form->Shape_Error), QStringList{"Alarm light: on"});
    EXPECT_EQ(notices.Take(Form->Shape_OK), QStringList{"OK light: off"});
    Tick();
    EXPECT_EQ(notices.Take(Form->Shape_Error), QStringList{});
    EXPECT_EQ(notices.Take(Form->Shape_OK), QStringList{});
}

// A screen reader already listening while the window is built: Qt asks for a control's
// interface during its construction, and the state must still be heard.
TEST_F(SpokenState, AWindowBuiltWhileAReaderListensIsHeardWithItsStates) {
    REQUIRE_NOTICES();
    TNotices notices;
    TFormMain second;
    EXPECT_EQ(Heard(second.Panel_Connect), "Connection status: Disconnected");
    EXPECT_EQ(Heard(second.Shape_OK), "OK light: on");
    EXPECT_EQ(Heard(second.Label_Tx), "Transmitter: Standby");
}

} // namespace
