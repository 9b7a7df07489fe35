#include "media/rate_history.h"

#include <chrono>
#include <cstring>

#include "core/count_csv.h"
#include "core/dose_total.h"
#include "core/local_time.h"
#include "firmware/firmware.h"
#include "firmware/state.h"

namespace {

// The lowest CPM whose dose reaches `usv`, by the device's own conversion;
// searched again only when the level or the calibration changed, since
// the runner samples days of seconds.
uint32_t CpmForDose(float usv) {
    static float lastUsv = -1.0f;
    static CalibrationPoint lastCalibration[3] = {};
    static uint32_t lastCpm = 0;
    if (usv == lastUsv && std::memcmp(lastCalibration, fw.calibration, sizeof lastCalibration) == 0) return lastCpm;
    lastUsv = usv;
    std::memcpy(lastCalibration, fw.calibration, sizeof lastCalibration);
    uint32_t low = 0, high = 1000000;
    if (CpmToDose(high) < usv) return lastCpm = high;
    while (low < high) {
        const uint32_t mid = low + (high - low) / 2;
        if (CpmToDose(mid) >= usv) high = mid;
        else low = mid + 1;
    }
    lastCpm = low;
    return low;
}

}  // namespace

RateSample SampleOf(const DriverSecond& second, std::time_t when, bool lineLost, bool turned) {
    RateSample s;
    s.second = second.second;
    s.time = when;
    s.count = second.count;
    s.cpm = second.cpm;
    s.doseRate = second.doseRate;
    s.doseInMr = second.doseInMr;
    s.realMode = second.realMode;
    s.lineLost = second.realMode && lineLost;
    s.turned = turned;
    s.alarmReached = second.alarmSounds || second.alarmShown;
    s.alarmCompared = second.alarmCompared;
    s.alarmInCpm = second.alarmInCpm;
    s.alarmLevelCpm = second.alarmLevelCpm;
    s.alarmLevelUsv = second.alarmLevelUsv;
    s.alarmLineCpm = s.alarmInCpm ? s.alarmLevelCpm : CpmForDose(s.alarmLevelUsv);
    return s;
}

void RateHistory::Add(const RateSample& sample) {
    if (!sample.lineLost) {
        totalCount_ += static_cast<uint64_t>(sample.count < 0 ? 0 : sample.count);
        doseUsv_ += DoseOfSecondUsv(sample.doseRate);
    }
    samples_.push_back(sample);
    samples_.back().totalCount = totalCount_;
    samples_.back().doseUsv = doseUsv_;
    if (samples_.size() > kMaxSamples) samples_.pop_front();
}

std::vector<RateSample> RateHistory::Last(int minutes) const {
    if (samples_.empty()) return {};
    const uint64_t span = static_cast<uint64_t>(minutes > 0 ? minutes : 1) * 60;
    const uint64_t newest = samples_.back().second;
    auto first = samples_.begin();
    while (first != samples_.end() && first->second + span <= newest) ++first;
    return {first, samples_.end()};
}

std::string RateCsv(const std::vector<RateSample>& samples) {
    std::string out = kCountLogHeader;
    double dose = 0.0;
    for (const RateSample& s : samples) {
        if (s.lineLost) continue;
        // Every sample is a second the device measured: its count was counted.
        dose += DoseOfSecondUsv(s.doseRate);
        out += CountLogLine({LocalIsoTime(std::chrono::system_clock::from_time_t(s.time)),
                             uint32_t(s.count < 0 ? 0 : s.count), s.turned, s.cpm, true, s.alarmReached, dose, 0});
    }
    return out;
}
