// The engine of geigersim-run: parses command text into commands and runs
// them against the firmware on virtual time.
//
// The firmware is one global record, so there is one device per process:
// Runner::Start puts it back to the state right after the window's
// initialisation, and every run (and every in-process test) begins there.
#pragma once

#include <cstdint>
#include <ctime>
#include <deque>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/lcd.h"

namespace geigerrun {

enum class Op { Press, Wait, Real, Demo, Lcd, Png, State, Flash, Echo };

struct Command {
    Op op = Op::Echo;
    std::string where;            // "line 3", "-e 2": named in every message
    uint8_t key = 0;              // Press
    uint64_t halfSeconds = 0;     // Wait: number of 500 ms periods
    std::vector<int32_t> counts;  // Real
    std::string text;             // Echo text, Png/Flash file name
};

// Longest single wait, so that every duration fits the arithmetic and no
// typo ("7000000d") silently runs for hours.
constexpr uint64_t kMaxWaitDays = 1000;

// Appends the commands of `text` to `out`. `source` names where the text
// came from: "" for a script ("line N"), or e.g. "-e 2" ("-e 2" for a
// one-line string, "-e 2, line N" once it has several lines).
// On the first bad command returns false with `error` set to
// "<where>: <what is wrong>"; `out` then holds the commands before it.
bool Parse(std::string_view text, std::string_view source,
           std::vector<Command>& out, std::string& error);

// Duration such as "500ms", "2.5s", "10m", "24h", "7d" into 500 ms periods.
// Rejects anything that is not a positive multiple of 500 ms.
bool ParseDuration(std::string_view text, uint64_t& halfSeconds, std::string& error);
// "YYYY-MM-DDTHH:MM:SS", local time.
bool ParseClock(std::string_view text, std::time_t& when, std::string& error);
// Decimal, no sign, 0..4294967295.
bool ParseUnsigned32(std::string_view text, uint32_t& value);
// Decimal with an optional sign, -2147483648..2147483647.
bool ParseSigned32(std::string_view text, int32_t& value);

// What the runner calls for the window's timers and key clicks. Tests may
// substitute recorders to observe the order of the calls.
struct DeviceHooks {
    void (*halfSecondService)();
    void (*secondTick)();
    void (*dispatchKey)(uint8_t key);
};
DeviceHooks FirmwareHooks();

struct StartOptions {
    std::optional<std::time_t> clock;  // default: now
    std::optional<uint32_t> seed;      // default: the time, as power-on does
};

class Runner {
public:
    explicit Runner(DeviceHooks hooks = FirmwareHooks()) : hooks_(hooks) {}
    // The firmware's hand-over handler points at the runner that started it.
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;
    ~Runner();

    // The state right after the window's initialisation: record at load,
    // clock fixed, holds cleared, swivel "Normal", device unpowered, LCD
    // unlit, virtual time 0, demo mode.
    void Start(const StartOptions& options = {});

    // Runs the commands in order, writing their output to `out`. Stops at
    // the first command that fails (a file that cannot be written) and
    // returns false with `error` set to "<where>: <what>".
    bool Run(const std::vector<Command>& commands, std::ostream& out, std::string& error);

    // Single steps, as the commands do them.
    void Press(uint8_t key);
    void Wait(uint64_t halfSeconds);
    void Real(const std::vector<int32_t>& counts);
    void Demo();

    uint64_t halfTicks() const { return halfTicks_; }
    uint64_t showLcdCalls() const { return showLcdCalls_; }
    // The LCD as the window shows it: the surface as of the last hand-over
    // (ShowLcd), or the unlit surface before the first one.
    const LcdPicture& presented() const;
    size_t pendingRealCounts() const { return realQueue_.size(); }

private:
    static void CountShowLcd(void* context);
    static void FeedRealCount(void* context);

    static inline Runner* handlerOwner_ = nullptr;

    DeviceHooks hooks_;
    uint64_t halfTicks_ = 0;
    uint64_t showLcdCalls_ = 0;
    // The hand-over keeps the surface's compact snapshot; the picture is
    // expanded from it only when read, so days of virtual time stay cheap.
    std::unique_ptr<LcdCodes> handedOver_ = std::make_unique<LcdCodes>();
    uint64_t handedOverAt_ = 0;  // LcdDrawCount() at that copy
    mutable std::unique_ptr<LcdPicture> presented_ = std::make_unique<LcdPicture>();
    mutable bool presentedStale_ = true;
    std::deque<int32_t> realQueue_;
};

// A picture as 32 lines of 122 characters, each ending in '\n': '#' ink,
// '.' background, '-' anything else, read from each LCD pixel's top-left
// screen pixel.
std::string LcdText(const LcdPicture& picture);

// Every scalar field of the firmware record, plus textCursorX/Y, realMode,
// showLcdCalls and virtualMs, as one line of JSON (no trailing newline).
std::string StateJson(uint64_t showLcdCalls, uint64_t virtualMs);

// Write the 244 x 64 picture as an 8-bit RGB PNG / the 65,536-byte
// DataFlash write area. Both go to a temporary file in the target's
// directory that is renamed over the target, so a failure leaves nothing.
bool WritePng(const std::string& path, const LcdPicture& picture, std::string& error);
bool WriteFlash(const std::string& path, std::string& error);

// Text for messages: non-printable bytes as \xNN, long texts shortened.
std::string Quote(std::string_view text);

}  // namespace geigerrun
