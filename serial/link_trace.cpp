// Written from the window's thread (sent bytes, notes) and the reader
// (received bytes), so one lock guards the file.
#include "serial/link_trace.h"

#include <unistd.h>

#include <mutex>

#include "core/local_time.h"
#include "serial/append_file.h"

namespace {

constexpr int kBytesPerLine = 16;

std::mutex gTraceLock;
int gTraceFd = -1;
std::string gTracePath;
std::string gTraceError;

// Under gTraceLock.
void WriteLocked(const std::string& text) {
    if (gTraceFd < 0) return;
    if (AppendAll(gTraceFd, gTracePath, text, gTraceError)) return;
    ::close(gTraceFd);
    gTraceFd = -1;
}

}  // namespace

std::string TraceLine(const std::string& time, TraceDirection direction, const uint8_t* bytes, int n) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string hex;
    std::string ascii;
    for (int i = 0; i < n; ++i) {
        hex += kHex[bytes[i] >> 4];
        hex += kHex[bytes[i] & 15];
        hex += ' ';
        ascii += (bytes[i] >= 0x20 && bytes[i] < 0x7F) ? char(bytes[i]) : '.';
    }
    hex.resize(kBytesPerLine * 3, ' ');
    return time + (direction == TraceDirection::Sent ? " sent " : " recv ") + hex + "|" + ascii + "|\n";
}

bool StartLinkTrace(const std::string& path, std::string& error) {
    StopLinkTrace();
    const int fd = OpenForAppend(path, error);
    if (fd < 0) return false;
    std::lock_guard<std::mutex> lock(gTraceLock);
    gTraceFd = fd;
    gTracePath = path;
    gTraceError.clear();
    WriteLocked("# " + LocalIsoTime(std::chrono::system_clock::now()) + " trace started\n");
    if (gTraceFd >= 0) return true;
    error.swap(gTraceError);
    return false;
}

void StopLinkTrace() {
    std::lock_guard<std::mutex> lock(gTraceLock);
    if (gTraceFd >= 0) ::close(gTraceFd);
    gTraceFd = -1;
}

bool LinkTraceActive() {
    std::lock_guard<std::mutex> lock(gTraceLock);
    return gTraceFd >= 0;
}

void TraceBytes(TraceDirection direction, const uint8_t* bytes, int n) {
    if (bytes == nullptr || n <= 0) return;
    std::lock_guard<std::mutex> lock(gTraceLock);
    if (gTraceFd < 0) return;
    const std::string time = LocalIsoTime(std::chrono::system_clock::now());
    std::string text;
    for (int at = 0; at < n; at += kBytesPerLine)
        text += TraceLine(time, direction, bytes + at, n - at < kBytesPerLine ? n - at : kBytesPerLine);
    WriteLocked(text);
}

void TraceNote(const std::string& note) {
    std::lock_guard<std::mutex> lock(gTraceLock);
    WriteLocked("# " + LocalIsoTime(std::chrono::system_clock::now()) + " " + note + "\n");
}

std::string TakeLinkTraceError() {
    std::lock_guard<std::mutex> lock(gTraceLock);
    std::string error;
    error.swap(gTraceError);
    return error;
}
