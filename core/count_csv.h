// The count log's lines, written once: the window's log of a real counter
// and the chart's "Save as CSV…" (and the runner's chart CSV) share them.
#pragma once

#include <cstdint>
#include <string>

inline constexpr const char* kCountLogHeader = "time,count,turned,cpm\n";

// One line: the time stamp as given (core/local_time.h), the count, the
// turned flag as 0/1 and the CPM.
inline std::string CountLogLine(const std::string& time, int32_t count, bool turned, uint32_t cpm) {
    return time + "," + std::to_string(count) + "," + (turned ? "1" : "0") + "," + std::to_string(cpm) + "\n";
}
