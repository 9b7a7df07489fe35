// Recording a window session as a geigersim-run script: the file and the
// window's side of SessionScript. The file is written through after every
// command, so a program that is killed still leaves a script that runs.
#pragma once

#include <QFile>
#include <QString>
#include <cstdint>
#include <string>

#include "app/session_script.h"

class SessionRecorder {
public:
    SessionRecorder() = default;
    SessionRecorder(const SessionRecorder&) = delete;
    SessionRecorder& operator=(const SessionRecorder&) = delete;
    ~SessionRecorder() { Stop(); }

    // Creates (or empties) path and writes the header. A failure is shown
    // in a message box and returns false.
    bool Start(const QString& path, const SessionHeader& header);
    // Writes the periods held back and closes the file.
    void Stop();
    bool active() const { return file_.isOpen(); }

    // A key event, by the DeviceKey number dispatched.
    void Press(uint8_t key);
    // For FirmwareTimerPeriod's once-a-second hook (context: the recorder):
    // notes the count and mode the second tick is about to read.
    static void BeforeSecondTick(void* recorder);
    // One timer period, after it ran.
    void Period(bool secondTick);

private:
    // A failed write is shown once and ends the recording.
    void Write(const std::string& text);

    QFile file_;
    SessionScript script_;
    bool tickRealMode_ = false;
    int32_t tickRealCount_ = 0;
};
