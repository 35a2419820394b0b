#include "SimProcess.h"

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

TSimProcess::TSimProcess(const std::string& PortDir, const std::vector<std::string>& Args) {
    char dirTemplate[] = "/tmp/corvane-sim-test-XXXXXX";
    if (mkdtemp(dirTemplate) == nullptr) throw std::runtime_error("mkdtemp failed");
    FDir = dirTemplate;
    FTranscript = FDir + "/transcript.txt";
    FConfig = FDir + "/config.txt";

    std::vector<std::string> argv = {CORVANE_BINARY_DIR "/tools/sim/corvane-sim", "--port-dir",
                                     PortDir, "--transcript", FTranscript, "--config", FConfig};
    argv.insert(argv.end(), Args.begin(), Args.end());
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    FPid = fork();
    if (FPid == 0) {
        dup2(out[1], STDOUT_FILENO);
        const int log = open((FDir + "/sim.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (log >= 0) dup2(log, STDERR_FILENO); // kept beside the transcript for a failing test
        close(out[0]);
        close(out[1]);
        std::vector<char*> cargs;
        for (auto& a : argv) cargs.push_back(a.data());
        cargs.push_back(nullptr);
        execv(cargs[0], cargs.data());
        _exit(127);
    }
    close(out[1]);
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
        char buf[256];
        const ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        line.append(buf, static_cast<std::size_t>(n));
    }
    close(out[0]);
    if (line.rfind("COM", 0) != 0 || line.find(' ') == std::string::npos) {
        Stop();
        throw std::runtime_error("corvane-sim did not start: " + line);
    }
    FPortNum = std::atoi(line.c_str() + 3);
    FDevice = line.substr(line.find(' ') + 1, line.find('\n') - line.find(' ') - 1);
}

TSimProcess::~TSimProcess() {
    Stop();
    std::remove(FTranscript.c_str());
    std::remove(FConfig.c_str());
    std::remove((FDir + "/sim.log").c_str());
    rmdir(FDir.c_str());
}

void TSimProcess::Stop() {
    if (FPid <= 0) return;
    kill(FPid, SIGTERM);
    int status = 0;
    waitpid(FPid, &status, 0);
    FPid = -1;
}

std::vector<std::string> TSimProcess::Transcript() const {
    std::vector<std::string> bodies;
    std::ifstream in(FTranscript);
    for (std::string line; std::getline(in, line);) {
        const auto space = line.find(' ');
        if (space != std::string::npos) bodies.push_back(line.substr(space + 1));
    }
    return bodies;
}

std::string TSimProcess::Log() const {
    std::ifstream in(FDir + "/sim.log");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void TSimProcess::Signal(int Sig) const {
    if (FPid > 0) kill(FPid, Sig);
}
