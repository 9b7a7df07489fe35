// Time stamps for the files the link writes (the count log, the trace).
#pragma once

#include <chrono>
#include <string>

// Local time in ISO 8601 with milliseconds and the offset from UTC:
// "2026-12-08T23:15:01.123+01:00".
std::string LocalIsoTime(std::chrono::system_clock::time_point when);
