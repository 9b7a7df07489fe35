// `geigersim --headless`: the device with no window and no display, for
// logging a counter unattended (a service). It drives the same host core
// and real-mode code as the window: the 500 ms cadence, the report timer
// before each second, the count log after it, the watch over the line.
// Messages go to standard error; it ends on SIGTERM, SIGINT, SIGHUP or a
// control client's `quit`, as "Exit" ends the window.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <ctime>
#include <functional>
#include <vector>

#include "app/alarm_notice.h"
#include "core/driver.h"
#include "core/panel.h"
#include "serial/link_host.h"

struct LaunchOptions;

class HeadlessDevice : public QObject, public LinkHost {
public:
    // A fresh device with its clock and demo seed, switched on at its first
    // period (as the "Restart" switch does), the hand-over kept for the
    // control socket.
    HeadlessDevice(std::time_t clock, bool seedFixed, uint32_t seed);
    ~HeadlessDevice() override;

    // Called after every second tick the firmware ran, in the order added:
    // where a publisher (MQTT, say) takes the device's seconds.
    void AddSecondListener(std::function<void(const DriverSecond&)> listener);

    // LinkHost: the report timer rides on the cadence; messages go to
    // standard error.
    void StartReportTimer() override { reportTimer_ = true; }
    void StopReportTimer() override { reportTimer_ = false; }
    void SetLayout(int turned) override { DriverSetLayout(uint8_t(turned != 0)); }
    void ShowMessage(const char* text, const char* caption) override;
    void ShowNotice(const char* text) override;
    void ShowDetailedMessage(const char* text, const char* caption, const char* informative) override;


private:
    void HalfSecondEvent();
    static void NoteSecond(const DriverSecond& second, void* context);

    QTimer halfSecond_;
    QTimer watch_;
    bool reportTimer_ = false;
    bool powerPressed_ = false;
    AlarmNotice alarm_;
    std::vector<std::function<void(const DriverSecond&)>> listeners_;
};

// The whole headless run from parsed options, under a QCoreApplication:
// the files and the port opened (exit status 2 with the cause on standard
// error when one cannot be), the control socket, then the event loop until
// a stop signal or `quit`. Returns the exit status.
int RunHeadless(const LaunchOptions& options);
