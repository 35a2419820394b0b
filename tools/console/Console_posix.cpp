#include "tools/console/Console.h"

#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

bool StandardStreamsOpen() {
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) < 0)
            return false;
    return true;
}

void UseBinaryStandardStreams() {}

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

int StderrColumns() {
    winsize ws{};
    return ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 ? ws.ws_col : 0;
}

void IgnoreBrokenPipe() {
    std::signal(SIGPIPE, SIG_IGN);
}
