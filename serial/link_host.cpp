// The one window the link reports to, and the shorthands that do nothing
// while there is none.
#include "serial/link_host.h"

namespace {
LinkHost* gHost = nullptr;
}  // namespace

LinkHost* SetLinkHost(LinkHost* host) {
    LinkHost* previous = gHost;
    gHost = host;
    return previous;
}
LinkHost* CurrentLinkHost() { return gHost; }

void HostStartReportTimer() {
    if (gHost != nullptr) gHost->StartReportTimer();
}
void HostStopReportTimer() {
    if (gHost != nullptr) gHost->StopReportTimer();
}
void HostSetLayout(int turned) {
    if (gHost != nullptr) gHost->SetLayout(turned);
}
void HostShowMessage(const char* text, const char* caption) {
    if (gHost != nullptr) gHost->ShowMessage(text, caption);
}
void HostShowDetailedMessage(const char* text, const char* caption, const char* informative) {
    if (gHost != nullptr) gHost->ShowDetailedMessage(text, caption, informative);
}

void HostShowNotice(const char* text) {
    if (gHost != nullptr) gHost->ShowNotice(text);
}
