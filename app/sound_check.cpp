// sound-check: whether the desktop's default audio output exists and takes
// the speaker's sound, answered by the exit status (0 yes, 1 no). The window
// runs it before loading the sound module (app/sound_player.h), so that a
// session without an audio server never maps Qt Multimedia and what it
// brings.
#include <QAudioFormat>
#include <QCoreApplication>
#include <QMediaDevices>

#include "app/sound_format.h"
#include "media/sound.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QAudioFormat format;
    return ChooseSoundFormat(QMediaDevices::defaultAudioOutput(), sound::kSampleRate, format) > 0 ? 0 : 1;
}
