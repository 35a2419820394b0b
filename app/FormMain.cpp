#include "app/FormMain.h"

#include "app/UnitReset.h"
#include "control/TransponderLine.h"
#include "control/UnitStatic.h"
#include "nmea/Dispatch.h"
#include "nmea/Framing.h"
#include "serial/VaExceptionReport.h"
#include "share/ShareMenu.h"
#include "share/ShareTap.h"
#include "targets/RxColumns.h"
#include "widgets/Dialogs.h"
#include "widgets/LiveState.h"
#include "widgets/RadioGroup.h"
#include "widgets/Shape.h"
#include "widgets/VaTerminal.h"
#include "widgets/ViewWidgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
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
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

namespace {

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

} // namespace

// The program's icon is compiled into this static library; make sure the linker keeps it.
static void InitAssets() {
    Q_INIT_RESOURCE(assets);
}

TFormMain::TFormMain(QWidget* Parent) : QMainWindow(Parent) {
    InitAssets();
    setObjectName("FormMain");
    setWindowTitle("Corvane Programming Tool");

    SetTransponderLine(VaComm_Std);
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

    TStaticServices s;
    s.SendNMEA = [this](const QString& Body) { SendNMEA(Body); };
    s.Pause = [](int Ms) { QThread::msleep(static_cast<unsigned long>(Ms)); };
    s.ClearTerminal = [this] { VaTerminal1->Clear(); };
    s.StartTxClock = [this] {
        UnitSent->StartTxClock();
        ListeningSince = UtcNow();
        if (InstallWatch) InstallWatch->Start(ListeningSince);
    };
    s.CloseMainWindow = [this] { QTimer::singleShot(0, this, [this] { close(); }); };
    s.TransmitterStandby = [this] {
        UnitDiag->TransmitterStandby();
        ListeningSince = 0;
    };
    s.MmsiReported = [this](bool Programmed) { UnitDiag->MmsiReported(Programmed); };
    UnitStatic = std::make_unique<TUnitStatic>(*this, VaComm_Std, VaCapture_Std, Timer_Scan,
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
    static_cast<TStaticControls&>(*this) = BuildStaticControls(tab);
    Shape_Reset->installEventFilter(this);
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
    StringGrid_RxData = FReceive.StringGrid_RxData = BuildReceivedGrid(tab);
    return tab;
}

void TFormMain::BuildMenu() {
    QMenu* file = MenuItem_File = menuBar()->addMenu("File");
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
        FReceive, TargetList, OwnPos, OwnCourse, Msg5Setup, ColVisible,
        TUnitReceive::TServices{
            [this] { ApplyRxColumns(); }, log, now,
            [this] { return OwnShip.MMSI > 0 ? std::to_string(OwnShip.MMSI) : std::string(); },
            [this](int Row) { TargetTable->RowStored(Row); },
            [this] { TargetTable->Refreshed(); }});
    StringGrid_RxData->setItemDelegate(new TRxDataDelegate(*UnitReceive, StringGrid_RxData));
    TargetTable = new TTargetTable(StringGrid_RxData, TabSheet_Received, menuBar(), MenuItem_File,
                                   *UnitReceive, TargetList);
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

    UnitDiag = std::make_unique<TUnitDiag>(FDiag, DUT_Status, OwnPos, OwnCourse, log, now);
    UnitSent = std::make_unique<TUnitSent>(
        FSent, [this] { UnitDiag->TransmitterSeen(); }, OwnPos, OwnCourse, Msg5Setup, now);
}

// The "Received data" tab's show and hide events.
void TFormMain::PageControlChange(int Index) {
    const bool showing = PageControl->widget(Index) == TabSheet_Received;
    if (showing == FReceivedShowing) return;
    FReceivedShowing = showing;
    Guarded([this, showing] {
        showing ? UnitReceive->TabSheet_ReceivedShow() : UnitReceive->TabSheet_ReceivedHide();
        showing ? TargetTable->TabShow() : TargetTable->TabHide();
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

void TFormMain::SetShareHub(TShareHub* Hub) {
    if (Hub == nullptr || ShareTap) return;
    // Before the capture: handing a chunk on costs the window a copy, and the clients do not
    // wait for the window's handling of it. The capture keeps its partial sentence.
    ShareTap = std::make_unique<TShareTap>(*Hub);
    VaCapture_Std.SetComm(nullptr);
    ShareTap->SetComm(&VaComm_Std);
    VaCapture_Std.SetComm(&VaComm_Std);
    // A line begun on the port before cannot continue on the one opened now.
    VaComm_Std.SetOnOpen([Hub](TVaCustomComm&) { Hub->ResetFraming(); });
    QAction* info = findChild<QAction*>("MenuItem_Help");
    ShareMenu = new TShareMenu(*Hub, menuBar(), info, this);
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
    const TRoute route = RouteSentence(Data, AwaitOf(UnitStatic->ReplyState));
    if (InstallWatch) InstallWatch->Feed(route, Data, UtcNow(), OwnPos);
    switch (route) {
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
