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
    // reports than the seconds elapsed plus one are noise.
    static constexpr int64_t kNoiseWindowMs = 10'000;
    // A folded count stops here: fw.realCount is a signed 32-bit count.
    static constexpr uint32_t kMaxCount = 0x7FFF'FFFF;

    // The line opened at nowMs: the noise limit counts from here on.
    // Counts still waiting stay: they are owed to the firmware.
    void Restart(int64_t nowMs);
    // Nothing waits any more, and the noise limit counts from nowMs.
    void Clear(int64_t nowMs);

    // n reports taken from the line together, with their arrival times in
    // order: true when all of them keep within the noise limit. A batch
    // that breaks it is noise as a whole, since nothing tells its real
    // reports from the rest. Admitted or not, they count towards the limit,
    // so a burst keeps the gate shut for a window after it.
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
    int64_t startMs_ = 0;
};
