#include "tools/console/Console.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

bool StandardStreamsOpen() {
    // A process started without a console has no standard handles; nothing is opened in their
    // place by the system, so nothing can take them.
    return true;
}

void UseBinaryStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool StderrIsTerminal() {
    HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (h == INVALID_HANDLE_VALUE || h == nullptr || !GetConsoleMode(h, &mode)) return false;
    // The rewritten line needs the console's terminal sequences; without them, a line a step.
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

int StderrColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

void IgnoreBrokenPipe() {
    // Windows has no such signal: a write to a closed pipe fails with an error.
}
