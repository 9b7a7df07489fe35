// The format the speaker's sound asks of an audio output, written once for
// the sound module, which opens the output, and sound-check, which only asks
// whether the output would take it.
#pragma once

#include <QAudioDevice>
#include <QAudioFormat>

// Mono Int16 at `sampleRate` (Hz), else at twice it for a device that takes
// only the higher rate. Returns how often each sample is written (1 or 2)
// with the chosen `format`, or 0 when `device` is null or takes neither.
inline int ChooseSoundFormat(const QAudioDevice& device, int sampleRate, QAudioFormat& format) {
    if (device.isNull()) return 0;
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    for (int repeat = 1; repeat <= 2; ++repeat) {
        format.setSampleRate(repeat * sampleRate);
        if (device.isFormatSupported(format)) return repeat;
    }
    return 0;
}
