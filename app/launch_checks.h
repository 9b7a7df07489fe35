// What the command line asks that can fail at start (the files, the port,
// a display) is tried before any window exists, so an unattended start
// fails loudly (standard error, exit status 2) rather than behind a box.
#pragma once

#include <QStringList>
#include <string>

struct LaunchOptions;

// Whether Qt can find a display: DISPLAY, WAYLAND_DISPLAY or a platform
// named by QT_QPA_PLATFORM or -platform. Checked before the application
// object, which would abort without one.
bool DisplayGiven(const QStringList& args);

// --trace-link, then --log-counts, opened for appending. false with error
// "PATH: cause" (the trace, if open, is stopped again).
bool StartLaunchFiles(const LaunchOptions& options, std::string& error);
// --port and --baud: real mode on the port as "Other Port" chooses it, with
// the link's host installed. false with error "PATH: cause" and demo mode
// when it cannot be opened.
bool StartLaunchPort(const LaunchOptions& options, std::string& error);
