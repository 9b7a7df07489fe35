// The simulated 122 x 32 LCD: a 244 x 64 picture (2 x 2 screen pixels per
// LCD pixel) and the drawing primitives the firmware uses on it.
//
// Microcontroller-style code: fixed buffers, no heap, no exceptions. All
// coordinates are LCD pixels held in bytes; byte arithmetic wraps and
// whatever falls outside the picture is dropped.
#pragma once

#include <cstdint>

constexpr int kLcdScreenWidth = 244;   // screen pixels
constexpr int kLcdScreenHeight = 64;
constexpr int kLcdWidth = 122;         // LCD pixels
constexpr int kLcdHeight = 32;

// Colours as 0xRRGGBB.
constexpr uint32_t kLcdBackground = 0xAAAAAA;  // pixel off: 170,170,170
constexpr uint32_t kLcdInk = 0x2D2D2D;         // pixel on: 45,45,45
constexpr uint32_t kLcdUnlit = 0x8C8C8C;       // before the first clear: 140,140,140

// The 244 x 64 picture as a host shows it. Each pixel holds 0xRRGGBB,
// row-major, so the host can wrap it directly (e.g. as a 32-bit RGB image).
struct LcdPicture {
    uint32_t pixels[kLcdScreenHeight][kLcdScreenWidth];
};

// The surface the firmware draws on: one bit per screen pixel, so that
// drawing and the hand-over copy stay cheap on virtual time. Only lcd.cpp
// knows what the words mean: a host copies the whole surface (a hand-over
// snapshot is a plain assignment) and reads it through the functions below.
// A zeroed surface reads as the host creates it, all unlit.
constexpr int kLcdSurfaceWords = 2 * kLcdScreenWidth + 1;
struct LcdBits {
    uint64_t words[kLcdSurfaceWords];
};
extern LcdBits LcdSurface;

struct LcdCursor {
    uint8_t x;
    uint8_t y;
};
extern LcdCursor textCursor;

// A host's copy of LcdSurface: reads as `to = LcdSurface` would, but skips
// what a cleared surface does not use (half of it).
void LcdSnapshot(LcdBits& to);

// Puts a kept surface and cursor back (a loaded snapshot); counts as a draw.
void LcdRestore(const LcdBits& surface, LcdCursor cursor);

// Fills the whole picture with the unlit colour and puts the cursor at (0, 0):
// the state in which the host creates the surface.
void LcdSurfaceCreate();

// Screen pixel (sx, sy) of the picture, or 0 outside it.
uint32_t LcdScreenPixel(int sx, int sy);
// The whole picture of a snapshot (or of LcdSurface itself).
void LcdExpand(const LcdBits& from, LcdPicture& to);
// Counts the calls that may have changed the surface (every primitive,
// LcdSurfaceCreate, LcdSetScreenPixel): a host that keeps a copy takes a
// new one only when the count has moved since its last. A host that
// assigns LcdSurface itself must not rely on it.
uint64_t LcdDrawCount();
// Sets one screen pixel to kLcdInk, kLcdBackground or kLcdUnlit (any other
// colour reads back as unlit): for hosts' tests that need a picture no
// primitive draws.
void LcdSetScreenPixel(int sx, int sy, uint32_t colour);
// True when LCD pixel (x, y) shows ink (reads its top-left screen pixel).
bool LcdPixelIsInk(int x, int y);

void LcdClear();
void LcdPlot(uint8_t x, uint8_t y, uint8_t off);
void LcdFillRect(uint8_t x, uint8_t y, uint8_t w, uint8_t h, uint8_t on);
void LcdFrameRect(uint8_t x, uint8_t y, uint8_t w, uint8_t h);
void LcdLine(int x0, int y0, int x1, int y1);
// LcdLine from each of `points` points to the next: the picture and cursor
// that many LcdLine calls leave, in one call (the graph's 60 slots).
void LcdPolyline(const int* xs, const int* ys, int points);
void LcdMoveTo(uint8_t x, uint8_t y);
void LcdPutColumn(uint8_t bits);
void LcdPutChar(uint8_t code);
void LcdPutCharAt(uint8_t x, uint8_t y, uint8_t code);
void LcdPutGlyphAt(uint8_t x, uint8_t y, int8_t index);
void LcdPutText(uint8_t x, uint8_t y, const char* text);
uint8_t LcdTextWidth(const char* text, uint8_t advance);
void LcdDrawImage(const uint8_t* picture, uint8_t x, uint8_t y);
void LcdPutLargeChar(uint8_t code, uint8_t x, uint8_t y);
void LcdPutLargeText(uint8_t x, uint8_t y, const char* text);
