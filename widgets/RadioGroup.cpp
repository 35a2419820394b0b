#include "widgets/RadioGroup.h"

#include <QRadioButton>
#include <QVBoxLayout>

TRadioGroup::TRadioGroup(const QString& Caption, const QStringList& Items, QWidget* Parent)
    : QGroupBox(Caption, Parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(0);
    for (int i = 0; i < Items.size(); ++i) {
        auto* button = new QRadioButton(Items[i], this);
        FButtons.addButton(button, i);
        layout->addWidget(button);
    }
    connect(&FButtons, &QButtonGroup::buttonToggled, this, [this] { UpdateTabStop(); });
    UpdateTabStop();
}

int TRadioGroup::ItemIndex() const {
    return FButtons.checkedId();
}

int TRadioGroup::Count() const {
    return static_cast<int>(FButtons.buttons().size());
}

void TRadioGroup::SetItemIndex(int Index) {
    if (QAbstractButton* b = FButtons.button(Index)) {
        b->setChecked(true);
        return;
    }
    // clearing an exclusive group needs exclusivity off for a moment
    FButtons.setExclusive(false);
    for (QAbstractButton* b : FButtons.buttons()) b->setChecked(false);
    FButtons.setExclusive(true);
}

void TRadioGroup::UpdateTabStop() {
    QAbstractButton* stop = FButtons.checkedButton();
    if (stop == nullptr && !FButtons.buttons().isEmpty()) stop = FButtons.buttons().front();
    // the others still take focus from a click or the arrow keys
    for (QAbstractButton* b : FButtons.buttons())
        b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
}
