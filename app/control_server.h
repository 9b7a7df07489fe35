// `geigersim --control PATH`: the live-control protocol (link/control_protocol.h)
// on a Unix-domain socket, against the live window. One session per client;
// clients come one after the other or together, each answered in order.
// `wait` is answered after that much real time while the window runs on.
// Nothing a client does can block the window or fill its memory. The
// socket itself is the "control" module's (app/optional_module.h), loaded
// by Listen: a window without --control never loads Qt Network.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "script/control_protocol.h"

class FrontPanelDialog;
class LocalListener;

// The window as a control host: presses as clicks, snapshots and pictures
// as its menu makes them, waits on real time.
class WindowControlHost : public geigerrun::ControlHost {
public:
    explicit WindowControlHost(FrontPanelDialog& window) : window_(window) {}

    std::string Refusal(const geigerrun::Command& cmd) const override;
    void Step(const script::Step& step) override;
    void Wait(uint64_t halfSeconds, std::function<void()> done) override;
    const LcdPicture& Presented() const override;
    bool WritePicture(const std::string& path, int scale, bool panel, std::ostream& out,
                      std::string& error) override;
    bool Save(const std::string& path, std::ostream& out, std::string& error) override;
    bool Load(const std::string& path, std::string& error) override;

private:
    FrontPanelDialog& window_;
    mutable LcdPicture presented_{};
};

class ControlServer : public QObject {
public:
    explicit ControlServer(FrontPanelDialog& window);
    // Serves `host` (the headless device), which outlives the server.
    explicit ControlServer(geigerrun::ControlHost& host);
    ~ControlServer() override;

    // Runs once a client's `quit` is answered: the headless device ends then.
    void SetQuitHandler(std::function<void()> quit) { quit_ = std::move(quit); }

    // Listens at `path`, mode 0600. Refused with `error` naming the cause
    // when `path` is longer than a socket's address holds, its folder is
    // missing or not the user's to write, it exists and is no socket, or a
    // program listens on it; a socket file nobody listens on is left over
    // from an earlier run and is replaced.
    bool Listen(const QString& path, QString& error);
    QString path() const;

private:
    void Accept();

    std::unique_ptr<WindowControlHost> window_;
    geigerrun::ControlHost& host_;
    std::function<void()> quit_;
    int clients_ = 0;  // before the server: its sockets' clients count down as it goes
    std::unique_ptr<LocalListener> server_;  // made by Listen
};
