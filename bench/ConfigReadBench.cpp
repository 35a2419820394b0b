// corvane-config read against the simulator (--no-traffic), run as a process several times, set
// against the protocol's own floor: the least time the sequencer's dialogue can take.
//
//   bench_config_read [RUNS]     (default 10)
//
// The floor, from the sequencer's timing (control/Sequencer.cpp), with r the reply time of each
// query as measured on the same simulator (query written to its line -> whole reply read back,
// median of several):
//
//   probe:   r_probe                   the probe goes out as the port opens
//          + 100 ms                    reply taken -> "Connected"
//   steps 2 to 8, each:
//            100 ms                    the step is armed, then sends its query
//          + r_step                    the reply
//          + 100 ms                    reply taken -> the step is done
//   step 2:  + (200 ms - r_2)          the 200 ms pause after its query holds the reply back
//
// What the floor leaves out, and the measured time holds: starting the process, opening the
// port, and closing it (the serial component pauses 300 ms after it has released the device).

#include "control/Protocol.h"
#include "nmea/Framing.h"
#include "tests/window/SimProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <numeric>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> V) {
    std::sort(V.begin(), V.end());
    const std::size_t n = V.size();
    return n % 2 == 1 ? V[n / 2] : (V[n / 2 - 1] + V[n / 2]) / 2;
}

// From writing the query onto the simulator's line to its reply's line end; negative when no
// reply came within a second.
double ReplyMs(const std::string& Device, std::string_view Query, int Times) {
    const int fd = open(Device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    std::vector<double> ms;
    const std::string framed = FrameNMEA(Query);
    for (int i = 0; i < Times; ++i) {
        // the line idle again, as between two steps of the dialogue
        poll(nullptr, 0, 50);
        const auto start = Clock::now();
        if (write(fd, framed.data(), framed.size()) != static_cast<ssize_t>(framed.size())) break;
        std::string got;
        while (got.find('\n') == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 1000) <= 0) break;
            char buf[256];
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n > 0) got.append(buf, static_cast<std::size_t>(n));
        }
        if (got.find('\n') == std::string::npos) break;
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    close(fd);
    return ms.size() == static_cast<std::size_t>(Times) ? Median(ms) : -1;
}

struct TTimes {
    double ResultMs = 0; // until the configuration has been printed whole
    double ExitMs = 0;   // until the process has ended
    bool Ok = false;
};

TTimes RunRead(const std::string& PortDir, int PortNum) {
    TTimes t;
    int out[2];
    if (pipe(out) != 0) return t;
    const std::string port = std::to_string(PortNum);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(CORVANE_BINARY_DIR "/tools/config/corvane-config", "corvane-config", "--port-dir",
              PortDir.c_str(), "--quiet", "read", "--port", port.c_str(), nullptr);
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buf[4096];
    for (;;) {
        const ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        text.append(buf, static_cast<std::size_t>(n));
        // the last line of the text output
        if (text.find("Alarm output") != std::string::npos && text.back() == '\n' &&
            t.ResultMs == 0)
            t.ResultMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    t.ExitMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    t.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && t.ResultMs > 0;
    return t;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    char dir[] = "/tmp/corvane-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) return 1;
    std::vector<double> result, exit;
    double probe = 0, replies[kReadSteps.size()] = {};
    {
        TSimProcess sim(dir, {"--no-traffic"});
        probe = ReplyMs(sim.Device(), kProbeQuery, 5);
        for (std::size_t i = 0; i < kReadSteps.size(); ++i)
            replies[i] = ReplyMs(sim.Device(), kReadSteps[i].Query, 5);
        if (probe < 0 || *std::min_element(std::begin(replies), std::end(replies)) < 0) {
            std::fprintf(stderr, "the simulator did not answer\n");
            return 1;
        }
        RunRead(dir, sim.PortNum()); // warms the caches; not counted
        for (int i = 0; i < runs; ++i) {
            const TTimes t = RunRead(dir, sim.PortNum());
            if (!t.Ok) {
                std::fprintf(stderr, "corvane-config read failed\n");
                return 1;
            }
            result.push_back(t.ResultMs);
            exit.push_back(t.ExitMs);
        }
    }
    std::filesystem::remove_all(dir);

    double floor = probe + kStepGapMs;
    for (const double r : replies) floor += kStepGapMs + r + kStepGapMs;
    floor += std::max(0.0, 200.0 - replies[0]);
    const double sumReplies = std::accumulate(std::begin(replies), std::end(replies), probe);
    std::printf("corvane-config read --port N against corvane-sim --no-traffic, %d runs\n", runs);
    std::printf("  floor: %.0f ms (reply times %.2f ms in all, the probe's %.2f ms)\n", floor,
                sumReplies, probe);
    std::printf("  configuration printed: median %.0f ms, best %.0f ms, ratio to the floor %.3f\n",
                Median(result), *std::min_element(result.begin(), result.end()),
                Median(result) / floor);
    std::printf("  process ended:         median %.0f ms, best %.0f ms, ratio to the floor %.3f\n",
                Median(exit), *std::min_element(exit.begin(), exit.end()), Median(exit) / floor);
    return 0;
}
