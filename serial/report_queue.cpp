#include "serial/report_queue.h"

#include <algorithm>

void ReportQueue::Restart() {
    recentCount_ = 0;
    recentNext_ = 0;
    noise_ = false;
}

void ReportQueue::Clear() {
    waiting_ = 0;
    Restart();
}

bool ReportQueue::Admit(const int64_t* arrivals, int n) {
    bool within = true;
    for (int i = 0; i < n; ++i) {
        const int64_t t = arrivals[i];
        recent_[recentNext_] = t;
        recentNext_ = (recentNext_ + 1) % kRecent;
        recentCount_ = std::min(recentCount_ + 1, kRecent);
        // Noise older than a window can no longer be in it.
        if (noise_ && t - noiseEndMs_ >= kNoiseWindowMs) noise_ = false;
        const int limit = noise_ ? int((t - noiseEndMs_) / 1000) : int(kNoiseWindowMs / 1000) + 1;
        int seen = 0;
        for (int k = 0; k < recentCount_; ++k) seen += recent_[k] > t - kNoiseWindowMs ? 1 : 0;
        if (seen > limit) within = false;
    }
    if (!within && n > 0) {
        // Only what comes after the noise is weighed from now on.
        recentCount_ = 0;
        recentNext_ = 0;
        noise_ = true;
        noiseEndMs_ = arrivals[n - 1];
    }
    return within;
}

void ReportQueue::Push(uint32_t count, uint64_t seq) {
    entries_[waiting_++] = Entry{std::min(count, kMaxCount), seq};
    if (waiting_ <= kMaxWaiting) return;
    // Both oldest go to the firmware in one second; no count is lost.
    entries_[0].count = uint32_t(std::min<uint64_t>(uint64_t(entries_[0].count) + entries_[1].count, kMaxCount));
    entries_[0].seq = entries_[1].seq;
    std::copy(entries_ + 2, entries_ + waiting_, entries_ + 1);
    --waiting_;
}

uint32_t ReportQueue::Take(uint64_t& taken) {
    if (waiting_ == 0) return 0;
    const Entry first = entries_[0];
    std::copy(entries_ + 1, entries_ + waiting_, entries_);
    --waiting_;
    taken = first.seq;
    return first.count;
}
