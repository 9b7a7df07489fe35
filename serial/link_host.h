// What the device link needs from the window that hosts it: the report
// timer, the panel's orientation and message boxes. The window installs
// itself; without a host these calls do nothing, so the link runs headless.
#pragma once

class LinkHost {
public:
    virtual ~LinkHost() = default;
    // Starts (or restarts) the report timer that calls DecodeCountReport
    // once a second: right before each firmware second, so that every
    // count it hands over is taken exactly once.
    virtual void StartReportTimer() = 0;
    virtual void StopReportTimer() = 0;
    // 1 shows the turned panel, 0 the upright one.
    virtual void SetLayout(int turned) = 0;
    // An OK-only message box; a null caption means the application's title.
    virtual void ShowMessage(const char* text, const char* caption) = 0;
    // A notice that does not block: the timers keep running meanwhile.
    virtual void ShowNotice(const char* text) { (void)text; }
    // The same with an informative text under it (what went wrong and what
    // to do); a host that shows no details shows the message alone.
    virtual void ShowDetailedMessage(const char* text, const char* caption, const char* informative) {
        (void)informative;
        ShowMessage(text, caption);
    }
};

// Installs host (nullptr removes it); returns the previous one.
LinkHost* SetLinkHost(LinkHost* host);
LinkHost* CurrentLinkHost();

// Shorthands that do nothing without a host.
void HostStartReportTimer();
void HostStopReportTimer();
void HostSetLayout(int turned);
void HostShowMessage(const char* text, const char* caption = nullptr);
void HostShowNotice(const char* text);
void HostShowDetailedMessage(const char* text, const char* caption, const char* informative);
