// What the device's speaker would do, as sound: the clicks of each second's
// counts and the alarm tone, from the seconds the core reports
// (DriverSecond). Plain C++, so the runner writes it as a WAV file and the
// window plays the same samples.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "core/driver.h"

namespace sound {

constexpr int kSampleRate = 22050;  // mono, 16-bit
constexpr double kClickSeconds = 0.002;

// The sound of one second tick: the clicks of its count and whether the
// alarm tone sounds. It covers the second the tick closes.
struct SoundSecond {
    uint64_t second = 0;  // DriverSecond::second: covers [second - 1, second)
    uint32_t clicks = 0;
    bool alarm = false;
};
SoundSecond FromDriverSecond(const DriverSecond& second);

// Offsets in seconds (0 <= t < 1, ascending) of `clicks` clicks spread over
// the second numbered `second`: one in each equal slot, at a place within
// it that varies from second to second like a tube's pulses but is the same
// on every run.
std::vector<double> ClickOffsets(uint64_t second, uint32_t clicks);

// One second of samples (kSampleRate of them) for `s`: the alarm tone, with
// the clicks on top.
std::vector<int16_t> RenderSecond(const SoundSecond& s);

// The longest sound a Track renders: three hours are 476 MB of samples.
constexpr double kMaxTrackSeconds = 3 * 3600;

// The sounding seconds of a run, in order; the others stay silent. Seconds
// more than kMaxTrackSeconds old are let go, so a run of days stays small.
class Track {
public:
    void Add(const SoundSecond& s);
    void Clear() { seconds_.clear(); }
    // `lengthSeconds` (at most kMaxTrackSeconds) of sound from time 0, the
    // virtual time of the run.
    std::vector<int16_t> Render(double lengthSeconds) const;

private:
    std::deque<SoundSecond> seconds_;
};

// A 16-bit mono PCM WAV file of `samples` at kSampleRate.
std::string WavBytes(const std::vector<int16_t>& samples);

}  // namespace sound
