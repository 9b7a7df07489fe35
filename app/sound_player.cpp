#include "app/sound_player.h"

#include "app/module_parts.h"
#include "app/optional_module.h"

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {}

SoundPlayer::~SoundPlayer() = default;

// Opened at the first sound, so a silent session never touches the audio
// system, nor loads it.
bool SoundPlayer::Open() {
    if (tried_) return out_ != nullptr;
    tried_ = true;
    std::string why;
    auto open = reinterpret_cast<OpenSoundOutputFn>(OptionalModuleSymbol(kSoundModule, kOpenSoundOutput, why));
    if (open == nullptr) return false;
    out_.reset(open(sound::kSampleRate));
    return out_ != nullptr;
}

void SoundPlayer::Play(const sound::SoundSecond& second) {
    if (!on_ || (second.clicks == 0 && !second.alarm)) return;
    if (!Open()) return;
    const int repeat = out_->repeat();
    const std::vector<int16_t> pcm = sound::RenderSecond(second);
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(pcm.size() * sizeof(int16_t) * static_cast<size_t>(repeat)));
    auto* to = reinterpret_cast<int16_t*>(bytes.data());
    for (int16_t s : pcm)
        for (int r = 0; r < repeat; ++r) *to++ = s;
    // A timer running ahead of the sound card would pile the seconds up;
    // a second without room is dropped so the clicks stay near their counts.
    if (out_->bytesFree() < bytes.size()) return;
    out_->Write(bytes);
}
