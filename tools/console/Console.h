#pragma once
// The standard streams and the terminal behind them, as the command-line programs use them.

// False when a standard stream was closed and could not be put on the null device: a device
// opened later could otherwise take its place, and printed text would go onto the line.
bool StandardStreamsOpen();

// The standard streams carry bytes as they are: no line ends are added or taken away
// (Windows would otherwise write CR LF), so that output is the same on every system.
void UseBinaryStandardStreams();

// Standard error is a terminal that takes "\r" and "ESC[K" to rewrite its line.
bool StderrIsTerminal();
// Its width in characters, or 0 when unknown.
int StderrColumns();

// Writing to a closed pipe fails with an error to report instead of ending the program.
void IgnoreBrokenPipe();
