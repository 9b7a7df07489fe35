// The window program's command line: read before the GUI application
// object exists, so that --help, --version and a bad option work without a
// display.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <ctime>
#include <optional>

#include "mqtt/mqtt_publisher.h"

struct LaunchOptions {
    // The "Restart" switch: the second token is a switch whose name holds
    // "Restart" after its first character; Select/Power is pressed 500 ms
    // after start.
    bool restart = false;
    int zoomPercent = 100;  // 100, 150, 200 or 300
    // Real mode at start on this device (empty: demo mode), at this rate.
    QString port;
    int baud = 115200;
    QString logCounts;  // CSV of the reports decoded, appended to
    QString traceLink;  // every byte sent and received
    std::optional<uint32_t> seed;       // the demo counts' seed at power-on
    std::optional<uint32_t> demoRate;   // the demo counts' rate (platform/clock.h)
    std::optional<std::time_t> clock;   // the device clock (platform/clock.h)
    QString record;     // the session as a geigersim-run script
    QString state;      // a snapshot the device starts from
    QString control;    // the control socket's path
    bool mute = false;  // "Sound" off at start
    bool chart = false; // the chart window open at start
    bool headless = false;  // no window: the device and its logs alone
    MqttSettings mqtt;  // --mqtt and its company, checked and the login read
};

struct LaunchDecision {
    bool run = true;    // false: print and end with exitCode
    int exitCode = 0;   // 0 for --help and --version, 2 for a bad command line
    QString out;        // for standard output
    QString err;        // for standard error
};

// Reads args (args[0] is the program) into *options. The zoom levels the
// window offers, for --zoom and the menu.
LaunchDecision ParseLaunchOptions(const QStringList& args, LaunchOptions* options);
constexpr int kZoomLevels[] = {100, 150, 200, 300};
// Whether percent is one of them; --zoom and the window take no other.
constexpr bool KnownZoom(int percent) {
    for (int z : kZoomLevels)
        if (z == percent) return true;
    return false;
}
