// The count log's lines, written once: the window's log of a real counter
// and the chart's "Save as CSV…" (and the runner's chart CSV) share them.
#pragma once

#include <cstdint>
#include <string>

inline constexpr const char* kCountLogHeader = "time,count,turned,cpm,counted,alarm,dose_usv,noise\n";

// One line of the log, and of the chart's CSV, which shares its columns.
struct CountLogRow {
    std::string time;  // LocalIsoTime
    uint32_t count = 0;
    bool turned = false;
    uint32_t cpm = 0;
    bool counted = false;  // the firmware's second took the count (on, past the start-up logo)
    bool alarm = false;    // the alarm sounded or showed in that second
    double doseUsv = 0.0;  // since the log began
    uint32_t noise = 0;    // reports dropped as noise in that second
};
std::string CountLogLine(const CountLogRow& row);
