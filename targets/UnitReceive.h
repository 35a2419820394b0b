#pragma once
// Received targets: one entry per AIS station heard, kept in step with the "Received data"
// table (entry i is table row i + 1), the column menu and the table's cell drawing.

#include "ais/AIS_Codec.h"
#include "targets/Geodesy.h"
#include "targets/OtherStation.h"
#include "targets/ReportAge.h"
#include "targets/RxColumns.h"
#include "targets/TargetTrack.h"

#include <QBrush>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QPainter;
class QTableWidget;
class QTimer;
class QWidget;

// The received-data table. A row added at the bottom for a new target would make the view lay
// out and repaint all it shows, and redraw its scroll bar, once per target: a storm of new
// MMSIs would repaint the table for every sentence. Rows appended below keep what is on
// screen; the scroll bar follows at most four times a second.
class TRxGrid : public QTableWidget {
public:
    TRxGrid(int Rows, int Columns, QWidget* Parent);
    ~TRxGrid() override;
    void AppendRow();
    void doItemsLayout() override;

private:
    QTimer* FGeometry;
    bool FAppendOnly = false; // since the last layout, rows were only appended
    bool FOtherChange = false;
};

struct TReceiveControls {
    TRxGrid* StringGrid_RxData = nullptr;
    QLabel* Label_Rx = nullptr;        // "Receiver" field of the diagnostics status group
    QMenu* MenuItem_DataCol = nullptr; // "Data Columns"
    std::array<QAction*, kRxColumns> ColumnItems{}; // MenuItem_Class ... MenuItem_VesselType
    QAction* MenuItem_Allvisible = nullptr;
};

// The table, filling Tab: 14 columns, three rows, 16-pixel rows, no fixed rows or columns.
TRxGrid* BuildReceivedGrid(QWidget* Tab);
// Adds the column items, a separator and "All visible" to the menu; the first nine checked.
void AddColumnItems(QMenu* DataCol, TReceiveControls& Controls);

class TUnitReceive {
public:
    struct TServices {
        std::function<void()> ApplyRxColumns; // header row and widths from ColVisible
        std::function<void(const std::string&)> LogSentence; // to the trace log when it is open
        TUtcClock Now;
        std::function<std::string()> OwnMMSI; // the transponder's own, empty when not known
        // After a target's row was written (its table row), and after each age refresh.
        std::function<void(int Row)> RowStored;
        std::function<void()> Refreshed;
    };

    TUnitReceive(const TReceiveControls& Controls, std::vector<TStatic>& TargetList,
                 const TGeoCoor& OwnPos, const TOwnCourse& OwnCourse, TMsg5_setup& Setup,
                 std::array<bool, kRxColumns>& ColVisible, TServices Services);

    void HandleVDM(const std::string& S); // the received sentence as bytes
    void StoreDynamic(const TDynamic& D);
    void StoreStatic(const TStatic& S);
    // The table row holding the target (the last one when several match), 0 when unknown.
    int FindTargetRow(const std::string& MMSI) const;
    void RefreshLastReport();

    // Column menu, shown only while the tab is.
    void TabSheet_ReceivedShow();
    void TabSheet_ReceivedHide();
    void MenuItem_ClassClick() { ColumnClick(0); }
    void MenuItem_MMSIClick() { ColumnClick(1); }
    void MenuItem_ShipNameClick() { ColumnClick(2); }
    void MenuItem_CallSignClick() { ColumnClick(3); }
    void MenuItem_SOGClick() { ColumnClick(4); }
    void MenuItem_COGClick() { ColumnClick(5); }
    void MenuItem_LatitudeClick() { ColumnClick(6); }
    void MenuItem_LongitudeClick() { ColumnClick(7); }
    void MenuItem_LastReportClick() { ColumnClick(8); }
    void MenuItem_VendorIDClick() { ColumnClick(9); }
    void MenuItem_BearingClick() { ColumnClick(10); }
    void MenuItem_RangeClick() { ColumnClick(11); }
    void MenuItem_DimClick() { ColumnClick(12); }
    void MenuItem_VesselTypeClick() { ColumnClick(13); }
    void MenuItem_AllvisibleClick();
    // The column item's check state (already toggled) into ColVisible, then the widths.
    void ColumnClick(int Col);

    // After the table's own drawing of a cell: a non-empty cell is filled with its background
    // and its text drawn centred, aligned to the top, unwrapped. A lost target's texts are
    // greyed, a dangerous target's cells tinted; the sorted column's header shows its arrow.
    void StringGrid_RxDataDrawCell(QPainter& Canvas, int ACol, int ARow, const QRect& Rect,
                                   bool Selected);

    // ---- What the target list shows beyond the cells ----
    const std::vector<TTrack>& Tracks() const { return FTracks; }
    // CPA and TCPA of a target (entry, from 0) from the own motion now; none for the own MMSI.
    TCpa CpaOf(int Entry) const;
    bool Dangerous(int Entry) const;
    bool Lost(int Entry) const;
    // The own ship's motion now, from the own position and course.
    TMotion OwnMotion() const;

    // ---- Base stations, aids to navigation and SAR aircraft ----
    struct TOther {
        TOtherReport Report;
        TTrack Track;
        int Row = 0; // its table row once the table has listed it
    };
    const std::vector<TOther>& Others() const { return FOthers; }
    int FindOther(const std::string& MMSI) const; // index in Others(), -1 when not heard
    void StoreOther(const TOtherReport& R);
    // Whether the table lists them. Turned on, every one heard so far gets its row; turned off,
    // their rows stay (rows are only ever added) for the table to hide.
    bool ShowOthers() const { return FShowOthers; }
    void SetShowOthers(bool Show);
    bool HasOtherRows() const { return FOtherRows > 0; }
    // Lost, CPA and TCPA of a station whether or not the table lists it.
    bool OtherLost(int Other) const;
    TCpa OtherCpa(int Other) const;
    // A station that is not a vessel was heard (its index in Others()).
    std::function<void(int Other)> OtherStored;
    // Every whole message of a kind the codec decodes, whatever the table makes of it: safety
    // messages and distress devices are watched for here.
    std::function<void(const TAisMessage&)> MessageHeard;
    TCpaLimits CpaLimits;
    // The columns of CPA and TCPA, added to the table the first time they are shown.
    static constexpr int kCpaColumn = kRxColumns;
    static constexpr int kTcpaColumn = kRxColumns + 1;
    bool HasCpaColumns() const;
    void AddCpaColumns();
    // Column whose header shows the sort arrow, -1 for none.
    void SetSortMark(int Col, bool Ascending);
    // The background of a row's cells: the selection, the danger tint or the table's own.
    QBrush RowBrush(int ARow, bool Selected) const;
    // A cell's text as the table shows it, the ages and CPA cells included.
    QString Text(int Row, int Col) const;
    // The text of a live cell (age, CPA, TCPA) of the entry.
    QString LiveText(int Entry, int Col) const;

private:
    // A position report with its speed, course and status as the payload has them: the cells
    // show whole knots and degrees, CPA and sorting want the tenths.
    struct TRawMotion {
        std::uint32_t Sog = 1023, Cog = 3600, NavStatus = 15;
    };
    void StorePosition(const TDynamic& D, const TRawMotion* Raw);
    void StoreVD();                          // a message as ParseNmeaVD gave it
    void StoreMessage(const TAisMessage& M); // one of the kinds only ParseAisMessage takes
    void WriteOtherRow(TOther& O);
    int FindOrCreateRow(const std::string& MMSI);
    void SetCell(int Row, int Col, const QString& Text);
    // A cell whose text follows the clock or the own motion.
    void SetLiveCell(int Row, int Col);
    // The row's age cell, and its CPA and TCPA cells once the table has them.
    void SetLiveCells(int Row);
    // The row's cells were written with the model quiet: notices for those that changed.
    void RowWritten(int Row);
    // Whether the entry's lost mark or danger tint differs from how its row was last drawn;
    // remembers the new marks.
    bool MarksChanged(std::size_t Entry);
    void RepaintVisibleRows();
    void WriteDynamicCells(int Row, const TDynamic& D, const TGeoCoor& Target);
    void WriteStaticCells(int Row, const TStatic& S);

    TReceiveControls FC;
    std::vector<TStatic>& FTargets;
    const TGeoCoor& FOwnPos;
    const TOwnCourse& FOwnCourse;
    TMsg5_setup& FSetup;
    std::array<bool, kRxColumns>& FColVisible;
    TServices FServices;
    T_NMEA_VD FVD;
    TAisMessage FMsg;
    TAisJoin FJoin;
    std::vector<TOther> FOthers;
    std::unordered_map<std::string, int> FOtherOf;
    int FOtherRows = 0;
    bool FShowOthers = false;
    // MMSI -> the last row whose MMSI cell holds it; rows are only ever added.
    std::unordered_map<std::string, int> FRowOf;
    std::vector<TTrack> FTracks;            // entry by entry, as the target list
    std::vector<std::uint64_t> FReportTick; // the age refresh count at each entry's last report
    std::uint64_t FTick = 0;                // age refreshes so far
    double FTickNow = 0;                    // "now" of the last one
    std::uint32_t FChanged = 0; // columns whose text the row write changed, bit by column
    std::vector<char> FMarked;  // lost (1) and dangerous (2) as the rows on screen were drawn
    int FSortCol = -1;
    bool FSortAscending = true;
};

// Hands every painted cell of the table to the unit's draw handler.
class TRxDataDelegate : public QStyledItemDelegate {
public:
    TRxDataDelegate(TUnitReceive& Unit, QObject* Parent)
        : QStyledItemDelegate(Parent), FUnit(Unit) {}
    void paint(QPainter* Painter, const QStyleOptionViewItem& Option,
               const QModelIndex& Index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* Option, const QModelIndex& Index) const override;

private:
    TUnitReceive& FUnit;
};
