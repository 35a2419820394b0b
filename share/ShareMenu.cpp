#include "share/ShareMenu.h"

#include "widgets/Dialogs.h"

#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QPointer>

namespace {

QString Where(const TShareStatus& S) {
    if (!S.Where.empty()) return QString::fromStdString(S.Where);
    const TShareSpec& p = S.Spec;
    switch (p.Kind) {
    case TShareSpec::TKind::Tcp:
        return QString("%1:%2")
            .arg(p.Address.empty() ? QString("127.0.0.1") : QString::fromStdString(p.Address))
            .arg(p.Port);
    case TShareSpec::TKind::Udp:
        return QString("%1:%2").arg(QString::fromStdString(p.Address)).arg(p.Port);
    case TShareSpec::TKind::Pty:
        return p.PortNum > 0 ? QString("COM%1").arg(p.PortNum) : QString("a free port number");
    }
    return {};
}

QString Plural(std::uint64_t N, const char* One, const char* Many) {
    return QString("%1 %2").arg(N).arg(N == 1 ? One : Many);
}

} // namespace

TShareMenu::TShareMenu(TShareHub& Hub, QMenuBar* Bar, QAction* Before, QObject* Parent)
    : QObject(Parent), FHub(Hub) {
    MenuItem_Sharing = new QMenu("Sharing", Bar);
    MenuItem_Sharing->setObjectName("MenuItem_Sharing");
    Bar->insertMenu(Before, MenuItem_Sharing);

    const std::vector<TShareStatus> all = FHub.Status();
    if (all.empty()) {
        MenuItem_NoShares =
            MenuItem_Sharing->addAction("No shares: start corvane with --share (corvane --help)");
        MenuItem_NoShares->setObjectName("MenuItem_NoShares");
        MenuItem_NoShares->setEnabled(false);
    }
    for (int i = 0; i < static_cast<int>(all.size()); ++i) {
        QAction* item = MenuItem_Sharing->addAction(QString());
        item->setObjectName(QString("MenuItem_Share%1").arg(i + 1));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, i](bool Checked) { Toggle(i, Checked); });
        QAction* event = MenuItem_Sharing->addAction(QString());
        event->setObjectName(QString("MenuItem_ShareEvent%1").arg(i + 1));
        event->setEnabled(false);
        ShareItems.push_back(item);
        EventItems.push_back(event);
    }
    connect(MenuItem_Sharing, &QMenu::aboutToShow, this, [this] { Refresh(); });

    // The hub reports from its own thread; the items change on this one. A report that
    // arrives after the menu is gone finds nothing to do.
    QPointer<TShareMenu> self(this);
    FHub.SetOnChange([self] {
        QMetaObject::invokeMethod(
            self.data(),
            [self] {
                if (self) self->Refresh();
            },
            Qt::QueuedConnection);
    });
    Refresh();
}

TShareMenu::~TShareMenu() {
    FHub.SetOnChange(nullptr);
}

QString TShareMenu::ItemText(const TShareStatus& S) {
    QString kind;
    switch (S.Spec.Kind) {
    case TShareSpec::TKind::Tcp:
        kind = "TCP";
        break;
    case TShareSpec::TKind::Udp:
        kind = S.Spec.Broadcast ? "UDP broadcast" : "UDP";
        break;
    case TShareSpec::TKind::Pty:
        kind = "Serial";
        break;
    }
    QString state;
    if (!S.Running)
        state = "stopped";
    else if (S.Spec.Kind == TShareSpec::TKind::Tcp)
        state = Plural(static_cast<std::uint64_t>(S.Clients), "client", "clients");
    else
        state = Plural(S.Sentences, "sentence", "sentences");
    return QString("%1 %2: %3").arg(kind, Where(S), state);
}

void TShareMenu::Refresh() {
    const std::vector<TShareStatus> all = FHub.Status();
    for (std::size_t i = 0; i < all.size() && i < ShareItems.size(); ++i) {
        const TShareStatus& s = all[i];
        ShareItems[i]->setText(ItemText(s));
        ShareItems[i]->setChecked(s.Running);
        const std::string& line = !s.Running && !s.Error.empty() ? s.Error : s.LastEvent;
        EventItems[i]->setText("    " + QString::fromStdString(line));
        EventItems[i]->setVisible(!line.empty());
    }
}

void TShareMenu::Toggle(int Index, bool Run) {
    if (Run) {
        std::string error;
        if (!FHub.Start(Index, error)) {
            Refresh();
            ErrorBox(QString::fromStdString(error));
            return;
        }
    } else {
        FHub.Stop(Index);
    }
    Refresh();
}
