#include "serial/link_status.h"

#include <chrono>
#include <mutex>

#include "firmware/state.h"
#include "serial/link_host.h"
#include "serial/link_trace.h"
#include "serial/real_mode.h"
#include "serial/remote_control.h"
#include "serial/serial_port.h"

LinkStatus linkStatus;
std::atomic<uint8_t> lineLostByReader{0};

int64_t LinkClockMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

LinkState StateOf(uint8_t realMode, bool lineOpen, const LinkStatus& status, int64_t nowMs) {
    if (realMode != 1) return LinkState::Off;
    if (status.lost || !lineOpen) return LinkState::Lost;
    if (status.lastReportMs >= 0 && nowMs - status.lastReportMs < kQuietAfterMs) return LinkState::Receiving;
    return LinkState::Quiet;
}

LinkStatus CurrentLinkStatus() {
    std::lock_guard<std::mutex> lock(rxLock);
    return linkStatus;
}

LinkState CurrentLinkState(int64_t nowMs) {
    return StateOf(uint8_t(realMode), serialPort.IsOpen() && readerRunning == 1, CurrentLinkStatus(), nowMs);
}

std::string DescribeLink(LinkState state, const LinkStatus& s, int64_t nowMs) {
    if (state == LinkState::Off) return "Demo mode";
    std::string text = s.path.empty() ? std::string("No port") : s.path + " at " + std::to_string(s.rate) + " bit/s";
    if (state == LinkState::Lost) text += s.lost ? " (disconnected, retrying)" : " (not open)";
    text += "\nReports received: " + std::to_string(s.reports);
    text += "\nPairs ignored: " + std::to_string(s.ignoredPairs);
    text += "\nBytes dropped: " + std::to_string(s.droppedBytes);
    text += "\nLast valid report: ";
    text += s.lastReportMs < 0 ? std::string("none") : std::to_string((nowMs - s.lastReportMs) / 1000) + " s ago";
    return text;
}

void NoteValidReport(int64_t nowMs, uint64_t n) {
    linkStatus.reports += n;
    linkStatus.lastReportMs = nowMs;
}

void NoteIgnoredPair() { ++linkStatus.ignoredPairs; }

void ResetLinkStatus(const std::string& path, int rate) {
    std::lock_guard<std::mutex> lock(rxLock);
    linkStatus = LinkStatus{};
    linkStatus.path = path;
    linkStatus.rate = rate;
}

void EndLinkRetries() { linkStatus.lost = false; }

void ServiceLink(int64_t nowMs) {
    const std::string traceError = TakeLinkTraceError();
    if (!traceError.empty()) HostShowNotice(("Link trace stopped: " + traceError).c_str());

    if (realMode != 1) {
        linkStatus.lost = false;  // "Demo Mode" ends the retries
        return;
    }
    TakeReceivedReports();
    if (!linkStatus.lost && lineLostByReader == 1 && readerStopped == 1) {
        // Everything the reader received was decoded just above, before the port closes.
        CloseLine("line lost: " + linkStatus.path);
        // The report timer goes on: it hands the queued counts over, then
        // 0 each second, and stops.
        HostStartReportTimer();
        lineLostByReader = 0;  // dealt with
        linkStatus.lost = true;
        linkStatus.announceBack = false;
        linkStatus.nextRetryMs = nowMs + kRetryEveryMs;
        HostShowNotice((std::string(kLineLostNotice) + linkStatus.path).c_str());
        return;
    }
    if (!linkStatus.lost || nowMs < linkStatus.nextRetryMs) return;
    linkStatus.nextRetryMs = nowMs + kRetryEveryMs;
    if (serialPort.OpenDevice(linkStatus.path, linkStatus.rate) != 1) return;
    linkStatus.lost = false;
    linkStatus.lastReportMs = -1;
    linkStatus.announceBack = true;
    TraceNote("line back: " + linkStatus.path);
    StartLine();
}
