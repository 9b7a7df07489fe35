// The line of a report waits for the firmware's second that takes its
// count, since the CPM it carries is the one that second computes from it.
#include "serial/count_log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "core/local_time.h"
#include "firmware/state.h"
#include "serial/append_file.h"
#include "serial/link_host.h"

namespace {

struct PendingLine {
    std::string time;
    uint32_t count;
    bool turned;
    uint64_t seq;
};

int gLogFd = -1;
std::string gLogPath;
std::vector<PendingLine> gPending;
uint64_t gTakenSeq = 0;

void CloseLog() {
    if (gLogFd >= 0) ::close(gLogFd);
    gLogFd = -1;
    gPending.clear();
}

void FailLog(const std::string& error) {
    const std::string notice = "Count log stopped: " + error;
    CloseLog();
    HostShowNotice(notice.c_str());
}

// Writes the waiting lines up to seq, in order. false once the log failed.
bool WriteLines(uint64_t seq) {
    size_t done = 0;
    for (; done < gPending.size() && gPending[done].seq <= seq; ++done) {
        const PendingLine& line = gPending[done];
        const std::string text = CountLogLine(line.time, static_cast<int32_t>(line.count), line.turned, fw.cpm);
        std::string error;
        if (!AppendAll(gLogFd, gLogPath, text, error)) {
            FailLog(error);
            return false;
        }
    }
    gPending.erase(gPending.begin(), gPending.begin() + long(done));
    return true;
}

}  // namespace

bool StartCountLog(const std::string& path, std::string& error) {
    StopCountLog();
    const int fd = OpenForAppend(path, error);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = path + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    gLogFd = fd;
    gLogPath = path;
    if (st.st_size == 0 && !AppendAll(gLogFd, gLogPath, kCountLogHeader, error)) {
        CloseLog();
        return false;
    }
    return true;
}

void StopCountLog() {
    if (gLogFd >= 0 && !WriteLines(UINT64_MAX)) return;
    CloseLog();
}

bool CountLogActive() { return gLogFd >= 0; }
const std::string& CountLogPath() { return gLogPath; }

void NoteCountForLog(uint32_t count, bool turned, uint64_t seq) {
    if (gLogFd < 0) return;
    gPending.push_back({LocalIsoTime(std::chrono::system_clock::now()), count, turned, seq});
}

void NoteCountsTaken(uint64_t seq) { gTakenSeq = seq; }

void CountLogAfterSecond() {
    if (gLogFd >= 0) WriteLines(gTakenSeq);
}
