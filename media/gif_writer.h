// Animated GIFs of the LCD and the panel, built frame by frame in memory
// with giflib: the runner's `gif` and the window's "Record GIF…" both use
// it, so it is plain C++ over 0xAARRGGBB pixels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace gif {

// GIF delays are in hundredths of a second, at most this per frame.
constexpr uint32_t kMaxDelay = 65535;

class Writer {
public:
    // An animation of `width` x `height` pixels, looping for ever. The
    // palette comes from the first frame's colours and `reserved` (0xRRGGBB,
    // e.g. the LCD's), exact while they fit in 255 entries, else quantised
    // with the reserved ones kept exact. Later frames carry only what changed
    // since the one before; a changed area with colours the palette lacks
    // gets a palette of its own when they fit.
    // A frame is shown at least `minimumDelay`, so that one drawn and
    // replaced at the same moment (a key's picture) is still seen.
    Writer(int width, int height, std::vector<uint32_t> reserved = {}, uint32_t minimumDelay = 0);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // How often the animation plays again after the first time: kForever
    // (the default), 0 to play once, or 1..kMaxLoops. Before the first Add.
    void SetLoops(int loops) { loops_ = loops; }
    static constexpr int kForever = -1;
    static constexpr int kMaxLoops = 65535;
    // What a partly see-through pixel is laid over (0xRRGGBB, white paper
    // by default): GIF pixels are either opaque or see-through.
    void SetMatte(uint32_t rgb) { matte_ = rgb & 0xFFFFFFu; }

    // A frame of width x height pixels, rows `stride` pixels apart, shown
    // until the next; alpha 0 is see-through (in the first frame; later
    // frames keep what was there), other alpha is laid over the matte. A
    // frame the same as the last one only lengthens it. Colours beyond the
    // palette are dithered, deterministically. False with `error` set once
    // anything failed.
    bool Add(const uint32_t* argb, int stride, std::string& error);
    // The latest frame shows `centiseconds` longer.
    void Hold(uint32_t centiseconds);
    // Frames written or waiting, after removing repeats.
    size_t frames() const { return frames_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // The whole file; the writer takes no frames after this.
    bool Finish(std::string& bytes, std::string& error);

private:
    struct Impl;
    bool Flush(std::string& error);

    int width_;
    int height_;
    std::vector<uint32_t> reserved_;
    uint32_t minimumDelay_;
    int loops_ = kForever;
    uint32_t matte_ = 0xFFFFFF;
    size_t frames_ = 0;
    std::unique_ptr<Impl> impl_;
};

}  // namespace gif
