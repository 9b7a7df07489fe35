#include "platform/show_lcd.h"
namespace {
ShowLcdHandler gHandler = nullptr;
void* gContext = nullptr;
}  // namespace
void ShowLcd() {
    if (gHandler != nullptr) gHandler(gContext);
}
void SetShowLcdHandler(ShowLcdHandler handler, void* context) {
    gHandler = handler;
    gContext = context;
}
