// The `state` dump.
#include "script/commands/state_json.h"

#include <cmath>
#include <cstdio>

#include "firmware/dataflash.h"
#include "firmware/state_fields.h"
#include "platform/lcd.h"

namespace geigerrun {
namespace {

class JsonObject {
public:
    void Add(const char* name, uint64_t v) { Key(name) += std::to_string(v); }
    void Add(const char* name, uint32_t v) { Add(name, static_cast<uint64_t>(v)); }
    void Add(const char* name, uint8_t v) { Add(name, static_cast<uint64_t>(v)); }
    void Add(const char* name, int32_t v) { Key(name) += std::to_string(v); }
    void Add(const char* name, float v) {
        std::string& s = Key(name);
        if (!std::isfinite(v)) {
            s += "null";
            return;
        }
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
        s += buf;
    }
    void AddString(const char* name, const char* text, size_t length) {
        if (text == nullptr) {
            Key(name) += "null";
            return;
        }
        std::string& s = Key(name);
        s += '"';
        for (size_t i = 0; i < length; ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (c == '"' || c == '\\') {
                s += '\\';
                s += static_cast<char>(c);
            } else if (c >= 0x20 && c < 0x7F) {
                s += static_cast<char>(c);
            } else {
                // Control characters and the LCD's own codes above 126 (icons,
                // arrows): one escape per byte, so the JSON stays ASCII and valid.
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04X", c);
                s += buf;
            }
        }
        s += '"';
    }
    void AddCString(const char* name, const char* text) {
        size_t n = 0;
        if (text != nullptr)
            while (text[n] != '\0') ++n;
        AddString(name, text, n);
    }
    template <typename T, size_t N>
    void AddArray(const char* name, const T (&values)[N]) {
        std::string& s = Key(name);
        s += '[';
        for (size_t i = 0; i < N; ++i) {
            if (i > 0) s += ',';
            s += std::to_string(values[i]);
        }
        s += ']';
    }
    std::string Finish() { return text_ + '}'; }

private:
    std::string& Key(const char* name) {
        text_ += text_.size() > 1 ? ",\"" : "\"";
        text_ += name;
        text_ += "\":";
        return text_;
    }
    std::string text_ = "{";
};

}  // namespace

std::string StateJson(uint64_t showLcdCalls, uint64_t virtualMs) {
    JsonObject json;
#define GEIGERRUN_ADD_FIELD(name) json.Add(#name, fw.name);
    FIRMWARE_SCALAR_FIELDS(GEIGERRUN_ADD_FIELD)
#undef GEIGERRUN_ADD_FIELD

    // Texts and tables: the title as shown, the open menu by its first row.
    json.AddCString("menuTitle", fw.menuTitle);
    json.AddCString("menuTable", fw.menuTable != nullptr ? fw.menuTable->text : nullptr);
    // The note is a length byte and that many characters.
    const size_t noteLength = static_cast<uint8_t>(fw.note[0]) <= kNoteMax
                                  ? static_cast<uint8_t>(fw.note[0])
                                  : static_cast<size_t>(kNoteMax);
    json.AddString("note", fw.note + 1, noteLength);
    // The note editor's working text ends at its first 0 or with its buffer.
    size_t noteTextLength = 0;
    while (noteTextLength < kNoteMax && fw.noteText[noteTextLength] != '\0') ++noteTextLength;
    json.AddString("noteText", fw.noteText, noteTextLength);

    // DataFlash addresses as whole numbers, next to their bytes above.
    json.Add("flashWriteAddress", FlashWriteAddress());
    json.Add("flashReadAddress", static_cast<uint32_t>(fw.flashReadHigh * 65536u +
                                                       fw.flashReadMiddle * 256u +
                                                       fw.flashReadLow));

    static const char* const kCalibrationNames[3][2] = {{"calibration1Cpm", "calibration1Usv"},
                                                        {"calibration2Cpm", "calibration2Usv"},
                                                        {"calibration3Cpm", "calibration3Usv"}};
    for (int i = 0; i < 3; ++i) {
        json.Add(kCalibrationNames[i][0], fw.calibration[i].cpm);
        json.Add(kCalibrationNames[i][1], fw.calibration[i].usv);
    }
    json.AddArray("secondCounts", fw.secondCounts);
    json.AddArray("serialBytes", fw.serialBytes);

    // Host side.
    json.Add("textCursorX", textCursor.x);
    json.Add("textCursorY", textCursor.y);
    json.Add("realMode", realMode);
    json.Add("showLcdCalls", showLcdCalls);
    json.Add("virtualMs", virtualMs);
    return json.Finish();
}

}  // namespace geigerrun
