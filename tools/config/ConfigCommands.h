#pragma once
// The commands of corvane-config: ports, read, write and reset, each a run of the sequencer on
// the main thread's loop, with progress on standard error and the result on standard output.

#include "tools/config/ConfigOptions.h"

// Runs the command O names and returns its exit code (TExitCode).
int RunConfigCommand(const TConfigOptions& O);
