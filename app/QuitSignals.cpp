#include "app/QuitSignals.h"

#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace {

int gPipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnQuitSignal(int) {
    const char c = 'q';
    [[maybe_unused]] const ssize_t n = write(gPipe[1], &c, 1);
}

} // namespace

TQuitOnSignals::TQuitOnSignals(std::function<void()> Quit, QObject* Parent)
    : QObject(Parent), FQuit(std::move(Quit)) {
    if (gPipe[0] >= 0) throw std::logic_error("TQuitOnSignals: only one per program");
    if (pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("TQuitOnSignals: pipe");
    FNotifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] {
        char buf[16];
        while (read(gPipe[0], buf, sizeof buf) > 0) {
        }
        if (FQuit) FQuit();
    });
    struct sigaction sa = {};
    sa.sa_handler = OnQuitSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : kSignals) sigaction(s, &sa, nullptr);
}

TQuitOnSignals::~TQuitOnSignals() {
    for (int s : kSignals) std::signal(s, SIG_DFL);
    delete FNotifier;
    close(gPipe[0]);
    close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}
