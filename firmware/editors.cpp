// Setting editors that the reading screens share with the Display Option
// menu: display mode, large-font unit, graph type and graphic zoom.
#include <cstdio>

#include "firmware/firmware.h"

namespace {

const char* const kGraphTypeNames[4] = {"Line Graph", "Bar Chart 1", "Bar Chart 2", "Line & Bar"};
const char* const kLargeFontNames[3] = {"CPM", "uSv/h", "mR/h"};

}  // namespace

// The menu row "Display Mode": the reading screen's mode step, without
// touching the key bindings (the menu owns the keys here).
void EditDisplayMode(uint8_t) { DisplayModeStep(0); }

// Toggle editor: the first key only shows the unit, later keys within the
// box's life advance it.
void EditLargeFontMode(uint8_t) {
    if (fw.editing == 1) fw.largeFontUnit = fw.largeFontUnit >= 2 ? 0 : fw.largeFontUnit + 1;
    ShowValueBox(kLargeFontNames[fw.largeFontUnit <= 2 ? fw.largeFontUnit : 0]);
    fw.editorKeepTicks = 5;
}

void ShowGraphType(uint8_t) {
    ShowValueBox(kGraphTypeNames[fw.graphType <= 3 ? fw.graphType : 0]);
    fw.editorKeepTicks = 5;
}

void StepGraphTypeUp(uint8_t arg) {
    fw.graphType = fw.graphType >= 3 ? 0 : fw.graphType + 1;
    ShowGraphType(arg);
}

void StepGraphTypeDown(uint8_t arg) {
    fw.graphType = (fw.graphType == 0 || fw.graphType > 3) ? 3 : fw.graphType - 1;
    ShowGraphType(arg);
}

void ShowGraphZoom(uint8_t) {
    char text[32];
    if (fw.graphZoom == 0.0f) {
        std::snprintf(text, sizeof text, "%s ZOOM", "Auto");
    } else if (fw.graphZoom < 1.0f) {
        std::snprintf(text, sizeof text, "ZOOM = x %0.1f", fw.graphZoom);
    } else {
        if (fw.graphZoom > 5.0f) fw.graphZoom = 5.0f;
        std::snprintf(text, sizeof text, "ZOOM = x %0.0f", fw.graphZoom);
    }
    ShowValueBox(text);
    fw.editorKeepTicks = 5;
}

// The steps are taken in 32-bit float, which is what makes Up run
// 0, 0.2 ... 0.8, 1, 2, 0 and Down 0, 5 ... 1, 0.9 ... 0.2, 0.
void StepGraphZoomUp(uint8_t arg) {
    float zoom = fw.graphZoom;
    if (zoom < 1.0f)
        zoom += 0.2f;
    else
        zoom += 1.0f;
    if (zoom > 2.0f) zoom = 0.0f;
    fw.graphZoom = zoom;
    ShowGraphZoom(arg);
}

void StepGraphZoomDown(uint8_t arg) {
    float zoom = fw.graphZoom;
    if (zoom == 0.0f)
        zoom = 5.0f;
    else if (zoom > 1.0f)
        zoom -= 1.0f;
    else
        zoom -= 0.1f;
    if (zoom < 0.1f) zoom = 0.0f;
    fw.graphZoom = zoom;
    ShowGraphZoom(arg);
}

// Arrives with the settings editors.
void FactoryReset() {}
