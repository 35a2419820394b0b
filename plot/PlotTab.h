#pragma once
// The "Plot" tab: the plot with its zoom buttons and range, the Names switch, the picture one
// click away, and a line with the chosen target's key data.

#include "plot/PlotView.h"

#include <QString>
#include <QWidget>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QSplitter;

class TPlotTab : public QWidget {
public:
    // SuggestedName: the file name the save dialog proposes.
    TPlotTab(TPlotView::TSources Sources, std::function<QString()> SuggestedName,
             QWidget* Parent = nullptr);

    // The window's once-a-second refresh.
    void Tick();
    // "Save picture...": asks for a file and writes the plot as it shows as PNG; an error box
    // when it cannot be written.
    void SavePictureClick();
    bool SavePicture(const QString& Path, QString& Error) const;
    // A panel under the plot, the user sharing the height between them.
    void AddPanel(QWidget* Panel);

    TPlotView* View;
    QPushButton* Button_ZoomOut;
    QLabel* Label_PlotRange;
    QPushButton* Button_ZoomIn;
    QCheckBox* CheckBox_PlotNames;
    QPushButton* Button_SavePicture;
    QLabel* Label_PlotTarget; // the selected target's key data
    QSplitter* Splitter_Plot; // the plot and its line above any panels

private:
    void ShowState();

    std::function<QString()> FSuggestedName;
};
