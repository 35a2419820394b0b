#include "widgets/LiveState.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {

class TLiveStateAccessible : public QAccessibleWidget {
public:
    explicit TLiveStateAccessible(QWidget* Widget)
        : QAccessibleWidget(Widget, QAccessible::StaticText) {}

    QString text(QAccessible::Text T) const override {
        // Looked up each time: while the widget is being destroyed it is no longer a TLiveState.
        const auto* live = dynamic_cast<const TLiveState*>(object());
        if (T != QAccessible::Name || live == nullptr) return QAccessibleWidget::text(T);
        const QString caption = widget()->accessibleName();
        const QString state = live->StateText().trimmed(); // names come padded to their field
        if (state.isEmpty()) return caption;
        return caption.isEmpty() ? state : caption + ": " + state;
    }
};

// Asked once per object, by class name from the most derived one up; the first answer is kept.
QAccessibleInterface* LiveStateFactory(const QString&, QObject* Object) {
    auto* widget = qobject_cast<QWidget*>(Object);
    return widget != nullptr && dynamic_cast<TLiveState*>(Object) != nullptr
               ? new TLiveStateAccessible(widget)
               : nullptr;
}

} // namespace

void ClaimLiveStateAccessible(QWidget* Widget) {
    static const bool installed = [] {
        QAccessible::installFactory(LiveStateFactory);
        return true;
    }();
    (void)installed;
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(Widget);
    if (a != nullptr && dynamic_cast<TLiveStateAccessible*>(a) == nullptr)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(a));
}

void AnnounceLiveState(QWidget* Widget) {
    QAccessibleEvent event(Widget, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

TStateLabel::TStateLabel(const QString& Caption, const QString& Text, QWidget* Parent)
    : QLabel(Parent), FHeard(Text) {
    // States come from the transponder and the radio: shown as they stand, never as markup.
    setTextFormat(Qt::PlainText);
    setAccessibleName(Caption);
    setText(Text);
    ClaimLiveStateAccessible(this);
}

// QLabel::setText is not virtual and tells nobody; a changed text is always repainted, and a
// hidden label is checked when it shows.
void TStateLabel::paintEvent(QPaintEvent* Event) {
    AnnounceIfChanged();
    QLabel::paintEvent(Event);
}

void TStateLabel::showEvent(QShowEvent* Event) {
    AnnounceIfChanged();
    QLabel::showEvent(Event);
}

void TStateLabel::AnnounceIfChanged() {
    if (text() == FHeard) return;
    FHeard = text();
    AnnounceLiveState(this);
}
