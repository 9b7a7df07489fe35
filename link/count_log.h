// The count log (--log-counts, "Log Counts to File…"): one CSV line per
// valid report decoded, with the local time of the decoding, the count,
// turned 0/1 and the CPM the firmware has after the second that took the
// count. A new (or empty) file gets the header line first.
#pragma once

#include <cstdint>
#include <string>

constexpr const char* kCountLogHeader = "time,count,turned,cpm\n";

// Appends to path. false with error "<path>: <why>" (nothing is logged then).
bool StartCountLog(const std::string& path, std::string& error);
void StopCountLog();
bool CountLogActive();
const std::string& CountLogPath();

// DecodeCountReport, for each valid report.
void NoteCountForLog(uint32_t count, bool turned);
// After each firmware second tick (the window's second periods): writes the
// reports noted since the last one, each straight through to the file. A
// failed write stops the log with a notice; real mode goes on.
void CountLogAfterSecond();
