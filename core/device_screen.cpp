// The screen the device shows, from its state.
#include "core/device_screen.h"

DeviceScreen CurrentScreen() {
    DeviceScreen s;
    s.power = fw.powered == 0 ? 0 : fw.bootState != 2 ? 1 : fw.displayOn == 0 ? 3 : 2;
    if (s.power != 2) return s;  // nothing else shows
    s.uiMode = fw.uiMode;
    for (const KeyBinding& binding : fw.keyTable)
        if (binding.key < 4) s.keys[binding.key] = binding.handler;
    s.editing = fw.editing;
    if (fw.uiMode == Menu) {
        s.menu = fw.menuTable;
        s.row = fw.menuCursor;
        s.field = fw.editField;
        s.calibPhase = fw.calibPhase;
        s.timedPage = fw.timedPage;
    } else if (fw.uiMode == Reading) {
        // The settings shape the reading only while it shows.
        s.displayMode = fw.displayMode;
        s.clockLine = fw.clockLine;
        s.largeFontUnit = fw.largeFontUnit;
        s.infoLine = fw.infoLine;
        s.graphType = fw.graphType;
    } else if (fw.uiMode == Temperature) {
        s.temperature = fw.temperatureShown;
    } else if (fw.uiMode == NoteEdit) {
        s.field = fw.editField;
    }
    return s;
}

std::string DescribeScreen(const DeviceScreen& s) {
    static constexpr const char* kPower[] = {"unlit", "the logo", "", "the display dark"};
    if (s.power != 2) return kPower[s.power];
    static constexpr const char* kModes[] = {"reading", "menu", "note editor", "history", "gyroscope", "temperature"};
    std::string out = s.uiMode >= 0 && s.uiMode <= Temperature ? kModes[s.uiMode] : "mode " + std::to_string(s.uiMode);
    if (s.uiMode == Menu && s.menu != nullptr) {
        const char* row = s.menu[s.row].text;
        out += " at '" + std::string(row != nullptr ? row : "?") + "'";
        if (s.editing != 0) out += ", editing field " + std::to_string(s.field);
    }
    if (s.uiMode == Reading) {
        static constexpr const char* kDisplay[] = {"text", "graphic", "large font"};
        out += s.displayMode < 3 ? std::string(", ") + kDisplay[s.displayMode] : ", display " + std::to_string(s.displayMode);
        out += " (line " + std::to_string(s.infoLine) + ", clock " + std::to_string(s.clockLine) + ", graph " +
               std::to_string(s.graphType) + ", unit " + std::to_string(s.largeFontUnit) + ")";
        if (s.editing != 0) out += ", a box open";
    }
    return out;
}
