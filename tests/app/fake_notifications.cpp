// A stand-in desktop notification service for the tests: owns
// org.freedesktop.Notifications on the session bus (a private one the test
// starts) and prints each notification as "SUMMARY|BODY", one a line.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <cstdio>

namespace {

class Notifications : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() == QLatin1String("Notify") && message.arguments().size() == 8) {
            const QList<QVariant> a = message.arguments();
            std::printf("%s|%s\n", qPrintable(a[3].toString()), qPrintable(a[4].toString()));
            std::fflush(stdout);
            connection.send(message.createReply(QVariant::fromValue(++id_)));
            return true;
        }
        if (message.member() == QLatin1String("GetCapabilities")) {
            connection.send(message.createReply(QStringList{QStringLiteral("body")}));
            return true;
        }
        return false;
    }

private:
    uint id_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    Notifications service;
    if (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &service) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "fake_notifications: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
