// A LinkHost that records what the link asked of the window.
#pragma once

#include <string>
#include <vector>

#include "serial/link_host.h"

struct RecordingHost : LinkHost {
    bool timerRunning = false;
    int timerStarts = 0;
    std::vector<int> layouts;
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption ("" = title)
    std::vector<std::string> notices;

    void StartReportTimer() override {
        timerRunning = true;
        ++timerStarts;
    }
    void StopReportTimer() override { timerRunning = false; }
    void SetLayout(int turned) override { layouts.push_back(turned); }
    void ShowMessage(const char* text, const char* caption) override {
        messages.emplace_back(text, caption != nullptr ? caption : "");
    }
    void ShowNotice(const char* text) override { notices.emplace_back(text); }
};
