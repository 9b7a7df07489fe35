// The serial link on arbitrary byte streams, both ends, without threads or
// a port: bytes land in the receive buffer as the reader appends them and
// the report timer's decoding runs when the script says; the stand-in
// counter parses what the host might send and its reports are decoded back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/state.h"
#include "serial/link_host.h"
#include "serial/link_status.h"
#include "serial/protocol.h"
#include "serial/real_mode.h"
#include "serial/remote_control.h"
#include "serial/report_queue.h"
#include "tools/device/device.h"

namespace {

struct Host : LinkHost {
    int lastLayout = -1;
    void StartReportTimer() override {}
    void StopReportTimer() override {}
    void SetLayout(int turned) override { lastLayout = turned; }
    void ShowMessage(const char*, const char*) override {}
};

void Check(bool ok) {
    if (!ok) std::abort();
}

int Pending() {
    std::lock_guard<std::mutex> lock(rxLock);
    return rxCount;
}

// The report timer's event, with what must hold after it.
void Decode(Host& host) {
    const int before = Pending();
    DecodeCountReport();
    const int after = Pending();
    // Every whole report is taken; a lone byte waits.
    Check(after == before % 2);
    Check(fw.realCount >= 0 && uint32_t(fw.realCount) <= ReportQueue::kMaxCount);
    Check(CountsWaiting() <= ReportQueue::kMaxWaiting);
    Check(host.lastLayout == -1 || host.lastLayout == 0 || host.lastLayout == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetLink();
    Host host;
    SetLinkHost(&host);
    // A reader that runs, without its thread.
    readerRunning = 1;
    readerStopped = 0;
    fw.realCount = 0;

    // The port dialog's name field takes any text.
    {
        const PortChoice port = ParsePortName(std::string(reinterpret_cast<const char*>(data), size < 64 ? size : 64));
        Check(port.portNumber == 0 || (port.portNumber >= 1 && port.portNumber <= kMaxComNumber) ||
              port.portNumber == kDevicePathPortNumber);
    }

    geigerdevice::Device device({.turned = false, .toggleTurnedMs = 1500},
                                geigerdevice::CountSource::Sequence({0, 1, 255, 256, 16127, 16383, 20000}));
    std::vector<std::string> log;
    std::vector<geigerdevice::SentReport> sent;
    int64_t nowMs = 0;
    // The link's clock for the line's bytes: the counter's, from the opening.
    const int64_t openedMs = LinkClockMs();

    size_t at = 0;
    while (at < size) {
        const uint8_t ctl = data[at++];
        const size_t n = ctl & 0x3F;
        const size_t take = n < size - at ? n : size - at;
        const uint8_t* chunk = data + at;
        switch (ctl >> 6) {
        case 0:  // line bytes reach the host
            at += take;
            Check(AppendReceived(chunk, int(take), openedMs + nowMs) >= 0);
            Check(Pending() <= kRxBufferSize);
            break;
        case 1:  // the report timer fires
            Decode(host);
            break;
        case 2: {  // host bytes reach the counter
            at += take;
            std::vector<std::string> commands;
            geigerdevice::CommandParser parser;
            parser.Feed(std::string_view(reinterpret_cast<const char*>(chunk), take), commands);
            for (const std::string& c : commands)
                Check(c.size() + 3 <= geigerdevice::CommandParser::kMaxCommandBytes);
            device.Receive(std::string_view(reinterpret_cast<const char*>(chunk), take), nowMs, log);
            break;
        }
        default: {  // time passes on the counter; its reports reach the host
            nowMs += int64_t(n) * 250;
            sent.clear();
            device.Advance(nowMs, sent);
            for (const geigerdevice::SentReport& r : sent) {
                const bool clean = Pending() == 0 && CountsWaiting() == 0;
                AppendReceived(r.bytes.data(), int(r.bytes.size()), openedMs + nowMs);
                if (!clean) continue;
                // A report on an empty buffer and queue decodes to what was
                // sent, unless noise before it used up its second.
                host.lastLayout = -1;
                const uint64_t reports = CurrentLinkStatus().reports;
                Decode(host);
                const bool admitted = CurrentLinkStatus().reports > reports;
                Check(fw.realCount == (admitted ? int32_t(r.count) : 0));
                Check(host.lastLayout == (admitted ? (r.turned ? 1 : 0) : -1));
            }
            break;
        }
        }
        if (log.size() > 256) log.clear();
    }

    readerRunning = 0;
    readerStopped = 1;
    SetLinkHost(nullptr);
    return 0;
}
