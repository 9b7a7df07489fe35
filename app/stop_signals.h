// SIGTERM, SIGINT and SIGHUP end the program as "Exit" does: the handler
// only writes a byte to a pipe, and the event loop, woken by it, runs the
// ordinary way out (every decoded report logged, files closed, the control
// socket's file removed).
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

class StopSignals : public QObject {
public:
    // Installs the handlers; `stop` runs on the event loop, once per signal.
    explicit StopSignals(std::function<void()> stop);
    // Puts the default handlers back.
    ~StopSignals() override;

private:
    std::function<void()> stop_;
    QSocketNotifier* notifier_ = nullptr;
};
