// `gif FILE [scale N] [panel] [keys] [loop N|none]` ... `gif end [hold D]`:
// every picture the LCD is handed over between the two becomes a frame of an
// animated GIF, shown for the virtual time until the next; with `panel` the
// whole panel, keys pressed (and ringed with `keys`).
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "media/gif_writer.h"

namespace geigerrun {

class Runner;

// A `wait` longer than this (500 ms periods) plays in kShortenedWait
// centiseconds: half with the picture before it, half with the one after.
constexpr uint64_t kLongWait = 10;
constexpr uint32_t kShortenedWait = 200;
// A picture shown for no virtual time (drawn at a press, replaced at the
// next) stays this long, in centiseconds, so that it is seen.
constexpr uint32_t kShortestFrame = 40;

class Animation {
public:
    // `keys` rings the key held down (with `panel`); `loops` as
    // gif::Writer::SetLoops.
    Animation(std::string path, int scale, bool panel, bool keys = false, int loops = gif::Writer::kForever)
        : path_(std::move(path)), scale_(scale), panel_(panel), keys_(keys), loops_(loops) {}

    // The picture now as the next frame, when the hand-over, the pressed key
    // or the layout changed since the last; the last one shows until now.
    bool Frame(const Runner& runner, std::string& error);
    // A long wait just ran on `runner`: shown as kShortenedWait.
    bool ShortenWait(const Runner& runner, std::string& error);
    // Virtual time jumped (a snapshot loaded, a tour ran): the last frame
    // shows no longer for it.
    void Resync(const Runner& runner);
    // Writes the file safely ("-" to `out`), the last frame held
    // `holdHalfSeconds` 500 ms periods longer (`gif end hold 2s`).
    bool Finish(std::ostream& out, std::string& error, uint64_t holdHalfSeconds = 0);

private:
    bool Render(const Runner& runner, std::string& error);

    std::string path_;
    int scale_;
    bool panel_;
    bool keys_;
    int loops_;
    std::unique_ptr<gif::Writer> writer_;
    uint64_t lastTicks_ = 0;
    // What the last frame showed, to skip rendering the same again.
    uint64_t lastHandOver_ = 0;
    int lastPressed_ = -2;
    int lastLayout_ = -1;
};

}  // namespace geigerrun
