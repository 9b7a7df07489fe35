// The web page's way into the device: a thin C interface over the host core
// (firmware/driver.h), exported from the WebAssembly module. The page's
// script calls these and keeps no rule of its own: where things lie, what
// a key does, when the hint shows and what the LCD shows all come from here.
//
// One device per module instance (the firmware is one global record); a
// page with two devices instantiates the module twice.
#include <emscripten/emscripten.h>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "core/driver.h"
#include "core/panel.h"
#include "core/presentation.h"
#include "core/scaled.h"
#include "firmware/firmware.h"
#include "core/screen_guide.h"
#include "platform/lcd.h"
#include "script/script_language.h"
#include "script/script_player.h"

namespace {

// Plays a script's steps at load and the live periods after it, so real
// counts a script gave go on feeding the second ticks.
// Its presses are panel clicks of the keys the device received, so a
// script's power press ends the start hint.
script::Player gPlayer({kFirmwareServices, DriverPressAsPanelClick});
std::string gMessage;  // the last refusal, for the page to show
std::string gGuide;    // the last guide, as JSON

// The presented picture, and the same scaled for the canvas as RGBA bytes.
LcdPicture gPresented;
uint32_t* gScaled = nullptr;
int gScaledSize = 0;  // LCD pixel size gScaled was made for

// The page's geometry for the current layout, read by the script as one
// table of ints (see geigersim_geometry).
int32_t gGeometry[32];

}  // namespace

extern "C" {

// A fresh device, unpowered, as the window starts it. `clock` is what the
// clock chip reads (its wall clock's seconds since 1970, in no time zone,
// as platform/clock.h counts them); with
// `seedFixed` the demo counts come from `seed`.
EMSCRIPTEN_KEEPALIVE void geigersim_start(double clock, int seedFixed, uint32_t seed) {
    gPlayer.Start({static_cast<std::time_t>(clock), seedFixed != 0, seed, nullptr, nullptr});
    DriverKeepHandedOver();
}

// `store factory` or `store fixed` as geigersim-run has it: what the
// configuration store holds, read at power-on, so before the first press.
// Returns 0 for any other word.
EMSCRIPTEN_KEEPALIVE int geigersim_store(const char* which) {
    const std::string_view word(which);
    if (word != "factory" && word != "fixed") return 0;
    SetConfigStore(word == "factory" ? ConfigStore::Factory : ConfigStore::Fixed);
    return 1;
}

// Runs `text`, geigersim-run's device commands (press, wait, real, demo),
// on virtual time. The whole text is checked first: on the first bad
// command nothing runs and the message names its place ("line 2: ...").
// Returns "" when it ran.
EMSCRIPTEN_KEEPALIVE const char* geigersim_run(const char* text) {
    std::vector<script::Step> steps;
    gMessage.clear();
    for (const script::CommandText& command : script::SplitCommands(text, "")) {
        script::Step step;
        std::string what;
        switch (script::ParseStep(command.text, step, what)) {
        case script::StepParse::Parsed: steps.push_back(std::move(step)); continue;
        case script::StepParse::Bad: gMessage = command.where + ": " + what; break;
        case script::StepParse::NotAStep:
            gMessage = command.where + ": " + script::Quote(command.text) +
                       " is not for the page: it runs press, wait, real and demo";
            break;
        }
        return gMessage.c_str();
    }
    for (const script::Step& step : steps) gPlayer.Play(step);
    return "";
}

// The seed as --seed takes it (decimal, 0..4294967295), or -1.
EMSCRIPTEN_KEEPALIVE double geigersim_parse_seed(const char* text) {
    uint32_t seed = 0;
    return script::ParseUnsigned32(text, seed) ? seed : -1.0;
}

// "YYYY-MM-DDTHH:MM:SS" as the device's wall clock (no time zone), as
// --clock takes it; NaN with geigersim_message() saying why.
EMSCRIPTEN_KEEPALIVE double geigersim_parse_clock(const char* text) {
    std::time_t when = 0;
    gMessage.clear();
    if (!script::ParseClock(text, when, gMessage)) return __builtin_nan("");
    return static_cast<double>(when);
}

// Why the last parse or run refused its text.
EMSCRIPTEN_KEEPALIVE const char* geigersim_message() { return gMessage.c_str(); }

// One 500 ms timer period, on the window's cadence: the page's timer calls it.
EMSCRIPTEN_KEEPALIVE void geigersim_period() { gPlayer.Wait(1); }

// A click on the panel at (x, y) in panel pixels: the key there, if any,
// is pressed. Returns -1 off the keys, else the key the firmware got, plus
// 4 when the start hint went away with it.
EMSCRIPTEN_KEEPALIVE int geigersim_click(double x, double y) {
    const int drawn = DriverPanelKeyAt(DriverLayout(), x, y);
    if (drawn < 0) return -1;
    const DriverPanelClick click = DriverClickPanelKey(static_cast<uint8_t>(drawn));
    return click.key + (click.hintEnded ? 4 : 0);
}

// The drawn key under (x, y) in panel pixels, or -1: for the pointer's shape.
EMSCRIPTEN_KEEPALIVE int geigersim_key_at(double x, double y) { return DriverPanelKeyAt(DriverLayout(), x, y); }

// A keyboard key by its neutral name ("Left", "Backspace", "Up", "Down",
// "Right", "Space"). Returns the key the firmware got, or -1 for a key
// that is not the device's (the page then leaves the event alone).
EMSCRIPTEN_KEEPALIVE int geigersim_keyboard(const char* name) {
    const int drawn = DriverKeyboardKeyFor(name);
    if (drawn < 0) return -1;
    return DriverPressFromKeyboard(static_cast<uint8_t>(drawn));
}

// 500 ms periods since the start, the run's virtual time included.
EMSCRIPTEN_KEEPALIVE double geigersim_half_ticks() { return static_cast<double>(DriverHalfTicks()); }

EMSCRIPTEN_KEEPALIVE int geigersim_layout() { return DriverLayout(); }
EMSCRIPTEN_KEEPALIVE int geigersim_hint_shown() { return DriverStartHintShown(DriverLayout()) ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE const char* geigersim_hint_text() { return kDriverStartHint; }
EMSCRIPTEN_KEEPALIVE uint32_t geigersim_frame_colour() { return DriverFrameColour(); }

// Moves whenever another picture was handed over; the page redraws then.
EMSCRIPTEN_KEEPALIVE double geigersim_lcd_serial() { return static_cast<double>(DriverHandedOverSerial()); }

// The LCD as presented now, at `scale` device pixels per panel pixel, as
// RGBA bytes of (122 x 32) pixels DriverLcdPixelSizeToFit(scale) square; null when no
// memory could be had.
EMSCRIPTEN_KEEPALIVE const uint8_t* geigersim_lcd_rgba(double scale) {
    const int p = DriverLcdPixelSizeToFit(scale);
    if (gScaled == nullptr || gScaledSize != p) {
        std::free(gScaled);
        gScaled = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) * kLcdWidth * kLcdHeight * p * p));
        gScaledSize = gScaled != nullptr ? p : 0;
        if (gScaled == nullptr) return nullptr;
    }
    DriverPresentedLcd(DriverLayout(), gPresented);
    DriverScaleLcd(gPresented, p, gScaled);
    // 0xRRGGBB to the bytes R, G, B, A of a little-endian word.
    const size_t count = static_cast<size_t>(kLcdWidth) * kLcdHeight * p * p;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t c = gScaled[i];
        gScaled[i] = 0xFF000000u | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
    }
    return reinterpret_cast<const uint8_t*>(gScaled);
}

// The 244 x 64 picture as presented, 0xRRGGBB per pixel, row by row: what
// geigersim-run's png holds, for checks.
EMSCRIPTEN_KEEPALIVE const uint32_t* geigersim_lcd_picture() {
    DriverPresentedLcd(DriverLayout(), gPresented);
    return &gPresented.pixels[0][0];
}

// The guide to the screen shown now (core/screen_guide.h) as JSON: title,
// about, keys (Back, Up, Down, Select/Power), keyNames, back, path, tree
// ({depth, label, onPath, current}), marks ({name, meaning, x, y, width,
// height} in LCD pixels), swapped (the panel's Up and Down swap) and
// turned (the LCD reads turned on the panel, so marks are found turned).
// The page asks at each new picture.
EMSCRIPTEN_KEEPALIVE const char* geigersim_guide() {
    const ScreenGuide g = GuideNow();
    nlohmann::json tree = nlohmann::json::array(), marks = nlohmann::json::array();
    for (const GuideTreeLine& line : g.tree)
        tree.push_back({{"depth", line.depth}, {"label", line.label}, {"onPath", line.onPath}, {"current", line.current}});
    for (const GuideMark& m : g.marks)
        marks.push_back({{"name", m.name}, {"meaning", m.meaning}, {"x", m.x}, {"y", m.y}, {"width", m.width},
                         {"height", m.height}});
    const nlohmann::json guide = {
        {"title", g.title}, {"about", g.about},
        {"keys", {g.keys[0], g.keys[1], g.keys[2], g.keys[3]}},
        {"keyNames", {kGuideKeyNames[0], kGuideKeyNames[1], kGuideKeyNames[2], kGuideKeyNames[3]}},
        {"back", g.back}, {"path", g.path}, {"tree", tree}, {"marks", marks},
        {"swapped", DriverDisplaySwivelled()}, {"turned", DriverLcdReadsTurned(DriverLayout())}};
    gGuide = guide.dump();
    return gGuide.c_str();
}

// The current layout's geometry at `scale` device pixels per panel pixel:
// [0..3] the LCD in device pixels (x, y, width, height), [4..7] its frame
// in device pixels, [8] device pixels per LCD pixel, [9..11] the hint's
// corner and right limit in panel pixels, [12..27] the four keys (drawn
// key, x, y, size) in panel pixels.
EMSCRIPTEN_KEEPALIVE const int32_t* geigersim_geometry(double scale) {
    // The page zooms to any width: the LCD keeps inside its place.
    const int p = DriverLcdPixelSizeToFit(scale);
    const DriverRect lcd = DriverScaledLcdRect(DriverLayout(), scale, p);
    const DriverRect frame = DriverScaledFrameRect(DriverLayout(), scale, p);
    const int32_t head[] = {lcd.x,   lcd.y,      lcd.width,         lcd.height,        frame.x,
                            frame.y, frame.width, frame.height,     p,                 kDriverStartHintX,
                            kDriverStartHintY, kDriverStartHintRightLimit};
    int n = 0;
    for (int32_t v : head) gGeometry[n++] = v;
    const DriverPanelKey* keys = DriverPanelKeys(DriverLayout());
    for (int i = 0; i < 4; ++i) {
        gGeometry[n++] = keys[i].drawnKey;
        gGeometry[n++] = keys[i].x;
        gGeometry[n++] = keys[i].y;
        gGeometry[n++] = keys[i].size;
    }
    return gGeometry;
}

}  // extern "C"
