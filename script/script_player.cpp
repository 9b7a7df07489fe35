// The device steps on the host core: keys, timer periods and the real-mode
// counts fed to the second tick.
#include "script/script_player.h"

#include "core/snapshot_bytes.h"
#include "firmware/state.h"
#include "platform/clock.h"

namespace script {

void Player::Start(const DriverStartOptions& options) {
    realQueue_.clear();
    DriverStart(options);
}

void Player::Play(const Step& step) {
    switch (step.kind) {
    case StepKind::Press:
        // Clicks in a row, nothing between them: as that many `press` lines.
        for (uint16_t i = 0; i < step.times; ++i) Press(step.key);
        break;
    case StepKind::Wait: Wait(step.halfSeconds); break;
    case StepKind::Real: Real(step.counts); break;
    case StepKind::Demo:
        if (step.demoRate != kKeepDemoRate) SetDemoRate(step.demoRate);
        Demo();
        break;
    case StepKind::Walk: Walk(step.presses, step.walkSeed); break;
    }
}

void Player::Walk(uint32_t presses, uint32_t seed) {
    WalkSource source(seed);
    for (uint32_t i = 0; i < presses; ++i) {
        Press(source.NextKey());
        Wait(source.NextGap());
    }
}

void Player::Press(uint8_t key) { hooks_.press(key); }

// The report timer hands over one count a second; a second without a
// report reads 0.
void Player::FeedRealCount(void* player) {
    auto* self = static_cast<Player*>(player);
    if (realMode == 0) return;
    self->lastSecondReported_ = !self->realQueue_.empty();
    if (self->realQueue_.empty()) {
        fw.realCount = 0;
    } else {
        fw.realCount = self->realQueue_.front();
        self->realQueue_.pop_front();
    }
}

void Player::Wait(uint64_t halfSeconds) {
    for (uint64_t i = 0; i < halfSeconds; ++i) DriverPeriod(FeedRealCount, this, hooks_.services);
}

void Player::Real(const std::vector<int32_t>& counts) {
    realMode = 1;
    realQueue_.assign(counts.begin(), counts.end());
}

void Player::Demo() {
    realMode = 0;
    realQueue_.clear();
}

std::string Player::Save(const LcdBits& handedOver) const {
    return SnapshotBytes(handedOver, std::vector<int32_t>(realQueue_.begin(), realQueue_.end()));
}

bool Player::Load(std::string_view bytes, LcdBits& handedOver, std::string& why) {
    std::vector<int32_t> counts;
    if (!SnapshotRestore(bytes, handedOver, counts, why)) return false;
    realQueue_.assign(counts.begin(), counts.end());
    return true;
}

}  // namespace script
