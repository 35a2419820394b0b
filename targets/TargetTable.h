#pragma once
// What the "Received data" table offers beyond its cells: sorting by a click on a header cell,
// search and filters, the CPA and TCPA columns with their alert limits, and the export.
//
// The table's rows stay in first-heard order underneath (row i + 1 is entry i, as the store
// keeps it); sorting and filtering only change the order and visibility in which the view
// shows them, through the view's row header. So a report rewrites its own row and nothing
// else, whatever order is showing.

#include "targets/TargetOrder.h"
#include "targets/UnitReceive.h"

#include <QObject>
#include <QString>
#include <functional>
#include <span>
#include <vector>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QTableWidget;
class QWidget;

class TTargetTable : public QObject {
public:
    // Builds the filter bar above the grid on Tab, the "Targets" menu in Bar and "Export
    // targets..." in File before its Last action.
    TTargetTable(QTableWidget* Grid, QWidget* Tab, QMenuBar* Bar, QMenu* File, TUnitReceive& Unit,
                 const std::vector<TStatic>& Targets);

    // From the store: a row was written; the age refresh ran.
    void RowStored(int Row);
    void Refreshed();

    // Shown with the tab, as "Data Columns".
    void TabShow();
    void TabHide();

    // A click on a header cell: that column ascending, then descending, then first-heard.
    void HeaderClick(int Col);
    void SortBy(int Col, bool Ascending); // Col -1: first-heard order
    int SortColumn() const { return FSortCol; }

    // The filter as the bar sets it.
    void SetFilter(const TTargetFilter& Filter);
    const TTargetFilter& Filter() const { return FFilter; }
    void ShowFilterBar(bool Show);

    // "Show other stations": base stations, aids and SAR aircraft as rows, or hidden again.
    void ShowOtherStations(bool Show);

    void ShowCpaColumn(bool Show);
    void ShowTcpaColumn(bool Show);

    // File > Export targets...: asks for a file name and writes it; false when it could not.
    void ExportTargetsClick();
    bool ExportTargets(const QString& Path);

    QMenu* MenuItem_Targets = nullptr;
    QAction* MenuItem_Search = nullptr;
    QAction* MenuItem_CPA = nullptr;
    QAction* MenuItem_TCPA = nullptr;
    QAction* MenuItem_FirstHeard = nullptr;
    QAction* MenuItem_ExportTargets = nullptr;
    std::vector<QAction*> CpaLimitItems;  // "Closer than" choices, nautical miles
    std::vector<QAction*> TcpaLimitItems; // "Within" choices, minutes
    QWidget* Panel_TargetFilter = nullptr;
    QLineEdit* Edit_TargetSearch = nullptr;
    QComboBox* ComboBox_TargetClass = nullptr;
    QComboBox* ComboBox_TargetMotion = nullptr;
    QCheckBox* CheckBox_Within = nullptr;
    QDoubleSpinBox* Edit_WithinNm = nullptr;
    QLabel* Label_TargetCount = nullptr;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void BuildFilterBar(QWidget* Tab);
    void BuildMenu(QMenuBar* Bar, QMenu* File);
    // A submenu of choices for one of the alert's limits; the checked one is the limit.
    std::vector<QAction*> AddLimitMenu(const QString& Title, const char* Name,
                                       std::span<const double> Choices, const QString& Unit,
                                       double TCpaLimits::*Limit);
    void FilterFromBar();
    void ApplyOrder();
    void ApplyFilter();
    bool RowMatches(int Row) const;
    // Rows hidden by the filter or because the other stations are not shown.
    bool Filtering() const;
    void ShowCount();
    TSortKey KeyOf(int Row, int Col) const;
    bool ByNumber(int Col) const;
    void ApplyCpaWidths();

    QTableWidget* FGrid;
    TUnitReceive& FUnit;
    const std::vector<TStatic>& FTargets;
    int FSortCol = -1;
    bool FAscending = true;
    bool FOrderDirty = false;
    TTargetFilter FFilter;
    int FShown = 0;       // targets the filter lets through
    int FCountedRows = 0; // rows counted in FShown
};
