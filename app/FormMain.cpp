#include "FormMain.h"

#include "CablingDiagram.h"
#include "Dialogs.h"
#include "Dispatch.h"
#include "Framing.h"
#include "JpegImage.h"
#include "LiveState.h"
#include "PictureLayout.h"
#include "RadioGroup.h"
#include "RxColumns.h"
#include "Shape.h"
#include "UnitReset.h"
#include "UnitStatic.h"
#include "VaExceptionReport.h"
#include "VaTerminal.h"
#include "ViewWidgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

template <class F> void Guarded(F&& Handler) {
    try {
        Handler();
    } catch (...) {
        ReportCurrentException();
    }
}

namespace {

QLineEdit* LimitedEdit(QWidget* Parent, const char* Name, int MaxLength,
                       const QString& Accessible) {
    auto* e = Named(new QLineEdit(Parent), Name, Accessible);
    e->setMaxLength(MaxLength);
    return e;
}

// The style's default margins inside group boxes would make the tabs taller than the window's
// start size; groups whose layout keeps them get the window's narrower margins instead. Runs
// on a tab before anything has measured it.
QWidget* CompactGroups(QWidget* Tab) {
    for (QGroupBox* g : Tab->findChildren<QGroupBox*>()) {
        QLayout* l = g->layout();
        if (l == nullptr) continue;
        QStyle* style = g->style();
        const QMargins standard(style->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, g),
                                style->pixelMetric(QStyle::PM_LayoutTopMargin, nullptr, g),
                                style->pixelMetric(QStyle::PM_LayoutRightMargin, nullptr, g),
                                style->pixelMetric(QStyle::PM_LayoutBottomMargin, nullptr, g));
        if (l->contentsMargins() == standard) l->setContentsMargins(6, 2, 6, 4);
    }
    return Tab;
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

// The pictures are compiled into this static library; make sure the linker keeps them.
static void InitAssets() {
    Q_INIT_RESOURCE(assets);
}

TFormMain::TFormMain(QWidget* Parent) : QMainWindow(Parent) {
    InitAssets();
    setObjectName("FormMain");
    setWindowTitle("Corvane Programming Tool");

    // The serial port: 38400 8N1, no flow control, DTR and RTS held off.
    VaComm_Std.SetBaudrate(br38400);
    VaComm_Std.FlowControl().SetControlDtr(dtrDisabled);
    VaComm_Std.FlowControl().SetControlRts(rtsDisabled);
    VaComm_Std.SetDeviceName("COM%d");
    VaCapture_Std.SetComm(&VaComm_Std);
    VaCapture_Std.SetActive(true);
    VaCapture_Std.SetOnMessage([this](TVaCapture& Sender, const std::string& Data) {
        VaCapture_StdMessage(Sender, Data);
    });

    Timer_Scan.setSingleShot(true);
    Timer_WatchDog.setSingleShot(true);
    Timer_WatchDog.setInterval(1000);
    Timer_Err_Warn.setInterval(1000);

    PageControl = Named(new QTabWidget(this), "PageControl", "Tabs");
    TabSheet_Static = CompactGroups(BuildStaticTab());
    TabSheet_Diag = CompactGroups(BuildDiagTab());
    TabSheet_Sent = CompactGroups(BuildSentTab());
    TabSheet_Received = CompactGroups(BuildReceivedTab());
    PageControl->addTab(TabSheet_Static, "Static data");
    PageControl->addTab(TabSheet_Diag, "Diagnostics");
    PageControl->addTab(TabSheet_Sent, "Sent data");
    PageControl->addTab(TabSheet_Received, "Received data");
    PageControl->setCurrentIndex(0);
    setCentralWidget(PageControl);
    BuildMenu();
    BuildUnits();
    NameViewControls();
    BuildTabOrder();

    TStaticControls c{ComboBox_Port,   BitBtn_Connect, BitBtn_Disc,
                      Panel_Connect,   Edit_ShipsName, Edit_CallSign,
                      Edit_MMSI,       Edit_A,         Edit_B,
                      Edit_C,          Edit_D,         ComboBox_Type,
                      BitBtn_Save,     BitBtn_Reset,   Shape_Reset,
                      RadioGroup_Baud, RadioGroup_GPS, RadioGroup_Switch,
                      RadioGroup_ALR,  Label_MMSI};
    TStaticServices s;
    s.SendNMEA = [this](const QString& Body) { SendNMEA(Body); };
    s.Pause = [](int Ms) { QThread::msleep(static_cast<unsigned long>(Ms)); };
    s.ClearTerminal = [this] { VaTerminal1->Clear(); };
    s.StartTxClock = [this] { UnitSent->StartTxClock(); };
    s.CloseMainWindow = [this] { QTimer::singleShot(0, this, [this] { close(); }); };
    s.TransmitterStandby = [this] { UnitDiag->TransmitterStandby(); };
    UnitStatic = std::make_unique<TUnitStatic>(c, VaComm_Std, VaCapture_Std, Timer_Scan,
                                               Timer_WatchDog, OwnShip, std::move(s));

    connect(&Timer_Scan, &QTimer::timeout, this,
            [this] { Guarded([this] { UnitStatic->Timer_ScanTimer(); }); });
    connect(&Timer_WatchDog, &QTimer::timeout, this,
            [this] { Guarded([this] { UnitStatic->Timer_WatchDogTimer(); }); });
    connect(&Timer_Err_Warn, &QTimer::timeout, this,
            [this] { Guarded([this] { Timer_Err_WarnTimer(); }); });
    connect(BitBtn_Connect, &QPushButton::clicked, this,
            [this] { Guarded([this] { UnitStatic->BitBtn_ConnectClick(); }); });
    connect(BitBtn_Disc, &QPushButton::clicked, this,
            [this] { Guarded([this] { UnitStatic->BitBtn_DiscClick(); }); });
    connect(BitBtn_Save, &QPushButton::clicked, this,
            [this] { Guarded([this] { UnitStatic->BitBtn_SaveClick(); }); });
    connect(BitBtn_Reset, &QPushButton::clicked, this,
            [this] { Guarded([this] { UnitStatic->BitBtn_ResetClick(); }); });
    // Only the user's own choice or typing counts; programmatic changes do not.
    auto chosen = [this] { Guarded([this] { UnitStatic->ConnectChosenPort(); }); };
    connect(ComboBox_Port, &QComboBox::activated, this, chosen);
    connect(ComboBox_Port->lineEdit(), &QLineEdit::textEdited, this, chosen);

    FormCreate();
    Timer_Err_Warn.start();

    // The controls' sizes are known only once the style has polished them.
    ensurePolished();
    resize(716, 426 + menuBar()->heightForWidth(716));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TFormMain::~TFormMain() {
    FormClose();
    VaTerminal1->SetComm(nullptr);
    VaCapture_Std.SetComm(nullptr);
}

QWidget* TFormMain::BuildStaticTab() {
    auto* tab = Named(new QWidget, "TabSheet_Static", "Static data");

    // Interface
    auto* connection = Named(new QGroupBox("Interface", tab), "GroupBox_Connection", "Interface");
    auto* label1 = Named(new QLabel("RS232 Serial port:", connection), "Label1");
    ComboBox_Port = Named(new QComboBox(connection), "ComboBox_Port", "RS232 Serial port");
    ComboBox_Port->setEditable(true);
    ComboBox_Port->setInsertPolicy(QComboBox::NoInsert);
    ComboBox_Port->setEditText("press Connect");
    ComboBox_Port->setMinimumWidth(ComboWidthFor(ComboBox_Port, {"press Connect", "COM 255"}));
    label1->setBuddy(ComboBox_Port);
    BitBtn_Connect =
        Named(new QPushButton(style()->standardIcon(QStyle::SP_MediaPlay), "Connect", connection),
              "BitBtn_Connect", "Connect");
    BitBtn_Disc = Named(
        new QPushButton(style()->standardIcon(QStyle::SP_MediaStop), "Disconnect", connection),
        "BitBtn_Disc", "Disconnect");
    BitBtn_Disc->setEnabled(false);
    // Heard as "Connection status: Connected", whichever code sets its text.
    Panel_Connect =
        Named(new TStateLabel("Connection status", "Disconnected", connection), "Panel_Connect");
    Panel_Connect->setAlignment(Qt::AlignCenter);
    Panel_Connect->setFrameShape(QFrame::Panel);
    Panel_Connect->setFrameShadow(QFrame::Sunken);
    Panel_Connect->setAutoFillBackground(true);
    Panel_Connect->setMinimumHeight(24);
    {
        QPalette p = Panel_Connect->palette();
        p.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
        Panel_Connect->setPalette(p);
    }
    auto* cl = new QGridLayout(connection);
    cl->addWidget(label1, 0, 0);
    cl->addWidget(ComboBox_Port, 0, 1);
    cl->addWidget(BitBtn_Connect, 1, 0);
    cl->addWidget(BitBtn_Disc, 1, 1);
    cl->addWidget(Panel_Connect, 2, 0, 1, 2);

    // Static Data
    auto* data = Named(new QGroupBox("Static Data", tab), "GroupBox_Static", "Static Data");
    Edit_ShipsName = LimitedEdit(data, "Edit_ShipsName", 20, "Ship's Name");
    Edit_CallSign = LimitedEdit(data, "Edit_CallSign", 7, "Call Sign");
    Edit_MMSI = LimitedEdit(data, "Edit_MMSI", 9, "MMSI Number");
    ComboBox_Type = Named(new QComboBox(data), "ComboBox_Type", "Vessel Type");
    ComboBox_Type->setEditable(true);
    ComboBox_Type->setInsertPolicy(QComboBox::NoInsert);
    for (const TVesselTypeItem& t : kVesselTypes) ComboBox_Type->addItem(t.Text);
    ComboBox_Type->setCurrentIndex(kVesselTypeAtStart);
    ComboBox_Type->setMinimumContentsLength(18);
    ComboBox_Type->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    BitBtn_Save = Named(new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton),
                                        "Save to Corvane", data),
                        "BitBtn_Save", "Save to Corvane");
    BitBtn_Save->setEnabled(false);
    BitBtn_Save->setDefault(true); // the window's default button
    BitBtn_Save->setAutoDefault(true);
    auto* dl = new QGridLayout(data);
    const char* labels[] = {"Ship's Name (20 max)", "Call Sign (7 max)", "MMSI Number (9 digits)",
                            "Vessel Type"};
    const char* labelNames[] = {"Label2", "Label3", "Label4", "Label5"};
    QWidget* fields[] = {Edit_ShipsName, Edit_CallSign, Edit_MMSI, ComboBox_Type};
    for (int i = 0; i < 4; ++i) {
        auto* l = Named(new QLabel(labels[i], data), labelNames[i]);
        l->setBuddy(fields[i]);
        dl->addWidget(l, i * 2, 0);
        dl->addWidget(fields[i], i * 2 + 1, 0);
    }
    dl->addWidget(BitBtn_Save, 8, 0);
    for (QLineEdit* e : {Edit_ShipsName, Edit_CallSign, Edit_MMSI}) e->installEventFilter(this);

    // Vessel dimensions and GPS antenna location
    auto* dims = Named(new QGroupBox("Vessel dimensions and GPS Antenna location", tab),
                       "GroupBox_Dimension", "Vessel dimensions and GPS Antenna location");
    Image1 = Named(new QLabel(dims), "Image1", "Vessel seen from above with the GPS antenna");
    Image1->setPixmap(Picture(":/assets/vessel.jpg"));
    Image1->setFixedSize(PictureLayout::kVesselWidth, PictureLayout::kVesselHeight);
    Shape_Reset = Named(new QWidget(Image1), "Shape_Reset", "Service");
    Shape_Reset->setGeometry(PictureLayout::kAntenna.x() - 14, PictureLayout::kAntenna.y() - 14, 28,
                             28);
    Shape_Reset->setEnabled(false);
    Shape_Reset->installEventFilter(this);
    struct {
        QLineEdit** edit;
        const char* name;
        QRect rect;
        const char* hint;
        const char* accessible;
        const char* range;
    } overlay[] = {
        {&Edit_A, "Edit_A", PictureLayout::kEditA, "0-511 m", "A, antenna to bow",
         "0 to 511 metres"},
        {&Edit_B, "Edit_B", PictureLayout::kEditB, "0-511 m", "B, antenna to stern",
         "0 to 511 metres"},
        {&Edit_C, "Edit_C", PictureLayout::kEditC, "0-63 m", "C, antenna to port",
         "0 to 63 metres"},
        {&Edit_D, "Edit_D", PictureLayout::kEditD, "0-63 m", "D, antenna to starboard",
         "0 to 63 metres"},
    };
    for (auto& o : overlay) {
        auto* e = Named(new QLineEdit(Image1), o.name, o.accessible);
        e->setAccessibleDescription(o.range);
        e->setFrame(false);
        e->setAlignment(Qt::AlignCenter);
        e->setGeometry(o.rect);
        *o.edit = e;
        auto* hint = new QLabel(o.hint, Image1);
        hint->setStyleSheet("color: rgb(30, 52, 84); font-size: 8pt;");
        hint->ensurePolished(); // its style sheet's font counts for its width
        hint->setGeometry(o.rect.right() + 4, o.rect.top(), hint->sizeHint().width(),
                          o.rect.height());
    }
    auto* dimLayout = new QVBoxLayout(dims);
    dimLayout->addWidget(Image1, 0, Qt::AlignCenter);

    // How to connect
    auto* how = Named(new QGroupBox("How to connect", tab), "GroupBox1", "How to connect");
    Image2 =
        Named(new TCablingDiagram(how), "Image2", "Cabling: transponder to the PC's RS232 port");
    auto* howLayout = new QVBoxLayout(how);
    howLayout->addWidget(Image2);

    RadioGroup_Baud = Named(new TRadioGroup("RS422-Baud", {"38400", "4800"}, tab),
                            "RadioGroup_Baud", "RS422-Baud");
    RadioGroup_GPS = Named(new TRadioGroup("GPS-Output", {"All", "Minimal", "None"}, tab),
                           "RadioGroup_GPS", "GPS-Output");
    RadioGroup_Switch =
        Named(new TRadioGroup("Switch-Type", {"None", "Safety Msg.", "Rx only"}, tab),
              "RadioGroup_Switch", "Switch-Type");
    RadioGroup_ALR = Named(new TRadioGroup("Alarm-Output", {"enable", "disable"}, tab),
                           "RadioGroup_ALR", "Alarm-Output");
    BitBtn_Reset =
        Named(new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload), "Reset", tab),
              "BitBtn_Reset", "Reset");
    BitBtn_Reset->setEnabled(false);

    VaTerminal1 = Named(new TVaTerminal(tab), "VaTerminal1", "Trace terminal");
    VaTerminal1->hide();

    auto* left = new QVBoxLayout;
    left->addWidget(connection);
    left->addWidget(data);
    left->addStretch(1);
    auto* radios = new QHBoxLayout;
    for (QWidget* w :
         {static_cast<QWidget*>(RadioGroup_Baud), static_cast<QWidget*>(RadioGroup_GPS),
          static_cast<QWidget*>(RadioGroup_Switch), static_cast<QWidget*>(RadioGroup_ALR)})
        radios->addWidget(w, 0, Qt::AlignTop);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(how, 1);
    bottom->addWidget(BitBtn_Reset, 0, Qt::AlignBottom);
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
    layout->addWidget(VaTerminal1, 1);
    layout->addStretch(0);

    return tab;
}

// Reading order, tab by tab; Tab skips what is hidden or disabled, so only the shown tab's
// controls take part. Each radio group is one stop (see TRadioGroup).
void TFormMain::BuildTabOrder() {
    QList<QWidget*> chain = {PageControl->tabBar(),
                             ComboBox_Port,
                             BitBtn_Connect,
                             BitBtn_Disc,
                             Edit_ShipsName,
                             Edit_CallSign,
                             Edit_MMSI,
                             ComboBox_Type,
                             BitBtn_Save,
                             Edit_A,
                             Edit_B,
                             Edit_C,
                             Edit_D};
    for (TRadioGroup* g : {RadioGroup_Baud, RadioGroup_GPS, RadioGroup_Switch, RadioGroup_ALR})
        for (QAbstractButton* b : g->Buttons()) chain << b;
    chain << BitBtn_Reset << VaTerminal1;
    chain << StringGrid_Error << StringGrid_Warn << Memo_GGA << Memo_GSV << Memo_RMC << Memo_TXT
          << Memo_ALR << Memo1;
    chain << Memo_VDO << StringGrid_RxData;
    for (qsizetype i = 0; i + 1 < chain.size(); ++i) setTabOrder(chain[i], chain[i + 1]);
    // Tab leaves the read-only tables instead of walking their cells; the arrows still do.
    for (QTableWidget* g : {StringGrid_Error, StringGrid_Warn, StringGrid_RxData})
        g->setTabKeyNavigation(false);
}

// Names that a screen reader announces for the views' memos; a label named only after its
// object is read by its caption instead.
void TFormMain::NameViewControls() {
    Memo_GGA->setAccessibleName("GGA sentence fields");
    Memo_GSV->setAccessibleName("GSV sentence fields");
    Memo_RMC->setAccessibleName("RMC sentence fields");
    Memo_TXT->setAccessibleName("TXT sentence fields");
    Memo_ALR->setAccessibleName("ALR sentence fields");
}

QWidget* TFormMain::BuildDiagTab() {
    auto* tab = Named(new QWidget, "TabSheet_Diag", "Diagnostics");
    FDiag = BuildDiagControls(tab);
    StringGrid_Error = FDiag.StringGrid_Error;
    StringGrid_Warn = FDiag.StringGrid_Warn;
    Shape_OK = FDiag.Shape_OK;
    Shape_Warn = FDiag.Shape_Warn;
    Shape_Error = FDiag.Shape_Error;
    Label_MMSI = FDiag.Label_MMSI;
    Label_V_TX = FDiag.Label_V_TX;
    Label_Tx = FDiag.Label_Tx;
    Label_Rx = FDiag.Label_Rx;
    Memo_GGA = FDiag.Memo_GGA;
    Memo_GSV = FDiag.Memo_GSV;
    Memo_RMC = FDiag.Memo_RMC;
    Memo_TXT = FDiag.Memo_TXT;
    Memo_ALR = FDiag.Memo_ALR;
    Memo1 = FDiag.Memo1;
    Memo1->installEventFilter(this);
    FTraceWidgets << FDiag.TraceWidgets;
    return tab;
}

QWidget* TFormMain::BuildSentTab() {
    auto* tab = Named(new QWidget, "TabSheet_Sent", "Sent data");
    FSent = BuildSentControls(tab);
    Memo_VDO = FSent.Memo_VDO;
    FTraceWidgets << FSent.TraceWidgets;
    return tab;
}

QWidget* TFormMain::BuildReceivedTab() {
    auto* tab = Named(new QWidget, "TabSheet_Received", "Received data");
    StringGrid_RxData = BuildReceivedGrid(tab);
    FReceive.StringGrid_RxData = StringGrid_RxData;
    return tab;
}

void TFormMain::BuildMenu() {
    QMenu* file = menuBar()->addMenu("File");
    file->setObjectName("MenuItem_File");
    QAction* exit = file->addAction("Exit");
    exit->setObjectName("Exit1");
    connect(exit, &QAction::triggered, this, [this] { Exit1Click(); });
    QAction* info = menuBar()->addAction("Info");
    info->setObjectName("MenuItem_Help");
    connect(info, &QAction::triggered, this, [this] { Guarded([this] { MenuItem_HelpClick(); }); });
    MenuItem_DataCol = menuBar()->addMenu("Data Columns");
    MenuItem_DataCol->setObjectName("MenuItem_DataCol");
    MenuItem_DataCol->menuAction()->setVisible(false);
    AddColumnItems(MenuItem_DataCol, FReceive);
}

void TFormMain::BuildUnits() {
    auto log = [this](const std::string& Raw) { LogSentence(Raw); };
    auto now = [this] { return UtcNow(); };

    FReceive.Label_Rx = Label_Rx;
    UnitReceive = std::make_unique<TUnitReceive>(
        FReceive, TargetList, OwnPos, Msg5Setup, ColVisible,
        TUnitReceive::TServices{[this] { ApplyRxColumns(); }, log, now});
    StringGrid_RxData->setItemDelegate(new TRxDataDelegate(*UnitReceive, StringGrid_RxData));
    using TClick = void (TUnitReceive::*)();
    const std::array<TClick, kRxColumns> clicks = {
        &TUnitReceive::MenuItem_ClassClick,      &TUnitReceive::MenuItem_MMSIClick,
        &TUnitReceive::MenuItem_ShipNameClick,   &TUnitReceive::MenuItem_CallSignClick,
        &TUnitReceive::MenuItem_SOGClick,        &TUnitReceive::MenuItem_COGClick,
        &TUnitReceive::MenuItem_LatitudeClick,   &TUnitReceive::MenuItem_LongitudeClick,
        &TUnitReceive::MenuItem_LastReportClick, &TUnitReceive::MenuItem_VendorIDClick,
        &TUnitReceive::MenuItem_BearingClick,    &TUnitReceive::MenuItem_RangeClick,
        &TUnitReceive::MenuItem_DimClick,        &TUnitReceive::MenuItem_VesselTypeClick};
    for (std::size_t c = 0; c < clicks.size(); ++c)
        connect(FReceive.ColumnItems[c], &QAction::triggered, this, [this, click = clicks[c]] {
            Guarded([this, click] { (UnitReceive.get()->*click)(); });
        });
    connect(FReceive.MenuItem_Allvisible, &QAction::triggered, this,
            [this] { Guarded([this] { UnitReceive->MenuItem_AllvisibleClick(); }); });
    connect(PageControl, &QTabWidget::currentChanged, this,
            [this](int Index) { PageControlChange(Index); });

    UnitDiag = std::make_unique<TUnitDiag>(FDiag, DUT_Status, OwnPos, log);
    UnitSent = std::make_unique<TUnitSent>(
        FSent, [this] { UnitDiag->TransmitterSeen(); }, OwnPos, Msg5Setup, now);
}

// The "Received data" tab's show and hide events.
void TFormMain::PageControlChange(int Index) {
    const bool showing = PageControl->widget(Index) == TabSheet_Received;
    if (showing == FReceivedShowing) return;
    FReceivedShowing = showing;
    Guarded([this, showing] {
        showing ? UnitReceive->TabSheet_ReceivedShow() : UnitReceive->TabSheet_ReceivedHide();
    });
}

void TFormMain::FormCreate() {
    for (int c = 0; c < kRxColumns; ++c)
        ColVisible[static_cast<std::size_t>(c)] = ColVisibleAtStart[static_cast<std::size_t>(c)];
    VaCapture_Std.SetDataFinish("\r\n");
    ApplyRxColumns();
    for (QTableWidget* g : {StringGrid_Error, StringGrid_Warn}) {
        g->setColumnWidth(0, 40);
        g->setColumnWidth(1, 200);
        g->setColumnWidth(2, 40);
    }
    VaTerminal1->hide();
}

void TFormMain::ApplyRxColumns() {
    for (int c = 0; c < kRxColumns; ++c) {
        auto* item = StringGrid_RxData->item(0, c);
        if (item == nullptr) StringGrid_RxData->setItem(0, c, item = new QTableWidgetItem);
        item->setText(ColHeader[static_cast<std::size_t>(c)]);
        StringGrid_RxData->setColumnWidth(
            c, ColVisible[static_cast<std::size_t>(c)] ? ColWidth[static_cast<std::size_t>(c)] : 0);
    }
}

void TFormMain::MenuItem_HelpClick() {
    InformationBox("Corvane Setup Software (2.2)\r\nSoftware Version: " +
                   QString::fromStdString(OwnShip.SWver) +
                   "\r\nMade for the Corvane AIS Class B transponder.\r\n"
                   "Free software by the Corvane tool developers.");
}

void TFormMain::Timer_Err_WarnTimer() {
    UnitDiag->RefreshErrWarn();
    UnitSent->RefreshTxAge();
    UnitReceive->RefreshLastReport();
}

void TFormMain::Shape_ResetMouseDown() {
    if (FormReset != nullptr) FormReset->exec();
    QThread::msleep(500);
    UnitStatic->BitBtn_DiscClick();
}

void TFormMain::UnlockTrace() {
    VaTerminal1->show();
    if (VaTerminal1->Comm() == nullptr) VaTerminal1->SetComm(&VaComm_Std);
    for (QWidget* w : FTraceWidgets) w->show();
    // A log that cannot be opened is reported; the trace view stays visible all the same.
    Guarded([this] { TraceLog.Open(TraceLogName(QDate::currentDate(), QLocale::system())); });
}

void TFormMain::SetFormReset(TFormReset* Dialog) {
    FormReset = Dialog;
    FormReset->SetOnPassword([this](const QString& Password) {
        Guarded([this, &Password] {
            UnitStatic->PasswordEntered(Password, [this] { UnlockTrace(); });
        });
    });
}

bool TFormMain::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == Memo1 && Event->type() == QEvent::Show) ApplyLastSentence();
    if (Watched == Shape_Reset && Event->type() == QEvent::MouseButtonPress &&
        Shape_Reset->isEnabled()) {
        Guarded([this] { Shape_ResetMouseDown(); });
        return true;
    }
    return QMainWindow::eventFilter(Watched, Event);
}

void TFormMain::closeEvent(QCloseEvent* Event) {
    Guarded([this] { FormClose(); });
    Event->accept();
}

void TFormMain::FormClose() {
    if (FClosed) return;
    FClosed = true;
    UnitStatic->BitBtn_DiscClick();
    TraceLog.Close();
}

// ---- Sentence framing and dispatch -------------------------------------------------------------

void TFormMain::SendNMEA(const QString& Body) {
    const QByteArray body = Body.toLatin1();
    const std::string framed =
        FrameNMEA(std::string_view(body.constData(), static_cast<std::size_t>(body.size())));
    VaComm_Std.WriteText(framed);
    VaTerminal1->AddControlText("--> " + framed, QColor(192, 192, 192));
}

void TFormMain::VaCapture_StdMessage(TVaCapture&, const std::string& Data) {
    const QString S = QString::fromLatin1(Data.data(), static_cast<qsizetype>(Data.size()));
    ShowLastSentence(S);
    Timer_WatchDog.stop();
    Timer_WatchDog.start();
    switch (RouteSentence(Data, AwaitOf(UnitStatic->ReplyState))) {
    case TRoute::ParseReply:
        UnitStatic->ParseReply(Data);
        break;
    case TRoute::HandleTXT:
        UnitDiag->HandleTXT(Data);
        break;
    case TRoute::HandleRES:
        UnitDiag->HandleRES(Data);
        break;
    case TRoute::HandleGPS:
        UnitDiag->HandleGPS(Data);
        break;
    case TRoute::HandleALR:
        UnitDiag->HandleALR(Data);
        break;
    case TRoute::HandleVDM:
        UnitReceive->HandleVDM(Data);
        break;
    case TRoute::HandleVDO:
        UnitSent->HandleVDO(Data);
        break;
    case TRoute::Dropped:
        break;
    }
}

// The memo shows the last received sentence. Laying out its text costs more than handling the
// sentence itself, so it is laid out once per turn of the event loop, before anything is
// painted, with the last sentence of the batch; while it is hidden (the trace view locked, or
// another tab showing) it is laid out only when it is shown.
void TFormMain::ShowLastSentence(const QString& S) {
    FLastSentence = S;
    FLastSentenceStale = true;
    if (FLastSentencePending || !Memo1->isVisible()) return;
    FLastSentencePending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            FLastSentencePending = false;
            ApplyLastSentence();
        },
        Qt::QueuedConnection);
}

void TFormMain::ApplyLastSentence() {
    if (!FLastSentenceStale) return;
    FLastSentenceStale = false;
    Memo1->setPlainText(FLastSentence);
}

void TFormMain::LogSentence(const std::string& Raw) {
    if (TraceLog.IsOpen()) TraceLog.WriteLine(Raw);
}
