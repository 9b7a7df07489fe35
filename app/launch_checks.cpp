#include "app/launch_checks.h"

#include <cstdlib>

#include "app/launch_options.h"
#include "firmware/state.h"
#include "serial/count_log.h"
#include "serial/link_host.h"
#include "serial/link_trace.h"
#include "serial/real_mode.h"
#include "serial/remote_control.h"

namespace {

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Passes everything to the link's host but its message boxes, which it
// keeps: a port the command line names fails on standard error instead.
class KeepMessages : public LinkHost {
public:
    explicit KeepMessages(LinkHost* inner) : inner_(inner) {}
    void StartReportTimer() override {
        if (inner_ != nullptr) inner_->StartReportTimer();
    }
    void StopReportTimer() override {
        if (inner_ != nullptr) inner_->StopReportTimer();
    }
    void SetLayout(int turned) override {
        if (inner_ != nullptr) inner_->SetLayout(turned);
    }
    void ShowMessage(const char* text, const char* caption) override {
        (void)caption;
        kept += text;
    }
    void ShowDetailedMessage(const char* text, const char* caption, const char* informative) override {
        (void)text;
        (void)caption;
        kept += informative;
    }
    std::string kept;

private:
    LinkHost* inner_;
};

}  // namespace

bool DisplayGiven(const QStringList& args) {
    if (Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM")) return true;
    for (const QString& a : args)
        if (a == QLatin1String("-platform") || a == QLatin1String("--platform") ||
            a.startsWith(QLatin1String("-platform=")) || a.startsWith(QLatin1String("--platform=")))
            return true;
    return false;
}

bool StartLaunchFiles(const LaunchOptions& options, std::string& error) {
    if (!options.traceLink.isEmpty() && !StartLinkTrace(options.traceLink.toStdString(), error)) return false;
    if (!options.logCounts.isEmpty() && !StartCountLog(options.logCounts.toStdString(), error)) {
        StopLinkTrace();
        return false;
    }
    return true;
}

bool StartLaunchPort(const LaunchOptions& options, std::string& error) {
    if (options.port.isEmpty()) return true;
    PortSettings chosen = portSettings;
    if (const int index = IndexForRate(options.baud); index >= 0) chosen.rateIndex = index;
    chosen.devicePath = options.port.toStdString();  // "COM3" is told apart as the dialog's field does
    KeepMessages keep(CurrentLinkHost());
    LinkHost* previous = SetLinkHost(&keep);
    ChooseOtherPort(chosen);
    SetLinkHost(previous);
    if (realMode == 1) return true;
    error = options.port.toStdString() + ": " + (keep.kept.empty() ? "cannot be opened" : keep.kept);
    return false;
}
