#pragma once
// Controls whose text or colour shows a live state (the connection, a light, a reading) are
// heard by screen readers as "<accessible name>: <state>", for example "Connection status:
// Connected", and a change of state reaches them as a change of name. The accessible name
// itself stays the fixed caption.

#include <QLabel>
#include <QString>

class QWidget;

class TLiveState {
public:
    // The state in words: a label's text, "on" or "off" for a light.
    virtual QString StateText() const = 0;

protected:
    ~TLiveState() = default;
};

// Ends the constructor of a widget that derives from TLiveState: from then on its interface
// for screen readers reads its state. One made before (for an event sent while the widget was
// being built, or before the first such widget existed) knows nothing of it and is dropped.
void ClaimLiveStateAccessible(QWidget* Widget);

// Tells screen readers that Widget's state, and with it its spoken name, has changed.
void AnnounceLiveState(QWidget* Widget);

// A label showing a live state under a fixed caption. Whatever code sets its text (plain
// QLabel::setText through a QLabel pointer included) is heard: the name is read from the text
// each time, and the change is announced when the label is next painted or shown. A hidden
// label is announced once it shows, but is read with its current state all along.
class TStateLabel : public QLabel, public TLiveState {
    Q_OBJECT
public:
    TStateLabel(const QString& Caption, const QString& Text, QWidget* Parent = nullptr);

    QString StateText() const override { return text(); }

protected:
    void paintEvent(QPaintEvent* Event) override;
    void showEvent(QShowEvent* Event) override;

private:
    void AnnounceIfChanged();
    QString FHeard; // the state screen readers were last told of
};
