#pragma once
// A titled group of radio buttons with an item index; -1 means nothing selected.

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& Caption, const QStringList& Items, QWidget* Parent = nullptr);

    int ItemIndex() const;
    void SetItemIndex(int Index);
    int Count() const;

private:
    QButtonGroup FButtons;
};
