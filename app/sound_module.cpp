// The "sound" module: the desktop's default audio output through Qt
// Multimedia, loaded at the first sound once sound-check has found that
// output (app/sound_player.h).
#include <QAudioSink>
#include <QMediaDevices>
#include <algorithm>
#include <memory>

#include "app/module_parts.h"
#include "app/sound_format.h"

namespace {

class SinkOutput : public SoundOutput {
public:
    SinkOutput(std::unique_ptr<QAudioSink> sink, QIODevice* out, int repeat)
        : sink_(std::move(sink)), out_(out), repeat_(repeat) {}
    ~SinkOutput() override { sink_->stop(); }
    int repeat() const override { return repeat_; }
    qint64 bytesFree() const override { return sink_->bytesFree(); }
    qint64 Write(const char* data, qint64 size) override { return std::max<qint64>(0, out_->write(data, size)); }

private:
    std::unique_ptr<QAudioSink> sink_;
    QIODevice* out_;
    int repeat_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) SoundOutput* GeigersimOpenSoundOutput(int sampleRate) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    QAudioFormat format;
    const int repeat = ChooseSoundFormat(device, sampleRate, format);
    if (repeat == 0) return nullptr;
    auto sink = std::make_unique<QAudioSink>(device, format);
    // Room for two seconds: one playing, the next one written. An output
    // may grant less (PulseAudio about one); SoundQueue hands over as room comes.
    sink->setBufferSize(static_cast<qsizetype>(2 * sampleRate * repeat * 2));
    QIODevice* out = sink->start();
    if (out == nullptr || sink->error() != QAudio::NoError) return nullptr;
    return new SinkOutput(std::move(sink), out, repeat);
}
