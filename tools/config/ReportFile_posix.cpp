#include "tools/config/ReportFile.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

std::string Directory(const std::string& Path) {
    const auto slash = Path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : Path.substr(0, slash);
}

bool Executable(const std::string& Path) {
    struct stat st {};
    return stat(Path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(Path.c_str(), X_OK) == 0;
}

bool WriteAll(int Fd, const std::string& Text) {
    for (std::size_t done = 0; done < Text.size();) {
        const ssize_t n = write(Fd, Text.data() + done, Text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Its message goes to a terminal: without its last line end, and without control characters
// (a text of the report it complains about could carry one).
std::string Shown(std::string S) {
    while (!S.empty() && (S.back() == '\n' || S.back() == '\r' || S.back() == ' ')) S.pop_back();
    for (char& c : S)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F) c = '?';
    return S;
}

} // namespace

bool ReplaceFile(const std::string& Path, const std::string& Text, std::string& Error) {
    std::string temp;
    int fd = -1;
    for (int i = 0; i < 100 && fd < 0; ++i) {
        temp = Path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(i);
        // Created as any new file is (the umask decides); O_EXCL never follows a planted link.
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        Error = "cannot write " + Path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = WriteAll(fd, Text);
    int err = errno;
    if (ok && fsync(fd) != 0) {
        ok = false;
        err = errno;
    }
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && rename(temp.c_str(), Path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        Error = "cannot write " + Path + ": " + std::strerror(err);
    }
    return ok;
}

bool ReportPathUsable(const std::string& Path, std::string& Error) {
    struct stat st {};
    if (stat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        Error = Path + " is a directory";
        return false;
    }
    const std::string dir = Directory(Path);
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        Error = "no directory " + dir;
        return false;
    }
    if (access(dir.c_str(), W_OK | X_OK) != 0) {
        Error = "cannot write in " + dir + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string FindReportProgram() {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        const std::string beside =
            Directory(std::string(self, static_cast<std::size_t>(n))) + "/corvane-report";
        if (Executable(beside)) return beside;
    }
    const char* path = std::getenv("PATH");
    if (path == nullptr) return {};
    const std::string p = path;
    for (std::size_t at = 0; at <= p.size();) {
        std::size_t end = p.find(':', at);
        if (end == std::string::npos) end = p.size();
        const std::string dir = p.substr(at, end - at);
        if (!dir.empty() && Executable(dir + "/corvane-report")) return dir + "/corvane-report";
        at = end + 1;
    }
    return {};
}

bool RunReportProgram(const std::string& Program, const std::string& Json, const std::string& File,
                      std::string& Error) {
    int in[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0) {
        Error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        Error = std::string("pipe: ") + std::strerror(errno);
        close(in[0]);
        close(in[1]);
        return false;
    }
    // Written as it takes it, so that a report program busy writing its complaints never
    // leaves this one blocked in a write.
    fcntl(in[1], F_SETFL, fcntl(in[1], F_GETFL) | O_NONBLOCK);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    // This program blocks the ending signals for its loop and ignores SIGPIPE; the report
    // program starts with neither.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (const int s : {SIGPIPE, SIGINT, SIGTERM, SIGHUP}) sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    // A file named "-x.pdf" must not be taken for an option.
    std::string file = File.starts_with("-") ? "./" + File : File;
    std::string program = Program, input = "-";
    char* argv[] = {program.data(), input.data(), file.data(), nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, Program.c_str(), &actions, &attr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(in[0]);
    close(err[1]);
    if (spawned != 0) {
        close(in[1]);
        close(err[0]);
        Error = "cannot run " + Program + ": " + std::strerror(spawned);
        return false;
    }

    // A report program that ends before it has read everything makes the write fail with EPIPE;
    // the SIGPIPE that comes with it is held back here and taken below, whatever the caller's
    // disposition of it.
    sigset_t pipeSignal, oldMask;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t pendingBefore;
    sigpending(&pendingBefore);
    const bool pipePendingBefore = sigismember(&pendingBefore, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &oldMask);

    // Its input written while its complaints are read, so that neither pipe can fill and stall
    // both programs.
    std::string complaint;
    std::size_t written = 0;
    pollfd p[2] = {{err[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
    if (Json.empty()) {
        close(in[1]);
        p[1].fd = -1;
    }
    while (p[0].fd >= 0 || p[1].fd >= 0) {
        if (poll(p, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (p[0].fd >= 0 && p[0].revents != 0) {
            char buf[4096];
            const ssize_t n = read(p[0].fd, buf, sizeof buf);
            if (n > 0) {
                if (complaint.size() < 16384) complaint.append(buf, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(p[0].fd);
                p[0].fd = -1;
            }
        }
        if (p[1].fd >= 0 && p[1].revents != 0) {
            // Done, or it stopped reading (it ended, or refused the input): its status says.
            bool stop = (p[1].revents & POLLOUT) == 0;
            if (!stop) {
                const ssize_t n = write(p[1].fd, Json.data() + written, Json.size() - written);
                if (n > 0) written += static_cast<std::size_t>(n);
                stop = written == Json.size() || (n < 0 && errno != EINTR && errno != EAGAIN);
            }
            if (stop) {
                close(p[1].fd);
                p[1].fd = -1;
            }
        }
    }
    for (const pollfd& q : p)
        if (q.fd >= 0) close(q.fd);
    if (!pipePendingBefore) {
        const timespec none{0, 0};
        while (sigtimedwait(&pipeSignal, nullptr, &none) == SIGPIPE) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    complaint = Shown(complaint);
    if (!complaint.empty())
        Error = complaint;
    else if (WIFEXITED(status))
        Error = Program + " ended with status " + std::to_string(WEXITSTATUS(status));
    else
        Error = Program + " was ended by signal " + std::to_string(WTERMSIG(status));
    return false;
}
