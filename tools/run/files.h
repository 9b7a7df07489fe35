// The files the runner writes (`png`, `flash`, `lcd FILE`, `log`, the
// tour), written so that no half-written file is ever left under a name.
#pragma once

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace geigerrun {

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
// `alpha` RGBA from 0xAARRGGBB (the panel's shaped outline). With `dpi`
// (1..) the file states its resolution (pHYs), so a page lays it out at
// that many pixels an inch; 0 states none. Safe to call from any thread.
bool EncodePng(const uint32_t* pixels, int width, int height, int stride, int scale, std::string& png,
               std::string& error, bool alpha = false, int dpi = 0);

// A picture taken but not yet encoded, so that the encoding can run on
// another thread while the device runs on (the tour).
struct RawPicture {
    std::vector<uint32_t> pixels;  // width x height
    int width = 0, height = 0;
    int scale = 1;  // each pixel repeated this often across and down
    bool alpha = false;
};
inline bool EncodePng(const RawPicture& p, std::string& png, std::string& error, int dpi = 0) {
    return EncodePng(p.pixels.data(), p.width, p.height, p.width, p.scale, png, error, p.alpha, dpi);
}

// The 65,536-byte DataFlash write area, through WriteFileSafely ("-": `out`).
bool WriteFlash(const std::string& path, std::string& error, std::ostream& out = std::cout);

}  // namespace geigerrun
