// The rate's history for the chart: one sample per second tick, kept for a
// day, fed from the core's second seam (DriverSecond) by the window and the
// runner alike. Plain C++; the chart renderer draws it.
#pragma once

#include <cstdint>
#include <ctime>
#include <deque>
#include <string>
#include <vector>

#include "core/driver.h"

struct RateSample {
    uint64_t second = 0;   // DriverSecond::second
    std::time_t time = 0;  // local wall time of the tick
    int32_t count = 0;
    uint32_t cpm = 0;
    float doseRate = 0.0f;  // uSv/h
    bool doseInMr = false;  // the device shows mR/h
    bool realMode = false;
    bool lineLost = false;  // real mode, and no report came for this second
    bool turned = false;    // the report said the counter is turned
    bool alarmReached = false;
    bool alarmCompared = false;
    bool alarmInCpm = true;
    uint32_t alarmLevelCpm = 0;
    float alarmLevelUsv = 0.0f;
    uint32_t alarmLineCpm = 0;  // the level as a CPM: where a dose level is first reached
    // Since the history began, this second included; RateHistory::Add keeps
    // them. Seconds of a lost line add nothing, as the count log has no line for them.
    uint64_t totalCount = 0;
    double doseUsv = 0.0;
};

RateSample SampleOf(const DriverSecond& second, std::time_t when, bool lineLost, bool turned);

class RateHistory {
public:
    static constexpr size_t kMaxSamples = 24 * 3600;

    // Fills in the sample's totals.
    void Add(const RateSample& sample);
    void Clear() { samples_.clear(); totalCount_ = 0; doseUsv_ = 0.0; }
    bool empty() const { return samples_.empty(); }
    const RateSample& Newest() const { return samples_.back(); }
    // The samples of the last `minutes` minutes before the newest (all
    // since the start when the run is shorter), oldest first.
    std::vector<RateSample> Last(int minutes) const;

private:
    std::deque<RateSample> samples_;
    uint64_t totalCount_ = 0;
    double doseUsv_ = 0.0;
};

// The samples as the count log writes its lines: its header, then a line
// per second ticked, the dose summed from the first; seconds without a
// report (line lost) are left out, as the log has no line for them.
std::string RateCsv(const std::vector<RateSample>& samples);
