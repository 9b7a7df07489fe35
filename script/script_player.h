// Plays a script's device steps on the host core, as the window's clicks,
// timers and count source would: one executor for geigersim-run and for a
// web page (through a thin C interface). Virtual time: a wait runs its
// 500 ms periods at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "core/driver.h"
#include "platform/lcd.h"
#include "script/script_language.h"

namespace script {

// What the player calls for the window's timers and key clicks. Tests
// substitute recorders to observe the order of the calls.
struct DeviceHooks {
    FirmwareServices services = kFirmwareServices;
    void (*press)(uint8_t key) = DriverPress;
};

// The firmware is one global record, so one player drives it at a time.
class Player {
public:
    explicit Player(DeviceHooks hooks = {}) : hooks_(hooks) {}

    // A fresh device (DriverStart with `options`), in demo mode with no
    // counts pending. Called once per run, before any step.
    void Start(const DriverStartOptions& options);

    // One step, by its kind: Press, Wait, Real, Demo or Walk below.
    void Play(const Step& step);
    // A key click (a DeviceKey number), run to completion.
    void Press(uint8_t key);
    // `halfSeconds` timer periods (DriverPeriod each); in real mode every
    // second tick first takes the next pending count, or 0 once there is
    // none, as the window's report timer does when no report came.
    void Wait(uint64_t halfSeconds);
    // Real mode, with `counts` for the coming second ticks in place of any
    // still pending.
    void Real(const std::vector<int32_t>& counts);
    // Demo mode: random counts again; pending counts are dropped.
    void Demo();
    // `presses` clicks of random keys, each followed by a random 1..kWalkGapMax
    // periods, all drawn from `seed` (WalkSource).
    void Walk(uint32_t presses, uint32_t seed);

    // Real counts not yet taken by a second tick.
    size_t pendingRealCounts() const { return realQueue_.size(); }
    // Whether the last second tick in real mode took a count (a report
    // came) rather than reading 0 for want of one.
    bool lastSecondReported() const { return lastSecondReported_; }

    // The device as a snapshot (firmware/snapshot.h), with `handedOver` (the
    // host's picture as of the last hand-over) and the pending counts.
    std::string Save(const LcdBits& handedOver) const;
    // Puts the device back from snapshot bytes, `handedOver` and the pending
    // counts with it. False with `why` set, and nothing changed, when the
    // bytes are not a snapshot this version reads.
    bool Load(std::string_view bytes, LcdBits& handedOver, std::string& why);

private:
    static void FeedRealCount(void* player);

    DeviceHooks hooks_;
    std::deque<int32_t> realQueue_;
    bool lastSecondReported_ = false;
};

}  // namespace script
