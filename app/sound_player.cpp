#include "app/sound_player.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {}

SoundPlayer::~SoundPlayer() {
    if (sink_) sink_->stop();
}

// Opened at the first sound, so a silent session never touches the audio
// system.
bool SoundPlayer::Open() {
    if (tried_) return out_ != nullptr;
    tried_ = true;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return false;
    QAudioFormat format;
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    format.setSampleRate(sound::kSampleRate);
    if (!device.isFormatSupported(format)) {
        format.setSampleRate(2 * sound::kSampleRate);
        if (!device.isFormatSupported(format)) return false;
        repeat_ = 2;
    }
    sink_ = std::make_unique<QAudioSink>(device, format);
    // Room for two seconds: one playing, the next one written.
    sink_->setBufferSize(static_cast<qsizetype>(2 * sound::kSampleRate * repeat_ * 2));
    out_ = sink_->start();
    if (out_ == nullptr || sink_->error() != QAudio::NoError) {
        out_ = nullptr;
        sink_.reset();
        return false;
    }
    return true;
}

void SoundPlayer::Play(const sound::SoundSecond& second) {
    if (!on_ || (second.clicks == 0 && !second.alarm)) return;
    if (!Open()) return;
    const std::vector<int16_t> pcm = sound::RenderSecond(second);
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(pcm.size() * sizeof(int16_t) * static_cast<size_t>(repeat_)));
    auto* to = reinterpret_cast<int16_t*>(bytes.data());
    for (int16_t s : pcm)
        for (int r = 0; r < repeat_; ++r) *to++ = s;
    // A timer running ahead of the sound card would pile the seconds up;
    // a second without room is dropped so the clicks stay near their counts.
    if (sink_->bytesFree() < bytes.size()) return;
    out_->write(bytes);
}
