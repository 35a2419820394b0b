#pragma once
// Small builders shared by the views: controls named as the program names them (object name
// and, where given, accessible name), read-only memos and string grids.

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QString>
#include <QTableWidget>
#include <QTableWidgetItem>

template <class W> W* Named(W* Widget, const char* Name, const QString& Accessible = {}) {
    Widget->setObjectName(Name);
    // Without a name of its own a label is read by its text; an object name means nothing
    // to a listener.
    if (!Accessible.isEmpty()) Widget->setAccessibleName(Accessible);
    return Widget;
}

inline QPlainTextEdit* ReadOnlyMemo(QWidget* Parent, const char* Name) {
    auto* m = Named(new QPlainTextEdit(Parent), Name);
    m->setReadOnly(true);
    m->setMaximumBlockCount(200);
    return m;
}

// A grid without header sections: its row 0 is an ordinary row. Rows are 16 pixels high and
// fixed, so adding rows never measures their contents; cells are read-only. Grid is the kind of
// table widget to make.
template <class Grid = QTableWidget>
Grid* StringGrid(QWidget* Parent, const char* Name, int Columns, int Rows) {
    auto* g = Named(new Grid(Rows, Columns, Parent), Name);
    g->horizontalHeader()->hide();
    g->verticalHeader()->hide();
    g->verticalHeader()->setMinimumSectionSize(16);
    g->verticalHeader()->setDefaultSectionSize(16);
    g->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    g->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    g->horizontalHeader()->setMinimumSectionSize(0); // narrow columns keep their width
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setWordWrap(false);
    return g;
}

// Writes a cell, creating its item on first use; an unchanged text is not written again.
inline void SetCellText(QTableWidget* Grid, int Row, int Col, const QString& Text) {
    if (QTableWidgetItem* item = Grid->item(Row, Col)) {
        item->setText(Text);
        return;
    }
    Grid->setItem(Row, Col, new QTableWidgetItem(Text));
}

inline QString CellText(const QTableWidget* Grid, int Row, int Col) {
    const QTableWidgetItem* item = Grid->item(Row, Col);
    return item != nullptr ? item->text() : QString();
}

// Bytes of a received sentence or a decoded value, one character per byte (the degree sign
// is the byte 0xB0).
inline QString Widen(std::string_view S) {
    return QString::fromLatin1(S.data(), static_cast<qsizetype>(S.size()));
}
