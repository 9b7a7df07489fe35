#include "link/real_mode.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <thread>

#include "firmware/state.h"
#include "link/host_link.h"
#include "link/link_host.h"
#include "link/open_error.h"
#include "link/protocol.h"
#include "link/serial_port.h"

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
    ~Reader() {
        readerRunning = 0;
        if (thread.joinable()) thread.join();
    }
};

}  // namespace

SerialPort serialPort;

namespace {
Reader reader;

constexpr auto kHeartbeatDelay = std::chrono::milliseconds(300);

bool AllDigits(const std::string& s) {
    return !s.empty() && s.size() <= 6 &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

}  // namespace

int RateForIndex(int rateIndex) {
    if (rateIndex < 0 || rateIndex >= kRateCount) return 115200;
    return kRates[rateIndex];
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

int AppendReceived(const uint8_t* bytes, int n) {
    if (bytes == nullptr || n <= 0) return 0;
    std::lock_guard<std::mutex> lock(rxLock);
    const int room = kRxBufferSize - rxCount;
    const int kept = std::min(n, std::max(room, 0));
    if (kept > 0) {
        std::memcpy(rxBuffer + rxCount, bytes, size_t(kept));
        rxCount += kept;
    }
    return kept;
}

void ReaderThread() {
    uint8_t received[kRxBufferSize];
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const int n = serialPort.Read(received, int(sizeof received));
        if (n > 0) AppendReceived(received, n);
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
    reader.thread = std::thread(ReaderThread);
}

void StopReader() {
    readerRunning = 0;
    if (reader.thread.joinable()) reader.thread.join();
}

void DecodeCountReport() {
    if (readerRunning == 0 || readerStopped == 1) {
        HostStopReportTimer();
        return;
    }
    uint8_t b0 = 0;
    uint8_t b1 = 0;
    {
        std::lock_guard<std::mutex> lock(rxLock);
        if (rxCount < 2) {
            fw.realCount = 0;  // no report this second; a lone byte waits for the next
            return;
        }
        b0 = rxBuffer[0];
        b1 = rxBuffer[1];
        std::memset(rxBuffer, 0, size_t(rxCount));
        rxCount = 0;
    }
    // A report read from its second byte: the marker is in the second place.
    if (!HasReportMarker(b0) && HasReportMarker(b1)) std::swap(b0, b1);
    if (!IsReportStart(b0)) return;
    fw.realCount = int32_t(ReportCount(b0, b1));
    HostSetLayout(ReportTurned(b0) ? 1 : 0);
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
    // Never close the line under a running reader.
    StopReader();
    HostStopReportTimer();
    serialPort.Close();
    if (port.devicePath.empty() ||
        serialPort.OpenDevice(port.devicePath, RateForIndex(portSettings.rateIndex)) != 1) {
        const std::string detail = PortOpenErrorDetail(port.devicePath, serialPort.LastOpenError());
        HostShowDetailedMessage("COM port open error", "error", detail.c_str());
        return false;
    }
    fw.realCount = 0;  // nothing from an earlier device counts for this one
    StartReader();
    std::this_thread::sleep_for(kHeartbeatDelay);
    SendHeartbeat(1);
    return true;
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
    SendHeartbeat(0);
}

void ShutdownLink() {
    StopReader();
    HostStopReportTimer();
    serialPort.Close();
}

void ResetLink() {
    ShutdownLink();
    realMode = 0;
    portNumber = 2;
    remoteControl = 1;
    portSettings = PortSettings{};
    std::lock_guard<std::mutex> lock(rxLock);
    std::memset(rxBuffer, 0, sizeof rxBuffer);
    rxCount = 0;
}
