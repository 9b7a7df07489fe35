// The alarm made plain whatever the sound: while the firmware's alarm is on
// (its tone or its LED alone), a sign on the panel, and when it starts one
// desktop notification (freedesktop Notifications over D-Bus). The window
// and the headless device feed it every second tick.
#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "core/driver.h"

// "Alarm: 291 CPM, level 100", or with a dose level in the device's unit
// "Alarm: 2.46 uSv/h, level 1.00 uSv/h".
std::string AlarmText(const DriverSecond& second);

class AlarmNotice : public QObject {
public:
    // `sign` shows the text, or hides the sign for an empty one.
    explicit AlarmNotice(std::function<void(const QString&)> sign = {});

    // Each second tick the firmware ran.
    void NoteSecond(const DriverSecond& second);
    // The alarm went off: the sign goes (the device switched off, a loaded state).
    void End();
    bool active() const { return active_; }
    // Alarms begun, each notified once (where a service listens).
    int notificationsSent() const { return sent_; }

private:
    void Notify(const QString& body);

    std::function<void(const QString&)> sign_;
    bool active_ = false;
    int sent_ = 0;
};
