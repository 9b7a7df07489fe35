// The click is a short decaying burst, the alarm a buzzer-like square tone:
// both generated, so there are no sample files.
#include "media/sound.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace sound {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kClickHz = 3200.0;
constexpr double kClickLevel = 0.8;
constexpr double kAlarmHz = 2700.0;
constexpr double kAlarmLevel = 0.2;
// The alarm beeps: on for the first part of every quarter second.
constexpr double kBeepPeriod = 0.25;
constexpr double kBeepOn = 0.15;

// A fixed mix of the second's number and the slot, so the places look
// random but repeat on every run.
double Unit(uint64_t second, uint32_t slot) {
    uint64_t z = second * 0x9E3779B97F4A7C15ull + slot + 0x632BE59BD9B4E019ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / 9007199254740992.0;  // [0, 1)
}

int16_t Clip(double v) {
    v = std::clamp(v, -1.0, 1.0);
    return static_cast<int16_t>(std::lround(v * 32767.0));
}

}  // namespace

SoundSecond FromDriverSecond(const DriverSecond& second) {
    SoundSecond s;
    s.second = second.second;
    s.clicks = second.clicks && second.count > 0 ? static_cast<uint32_t>(second.count) : 0;
    s.alarm = second.alarmSounds;
    return s;
}

std::vector<double> ClickOffsets(uint64_t second, uint32_t clicks) {
    std::vector<double> out;
    out.reserve(clicks);
    const double slot = 1.0 / clicks;
    // Within the middle of its slot, so neighbouring clicks never merge.
    for (uint32_t i = 0; i < clicks; ++i) out.push_back(slot * (i + 0.1 + 0.8 * Unit(second, i)));
    return out;
}

std::vector<int16_t> RenderSecond(const SoundSecond& s) {
    std::vector<double> mix(kSampleRate, 0.0);
    if (s.alarm) {
        // The phase runs on from the start of the run, so alarm seconds in a
        // row join without a seam.
        const uint64_t first = (s.second - 1) * kSampleRate;
        for (int n = 0; n < kSampleRate; ++n) {
            const double t = static_cast<double>(n) / kSampleRate;
            if (std::fmod(t, kBeepPeriod) >= kBeepOn) continue;
            const double phase = std::fmod(static_cast<double>(first + n) * kAlarmHz / kSampleRate, 1.0);
            mix[n] += phase < 0.5 ? kAlarmLevel : -kAlarmLevel;
        }
    }
    const int clickLength = static_cast<int>(kClickSeconds * kSampleRate);
    for (double offset : ClickOffsets(s.second, s.clicks)) {
        const int start = static_cast<int>(offset * kSampleRate);
        for (int n = 0; n < clickLength && start + n < kSampleRate; ++n) {
            const double t = static_cast<double>(n) / kSampleRate;
            mix[start + n] += kClickLevel * std::exp(-t / (kClickSeconds / 4)) * std::sin(2 * kPi * kClickHz * t + kPi / 2);
        }
    }
    std::vector<int16_t> out(kSampleRate);
    std::transform(mix.begin(), mix.end(), out.begin(), Clip);
    return out;
}

void Track::Add(const SoundSecond& s) {
    if (s.clicks == 0 && !s.alarm) return;
    seconds_.push_back(s);
    while (!seconds_.empty() && seconds_.front().second + kMaxTrackSeconds < s.second) seconds_.pop_front();
}

std::vector<int16_t> Track::Render(double lengthSeconds) const {
    const auto total = static_cast<size_t>(std::clamp(lengthSeconds, 0.0, kMaxTrackSeconds) * kSampleRate);
    std::vector<int16_t> out(total, 0);
    for (const SoundSecond& s : seconds_) {
        if (s.second == 0 || (s.clicks == 0 && !s.alarm)) continue;
        const size_t at = (s.second - 1) * kSampleRate;
        if (at >= total) continue;
        const std::vector<int16_t> part = RenderSecond(s);
        std::copy_n(part.begin(), std::min(part.size(), total - at), out.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return out;
}

std::string WavBytes(const std::vector<int16_t>& samples) {
    std::string out;
    auto put16 = [&](uint32_t v) {
        out += static_cast<char>(v & 0xFF);
        out += static_cast<char>((v >> 8) & 0xFF);
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
    out += "RIFF";
    put32(36 + dataBytes);
    out += "WAVEfmt ";
    put32(16);
    put16(1);  // PCM
    put16(1);  // mono
    put32(kSampleRate);
    put32(kSampleRate * 2);
    put16(2);
    put16(16);
    out += "data";
    put32(dataBytes);
    out.reserve(out.size() + dataBytes);
    for (int16_t s : samples) put16(static_cast<uint16_t>(s));
    return out;
}

}  // namespace sound
