// The control socket: a QLocalServer at a full path, one protocol session
// per client, and the window as the session's host.
#include "app/control_server.h"

#include <QBuffer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <sys/stat.h>

#include "app/front_panel_dialog.h"
#include "app/popup_menu.h"
#include "media/panel_render.h"

namespace {

// A request line longer than this is no command of the language: the
// client is cut off rather than the window's memory filled.
constexpr qsizetype kMaxRequestBytes = 1 << 20;
// QTimer counts in int milliseconds: longer waits go in slices of an hour.
constexpr qint64 kWaitSliceMs = 3'600'000;

void WaitFor(QObject* context, qint64 ms, std::function<void()> done) {
    const qint64 slice = std::min(ms, kWaitSliceMs);
    QTimer::singleShot(std::chrono::milliseconds(slice), Qt::PreciseTimer, context,
                       [context, rest = ms - slice, done = std::move(done)]() mutable {
                           if (rest > 0) {
                               WaitFor(context, rest, std::move(done));
                           } else {
                               done();
                           }
                       });
}

// What a file write or `-` gives: the runner's rules and messages.
bool WriteBytes(const std::string& path, const QByteArray& bytes, std::ostream& out, std::string& error) {
    if (path == "-") {
        out.write(bytes.constData(), std::streamsize(bytes.size()));
        return true;
    }
    QSaveFile file(QString::fromStdString(path));
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return true;
    error = "cannot write " + script::Quote(path) + ": " + file.errorString().toStdString();
    return false;
}

// One client: its session and the bytes of a request line not yet complete.
class Client : public QObject {
public:
    Client(QLocalSocket* socket, geigerrun::ControlHost& host, const std::function<void()>& quit)
        : QObject(socket), socket_(socket), session_(host), quit_(quit) {
        connect(socket, &QLocalSocket::readyRead, this, [this] { Read(); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }

private:
    void Read() {
        buffer_ += socket_->readAll();
        qsizetype end;
        while (!session_.finished() && (end = buffer_.indexOf('\n')) >= 0) {
            QByteArray line = buffer_.left(end);
            buffer_.remove(0, end + 1);
            if (line.endsWith('\r')) line.chop(1);
            // The answer may come after the client has gone; it is dropped then.
            QPointer<QLocalSocket> socket = socket_;
            session_.Request(std::string_view(line.constData(), size_t(line.size())),
                             [socket, this](const std::string& answer) {
                                 if (socket.isNull()) return;
                                 socket->write(answer.data(), qint64(answer.size()));
                                 socket->write("\n", 1);
                                 socket->flush();
                                 if (session_.finished() && !session_.busy()) {
                                     socket->disconnectFromServer();
                                     if (quit_) quit_();
                                 }
                             });
        }
        if (buffer_.size() > kMaxRequestBytes) {
            socket_->write("{\"ok\":false,\"error\":\"request line too long\"}\n");
            socket_->disconnectFromServer();
            buffer_.clear();
        }
    }

    QLocalSocket* socket_;
    geigerrun::ControlSession session_;
    const std::function<void()>& quit_;
    QByteArray buffer_;
};

}  // namespace

bool WindowControlHost::Takes(const script::Step& step, std::string& error) {
    if (step.kind != script::StepKind::Real) return true;
    error = "the window takes real counts from a counter on a serial port: choose one under \"Real Mode\" in "
            "its menu, or start it with --port";
    return false;
}

void WindowControlHost::Step(const script::Step& step) {
    switch (step.kind) {
        case script::StepKind::Press:
            for (uint16_t i = 0; i < step.times; ++i) window_.PressAsClick(step.key);
            break;
        case script::StepKind::Demo: window_.OnMenuCommand(kCmdDemoMode); break;
        case script::StepKind::Real:  // refused by Takes
        case script::StepKind::Wait:
        case script::StepKind::Walk: break;  // never a Step: the protocol runs it as another command
    }
}

void WindowControlHost::Wait(uint64_t halfSeconds, std::function<void()> done) {
    // The window's own timer runs the periods meanwhile.
    WaitFor(&window_, qint64(halfSeconds) * 500, std::move(done));
}

const LcdPicture& WindowControlHost::Presented() const {
    LcdExpand(window_.handedOverBits(), presented_);
    return presented_;
}

bool WindowControlHost::WritePicture(const std::string& path, int scale, bool panel, std::ostream& out,
                                     std::string& error) {
    const QImage image = panel ? RenderPanel(window_.CurrentScene(), scale, PanelBackground::Clear)
                               : LcdImage(Presented()).scaled(kLcdScreenWidth * scale, kLcdScreenHeight * scale);
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        error = "cannot write " + script::Quote(path) + ": the picture could not be encoded";
        return false;
    }
    return WriteBytes(path, png, out, error);
}

bool WindowControlHost::Save(const std::string& path, std::ostream& out, std::string& error) {
    const std::string bytes = window_.StateBytes();
    if (bytes.empty()) {
        error = "cannot save the device to " + script::Quote(path) + ": it holds a handler a snapshot cannot name";
        return false;
    }
    return WriteBytes(path, QByteArray::fromStdString(bytes), out, error);
}

bool WindowControlHost::Load(const std::string& path, std::string& error) {
    QString why;
    if (window_.ReadState(QString::fromStdString(path), why)) return true;
    error = "cannot load " + script::Quote(path) + ": " + why.toStdString();
    return false;
}

ControlServer::ControlServer(FrontPanelDialog& window)
    : window_(std::make_unique<WindowControlHost>(window)), host_(*window_) {
    connect(&server_, &QLocalServer::newConnection, this, [this] { Accept(); });
}

ControlServer::ControlServer(geigerrun::ControlHost& host) : host_(host) {
    connect(&server_, &QLocalServer::newConnection, this, [this] { Accept(); });
}

ControlServer::~ControlServer() { server_.close(); }

bool ControlServer::Listen(const QString& path, QString& error) {
    // A name without a slash would go to the temporary folder: the path is the user's.
    const QString full = QFileInfo(path).absoluteFilePath();
    const QByteArray local = full.toLocal8Bit();
    struct stat st;
    if (::lstat(local.constData(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            error = QStringLiteral("%1 exists and is not a socket").arg(path);
            return false;
        }
        QLocalSocket probe;
        probe.connectToServer(full);
        if (probe.waitForConnected(1000)) {
            error = QStringLiteral("another program listens on %1").arg(path);
            return false;
        }
        QLocalServer::removeServer(full);  // left over: nobody listens
    }
    // Owner only from its creation on, not just after a chmod. Bound in
    // place (no socket options): the process has no other thread yet that
    // could create a file under the narrower mask.
    const mode_t mask = ::umask(0177);
    const bool listening = server_.listen(full);
    ::umask(mask);
    if (!listening) {
        error = QStringLiteral("cannot listen on %1: %2").arg(path, server_.errorString());
        return false;
    }
    return true;
}

void ControlServer::Accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) new Client(socket, host_, quit_);
}
