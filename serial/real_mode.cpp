#include "serial/real_mode.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <thread>

#include <sys/eventfd.h>
#include <unistd.h>

#include "firmware/state.h"
#include "serial/count_log.h"
#include "serial/link_host.h"
#include "serial/link_status.h"
#include "serial/link_trace.h"
#include "serial/open_error.h"
#include "serial/protocol.h"
#include "serial/remote_control.h"
#include "serial/report_queue.h"
#include "serial/serial_port.h"

uint8_t rxBuffer[kRxBufferSize] = {};
int32_t rxCount = 0;
std::mutex rxLock;
std::atomic<uint8_t> readerStopped{1};

const int kRates[kRateCount] = {110,   300,   1200,  2400,  4800,   9600,   14400, 19200,
                                28800, 38400, 57600, 115200, 230400, 460800, 921600};

namespace {

// The reader is defined after the port, in this one file, so that at process
// end it is stopped (destroyed first) before the port closes.
struct Reader {
    std::thread thread;
    // Wakes the reader from its wait when it is to stop.
    int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    ~Reader() {
        Stop();
        if (wakeFd >= 0) ::close(wakeFd);
    }
    void Stop() {
        readerRunning = 0;
        if (!thread.joinable()) return;
        if (wakeFd >= 0) {
            const uint64_t one = 1;
            (void)!::write(wakeFd, &one, sizeof one);
        }
        thread.join();
        uint64_t drained = 0;
        if (wakeFd >= 0) (void)!::read(wakeFd, &drained, sizeof drained);
    }
};

}  // namespace

SerialPort serialPort;

namespace {
Reader reader;

constexpr auto kHeartbeatDelay = std::chrono::milliseconds(300);

// How long the reader sleeps at most between two looks at readerRunning,
// for a stop that only clears the flag ("Exit").
constexpr int kReaderWaitMs = 100;

// When each byte of rxBuffer arrived (LinkClockMs), guarded by rxLock.
int64_t rxArrival[kRxBufferSize] = {};

// Decoded reports waiting for the firmware's seconds; window thread only.
ReportQueue reportQueue;
// Names each admitted report, for the count log.
uint64_t reportSeq = 0;

// The bytes of one take, off the stack: the window thread only.
uint8_t takenBytes[kRxBufferSize];
int64_t takenArrival[kRxBufferSize];
int64_t reportArrival[kRxBufferSize / 2];
uint16_t reportCount[kRxBufferSize / 2];
bool reportTurned[kRxBufferSize / 2];

// Nothing decoded before now reaches the firmware; its count log lines are
// written with the next second all the same.
void ClearReports() {
    reportQueue.Clear();
    NoteCountsTaken(reportSeq, false);
}

bool AllDigits(const std::string& s) {
    return !s.empty() && s.size() <= 6 &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

}  // namespace

int RateForIndex(int rateIndex) {
    if (rateIndex < 0 || rateIndex >= kRateCount) return 115200;
    return kRates[rateIndex];
}

int IndexForRate(int rate) {
    const int* found = std::find(kRates, kRates + kRateCount, rate);
    return found != kRates + kRateCount ? int(found - kRates) : -1;
}

PortChoice ParsePortName(const std::string& name) {
    const size_t first = name.find_first_not_of(" \t");
    if (first == std::string::npos) return PortChoice{};
    const size_t last = name.find_last_not_of(" \t");
    const std::string text = name.substr(first, last - first + 1);

    if (text.size() > 3 && std::toupper((unsigned char)text[0]) == 'C' &&
        std::toupper((unsigned char)text[1]) == 'O' && std::toupper((unsigned char)text[2]) == 'M' &&
        AllDigits(text.substr(3))) {
        const int n = std::stoi(text.substr(3));
        if (n >= 1 && n <= kMaxComNumber) return PortChoice{n, DevicePathForPort(n)};
    }
    static const std::string kTtyS = "/dev/ttyS";
    if (text.compare(0, kTtyS.size(), kTtyS) == 0 && AllDigits(text.substr(kTtyS.size()))) {
        const int n = std::stoi(text.substr(kTtyS.size())) + 1;
        if (n <= kMaxComNumber) return PortChoice{n, text};
    }
    return PortChoice{kDevicePathPortNumber, text};
}

int AppendReceived(const uint8_t* bytes, int n) { return AppendReceived(bytes, n, LinkClockMs()); }

int AppendReceived(const uint8_t* bytes, int n, int64_t atMs) {
    if (bytes == nullptr || n <= 0) return 0;
    std::lock_guard<std::mutex> lock(rxLock);
    // Takes leave whole reports behind them, so an odd count ends in a lone byte.
    if (rxCount % 2 == 1 && atMs - rxArrival[rxCount - 1] >= kStrayByteMs) {
        rxBuffer[--rxCount] = 0;
        ++linkStatus.droppedBytes;
    }
    const int room = kRxBufferSize - rxCount;
    const int kept = std::min(n, std::max(room, 0));
    linkStatus.droppedBytes += uint64_t(n - kept);
    if (kept > 0) {
        std::memcpy(rxBuffer + rxCount, bytes, size_t(kept));
        std::fill(rxArrival + rxCount, rxArrival + rxCount + kept, atMs);
        rxCount += kept;
    }
    return kept;
}

void ReaderThread() {
    uint8_t received[kRxBufferSize];
    do {
        // Sleeps until bytes come rather than polling each millisecond.
        bool lost = false;
        const int n = serialPort.WaitAndRead(received, int(sizeof received), reader.wakeFd, kReaderWaitMs, lost);
        if (n > 0) {
            TraceBytes(TraceDirection::Received, received, n);
            AppendReceived(received, n);
        }
        if (lost) {
            // A hung-up line stays readable: leave at once instead of spinning.
            lineLostByReader = 1;
            break;
        }
    } while (readerRunning == 1);
    readerStopped = 1;
}

void StartReader() {
    StopReader();
    {
        std::lock_guard<std::mutex> lock(rxLock);
        std::memset(rxBuffer, 0, sizeof rxBuffer);
        rxCount = 0;
    }
    // Set here rather than by the thread, so that a stop that comes before
    // the thread has run is not overwritten by it.
    readerRunning = 1;
    readerStopped = 0;
    lineLostByReader = 0;
    reader.thread = std::thread(ReaderThread);
}

void StopReader() { reader.Stop(); }

void TakeReceivedReports() {
    int n = 0;
    {
        std::lock_guard<std::mutex> lock(rxLock);
        n = rxCount & ~1;
        if (n == 0) return;
        std::memcpy(takenBytes, rxBuffer, size_t(n));
        std::memcpy(takenArrival, rxArrival, size_t(n) * sizeof(int64_t));
        // A lone byte stays, for the report it begins.
        rxCount -= n;
        if (rxCount > 0) {
            rxBuffer[0] = rxBuffer[n];
            rxArrival[0] = rxArrival[n];
        }
        std::memset(rxBuffer + rxCount, 0, size_t(n));
    }
    int reports = 0;
    int ignored = 0;
    for (int i = 0; i < n; i += 2) {
        uint8_t b0 = takenBytes[i];
        uint8_t b1 = takenBytes[i + 1];
        // A report read from its second byte: the marker is in the second place.
        if (!HasReportMarker(b0) && HasReportMarker(b1)) std::swap(b0, b1);
        if (!IsReportStart(b0)) {
            NoteIgnoredPair();
            if (++ignored == 1 && LinkTraceActive())
                TraceNote("ignored pair " + std::to_string(b0) + " " + std::to_string(b1));
            continue;
        }
        reportCount[reports] = uint16_t(ReportCount(b0, b1));
        reportTurned[reports] = ReportTurned(b0);
        reportArrival[reports] = takenArrival[i + 1];
        ++reports;
    }
    if (ignored > 1 && LinkTraceActive()) TraceNote("ignored " + std::to_string(ignored - 1) + " more pairs");
    if (reports == 0) return;
    if (!reportQueue.Admit(reportArrival, reports)) {
        linkStatus.ignoredPairs += uint64_t(reports);
        NoteNoiseForLog(uint32_t(reports));
        TraceNote("dropped " + std::to_string(reports) + " reports as noise: more than one a second");
        return;
    }
    for (int i = 0; i < reports; ++i) {
        reportQueue.Push(reportCount[i], ++reportSeq);
        if (LinkTraceActive())
            TraceNote("decoded " + std::to_string(reportCount[i]) + (reportTurned[i] ? " turned" : ""));
        NoteCountForLog(reportCount[i], reportTurned[i], reportSeq);
    }
    NoteValidReport(LinkClockMs(), uint64_t(reports));
    HostSetLayout(reportTurned[reports - 1] ? 1 : 0);
    // After the turn, so the notice finds its place on the panel as it now lies.
    if (linkStatus.announceBack) {
        linkStatus.announceBack = false;
        HostShowNotice((std::string(kLineBackNotice) + linkStatus.path).c_str());
    }
}

int CountsWaiting() { return reportQueue.Waiting(); }

// A folded count stops at kMaxCount, so each fits the signed count.
std::vector<int32_t> CountsQueued() {
    std::vector<int32_t> counts;
    for (int i = 0; i < reportQueue.Waiting(); ++i) counts.push_back(static_cast<int32_t>(reportQueue.CountAt(i)));
    return counts;
}

void DecodeCountReport() {
    TakeReceivedReports();  // also what the reader received before it stopped
    if ((readerRunning == 0 || readerStopped == 1) && reportQueue.Waiting() == 0) {
        fw.realCount = 0;  // a gone line reports nothing
        HostStopReportTimer();
        return;
    }
    uint64_t taken = 0;
    fw.realCount = int32_t(reportQueue.Take(taken));  // 0: no report this second
    // The second tick that follows measures only a booted device: before
    // power-on and through the start-up logo the count goes nowhere.
    if (taken != 0) NoteCountsTaken(taken, fw.bootState == 2 && realMode != 0);
}

void SendHeartbeat(int on) {
    SendCommand(on ? kHeartbeatOnCommand : kHeartbeatOffCommand);
    if (on) {
        HostStartReportTimer();
    } else {
        StopReader();
        HostStopReportTimer();
    }
}

bool OpenRealMode(const PortChoice& port) {
    if (port.portNumber >= 1 && port.devicePath == DevicePathForPort(port.portNumber)) {
        portSettings.portIndex = port.portNumber - 1;
        portSettings.devicePath.clear();
    } else {
        portSettings.devicePath = port.devicePath;
    }
    // Only Close shuts the port, so it is read as open or not before the reader stops.
    CloseLine(serialPort.IsOpen() ? "closed " + serialPort.DevicePath() : std::string());
    const int rate = RateForIndex(portSettings.rateIndex);
    ClearReports();
    ResetLinkStatus(port.devicePath, rate);
    if (port.devicePath.empty() || serialPort.OpenDevice(port.devicePath, rate) != 1) {
        TraceNote("cannot open " + port.devicePath);
        const std::string detail = PortOpenErrorDetail(port.devicePath, serialPort.LastOpenError());
        HostShowDetailedMessage("COM port open error", "error", detail.c_str());
        return false;
    }
    TraceNote("opened " + port.devicePath + " at " + std::to_string(rate) + " bit/s");
    StartLine();
    return true;
}

void CloseLine(const std::string& note) {
    // Never close the line under a running reader.
    StopReader();
    HostStopReportTimer();
    if (!note.empty()) TraceNote(note);
    serialPort.Close();
}

void StartLine() {
    fw.realCount = 0;  // nothing from an earlier device counts for this one
    reportQueue.Restart();
    StartReader();
    std::this_thread::sleep_for(kHeartbeatDelay);
    SendHeartbeat(1);
}

namespace {

void EnterRealMode(const PortChoice& port) {
    StopReader();
    // realMode is 1 only while a port is open and read: after an open error
    // the counts come from the random source again rather than repeating the
    // last real count forever.
    realMode = OpenRealMode(port) ? 1 : 0;
    portNumber = uint8_t(std::clamp(port.portNumber, 0, 255));
}

}  // namespace

void ChoosePort(int n) { EnterRealMode(PortChoice{n, DevicePathForPort(n)}); }

void ChooseOtherPort(const PortSettings& chosen) {
    StopReader();
    portSettings = chosen;
    PortChoice port;
    if (!chosen.devicePath.empty()) {
        port = ParsePortName(chosen.devicePath);
    } else {
        port.portNumber = chosen.portIndex + 1;
        port.devicePath = DevicePathForPort(port.portNumber);
    }
    EnterRealMode(port);
}

void ChooseDemoMode() {
    realMode = 0;
    linkStatus.lost = false;
    SendHeartbeat(0);
    ClearReports();
}

void ShutdownLink() {
    linkStatus.lost = false;
    StopReader();
    // What came in is decoded and, with what waits for the firmware, logged.
    TakeReceivedReports();
    CloseLine(std::string());
    StopCountLog();
}

void ResetLink() {
    ShutdownLink();
    realMode = 0;
    portNumber = 2;
    remoteControl = 1;
    portSettings = PortSettings{};
    ResetLinkStatus(std::string(), 0);
    lineLostByReader = 0;
    ClearReports();
    std::lock_guard<std::mutex> lock(rxLock);
    std::memset(rxBuffer, 0, sizeof rxBuffer);
    rxCount = 0;
}
