// Report files on Windows: the page is written as on Linux, into a new file that then replaces
// the old one. The PDF needs corvane-report, which this build does not have.
#include "tools/config/ReportFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

namespace {

std::string Directory(const std::string& Path) {
    const std::string dir = std::filesystem::path(Path).parent_path().string();
    return dir.empty() ? "." : dir;
}

bool WriteAll(int Fd, const std::string& Text) {
    for (std::size_t done = 0; done < Text.size();) {
        const unsigned chunk =
            static_cast<unsigned>(std::min<std::size_t>(Text.size() - done, 1u << 30));
        const int n = _write(Fd, Text.data() + done, chunk);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A new file of ours: never one that is there already.
int CreateNew(std::string& Path, const std::string& Base) {
    int fd = -1;
    for (int i = 0; i < 100 && fd < 0; ++i) {
        Path = Base + ".tmp-" + std::to_string(_getpid()) + "-" + std::to_string(i);
        fd = _open(Path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd < 0 && errno != EEXIST) break;
    }
    return fd;
}

} // namespace

bool ReplaceFile(const std::string& Path, const std::string& Text, std::string& Error) {
    std::string temp;
    const int fd = CreateNew(temp, Path);
    if (fd < 0) {
        Error = "cannot write " + Path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = WriteAll(fd, Text) && _commit(fd) == 0;
    const int err = errno;
    ok = _close(fd) == 0 && ok;
    std::error_code ec;
    if (!ok) {
        Error = "cannot write " + Path + ": " + std::strerror(err);
    } else {
        std::filesystem::rename(temp, Path, ec); // replaces the old file
        if (ec) {
            ok = false;
            Error = "cannot write " + Path + ": " + ec.message();
        }
    }
    if (!ok) std::filesystem::remove(temp, ec);
    return ok;
}

bool ReportPathUsable(const std::string& Path, std::string& Error) {
    std::error_code ec;
    if (std::filesystem::is_directory(Path, ec)) {
        Error = Path + " is a directory";
        return false;
    }
    const std::string dir = Directory(Path);
    if (!std::filesystem::is_directory(dir, ec)) {
        Error = "no directory " + dir;
        return false;
    }
    // Windows tells whether a folder takes new files only by trying.
    std::string probe;
    const int fd = CreateNew(probe, (std::filesystem::path(dir) / ".corvane-report").string());
    if (fd < 0) {
        Error = "cannot write in " + dir + ": " + std::strerror(errno);
        return false;
    }
    _close(fd);
    std::filesystem::remove(probe, ec);
    return true;
}

std::string FindReportProgram() {
    return {};
}

bool RunReportProgram(const std::string&, const std::string&, const std::string&,
                      std::string& Error) {
    Error = "corvane-report is not part of the Windows build";
    return false;
}
