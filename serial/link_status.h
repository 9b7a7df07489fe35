// The link at a glance: the state the panel's lamp shows, the counters of
// its tooltip, and the watch over a line that goes away (a USB adapter
// pulled out, a pseudo-terminal closed), which retries it once a second.
// Plain C++; the window calls ServiceLink from a timer and reads the rest.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

// Off in demo mode; Receiving while a valid report came within
// kQuietAfterMs; Quiet while the line is open and none did; Lost while the
// line is gone (or the chosen port did not open).
enum class LinkState : uint8_t { Off, Receiving, Quiet, Lost };

constexpr int64_t kQuietAfterMs = 2500;
constexpr int64_t kRetryEveryMs = 1000;

// The notices of a line that went away and of its first report once back,
// each followed by the path; the window tells them apart by these.
constexpr std::string_view kLineLostNotice = "Counter disconnected: ";
constexpr std::string_view kLineBackNotice = "Counter reconnected: ";

struct LinkStatus {
    std::string path;          // the line as chosen (a /dev/serial/by-id name stays that name)
    int rate = 0;              // bit/s
    bool lost = false;         // gone; retried every kRetryEveryMs
    int64_t nextRetryMs = 0;
    int64_t lastReportMs = -1; // LinkClockMs of the last valid report; -1 none since the line opened
    bool announceBack = false; // back after a loss: its first report brings kLineBackNotice
    // Since the port was chosen; a reconnection keeps them.
    uint64_t reports = 0;
    uint64_t ignoredPairs = 0;  // with the reports dropped as noise
    uint64_t droppedBytes = 0;  // guarded by rxLock: the reader adds to it
};

// Touched by the window's thread only, but for droppedBytes.
extern LinkStatus linkStatus;
// Set by the reader when it left its loop because the line went away.
extern std::atomic<uint8_t> lineLostByReader;

// Milliseconds of a steady clock.
int64_t LinkClockMs();

// The lamp's state. lineOpen: the port is open and read.
LinkState StateOf(uint8_t realMode, bool lineOpen, const LinkStatus& status, int64_t nowMs);
// The current state and a copy of the status, taken consistently.
LinkState CurrentLinkState(int64_t nowMs);
LinkStatus CurrentLinkStatus();
// The lamp's tooltip: path and rate, the counters, seconds since the last
// valid report.
std::string DescribeLink(LinkState state, const LinkStatus& status, int64_t nowMs);

// Counters kept by TakeReceivedReports and AppendReceived: n valid reports
// taken at nowMs.
void NoteValidReport(int64_t nowMs, uint64_t n = 1);
void NoteIgnoredPair();
// A new line was chosen: counters from zero.
void ResetLinkStatus(const std::string& path, int rate);

// The window calls this every few hundred ms. It takes the reports received
// since (so the count log hears of each soon after it came). When the reader
// lost the line: what it received is decoded, the port is closed, the counts
// still queued go on to the firmware and then 0 each second, the notice
// "Counter disconnected: PATH" goes out (not blocking) and retries start;
// a retry that opens the line starts it as a port choice does (same rate,
// "<HEARTBEAT1>>" 300 ms later), and its first report brings "Counter
// reconnected: PATH". Also reports a stopped trace.
void ServiceLink(int64_t nowMs);
// "Exit": no more retries in the moments before the window closes.
void EndLinkRetries();
