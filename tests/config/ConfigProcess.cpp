#include "ConfigProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TConfigRun Run(const std::string& Program, const std::vector<std::string>* Env,
               const std::vector<std::string>& Args, const std::string& Input,
               const TSignalWhen& SignalWhen, int TimeoutMs) {
    TConfigRun run;
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return run;
    std::vector<std::string> argv = {Program};
    argv.insert(argv.end(), Args.begin(), Args.end());
    // Built before the fork: the child of a test that runs programs from several threads
    // allocates nothing.
    std::vector<char*> cargs, cenv;
    for (auto& a : argv) cargs.push_back(a.data());
    cargs.push_back(nullptr);
    std::vector<std::string> env = Env ? *Env : std::vector<std::string>();
    for (auto& e : env) cenv.push_back(e.data());
    cenv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        if (Env)
            execve(cargs[0], cargs.data(), cenv.data());
        else
            execv(cargs[0], cargs.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    // A profile is small: it fits the pipe, and the program reads it before anything else.
    if (!Input.empty()) {
        [[maybe_unused]] const ssize_t n = write(in[1], Input.data(), Input.size());
    }
    close(in[1]);

    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    bool signalled = !SignalWhen;
    pollfd p[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* into[2] = {&run.Out, &run.Err};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) break;
        if (poll(p, 2, static_cast<int>(left)) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (p[i].fd < 0 || p[i].revents == 0) continue;
            char buf[4096];
            const ssize_t n = read(p[i].fd, buf, sizeof buf);
            if (n > 0) {
                into[i]->append(buf, static_cast<std::size_t>(n));
            } else {
                close(p[i].fd);
                p[i].fd = -1;
                --open;
            }
        }
        if (!signalled) {
            if (const int sig = SignalWhen(run.Err); sig != 0) {
                kill(pid, sig);
                signalled = true;
            }
        }
    }
    for (const pollfd& q : p)
        if (q.fd >= 0) close(q.fd);
    if (open > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return run;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

} // namespace

TConfigRun RunConfig(const std::vector<std::string>& Args, const std::string& Input,
                     const TSignalWhen& SignalWhen, int TimeoutMs) {
    return Run(CORVANE_BINARY_DIR "/tools/config/corvane-config", nullptr, Args, Input, SignalWhen,
               TimeoutMs);
}

TConfigRun RunConfigAs(const std::string& Program, const std::vector<std::string>& Env,
                       const std::vector<std::string>& Args, int TimeoutMs) {
    return Run(Program, &Env, Args, {}, {}, TimeoutMs);
}
