#include "control/StaticControls.h"

#include "control/CablingDiagram.h"
#include "control/PictureLayout.h"
#include "control/UnitConfig.h"
#include "widgets/JpegImage.h"
#include "widgets/LiveState.h"
#include "widgets/RadioGroup.h"
#include "widgets/VaTerminal.h"
#include "widgets/ViewWidgets.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QVBoxLayout>

// The vessel picture is compiled into this static library; make sure the linker keeps it.
static void InitStaticPictures() {
    Q_INIT_RESOURCE(static_pictures);
}

namespace {

QLineEdit* LimitedEdit(QWidget* Parent, const char* Name, int MaxLength,
                       const QString& Accessible) {
    auto* e = Named(new QLineEdit(Parent), Name, Accessible);
    e->setMaxLength(MaxLength);
    return e;
}

// The width an editable combo box needs to show each of Texts whole in its own font, where a
// fixed width in pixels cuts them with a wider font or at another scale: the text, its edit's
// margins (2 pixels on each side), the cursor with a pixel either side of it, and the frame
// and arrow around the edit.
int ComboWidthFor(const QComboBox* Combo, const QStringList& Texts) {
    const QFontMetrics fm = Combo->fontMetrics();
    int text = 0;
    for (const QString& t : Texts) text = qMax(text, fm.horizontalAdvance(t));
    QStyleOptionComboBox option;
    option.initFrom(Combo);
    option.editable = Combo->isEditable();
    option.frame = Combo->hasFrame();
    option.rect = QRect(0, 0, 1000, fm.height() + 8);
    const int around =
        option.rect.width() -
        Combo->style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, Combo)
            .width();
    return text + 2 * 2 + 3 + around;
}

QPixmap Picture(const char* Resource) {
    QFile f(Resource);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QPixmap::fromImage(DecodeJpeg(f.readAll()));
}

} // namespace

TStaticControls BuildStaticControls(QWidget* Tab) {
    InitStaticPictures();
    TStaticControls c;
    QWidget* tab = Tab;
    QStyle* style = tab->style();

    // Interface
    auto* connection = Named(new QGroupBox("Interface", tab), "GroupBox_Connection", "Interface");
    auto* label1 = Named(new QLabel("RS232 Serial port:", connection), "Label1");
    c.ComboBox_Port = Named(new QComboBox(connection), "ComboBox_Port", "RS232 Serial port");
    c.ComboBox_Port->setEditable(true);
    c.ComboBox_Port->setInsertPolicy(QComboBox::NoInsert);
    c.ComboBox_Port->setEditText("press Connect");
    c.ComboBox_Port->setMinimumWidth(ComboWidthFor(c.ComboBox_Port, {"press Connect", "COM 255"}));
    label1->setBuddy(c.ComboBox_Port);
    c.BitBtn_Connect =
        Named(new QPushButton(style->standardIcon(QStyle::SP_MediaPlay), "Connect", connection),
              "BitBtn_Connect", "Connect");
    c.BitBtn_Disc =
        Named(new QPushButton(style->standardIcon(QStyle::SP_MediaStop), "Disconnect", connection),
              "BitBtn_Disc", "Disconnect");
    c.BitBtn_Disc->setEnabled(false);
    // Heard as "Connection status: Connected", whichever code sets its text.
    c.Panel_Connect =
        Named(new TStateLabel("Connection status", "Disconnected", connection), "Panel_Connect");
    c.Panel_Connect->setAlignment(Qt::AlignCenter);
    c.Panel_Connect->setFrameShape(QFrame::Panel);
    c.Panel_Connect->setFrameShadow(QFrame::Sunken);
    c.Panel_Connect->setAutoFillBackground(true);
    c.Panel_Connect->setMinimumHeight(24);
    {
        QPalette p = c.Panel_Connect->palette();
        p.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
        c.Panel_Connect->setPalette(p);
    }
    auto* cl = new QGridLayout(connection);
    cl->addWidget(label1, 0, 0);
    cl->addWidget(c.ComboBox_Port, 0, 1);
    cl->addWidget(c.BitBtn_Connect, 1, 0);
    cl->addWidget(c.BitBtn_Disc, 1, 1);
    cl->addWidget(c.Panel_Connect, 2, 0, 1, 2);

    // Static Data
    auto* data = Named(new QGroupBox("Static Data", tab), "GroupBox_Static", "Static Data");
    c.Edit_ShipsName = LimitedEdit(data, "Edit_ShipsName", 20, "Ship's Name");
    c.Edit_CallSign = LimitedEdit(data, "Edit_CallSign", 7, "Call Sign");
    c.Edit_MMSI = LimitedEdit(data, "Edit_MMSI", 9, "MMSI Number");
    c.ComboBox_Type = Named(new QComboBox(data), "ComboBox_Type", "Vessel Type");
    c.ComboBox_Type->setEditable(true);
    c.ComboBox_Type->setInsertPolicy(QComboBox::NoInsert);
    for (const TVesselTypeItem& t : kVesselTypes) c.ComboBox_Type->addItem(t.Text);
    c.ComboBox_Type->setCurrentIndex(kVesselTypeAtStart);
    c.ComboBox_Type->setMinimumContentsLength(18);
    c.ComboBox_Type->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c.BitBtn_Save = Named(
        new QPushButton(style->standardIcon(QStyle::SP_DialogSaveButton), "Save to Corvane", data),
        "BitBtn_Save", "Save to Corvane");
    c.BitBtn_Save->setEnabled(false);
    c.BitBtn_Save->setDefault(true); // the window's default button
    c.BitBtn_Save->setAutoDefault(true);
    auto* dl = new QGridLayout(data);
    const char* labels[] = {"Ship's Name (20 max)", "Call Sign (7 max)", "MMSI Number (9 digits)",
                            "Vessel Type"};
    const char* labelNames[] = {"Label2", "Label3", "Label4", "Label5"};
    QWidget* fields[] = {c.Edit_ShipsName, c.Edit_CallSign, c.Edit_MMSI, c.ComboBox_Type};
    for (int i = 0; i < 4; ++i) {
        auto* l = Named(new QLabel(labels[i], data), labelNames[i]);
        l->setBuddy(fields[i]);
        dl->addWidget(l, i * 2, 0);
        dl->addWidget(fields[i], i * 2 + 1, 0);
    }
    dl->addWidget(c.BitBtn_Save, 8, 0);

    // Vessel dimensions and GPS antenna location
    auto* dims = Named(new QGroupBox("Vessel dimensions and GPS Antenna location", tab),
                       "GroupBox_Dimension", "Vessel dimensions and GPS Antenna location");
    c.Image1 = Named(new QLabel(dims), "Image1", "Vessel seen from above with the GPS antenna");
    c.Image1->setPixmap(Picture(":/assets/vessel.jpg"));
    c.Image1->setFixedSize(PictureLayout::kVesselWidth, PictureLayout::kVesselHeight);
    c.Shape_Reset = Named(new QWidget(c.Image1), "Shape_Reset", "Service");
    c.Shape_Reset->setGeometry(PictureLayout::kAntenna.x() - 14, PictureLayout::kAntenna.y() - 14,
                               28, 28);
    c.Shape_Reset->setEnabled(false);
    struct {
        QLineEdit** edit;
        const char* name;
        QRect rect;
        const char* hint;
        const char* accessible;
        const char* range;
    } overlay[] = {
        {&c.Edit_A, "Edit_A", PictureLayout::kEditA, "0-511 m", "A, antenna to bow",
         "0 to 511 metres"},
        {&c.Edit_B, "Edit_B", PictureLayout::kEditB, "0-511 m", "B, antenna to stern",
         "0 to 511 metres"},
        {&c.Edit_C, "Edit_C", PictureLayout::kEditC, "0-63 m", "C, antenna to port",
         "0 to 63 metres"},
        {&c.Edit_D, "Edit_D", PictureLayout::kEditD, "0-63 m", "D, antenna to starboard",
         "0 to 63 metres"},
    };
    for (auto& o : overlay) {
        auto* e = Named(new QLineEdit(c.Image1), o.name, o.accessible);
        e->setAccessibleDescription(o.range);
        e->setFrame(false);
        e->setAlignment(Qt::AlignCenter);
        e->setGeometry(o.rect);
        *o.edit = e;
        auto* hint = new QLabel(o.hint, c.Image1);
        hint->setStyleSheet("color: rgb(30, 52, 84); font-size: 8pt;");
        hint->ensurePolished(); // its style sheet's font counts for its width
        hint->setGeometry(o.rect.right() + 4, o.rect.top(), hint->sizeHint().width(),
                          o.rect.height());
    }
    auto* dimLayout = new QVBoxLayout(dims);
    dimLayout->addWidget(c.Image1, 0, Qt::AlignCenter);

    // How to connect
    auto* how = Named(new QGroupBox("How to connect", tab), "GroupBox1", "How to connect");
    c.Image2 =
        Named(new TCablingDiagram(how), "Image2", "Cabling: transponder to the PC's RS232 port");
    auto* howLayout = new QVBoxLayout(how);
    howLayout->addWidget(c.Image2);

    c.RadioGroup_Baud = Named(new TRadioGroup("RS422-Baud", {"38400", "4800"}, tab),
                              "RadioGroup_Baud", "RS422-Baud");
    c.RadioGroup_GPS = Named(new TRadioGroup("GPS-Output", {"All", "Minimal", "None"}, tab),
                             "RadioGroup_GPS", "GPS-Output");
    c.RadioGroup_Switch =
        Named(new TRadioGroup("Switch-Type", {"None", "Safety Msg.", "Rx only"}, tab),
              "RadioGroup_Switch", "Switch-Type");
    c.RadioGroup_ALR = Named(new TRadioGroup("Alarm-Output", {"enable", "disable"}, tab),
                             "RadioGroup_ALR", "Alarm-Output");
    c.BitBtn_Reset =
        Named(new QPushButton(style->standardIcon(QStyle::SP_BrowserReload), "Reset", tab),
              "BitBtn_Reset", "Reset");
    c.BitBtn_Reset->setEnabled(false);

    c.VaTerminal1 = Named(new TVaTerminal(tab), "VaTerminal1", "Trace terminal");
    c.VaTerminal1->hide();

    auto* left = new QVBoxLayout;
    left->addWidget(connection);
    left->addWidget(data);
    left->addStretch(1);
    auto* radios = new QHBoxLayout;
    for (QWidget* w :
         {static_cast<QWidget*>(c.RadioGroup_Baud), static_cast<QWidget*>(c.RadioGroup_GPS),
          static_cast<QWidget*>(c.RadioGroup_Switch), static_cast<QWidget*>(c.RadioGroup_ALR)})
        radios->addWidget(w, 0, Qt::AlignTop);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(how, 1);
    bottom->addWidget(c.BitBtn_Reset, 0, Qt::AlignBottom);
    auto* right = new QVBoxLayout;
    right->addWidget(dims);
    right->addLayout(radios);
    right->addLayout(bottom, 1);
    // The form keeps the size it was drawn for; a larger window leaves the room beside and
    // below it empty, or gives it to the trace terminal once that shows.
    auto* top = new QHBoxLayout;
    top->addLayout(left, 0);
    top->addLayout(right, 0);
    top->addStretch(1);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top, 0);
    layout->addWidget(c.VaTerminal1, 1);
    layout->addStretch(0);

    return c;
}
