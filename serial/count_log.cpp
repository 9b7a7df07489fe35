#include "serial/count_log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "core/driver.h"
#include "firmware/state.h"
#include "serial/append_file.h"
#include "core/dose_total.h"
#include "serial/link_host.h"
#include "core/local_time.h"

namespace {

using Clock = std::chrono::system_clock;

struct PendingLine {
    Clock::time_point time;
    uint32_t count;
    bool turned;
    uint64_t seq;
    bool taken;    // its second came (or it was cleared)
    bool counted;  // and the device counted it
};

int gLogFd = -1;
std::string gLogName;  // as given, with the day's token
std::string gLogPath;  // the file open now
std::vector<PendingLine> gPending;
uint64_t gTakenSeq = 0;
uint32_t gNoise = 0;
double gDoseUsv = 0.0;

void CloseLog() {
    if (gLogFd >= 0) ::close(gLogFd);
    gLogFd = -1;
    gPending.clear();
    gNoise = 0;
}

void FailLog(const std::string& error) {
    const std::string notice = "Count log stopped: " + error;
    CloseLog();
    HostShowNotice(notice.c_str());
}

// Opens path as the file written now, with the header when it is new.
bool OpenLogFile(const std::string& path, std::string& error) {
    const int fd = OpenForAppend(path, error);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || (st.st_size == 0 && !AppendAll(fd, path, kCountLogHeader, error))) {
        if (error.empty()) error = path + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    if (gLogFd >= 0) ::close(gLogFd);
    gLogFd = fd;
    gLogPath = path;
    return true;
}

// Writes row into the file of its day. false once the log failed.
bool WriteRow(const CountLogRow& row, Clock::time_point when) {
    std::string error;
    const std::string path = CountLogFileName(gLogName, Clock::to_time_t(when));
    if ((path != gLogPath && !OpenLogFile(path, error)) || !AppendAll(gLogFd, gLogPath, CountLogLine(row), error)) {
        FailLog(error);
        return false;
    }
    return true;
}

// Writes the waiting lines up to seq, in order, and a second's noise.
// false once the log failed.
bool WriteLines(uint64_t seq) {
    // The alarm is the second's that took the counts; lines not counted had none.
    const DriverSecond second = DriverSecondNow(0);
    bool doseAdded = false;
    size_t done = 0;
    for (; done < gPending.size() && gPending[done].seq <= seq; ++done) {
        const PendingLine& line = gPending[done];
        // Once per second, however many reports it folded.
        if (line.counted && !doseAdded) {
            gDoseUsv += DoseOfSecondUsv(second.doseRate);
            doseAdded = true;
        }
        const CountLogRow row{LocalIsoTime(line.time), line.count, line.turned, fw.cpm, line.counted,
                              line.counted && (second.alarmSounds || second.alarmShown), gDoseUsv, 0};
        if (!WriteRow(row, line.time)) return false;
    }
    gPending.erase(gPending.begin(), gPending.begin() + long(done));
    if (gNoise > 0) {
        const Clock::time_point now = Clock::now();
        if (!WriteRow(CountLogRow{LocalIsoTime(now), 0, false, fw.cpm, false, false, gDoseUsv, gNoise}, now))
            return false;
        gNoise = 0;
    }
    return true;
}

}  // namespace

std::string CountLogFileName(const std::string& name, long long unixSeconds) {
    const size_t at = name.find(kCountLogDayToken);
    if (at == std::string::npos) return name;
    const std::time_t t = std::time_t(unixSeconds);
    std::tm local{};
    localtime_r(&t, &local);
    char day[16];
    std::strftime(day, sizeof day, "%Y-%m-%d", &local);
    return name.substr(0, at) + day + CountLogFileName(name.substr(at + std::strlen(kCountLogDayToken)), unixSeconds);
}

bool StartCountLog(const std::string& name, std::string& error) {
    StopCountLog();
    if (!OpenLogFile(CountLogFileName(name, Clock::to_time_t(Clock::now())), error)) return false;
    gLogName = name;
    gDoseUsv = 0.0;
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
    gPending.push_back({Clock::now(), count, turned, seq, false, false});
}

void NoteNoiseForLog(uint32_t n) {
    if (gLogFd >= 0) gNoise += n;
}

void NoteCountsTaken(uint64_t seq, bool counted) {
    for (PendingLine& line : gPending)
        if (!line.taken && line.seq <= seq) {
            line.taken = true;
            line.counted = counted;
        }
    gTakenSeq = seq;
}

void CountLogAfterSecond() {
    if (gLogFd >= 0) WriteLines(gTakenSeq);
}
