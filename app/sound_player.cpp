// The speaker's sound: at the first audible second, sound-check is asked in
// its own process; the sound module is loaded only when it answers yes.
#include "app/sound_player.h"

#include <QProcess>
#include <QTimer>
#include <algorithm>

#include "app/module_parts.h"
#include "app/optional_module.h"

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {}

// A check still running ends with the player, unanswered: killed here, as
// QProcess would do with a warning.
SoundPlayer::~SoundPlayer() {
    if (!process_ || process_->state() == QProcess::NotRunning) return;
    process_->disconnect(this);
    process_->kill();
    process_->waitForFinished(1000);
}

void SoundPlayer::SetCheck(QStringList command, int timeoutMs) {
    check_ = std::move(command);
    checkMs_ = timeoutMs;
}

// Asked at the first sound, so a silent session starts nothing. Without a
// check to run, the module is loaded at once, as it was before there was one.
void SoundPlayer::StartCheck() {
    QStringList command = check_;
    if (command.isEmpty()) {
        std::string why;
        const std::string path = OptionalPartPath(kSoundCheck, why);
        if (!path.empty()) command << QString::fromStdString(path);
    }
    if (command.isEmpty()) {
        state_ = State::Done;
        Open();
        return;
    }
    state_ = State::Checking;
    process_ = std::make_unique<QProcess>();
    QProcess* check = process_.get();
    check->setStandardInputFile(QProcess::nullDevice());
    check->setStandardOutputFile(QProcess::nullDevice());
    check->setStandardErrorFile(QProcess::nullDevice());
    connect(check, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        EndCheck(status == QProcess::NormalExit && code == 0);
    });
    // A check that cannot start says nothing about the output: load as without one.
    connect(check, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) EndCheck(true);
    });
    // Killed, it finishes as crashed: no output.
    QTimer::singleShot(checkMs_, check, [check] { check->kill(); });
    check->start(command.first(), command.mid(1));  // last: it may fail and end the check at once
}

void SoundPlayer::EndCheck(bool load) {
    if (state_ != State::Checking) return;
    state_ = State::Done;
    process_->disconnect(this);  // kept, ended, until the player goes: this may run inside its signal
    if (load) Open();
}

void SoundPlayer::Open() {
    std::string why;
    auto open = reinterpret_cast<OpenSoundOutputFn>(OptionalModuleSymbol(kSoundModule, kOpenSoundOutput, why));
    if (open == nullptr) return;
    loaded_ = true;
    out_.reset(open(sound::kSampleRate));
}

void SoundPlayer::Play(const sound::SoundSecond& second) {
    if (!on_ || (second.clicks == 0 && !second.alarm)) return;
    if (state_ == State::NotYet) StartCheck();
    if (!out_) return;  // no output, or the check still asks: the second is dropped
    const int repeat = out_->repeat();
    const std::vector<int16_t> pcm = sound::RenderSecond(second);
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(pcm.size() * sizeof(int16_t) * static_cast<size_t>(repeat)));
    auto* to = reinterpret_cast<int16_t*>(bytes.data());
    for (int16_t s : pcm)
        for (int r = 0; r < repeat; ++r) *to++ = s;
    if (!queue_.Add(bytes) || !queue_.Feed(*out_)) return;
    // What did not fit goes as the output plays on, often enough that the
    // output never runs dry while bytes wait.
    if (feed_ == nullptr) {
        feed_ = new QTimer(this);
        feed_->setInterval(100);
        connect(feed_, &QTimer::timeout, this, [this] {
            if (!queue_.Feed(*out_)) feed_->stop();
        });
    }
    feed_->start();
}

bool SoundQueue::Add(const QByteArray& second) {
    if (waiting() > second.size() / 2) return false;
    waiting_.remove(0, start_);
    start_ = 0;
    waiting_.append(second);
    return true;
}

bool SoundQueue::Feed(SoundOutput& out) {
    const qint64 room = std::min(out.bytesFree(), waiting()) & ~qint64(1);
    if (room > 0) start_ += out.Write(waiting_.constData() + start_, room);
    return waiting() > 0;
}
