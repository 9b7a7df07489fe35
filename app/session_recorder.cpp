// The recording file: opened with its header, written through command by
// command, closed with what the script still held back.
#include "app/session_recorder.h"

#include "app/host_state.h"
#include "firmware/state.h"

bool SessionRecorder::Start(const QString& path, const SessionHeader& header) {
    Stop();
    script_ = SessionScript{};
    // Written in place rather than renamed into place at the end: the point
    // is that the file is usable at every moment of the session.
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ShowMessageBox(QStringLiteral("Could not record to %1: %2").arg(path, file_.errorString()),
                       QStringLiteral("error"));
        return false;
    }
    Write(SessionScriptHeader(header));
    return active();
}

void SessionRecorder::Stop() {
    if (!active()) return;
    Write(script_.Finish() + "# recording stopped\n");
    file_.close();
}

void SessionRecorder::Press(uint8_t key) {
    if (active()) Write(script_.Press(key));
}

void SessionRecorder::BeforeSecondTick(void* recorder) {
    auto* self = static_cast<SessionRecorder*>(recorder);
    self->tickRealMode_ = realMode != 0;
    self->tickRealCount_ = fw.realCount;
}

void SessionRecorder::Period(bool secondTick) {
    if (active()) Write(script_.Period(secondTick, tickRealMode_, tickRealCount_));
}

void SessionRecorder::Write(const std::string& text) {
    if (text.empty()) return;
    const auto size = static_cast<qint64>(text.size());
    if (file_.write(text.data(), size) == size && file_.flush()) return;
    const QString message =
        QStringLiteral("Could not write the recording %1: %2").arg(file_.fileName(), file_.errorString());
    // Closed before the box: its message loop runs the timer, which must
    // find the recording already over.
    file_.close();
    ShowMessageBox(message, QStringLiteral("error"));
}
