// The script language of geigersim-run, written once: the window's
// recorder writes it, the runner and its `expect` read it, the stand-in
// counter names keys and escapes bytes by it. Plain C++ without Qt, so a
// web page can build it too.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace script {

// ---- Words ------------------------------------------------------------------

// What separates the words of a command: any white space but the new line,
// which ends the command.
inline constexpr std::string_view kWhiteSpace = " \t\r\v\f";
// What separates the words inside `expect`'s arguments and before a
// picture's "scale N" and "panel": blanks only.
inline constexpr std::string_view kBlanks = " \t";

// `s` without the characters of `spaces` at either end.
std::string_view Trim(std::string_view s, std::string_view spaces = kWhiteSpace);
// Splits off the first word of `s` (trimmed at its start) and trims what
// is left; "" once `s` is empty.
std::string_view TakeWord(std::string_view& s, std::string_view spaces = kWhiteSpace);
// A text in matching double or single quotes without them, so that it may
// begin or end with spaces; any other text as it is.
std::string_view Unquote(std::string_view s);

// One command of a script: its text (trimmed, never empty, pointing into
// the script) and where it stands, as every message about it names it.
struct CommandText {
    std::string where;
    std::string_view text;
    uint32_t position = 0;  // its line in a script, its place among a string's commands
};
// The commands of `text` in order. Commands end at a new line or ';', and
// '#' starts a comment that runs to the end of its line. `source` names
// where the text came from: "" for a script ("line N"), or e.g. "-e 2"
// ("-e 2, command N": the command's place within the string).
std::vector<CommandText> SplitCommands(std::string_view text, std::string_view source);

// ---- Bytes in texts ---------------------------------------------------------

// Printable ASCII other than the backslash: the bytes a text shows as
// themselves.
constexpr bool IsPlainByte(uint8_t byte) { return byte >= 0x20 && byte < 0x7F && byte != '\\'; }
// The one escape of scripts, messages and logs: appends `byte` as itself
// when `plain`, otherwise as \xNN (two upper-case hex digits).
void AppendByte(std::string& out, uint8_t byte, bool plain);
// A text as `text` prints it and `expect text` reads it: a backslash as
// \\, each other byte that `plain` refuses as \xNN.
std::string EscapeText(std::string_view bytes, bool (*plain)(uint8_t) = IsPlainByte);
// EscapeText undone (\xNN in either case); false on a bad escape.
bool UnescapeText(std::string_view text, std::string& bytes, std::string& error);
// 0..15 for a hex digit of either case, -1 for any other character.
int HexDigit(char c);
// Text for messages, in single quotes: bytes that are not plain as \xNN,
// cut to 60 bytes and "...".
std::string Quote(std::string_view text);
// `text` as one word for a POSIX shell: as it is when plain, else in single quotes.
std::string ShellQuote(std::string_view text);

// ---- Values -------------------------------------------------------------------

// Decimal, no sign, 0..4294967295.
bool ParseUnsigned32(std::string_view text, uint32_t& value);
// Decimal with an optional sign, -2147483648..2147483647.
bool ParseSigned32(std::string_view text, int32_t& value);

// The key names in DeviceKey order: "back", "up", "down", "select"; "?"
// for any other number.
std::string_view KeyName(uint8_t key);
// A key name or its number "0".."3" into a DeviceKey number.
bool ParseKey(std::string_view word, uint8_t& key);

// Longest single wait, so that every duration fits the arithmetic and no
// typo ("7000000d") silently runs for hours. A longer spell is several waits.
inline constexpr uint64_t kMaxWaitDays = 1000;
inline constexpr uint64_t kMaxWaitHalfSeconds = kMaxWaitDays * 86400 * 2;

// Duration such as "500ms", "2.5s", "10m", "24h", "7d" into 500 ms periods.
// Rejects anything that is not a positive multiple of 500 ms up to
// kMaxWaitDays, with `error` naming the text.
bool ParseDuration(std::string_view text, uint64_t& halfSeconds, std::string& error);
// The inverse, for 1..kMaxWaitHalfSeconds periods: "500ms", "2.5s", "90s",
// "10m", "24h", "7d", the largest unit that states them exactly.
std::string FormatDuration(uint64_t halfSeconds);

// "YYYY-MM-DDTHH:MM:SS", the device's wall clock (no time zone: the same
// screens under every TZ), as --clock takes it.
bool ParseClock(std::string_view text, std::time_t& when, std::string& error);
// The inverse; "2000-01-01T00:00:00" for a time the host cannot show.
std::string FormatClock(std::time_t when);

// ---- Device steps ---------------------------------------------------------------

// The commands that drive the device itself, as the window's clicks, timers
// and count source do: `press KEY [N]`, `wait DURATION`, `real N [N ...]`,
// `demo`, and `walk N [seed S]`, N random clicks at random gaps.
enum class StepKind : uint8_t { Press, Wait, Real, Demo, Walk };

// `press KEY N` clicks at most this often in one step: a long menu's walk
// or a note's letter, not a way to spend time (that is `wait`).
inline constexpr uint16_t kMaxPressRepeat = 999;

// `walk N`: at most this many clicks, each followed by 1..kWalkGapMax
// 500 ms periods, so a walk explores menus and editors without ever
// running for long.
inline constexpr uint32_t kMaxWalkPresses = 100000;
inline constexpr uint8_t kWalkGapMax = 6;

// A `demo` step without `rate` leaves the rate as it was.
constexpr uint32_t kKeepDemoRate = UINT32_MAX;

struct Step {
    StepKind kind = StepKind::Demo;
    uint8_t key = 0;              // Press: a DeviceKey number
    uint16_t times = 1;           // Press: clicks in a row, 1..kMaxPressRepeat, as that many `press KEY` lines
    uint64_t halfSeconds = 0;     // Wait: 500 ms periods
    std::vector<int32_t> counts;  // Real: one per second tick
    uint32_t presses = 0;         // Walk: how many clicks
    uint32_t walkSeed = 1;        // Walk: the same seed, the same clicks and gaps
    // Demo: the rate its counts take from now on, in counts per minute; 0
    // for the device's own 0 or 1 a second, kKeepDemoRate to keep it.
    uint32_t demoRate = kKeepDemoRate;
};

// The clicks and gaps of a walk, drawn from its seed alone (never from the
// device's random source, so a walk leaves the demo counts as they were).
class WalkSource {
public:
    explicit WalkSource(uint32_t seed) : state_(seed) {}
    // The next DeviceKey number, then the 500 ms periods to wait after it.
    uint8_t NextKey() { return static_cast<uint8_t>(Next() % 4); }
    uint8_t NextGap() { return static_cast<uint8_t>(1 + Next() % kWalkGapMax); }

private:
    uint64_t Next();
    uint64_t state_;
};

// The step of each kind, for hosts that write scripts.
Step PressStep(uint8_t key);
Step WaitStep(uint64_t halfSeconds);
Step RealStep(std::vector<int32_t> counts);
Step DemoStep();
Step WalkStep(uint32_t presses, uint32_t seed);

enum class StepParse : uint8_t { NotAStep, Parsed, Bad };
// One command (trimmed) into `step`. NotAStep when its first word names no
// device step; Bad with `what` saying what is wrong and how to write it.
StepParse ParseStep(std::string_view command, Step& step, std::string& what);
// The inverse: the command text of `step`, without a new line. A Press
// takes a key 0..3 and a Wait 1..kMaxWaitHalfSeconds periods; others do
// not read back.
std::string FormatStep(const Step& step);

}  // namespace script
