// The text of a recorded session: turns the window's stream of timer
// periods, key presses and real-mode counts into a geigersim-run script that
// replays it exactly, in the steps of link/script_language.h. Qt-free, so it
// is tested without a window.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

struct SessionHeader {
    std::string version;   // the program's version
    std::time_t clock = 0; // the device clock in force
    uint32_t seed = 0;     // the demo counts' seed in force
    uint32_t demoRate = 0; // the demo counts' rate in force (0: the device's own)
    std::string fileName;  // the script's own name, for the replay command
};

// The lines that open a script: the version and the replay command as
// comments, then the `clock` and `seed` commands that set the device up,
// and `demo rate` when one is set.
std::string SessionScriptHeader(const SessionHeader& header);

// Each call returns the script text it completes (often none); the caller
// writes it through. Periods are held back and merged into one `wait` until
// something else happens, so each press lands between the same two periods
// as it did in the window.
class SessionScript {
public:
    // One 500 ms timer period. secondTick: the period ran the second tick;
    // then realMode and realCount are what that tick read.
    std::string Period(bool secondTick, bool realMode, int32_t realCount);
    // A key event with this DeviceKey number.
    std::string Press(uint8_t key);
    // The periods still held back.
    std::string Finish();

    // A `real` line never holds more than this many counts, so a long
    // session in real mode reaches the file a minute at a time.
    static constexpr size_t kCountsPerLine = 60;

private:
    std::string Flush();

    uint64_t pendingHalfSeconds_ = 0;
    std::vector<int32_t> pendingCounts_;  // one per second tick held back
    bool realMode_ = false;               // the mode the replay is in
};
