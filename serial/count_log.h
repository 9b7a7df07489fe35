// The count log (--log-counts, "Log Counts to File…"): one CSV line per
// valid report decoded, with the local time of the decoding (within a watch
// period of its arrival), the count, turned 0/1 and the CPM the firmware has
// after the second that took the count. A new (or empty) file gets the
// header line first.
#pragma once

#include <cstdint>
#include <string>

#include "core/count_csv.h"

// Appends to path. false with error "<path>: <why>" (nothing is logged then).
bool StartCountLog(const std::string& path, std::string& error);
// Writes the lines still waiting for their second (with the CPM as it
// stands), then closes the file.
void StopCountLog();
bool CountLogActive();
const std::string& CountLogPath();

// TakeReceivedReports, for each valid report as it is decoded; seq names
// the report, counting up.
void NoteCountForLog(uint32_t count, bool turned, uint64_t seq);
// The report timer: the reports up to seq have gone to the firmware.
void NoteCountsTaken(uint64_t seq);
// After each firmware second tick (the window's second periods): writes the
// lines of the reports that second took, each straight through to the file.
// A failed write stops the log with a notice; real mode goes on.
void CountLogAfterSecond();
