// The count log (--log-counts, "Log Counts to File…"): one CSV line per
// valid report decoded, with the local time of the decoding (within a watch
// period of its arrival), the count, turned 0/1, the CPM the firmware has
// after the second that took the count, whether the device counted it, the
// alarm of that second and the dose since the log began; a second in which
// reports were dropped as noise gets a line of its own saying how many. A
// new (or empty) file gets the header line first. A name holding %Y-%m-%d
// writes one file a day.
#pragma once

#include <cstdint>
#include <string>

#include "core/count_csv.h"

// The token a name may hold for one file a day, and the name for the
// local day of `unixSeconds`.
constexpr const char* kCountLogDayToken = "%Y-%m-%d";
std::string CountLogFileName(const std::string& name, long long unixSeconds);

// Appends to name (today's file for a daily name). false with error
// "<path>: <why>" (nothing is logged then).
bool StartCountLog(const std::string& name, std::string& error);
// Writes the lines still waiting for their second (not counted, with the
// CPM as it stands), then closes the file.
void StopCountLog();
bool CountLogActive();
// The file written now.
const std::string& CountLogPath();

// TakeReceivedReports, for each valid report as it is decoded; seq names
// the report, counting up.
void NoteCountForLog(uint32_t count, bool turned, uint64_t seq);
// TakeReceivedReports: n reports dropped as noise.
void NoteNoiseForLog(uint32_t n);
// The report timer: the reports up to seq have gone to the firmware, which
// counts them or not (switched off, or still showing its start-up logo);
// reports cleared from the queue go with counted false.
void NoteCountsTaken(uint64_t seq, bool counted);
// After each firmware second tick (the window's second periods): writes the
// lines of the reports that second took, each straight through to the file.
// A failed write stops the log with a notice; real mode goes on.
void CountLogAfterSecond();
// The line of a report waits for the firmware's second that takes its
// count, since the CPM it carries is the one that second computes from it.
