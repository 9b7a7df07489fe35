// Resource numbers of the front panel, kept as the device's tooling named them
// so the layouts and menus read the same in code and in the artwork.
#pragma once

constexpr int kIcon128 = 128;    // application icon
constexpr int kMenu137 = 137;    // right-click pop-up menu
constexpr int kRegion143 = 143;  // window shape of both layouts
constexpr int kBitmap146 = 146;  // initial skin: contributes only its size
constexpr int kBitmap163 = 163;  // panel turned by 180 degrees
constexpr int kBitmap164 = 164;  // panel upright

constexpr int kPanelPictureWidth = 524;
constexpr int kPanelPictureHeight = 306;
constexpr int kInitialSkinWidth = 528;
constexpr int kInitialSkinHeight = 313;

// Where the compiled-in resources live (see media/CMakeLists.txt).
#define GEIGERSIM_QRC_PREFIX ":/geigersim/"
