// The `state` dump, built with nlohmann-json.
#include "script/commands/state_json.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <type_traits>

#include "firmware/dataflash.h"
#include "firmware/state_fields.h"
#include "platform/lcd.h"

namespace geigerrun {
namespace {

using json = nlohmann::ordered_json;

// "%.9g" holds every float exactly. The number is the one that text reads
// as, so a whole float stays an integer ("5", not "5.0") wherever it is written.
json Float(float v) {
    if (!std::isfinite(v)) return nullptr;
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(v));
    return json::parse(text);
}

template <typename T>
json Value(T v) {
    if constexpr (std::is_floating_point_v<T>) {
        return Float(v);
    } else if constexpr (std::is_enum_v<T>) {
        return Value(static_cast<std::underlying_type_t<T>>(v));
    } else if constexpr (std::is_signed_v<T>) {
        return static_cast<int64_t>(v);
    } else {
        return static_cast<uint64_t>(v);
    }
}

// The LCD's codes above 126 (icons, arrows) and control bytes are no
// UTF-8: each byte is the code point of its value.
json Text(const char* text, size_t length) {
    if (text == nullptr) return nullptr;
    std::string utf8;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else {
            utf8 += static_cast<char>(0xC0 | c >> 6);
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

json Text(const char* text) {
    size_t n = 0;
    if (text != nullptr)
        while (text[n] != '\0') ++n;
    return Text(text, n);
}

template <typename T, size_t N>
json List(const T (&values)[N]) {
    json list = json::array();
    for (const T& v : values) list.push_back(Value(v));
    return list;
}

// The runner's line keeps two forms it has always printed where nlohmann's
// differ: a float in "%.9g" (nlohmann writes 1e9 as 1000000000.0), and a
// text byte outside printable ASCII as \u00XX in capitals (nlohmann writes
// "\n" and lower case).
std::string LineFloat(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", v);
    return text;
}

std::string LineText(const std::string& utf8) {
    std::string s = "\"";
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size())
            c = (c & 0x1F) << 6 | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
        if (c == '"' || c == '\\') {
            s += '\\';
            s += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            s += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", c);
            s += escape;
        }
    }
    return s + '"';
}

}  // namespace

json State(uint64_t showLcdCalls, uint64_t virtualMs) {
    json state;
#define GEIGERRUN_ADD_FIELD(name) state[#name] = Value(fw.name);
    FIRMWARE_SCALAR_FIELDS(GEIGERRUN_ADD_FIELD)
#undef GEIGERRUN_ADD_FIELD

    // Texts and tables: the title as shown, the open menu by its first row.
    state["menuTitle"] = Text(fw.menuTitle);
    state["menuTable"] = Text(fw.menuTable != nullptr ? fw.menuTable->text : nullptr);
    // The note is a length byte and that many characters.
    const size_t noteLength = static_cast<uint8_t>(fw.note[0]) <= kNoteMax
                                  ? static_cast<uint8_t>(fw.note[0])
                                  : static_cast<size_t>(kNoteMax);
    state["note"] = Text(fw.note + 1, noteLength);
    // The note editor's working text ends at its first 0 or with its buffer.
    size_t noteTextLength = 0;
    while (noteTextLength < kNoteMax && fw.noteText[noteTextLength] != '\0') ++noteTextLength;
    state["noteText"] = Text(fw.noteText, noteTextLength);

    // DataFlash addresses as whole numbers, next to their bytes above.
    state["flashWriteAddress"] = Value(FlashWriteAddress());
    state["flashReadAddress"] =
        Value(static_cast<uint32_t>(fw.flashReadHigh * 65536u + fw.flashReadMiddle * 256u + fw.flashReadLow));

    static const char* const kCalibrationNames[3][2] = {{"calibration1Cpm", "calibration1Usv"},
                                                        {"calibration2Cpm", "calibration2Usv"},
                                                        {"calibration3Cpm", "calibration3Usv"}};
    for (int i = 0; i < 3; ++i) {
        state[kCalibrationNames[i][0]] = Value(fw.calibration[i].cpm);
        state[kCalibrationNames[i][1]] = Value(fw.calibration[i].usv);
    }
    state["secondCounts"] = List(fw.secondCounts);
    state["serialBytes"] = List(fw.serialBytes);

    // Host side.
    state["textCursorX"] = Value(textCursor.x);
    state["textCursorY"] = Value(textCursor.y);
    state["realMode"] = Value(realMode);
    state["showLcdCalls"] = Value(showLcdCalls);
    state["virtualMs"] = Value(virtualMs);
    return state;
}

std::string StateJson(uint64_t showLcdCalls, uint64_t virtualMs) {
    const json state = State(showLcdCalls, virtualMs);
    std::string line = "{";
    for (const auto& [name, value] : state.items()) {
        line += (line.size() > 1 ? ",\"" : "\"") + name + "\":";
        if (value.is_number_float()) {
            line += LineFloat(value.get<double>());
        } else if (value.is_string()) {
            line += LineText(value.get<std::string>());
        } else {
            line += value.dump();
        }
    }
    return line + '}';
}

}  // namespace geigerrun
