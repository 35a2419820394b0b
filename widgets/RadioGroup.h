#pragma once
// A titled group of radio buttons with an item index; -1 means nothing selected.
// The group is one Tab stop, as people know it from other programs: Tab lands on the chosen
// button (the first while none is chosen) and the arrow keys move between the buttons.

#include <QButtonGroup>
#include <QGroupBox>
#include <QList>
#include <QStringList>

class QAbstractButton;

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& Caption, const QStringList& Items, QWidget* Parent = nullptr);

    int ItemIndex() const;
    void SetItemIndex(int Index);
    int Count() const;
    // In item order, for the window's tab order.
    QList<QAbstractButton*> Buttons() const { return FButtons.buttons(); }

private:
    void UpdateTabStop();
    QButtonGroup FButtons;
};
