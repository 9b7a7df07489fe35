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
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/driver.h"
#include "firmware/firmware.h"
#include "platform/lcd.h"

namespace geigerrun {

enum class Op {
    Press, Wait, Real, Demo, Lcd, Png, State, Flash, Echo,
    LcdFile, Text, ExpectText, ExpectLcd, ExpectField, Log, Tour
};

// How `expect FIELD OP VALUE` compares; texts take only Equal and NotEqual.
enum class Compare { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

struct Command {
    Op op = Op::Echo;
    std::string where;            // "line 3", "-e 2": named in every message
    uint8_t key = 0;              // Press
    uint64_t halfSeconds = 0;     // Wait: number of 500 ms periods
    std::vector<int32_t> counts;  // Real
    std::string text;             // Echo text; file name; ExpectText's bytes; ExpectField's name
    // ExpectText: the cell of the first glyph.
    uint8_t x = 0, y = 0;
    // Png and Tour: nearest-neighbour scale 1..8, and the whole front panel.
    uint8_t scale = 1;
    bool panel = false;
    // ExpectLcd: the dump read from `file` at parse time.
    std::string file;
    std::string dump;
    // ExpectField: the comparison and its value as JSON text.
    Compare compare = Compare::Equal;
    uint8_t valueKind = 0;  // number, text, null, list
    std::string value;
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
    FirmwareServices services;
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
    // A failed expectation stops the run the same way, with error set to
    // "<where>: expected ..., got ..."; failedExpectations() then tells it
    // from a fault. After KeepGoing(messages) a failed expectation is
    // written to `messages` instead and the run goes on.
    bool Run(const std::vector<Command>& commands, std::ostream& out, std::string& error);
    void KeepGoing(std::ostream* messages) { keepGoing_ = messages; }
    uint64_t failedExpectations() const { return failedExpectations_; }

    // Single steps, as the commands do them.
    void Press(uint8_t key);
    void Wait(uint64_t halfSeconds);
    void Real(const std::vector<int32_t>& counts);
    void Demo();

    uint64_t halfTicks() const { return DriverHalfTicks(); }
    uint64_t showLcdCalls() const { return DriverHandOvers(); }
    // The LCD as the window shows it: the surface as of the last hand-over
    // (ShowLcd), or the unlit surface before the first one.
    const LcdPicture& presented() const;
    size_t pendingRealCounts() const { return realQueue_.size(); }
    const StartOptions& startOptions() const { return options_; }
    // The panel layout the window would show: turned for good once "Swivel"
    // is chosen in demo mode; upright in real mode, since the runner's
    // counts carry no orientation.
    int panelLayout() const { return panelLayout_; }

    // The LCD as presented, or with `panel` the whole front panel, as a PNG
    // scaled by `scale` (1..8); "-" goes to `out`.
    bool WritePicture(const std::string& path, int scale, bool panel, std::ostream& out, std::string& error) const;

private:
    static void CountShowLcd(void* context);
    static void FeedRealCount(void* context);

    static inline Runner* handlerOwner_ = nullptr;

    DeviceHooks hooks_;
    // The hand-over keeps the surface's compact snapshot; the picture is
    // expanded from it only when read, so days of virtual time stay cheap.
    std::unique_ptr<LcdBits> handedOver_ = std::make_unique<LcdBits>();
    uint64_t handedOverAt_ = 0;  // LcdDrawCount() at that copy
    mutable std::unique_ptr<LcdPicture> presented_ = std::make_unique<LcdPicture>();
    mutable bool presentedStale_ = true;
    std::deque<int32_t> realQueue_;
    StartOptions options_;
    uint8_t panelLayout_ = 0;
    std::ostream* keepGoing_ = nullptr;
    uint64_t failedExpectations_ = 0;
};

// A picture as 32 lines of 122 characters, each ending in '\n': '#' ink,
// '.' background, '-' anything else, read from each LCD pixel's top-left
// screen pixel.
std::string LcdText(const LcdPicture& picture);

// Every scalar field of the firmware record, plus textCursorX/Y, realMode,
// showLcdCalls and virtualMs, as one line of JSON (no trailing newline).
std::string StateJson(uint64_t showLcdCalls, uint64_t virtualMs);

// ---- files (files.cpp) --------------------------------------------------

// Writes `bytes` to `path` so that no half-written file is ever left under
// its name: a regular file (or a new name) through a temporary file beside
// it and a rename; a symlink the same way beside its final target; a
// character device or a named pipe in place; "-" to `standardOutput`.
// Anything else (a directory, a block device, a socket) is refused. Every
// short write, a full device included, fails with the file's name.
bool WriteFileSafely(const std::string& path, std::string_view bytes, std::ostream& standardOutput,
                     std::string& error);

// An 8-bit RGB PNG of `width` x `height` pixels 0xRRGGBB, rows `stride`
// pixels apart, each pixel repeated `scale` times across and down; with
// `alpha` RGBA from 0xAARRGGBB (the panel's shaped outline).
bool EncodePng(const uint32_t* pixels, int width, int height, int stride, int scale, std::string& png,
               std::string& error, bool alpha = false);

// The 65,536-byte DataFlash write area, through WriteFileSafely ("-": `out`).
bool WriteFlash(const std::string& path, std::string& error, std::ostream& out = std::cout);

// ---- the screen as text (text.cpp) --------------------------------------

// What `text` prints: one line per text row found, bytes that are not
// printable ASCII glyphs (the LCD's symbols) as \xNN, a backslash as \\.
std::string ScreenText(const LcdPicture& picture);
std::string EscapeCodes(std::string_view bytes);
// TEXT of `expect text` with those escapes undone; false on a bad escape.
bool UnescapeText(std::string_view text, std::string& bytes, std::string& error);
// 0..15 for a hex digit of either case, -1 for any other character.
int HexDigit(char c);
// What the small-font cells from (x, y) show, one per byte of `expected`:
// the glyph's character (escaped as above) or '?' where a cell shows none.
std::string CellsText(const LcdPicture& picture, uint8_t x, uint8_t y, size_t cells);

// ---- expectations (expect.cpp) -------------------------------------------

// `expect ...` after the word "expect": fills cmd (reading an lcd FILE
// now), or false with `what` set.
bool ParseExpect(std::string_view rest, Command& cmd, std::string& what);
// True when the expectation holds; otherwise `got` describes the
// difference ("expected ..., got ...").
bool CheckExpectation(const Command& cmd, const Runner& runner, std::string& message);
// An `lcd` dump read back; false with `what` set when it is not one.
bool ParseLcdDump(std::string_view text, std::string& dump, std::string& what);

// ---- the logged data (flash_log.cpp) -------------------------------------

// The write area as CSV: "kind,time,value" and one line per record, read
// as the ring it is once the 20-bit write address has passed the area's
// end. `area` holds kFlashAreaSize bytes.
std::string DecodeFlashLog(const uint8_t* area, uint32_t writeAddress);

// ---- the tour (tour.cpp) -------------------------------------------------

struct TourStop {
    int number;        // 1, 2, ...: the order of the tour
    std::string name;  // e.g. "main-menu--user-option--speaker"
    std::string keys;  // runner commands that reach the screen from a fresh start
};
using TourVisit = std::function<bool(const TourStop& stop, std::string& error)>;

// Reaches every screen in a fixed order, each from a fresh start with the
// runner's start options, and calls `visit` with the screen presented.
bool VisitTour(Runner& runner, const TourVisit& visit, std::string& error);

// Visits every screen from a fresh start, writing DIR/NNN-name.png and
// DIR/index.html. The runner must have been started with the options the
// run was given (clock, seed).
bool RunTour(Runner& runner, const std::string& dir, int scale, bool panel, std::ostream& out,
             std::string& error);

// ---- the front panel (panel.cpp; only with the window's libraries) --------

// True when this build can render the panel.
bool PanelAvailable();
// The whole front panel as the window shows it now, as 0xRRGGBB pixels.
bool RenderPanel(const Runner& runner, int scale, std::vector<uint32_t>& pixels, int& width, int& height,
                 std::string& error);

// Text for messages: non-printable bytes as \xNN, long texts shortened.
std::string Quote(std::string_view text);

}  // namespace geigerrun
