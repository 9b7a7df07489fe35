// The link trace (--trace-link): every byte sent to and received from the
// counter, time-stamped, as hex and printable ASCII, for diagnosing a
// counter that misbehaves. Lines look like
//   2026-12-08T23:15:01.123+01:00 sent 3C 48 45 41 ...  |<HEA...|
// with at most 16 bytes a line; "#" lines note the line opening, closing and
// going away, and each pair the report timer decoded or ignored.
#pragma once

#include <cstdint>
#include <string>

enum class TraceDirection : uint8_t { Sent, Received };

// Appends to path (created if missing). false with error "<path>: <why>".
bool StartLinkTrace(const std::string& path, std::string& error);
void StopLinkTrace();
bool LinkTraceActive();

// Any thread. A write that fails stops the trace; the error waits for
// TakeLinkTraceError.
void TraceBytes(TraceDirection direction, const uint8_t* bytes, int n);
void TraceNote(const std::string& text);
// The error that stopped the trace, once ("" when none); the UI thread
// turns it into a notice.
std::string TakeLinkTraceError();

// One trace line of up to 16 bytes (pure, for tests).
std::string TraceLine(const std::string& time, TraceDirection direction, const uint8_t* bytes, int n);
