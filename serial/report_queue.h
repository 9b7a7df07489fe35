// Count reports on their way from the line to the firmware: a short queue
// that hands the firmware one count a second, in order, and the noise limit
// that keeps line noise out of it. Plain C++ without a clock: the callers
// pass the times (milliseconds of LinkClockMs).
#pragma once

#include <cstdint>

class ReportQueue {
public:
    // With more waiting than this the oldest two become one: the counter's
    // clock runs faster than ours, and the delay must stay bounded.
    static constexpr int kMaxWaiting = 4;
    // A counter reports once a second, so over any kNoiseWindowMs more
    // reports than its seconds plus one are noise. Counted from the line's
    // opening it would also refuse two reports that a late one brings
    // together in the first seconds: the window is whole from the start.
    static constexpr int64_t kNoiseWindowMs = 10'000;
    // A folded count stops here: fw.realCount is a signed 32-bit count.
    static constexpr uint32_t kMaxCount = 0x7FFF'FFFF;

    // The line opened: the noise limit forgets what came before. Counts
    // still waiting stay: they are owed to the firmware.
    void Restart();
    // Nothing waits any more, and the noise limit starts afresh.
    void Clear();

    // n reports taken from the line together, with their arrival times in
    // order: true when all of them keep within the noise limit. A batch
    // that breaks it is noise as a whole, since nothing tells its real
    // reports from the rest. After noise the limit counts only what came
    // since its last arrival, one report per whole second since then: a
    // burst that goes on stays out, and once it ends the counter's next
    // report a second later counts again.
    bool Admit(const int64_t* arrivals, int n);
    // An admitted report joins the queue; seq names it for the count log.
    void Push(uint32_t count, uint64_t seq);
    // The count for the firmware's next second, 0 when none waits; taken
    // becomes the seq of the newest report in it (unchanged when none waits).
    uint32_t Take(uint64_t& taken);
    int Waiting() const { return waiting_; }
    // The i-th waiting count, oldest first (0 <= i < Waiting()).
    uint32_t CountAt(int i) const { return entries_[i].count; }

private:
    struct Entry {
        uint32_t count;
        uint64_t seq;  // of the newest report folded into it
    };
    // Arrivals kept: one more than the limit ever allows, which is all the
    // limit needs to know.
    static constexpr int kRecent = int(kNoiseWindowMs / 1000) + 2;

    Entry entries_[kMaxWaiting + 1] = {};
    int waiting_ = 0;
    int64_t recent_[kRecent] = {};  // a ring of the latest arrivals
    int recentCount_ = 0;
    int recentNext_ = 0;
    bool noise_ = false;     // noiseEndMs_ holds the last arrival refused
    int64_t noiseEndMs_ = 0;
};
