// The line of a report waits for the firmware's next second, since the CPM
// it carries is the one that second computes from the count.
#include "link/count_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "firmware/state.h"
#include "link/link_host.h"
#include "link/local_time.h"

namespace {

struct PendingLine {
    std::string time;
    uint32_t count;
    bool turned;
};

int gLogFd = -1;
std::string gLogPath;
std::vector<PendingLine> gPending;

// false after a failed or short write.
bool WriteAll(const std::string& text) {
    return ::write(gLogFd, text.data(), text.size()) == ssize_t(text.size());
}

void FailLog() {
    const std::string why = errno != 0 ? std::strerror(errno) : "short write";
    const std::string notice = "Count log stopped: " + gLogPath + ": " + why;
    StopCountLog();
    HostShowNotice(notice.c_str());
}

}  // namespace

bool StartCountLog(const std::string& path, std::string& error) {
    StopCountLog();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        error = path + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    gLogFd = fd;
    gLogPath = path;
    errno = 0;
    if (st.st_size == 0 && !WriteAll(kCountLogHeader)) {
        error = path + ": " + (errno != 0 ? std::strerror(errno) : "short write");
        StopCountLog();
        return false;
    }
    return true;
}

void StopCountLog() {
    if (gLogFd >= 0) ::close(gLogFd);
    gLogFd = -1;
    gPending.clear();
}

bool CountLogActive() { return gLogFd >= 0; }
const std::string& CountLogPath() { return gLogPath; }

void NoteCountForLog(uint32_t count, bool turned) {
    if (gLogFd < 0) return;
    gPending.push_back({LocalIsoTime(std::chrono::system_clock::now()), count, turned});
}

void CountLogAfterSecond() {
    if (gLogFd < 0 || gPending.empty()) return;
    for (const PendingLine& line : gPending) {
        const std::string text = line.time + "," + std::to_string(line.count) + "," + (line.turned ? "1" : "0") +
                                 "," + std::to_string(fw.cpm) + "\n";
        errno = 0;
        if (!WriteAll(text)) return FailLog();
    }
    gPending.clear();
}
