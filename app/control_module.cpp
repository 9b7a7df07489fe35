// The "control" module: the control socket's transport over Qt Network's
// QLocalServer, loaded by --control (app/control_server.h).
#include <QLocalServer>
#include <QLocalSocket>

#include "app/module_parts.h"

namespace {

QLocalSocket* Socket(QIODevice* device) { return static_cast<QLocalSocket*>(device); }

class Listener : public LocalListener {
public:
    explicit Listener(std::function<void()> newConnection) {
        QObject::connect(&server_, &QLocalServer::newConnection, &server_, std::move(newConnection));
    }
    bool Listen(const QString& fullPath, QString& error) override {
        if (server_.listen(fullPath)) return true;
        error = server_.errorString();
        return false;
    }
    QString fullServerName() const override { return server_.fullServerName(); }
    QIODevice* NextPending() override { return server_.nextPendingConnection(); }
    void Close() override { server_.close(); }
    bool Connected(QIODevice* socket) const override {
        return Socket(socket)->state() == QLocalSocket::ConnectedState;
    }
    void SetReadBufferSize(QIODevice* socket, qint64 size) override { Socket(socket)->setReadBufferSize(size); }
    void Abort(QIODevice* socket) override { Socket(socket)->abort(); }
    void DisconnectFromServer(QIODevice* socket) override { Socket(socket)->disconnectFromServer(); }
    void Flush(QIODevice* socket) override { Socket(socket)->flush(); }
    void OnDisconnected(QIODevice* socket, QObject* context, std::function<void()> then) override {
        QObject::connect(Socket(socket), &QLocalSocket::disconnected, context, std::move(then));
    }
    bool SomeoneListens(const QString& fullPath, int ms) override {
        QLocalSocket probe;
        probe.connectToServer(fullPath);
        return probe.waitForConnected(ms);
    }
    void RemoveServer(const QString& fullPath) override { QLocalServer::removeServer(fullPath); }

private:
    QLocalServer server_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) LocalListener* GeigersimNewLocalListener(
    std::function<void()> newConnection) {
    return new Listener(std::move(newConnection));
}
