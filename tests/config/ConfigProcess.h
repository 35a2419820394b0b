#pragma once
// corvane-config as a child process: its exit status and what it printed on standard output and
// standard error.

#include <functional>
#include <string>
#include <vector>

struct TConfigRun {
    int Status = -1; // the exit status; 128 + N when signal N ended it; -1 when it hung
    std::string Out, Err;
};

// Given the standard error so far, a signal to send to the program now (0: none). It is asked
// until it has answered one.
using TSignalWhen = std::function<int(const std::string& Err)>;

// Runs the built corvane-config with Args; Input is its standard input. A program that has not
// ended after TimeoutMs is killed (Status -1).
TConfigRun RunConfig(const std::vector<std::string>& Args, const std::string& Input = {},
                     const TSignalWhen& SignalWhen = {}, int TimeoutMs = 30000);

// The same with Program (a copy of corvane-config elsewhere, say) and Env as its whole
// environment.
TConfigRun RunConfigAs(const std::string& Program, const std::vector<std::string>& Env,
                       const std::vector<std::string>& Args, int TimeoutMs = 30000);
