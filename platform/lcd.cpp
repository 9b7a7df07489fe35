#include "platform/lcd.h"
LcdPicture LcdSurface;
LcdCursor textCursor;
void LcdSurfaceCreate() {}
uint32_t LcdScreenPixel(int, int) { return 0; }
bool LcdPixelIsInk(int, int) { return false; }
void LcdClear() {}
void LcdPlot(uint8_t, uint8_t, uint8_t) {}
void LcdFillRect(uint8_t, uint8_t, uint8_t, uint8_t, uint8_t) {}
void LcdFrameRect(uint8_t, uint8_t, uint8_t, uint8_t) {}
void LcdLine(int, int, int, int) {}
void LcdMoveTo(uint8_t, uint8_t) {}
void LcdPutColumn(uint8_t) {}
void LcdPutChar(uint8_t) {}
void LcdPutCharAt(uint8_t, uint8_t, uint8_t) {}
void LcdPutGlyphAt(uint8_t, uint8_t, int8_t) {}
void LcdPutText(uint8_t, uint8_t, const char*) {}
uint8_t LcdTextWidth(const char*, uint8_t) { return 0; }
void LcdDrawImage(const uint8_t*, uint8_t, uint8_t) {}
void LcdPutLargeChar(uint8_t, uint8_t, uint8_t) {}
void LcdPutLargeText(uint8_t, uint8_t, const char*) {}
