// The control socket: a QLocalServer (the "control" module's) at a full path, one protocol session
// per client, and the window as the session's host.
#include "app/control_server.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cerrno>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/front_panel_dialog.h"
#include "app/module_parts.h"
#include "app/optional_module.h"
#include "app/popup_menu.h"
#include "core/bounded_read.h"
#include "media/panel_render.h"
#include "platform/clock.h"

namespace {

// Answers a client has not read past this are dropped with the client:
// it is not reading, and the window's memory is not its queue. Far above
// the largest answer (the whole panel as a PNG at scale 8, in base64:
// under 1 MB).
constexpr qint64 kMaxUnreadBytes = qint64{4} << 20;
// A socket's path is at most this many bytes (sockaddr_un's 108 with its 0).
constexpr qsizetype kMaxSocketPathBytes = sizeof(sockaddr_un::sun_path) - 1;
// Clients at once; one more is answered so and closed.
constexpr int kMaxClients = 32;
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

// What a file write or `-` gives: the runner's rules and messages, except
// that a pipe or a device is refused rather than waited on.
bool WriteBytes(const std::string& path, const QByteArray& bytes, std::ostream& out, std::string& error) {
    if (path == "-") {
        out.write(bytes.constData(), std::streamsize(bytes.size()));
        return true;
    }
    if (const char* kind = NotRegularFile(path)) {
        error = "cannot write " + script::Quote(path) + ": not a regular file (" + kind + "); use - for the bytes";
        return false;
    }
    QSaveFile file(QString::fromStdString(path));
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return true;
    error = "cannot write " + script::Quote(path) + ": " + file.errorString().toStdString();
    return false;
}

// One client: its session and the bytes of a request line not yet complete.
// Everything is taken as it comes, never waited for: a client that sends
// half a line, or nothing, or reads nothing, holds up no one else. Lines
// are taken one request per turn of the event loop, so the panel and the
// other clients get theirs between any two, and only once the last is
// answered, so a client that sends many behind a `wait` leaves them in its
// socket rather than in the window's memory.
class Client : public QObject {
public:
    Client(LocalListener& server, QIODevice* socket, geigerrun::ControlHost& host, int& clients,
           const std::function<void()>& quit)
        : QObject(socket), server_(server), socket_(socket), session_(host), clients_(clients), quit_(quit) {
        ++clients_;
        // Qt's own buffer stops taking bytes past a line's worth; the rest
        // waits in the socket until the session is ready for it.
        server_.SetReadBufferSize(socket, kReadChunk);
        connect(socket, &QIODevice::readyRead, this, [this] { Read(); });
        server_.OnDisconnected(socket, socket, [socket] { socket->deleteLater(); });
    }
    ~Client() override { --clients_; }

private:
    static constexpr qint64 kReadChunk = 64 * 1024;

    void Read() {
        reading_ = true;
        while (!session_.finished() && !session_.busy() && server_.Connected(socket_)) {
            const qsizetype end = buffer_.indexOf('\n');
            const qsizetype length = end < 0 ? buffer_.size() : end;
            if (size_t(length) > geigerrun::kMaxRequestLineBytes) {
                Drop();
                break;
            }
            if (end < 0) {
                const QByteArray more = socket_->read(kReadChunk);
                if (more.isEmpty()) break;
                buffer_ += more;
                continue;
            }
            QByteArray line = buffer_.left(end);
            buffer_.remove(0, end + 1);
            if (line.endsWith('\r')) line.chop(1);
            // The answer may come after the client has gone; it is dropped then.
            QPointer<QIODevice> socket = socket_;
            session_.Request(std::string_view(line.constData(), size_t(line.size())),
                             [socket, this](const std::string& answer) {
                                 if (!socket.isNull()) Answer(answer);
                             });
            // The next request, if any, on the next turn; after a wait, its answer calls again.
            if (!session_.busy()) QTimer::singleShot(0, this, [this] { Read(); });
            break;
        }
        reading_ = false;
    }

    void Answer(const std::string& answer) {
        if (socket_->bytesToWrite() > kMaxUnreadBytes) {
            // It reads nothing: gone, and this with it.
            server_.Abort(socket_);
            socket_->deleteLater();
            return;
        }
        socket_->write(answer.data(), qint64(answer.size()));
        socket_->write("\n", 1);
        server_.Flush(socket_);
        if (session_.finished() && !session_.busy()) {
            server_.DisconnectFromServer(socket_);
            if (quit_) quit_();
        } else if (!reading_) {
            // An answer after a wait: the lines sent meanwhile are still to
            // be taken, and no new bytes may come to say so.
            QTimer::singleShot(0, this, [this] { Read(); });
        }
    }

    void Drop() {
        buffer_.clear();
        socket_->write("{\"ok\":false,\"error\":\"request line too long (more than 1 MiB)\"}\n");
        server_.DisconnectFromServer(socket_);
    }

    LocalListener& server_;
    QIODevice* socket_;
    geigerrun::ControlSession session_;
    QByteArray buffer_;
    int& clients_;
    const std::function<void()>& quit_;
    bool reading_ = false;  // Read() is taking a line: it calls again itself
};

}  // namespace

std::string WindowControlHost::Refusal(const geigerrun::Command& cmd) const {
    if (cmd.op != geigerrun::Op::Real) return ControlHost::Refusal(cmd);
    return "the window takes real counts from a counter on a serial port: choose one under \"Real Mode\" in "
           "its menu, or start it with --port";
}

void WindowControlHost::Step(const script::Step& step) {
    switch (step.kind) {
        case script::StepKind::Press:
            for (uint16_t i = 0; i < step.times; ++i) window_.PressAsClick(step.key);
            break;
        case script::StepKind::Demo:
            if (step.demoRate != script::kKeepDemoRate) SetDemoRate(step.demoRate);
            window_.OnMenuCommand(kCmdDemoMode);
            break;
        case script::StepKind::Real:  // not in the socket's column of the command table
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
    : window_(std::make_unique<WindowControlHost>(window)), host_(*window_) {}

ControlServer::ControlServer(geigerrun::ControlHost& host) : host_(host) {}

ControlServer::~ControlServer() {
    if (server_) server_->Close();
}

QString ControlServer::path() const { return server_ ? server_->fullServerName() : QString(); }

bool ControlServer::Listen(const QString& path, QString& error) {
    // A name without a slash would go to the temporary folder: the path is the user's.
    const QString full = QFileInfo(path).absoluteFilePath();
    const QByteArray local = QFile::encodeName(full);
    // Named before Qt tries, whose own word for all of these is "Name error".
    if (local.size() > kMaxSocketPathBytes) {
        error = QStringLiteral("cannot listen on %1: path too long (%2 bytes; at most %3)")
                    .arg(path)
                    .arg(local.size())
                    .arg(kMaxSocketPathBytes);
        return false;
    }
    const QString folder = QFileInfo(full).absolutePath();
    struct stat st;
    const bool found = ::stat(QFile::encodeName(folder).constData(), &st) == 0;
    const bool denied = !found && errno == EACCES;
    if (!denied && (!found || !S_ISDIR(st.st_mode))) {
        error = QStringLiteral("cannot listen on %1: no such folder (%2)").arg(path, folder);
        return false;
    }
    if (denied || ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
        error = QStringLiteral("cannot listen on %1: permission denied (%2)").arg(path, folder);
        return false;
    }
    if (!server_) {
        std::string why;
        auto make = reinterpret_cast<NewLocalListenerFn>(OptionalModuleSymbol(kControlModule, kNewLocalListener, why));
        if (make == nullptr) {
            error = QStringLiteral("cannot listen on %1: %2").arg(path, QString::fromStdString(why));
            return false;
        }
        server_.reset(make([this] { Accept(); }));
    }
    if (::lstat(local.constData(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            error = QStringLiteral("%1 exists and is not a socket").arg(path);
            return false;
        }
        if (server_->SomeoneListens(full, 1000)) {
            error = QStringLiteral("another program listens on %1").arg(path);
            return false;
        }
        server_->RemoveServer(full);  // left over: nobody listens
    }
    // Owner only from its creation on, not just after a chmod. Bound in
    // place (no socket options): the process has no other thread yet that
    // could create a file under the narrower mask.
    const mode_t mask = ::umask(0177);
    QString why;
    const bool listening = server_->Listen(full, why);
    ::umask(mask);
    if (!listening) {
        error = QStringLiteral("cannot listen on %1: %2").arg(path, why);
        return false;
    }
    return true;
}

void ControlServer::Accept() {
    while (QIODevice* socket = server_->NextPending()) {
        if (clients_ >= kMaxClients) {
            socket->write("{\"ok\":false,\"error\":\"too many clients at once\"}\n");
            server_->DisconnectFromServer(socket);
            server_->OnDisconnected(socket, socket, [socket] { socket->deleteLater(); });
            continue;
        }
        new Client(*server_, socket, host_, clients_, quit_);
    }
}
