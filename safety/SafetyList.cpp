#include "safety/SafetyList.h"

#include "widgets/ViewWidgets.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTextDocument>

#include <algorithm>

namespace {

// The text comes from the air: a tooltip would take one that looks like markup for rich text,
// so such a text is shown escaped, as it was sent.
QString ToolTipOf(const QString& Text) {
    if (!Qt::mightBeRichText(Text)) return Text;
    return "<p style=\"white-space:pre-wrap\">" + Text.toHtmlEscaped() + "</p>";
}

QTreeWidgetItem* RowOf(const TSafetyMessage& M) {
    auto* item = new QTreeWidgetItem;
    item->setText(TSafetyList::ColTime, QString::fromStdString(UtcDateTimeText(M.Time)));
    item->setText(TSafetyList::ColFrom, Widen(M.From));
    item->setText(TSafetyList::ColTo, M.To.empty() ? QStringLiteral("all") : Widen(M.To));
    const QString text = Widen(M.Text);
    item->setText(TSafetyList::ColText, text);
    item->setToolTip(TSafetyList::ColText, ToolTipOf(text));
    return item;
}

} // namespace

TSafetyList::TSafetyList(QWidget* Parent) : QTreeWidget(Parent) {
    Named(this, "List_SafetyMessages", "Safety messages");
    setColumnCount(ColCount);
    setHeaderLabels({"Time (UTC)", "From", "To", "Text"});
    setRootIsDecorated(false);
    setUniformRowHeights(true); // a thousand rows are never measured one by one
    setAllColumnsShowFocus(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setSortingEnabled(false); // newest on top is the order

    // Fixed widths from the widest cell each column can hold: measuring contents would go
    // through every row on each update.
    const QFontMetrics fm(font());
    const int pad = 3 * fm.horizontalAdvance('0');
    header()->setStretchLastSection(true);
    header()->resizeSection(ColTime, fm.horizontalAdvance("0000-00-00 00:00:00") + pad);
    for (int c : {ColFrom, ColTo})
        header()->resizeSection(c, fm.horizontalAdvance("0000000000") + pad);
}

void TSafetyList::Show(const TSafetyLog& Log) {
    const auto& messages = Log.Messages();
    const std::uint64_t added = Log.Added();
    if (added < FSeen) { // another log: all its messages are new here
        clear();
        FSeen = added - std::min<std::uint64_t>(added, messages.size());
    }
    const auto fresh = static_cast<int>(std::min<std::uint64_t>(added - FSeen, messages.size()));
    FSeen = added;
    if (fresh == 0) return;

    // Rows that the new ones push past what the log keeps go before the new ones come in.
    const int keep = static_cast<int>(messages.size()); // never more than the log's capacity
    const int old = std::max(0, std::min(topLevelItemCount(), keep - fresh));
    if (old == 0) {
        clear();
    } else {
        while (topLevelItemCount() > old) delete takeTopLevelItem(topLevelItemCount() - 1);
    }

    QList<QTreeWidgetItem*> rows;
    rows.reserve(fresh);
    for (int i = 0; i < fresh; ++i) rows.append(RowOf(messages[static_cast<std::size_t>(i)]));
    insertTopLevelItems(0, rows);
}
