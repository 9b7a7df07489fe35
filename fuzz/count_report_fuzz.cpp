// The count-report reader on whatever a serial line may bring: any bytes,
// in any chunks, at any times, taken and decoded when the report timer
// says. Every byte is kept or counted as dropped, whole reports are taken
// and a lone byte waits, the queue stays within its bound, the count the
// firmware gets is one a report or a merge can carry, and every report
// start decodes to the count that encodes back to it.
//
// Input: a control byte, then its bytes. Its top two bits: 0 the next
// (low six bits) bytes arrive; 1 that many tenths of a second pass; 2 the
// report timer fires; 3 the window takes what arrived without a second.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "firmware/state.h"
#include "serial/link_host.h"
#include "serial/link_status.h"
#include "serial/protocol.h"
#include "serial/real_mode.h"
#include "serial/remote_control.h"
#include "serial/report_queue.h"

namespace {

struct Host : LinkHost {
    void StartReportTimer() override {}
    void StopReportTimer() override {}
    void SetLayout(int turned) override { Check(turned == 0 || turned == 1); }
    void ShowMessage(const char*, const char*) override {}
    static void Check(bool ok) {
        if (!ok) std::abort();
    }
};

void Check(bool ok) { Host::Check(ok); }

int Pending() {
    std::lock_guard<std::mutex> lock(rxLock);
    return rxCount;
}

void CheckQueue() {
    Check(CountsWaiting() >= 0 && CountsWaiting() <= ReportQueue::kMaxWaiting);
    Check(CountsQueued().size() == static_cast<size_t>(CountsWaiting()));
    for (int32_t count : CountsQueued()) Check(count >= 0 && uint32_t(count) <= ReportQueue::kMaxCount);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetLink();
    Host host;
    SetLinkHost(&host);
    readerRunning = 1;  // a reader that runs, without its thread
    readerStopped = 0;
    fw.realCount = 0;
    const int64_t startMs = LinkClockMs();
    int64_t nowMs = 0;
    uint64_t received = 0, kept = 0;
    const uint64_t droppedBefore = CurrentLinkStatus().droppedBytes;

    size_t at = 0;
    while (at < size) {
        const uint8_t ctl = data[at++];
        const size_t n = ctl & 0x3F;
        switch (ctl >> 6) {
        case 0: {
            const size_t take = n < size - at ? n : size - at;
            const uint8_t* bytes = data + at;
            at += take;
            // The protocol's own decoding, both ways, on every pair that starts a report.
            for (size_t i = 0; i + 1 < take; ++i)
                if (IsReportStart(bytes[i])) {
                    const uint32_t count = ReportCount(bytes[i], bytes[i + 1]);
                    Check(count <= kMaxReportCount);
                    const auto encoded = EncodeCountReport(count, ReportTurned(bytes[i]));
                    Check(encoded[0] == bytes[i] && encoded[1] == bytes[i + 1]);
                }
            const int got = AppendReceived(bytes, int(take), startMs + nowMs);
            Check(got >= 0 && size_t(got) <= take);
            received += take;
            kept += uint64_t(got);
            Check(Pending() >= 0 && Pending() <= kRxBufferSize);
            break;
        }
        case 1: nowMs += int64_t(n) * 100; break;
        case 2:
            DecodeCountReport();
            Check(Pending() <= 1);
            Check(fw.realCount >= 0 && uint32_t(fw.realCount) <= ReportQueue::kMaxCount);
            break;
        default:
            TakeReceivedReports();
            Check(Pending() <= 1);
            break;
        }
        CheckQueue();
        // Every byte is kept or counted as dropped, and a pair is taken at most once.
        const LinkStatus status = CurrentLinkStatus();
        Check(status.droppedBytes - droppedBefore + kept >= received);
        Check(2 * (status.reports + status.ignoredPairs) + uint64_t(Pending()) <= kept);
    }

    readerRunning = 0;
    readerStopped = 1;
    SetLinkHost(nullptr);
    return 0;
}
