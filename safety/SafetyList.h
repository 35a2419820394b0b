#pragma once
// The safety messages received, newest first, as a list that grows by the new rows only.

#include "safety/SafetyLog.h"

#include <QTreeWidget>

#include <cstdint>

class TSafetyList : public QTreeWidget {
public:
    enum TColumn { ColTime, ColFrom, ColTo, ColText, ColCount };

    explicit TSafetyList(QWidget* Parent = nullptr);

    // Brings the list up to date with Log: the messages added since the last call go on top,
    // and rows past what the log keeps drop off the bottom. A log other than the one shown
    // before (fewer messages added than already seen) is shown afresh.
    void Show(const TSafetyLog& Log);

private:
    std::uint64_t FSeen = 0; // the log's Added() at the last Show
};
