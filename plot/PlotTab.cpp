#include "plot/PlotTab.h"

#include "install/InstallReport.h"
#include "widgets/Dialogs.h"
#include "widgets/ViewWidgets.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

const QString kHint = "Click a target for its data; the mouse wheel or + and \u2212 zoom.";

} // namespace

TPlotTab::TPlotTab(TPlotView::TSources Sources, std::function<QString()> SuggestedName,
                   QWidget* Parent)
    : QWidget(Parent), FSuggestedName(std::move(SuggestedName)) {
    View = new TPlotView(std::move(Sources), this);
    Button_ZoomOut = Named(new QPushButton("\u2212"), "Button_ZoomOut", "Zoom out");
    Button_ZoomOut->setToolTip("Zoom out (\u2212)");
    Label_PlotRange = Named(new QLabel, "Label_PlotRange");
    Label_PlotRange->setAlignment(Qt::AlignCenter);
    // wide enough for the longest range, so the buttons stay put
    Label_PlotRange->setMinimumWidth(
        Label_PlotRange->fontMetrics().horizontalAdvance("Range 0.5 NM") + 8);
    Button_ZoomIn = Named(new QPushButton("+"), "Button_ZoomIn", "Zoom in");
    Button_ZoomIn->setToolTip("Zoom in (+)");
    for (QPushButton* b : {Button_ZoomOut, Button_ZoomIn})
        b->setFixedWidth(b->sizeHint().height() + 4);
    CheckBox_PlotNames = Named(new QCheckBox("Names"), "CheckBox_PlotNames");
    CheckBox_PlotNames->setChecked(View->ShowNames());
    Button_SavePicture = Named(new QPushButton("Save picture..."), "Button_SavePicture");
    Label_PlotTarget = Named(new QLabel(kHint), "Label_PlotTarget", "Selected target");
    Label_PlotTarget->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long line must wrap, not widen the window; two lines always, so the plot above does
    // not jump as targets are chosen.
    Label_PlotTarget->setWordWrap(true);
    Label_PlotTarget->setMinimumHeight(2 * Label_PlotTarget->fontMetrics().lineSpacing());
    Label_PlotTarget->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 2, 4, 0);
    bar->addWidget(Button_ZoomOut);
    bar->addWidget(Label_PlotRange);
    bar->addWidget(Button_ZoomIn);
    bar->addSpacing(12);
    bar->addWidget(CheckBox_PlotNames);
    bar->addStretch(1);
    bar->addWidget(Button_SavePicture);
    auto* plot = new QWidget;
    auto* plotLayout = new QVBoxLayout(plot);
    plotLayout->setContentsMargins(0, 0, 0, 2);
    plotLayout->setSpacing(2);
    plotLayout->addWidget(View, 1);
    Label_PlotTarget->setContentsMargins(4, 0, 4, 0);
    plotLayout->addWidget(Label_PlotTarget);
    Splitter_Plot = Named(new QSplitter(Qt::Vertical), "Splitter_Plot");
    Splitter_Plot->addWidget(plot);
    Splitter_Plot->setCollapsible(0, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(bar);
    layout->addWidget(Splitter_Plot, 1);

    connect(Button_ZoomIn, &QPushButton::clicked, View, [this] { View->ZoomIn(); });
    connect(Button_ZoomOut, &QPushButton::clicked, View, [this] { View->ZoomOut(); });
    connect(CheckBox_PlotNames, &QCheckBox::toggled, View,
            [this](bool On) { View->SetShowNames(On); });
    connect(Button_SavePicture, &QPushButton::clicked, this, [this] { SavePictureClick(); });
    View->OnChange = [this] { ShowState(); };
    ShowState();
}

void TPlotTab::AddPanel(QWidget* Panel) {
    Splitter_Plot->addWidget(Panel);
    // the plot keeps most of the height as the window grows
    Splitter_Plot->setStretchFactor(0, 4);
    Splitter_Plot->setStretchFactor(Splitter_Plot->count() - 1, 1);
}

void TPlotTab::ShowState() {
    const int step = View->ZoomStep();
    const QString range = "Range " + QString::fromStdString(RingText(View->RangeNm()));
    if (Label_PlotRange->text() != range) Label_PlotRange->setText(range);
    Button_ZoomIn->setEnabled(step > 0);
    Button_ZoomOut->setEnabled(step + 1 < static_cast<int>(kPlotRangesNm.size()));
    QString detail = View->Details(View->Selected());
    detail = detail.isEmpty() ? kHint : detail.replace('\n', "; ");
    if (Label_PlotTarget->text() != detail) Label_PlotTarget->setText(detail);
}

void TPlotTab::Tick() {
    View->Tick();
}

void TPlotTab::SavePictureClick() {
    QString path = AskSaveFileName(
        {"Save picture", FSuggestedName ? FSuggestedName() : "plot.png", "PNG images (*.png)"});
    if (path.isEmpty()) return;
    // the file holds PNG whatever the name says: the name should say so too
    if (QFileInfo(path).suffix().compare("png", Qt::CaseInsensitive) != 0) path += ".png";
    QString error;
    if (!SavePicture(path, error)) {
        ErrorBox(error);
        return;
    }
    InformationBox("Picture saved to " + QFileInfo(path).fileName() + ".");
}

bool TPlotTab::SavePicture(const QString& Path, QString& Error) const {
    const QImage picture = View->grab().toImage();
    QSaveFile file(Path);
    if (picture.isNull()) {
        Error = "The plot has no picture to save.";
        return false;
    }
    if (!file.open(QIODevice::WriteOnly)) {
        Error = "Cannot write " + Path + ": " + file.errorString();
        return false;
    }
    if (!picture.save(&file, "PNG") || !file.commit()) {
        Error = "Cannot write " + Path + ": " + file.errorString();
        return false;
    }
    return true;
}
