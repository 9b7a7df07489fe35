#include "app/alarm_notice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QVariantMap>
#include <cstdio>

namespace {

std::string DoseInUnit(float usv, bool inMr) {
    char text[32];
    if (inMr) std::snprintf(text, sizeof text, "%.3f mR/h", double(usv) * 0.1);
    else std::snprintf(text, sizeof text, "%.2f uSv/h", double(usv));
    return text;
}

}  // namespace

std::string AlarmText(const DriverSecond& s) {
    if (s.alarmInCpm) return "Alarm: " + std::to_string(s.cpm) + " CPM, level " + std::to_string(s.alarmLevelCpm);
    return "Alarm: " + DoseInUnit(s.doseRate, s.doseInMr) + ", level " + DoseInUnit(s.alarmLevelUsv, s.doseInMr);
}

AlarmNotice::AlarmNotice(std::function<void(const QString&)> sign) : sign_(std::move(sign)) {}

void AlarmNotice::NoteSecond(const DriverSecond& second) {
    if (!(second.alarmSounds || second.alarmShown)) {
        End();
        return;
    }
    const QString text = QString::fromStdString(AlarmText(second));
    if (sign_) sign_(text);
    if (active_) return;
    active_ = true;
    ++sent_;
    Notify(text);
}

void AlarmNotice::End() {
    if (!active_) return;
    active_ = false;
    if (sign_) sign_(QString());
}

void AlarmNotice::Notify(const QString& body) {
    // Asynchronous and unanswered: with no notification service, or no
    // session bus at all, nothing waits and nothing breaks.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(2)));  // critical
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral(GEIGERSIM_APP_ID));
    call << QStringLiteral("geigersim") << uint(0) << QStringLiteral(GEIGERSIM_APP_ID)
         << QStringLiteral("Radiation alarm") << body << QStringList() << hints << int(-1);
    bus.asyncCall(call);
}
