#pragma once
// The transponder simulator as a child process on a pseudo-terminal, published in a test
// port directory; its transcript records every sentence body the tool sent.

#include <string>
#include <vector>

class TSimProcess {
public:
    // Starts corvane-sim with --port-dir PortDir --transcript <file> and Args; waits for its
    // "COM<n> <device>" line. Throws std::runtime_error when it does not start.
    TSimProcess(const std::string& PortDir, const std::vector<std::string>& Args);
    ~TSimProcess();
    TSimProcess(const TSimProcess&) = delete;
    TSimProcess& operator=(const TSimProcess&) = delete;

    int PortNum() const { return FPortNum; }
    const std::string& Device() const { return FDevice; }
    const std::string& ConfigFile() const { return FConfig; }
    // Sentence bodies received so far, in order; rejected lines start with "#".
    std::vector<std::string> Transcript() const;
    void Stop(); // SIGTERM and wait: the published port disappears
    std::string Log() const; // what the simulator wrote on stderr
    void Signal(int Sig) const;

private:
    int FPid = -1;
    int FPortNum = 0;
    std::string FDevice, FTranscript, FConfig, FDir;
};
