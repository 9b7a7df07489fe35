// Key events from the front panel: each click runs the handler bound for
// the current screen to completion, then hands the LCD over. Screens bind
// their handlers here as they open.
#include "firmware/firmware.h"
#include "platform/show_lcd.h"

void DispatchKey(uint8_t key) {
    if (key > KeySelect) return;  // only the four panel keys exist
    if (fw.holdAll || fw.holdOutput || fw.holdStart) return;
    // A key that finds the display off only wakes it.
    if (WakeDisplay()) return;
    fw.keyQuiet = 3;
    for (const KeyBinding& binding : fw.keyTable) {
        if (binding.key != key) continue;
        if (binding.handler != nullptr) binding.handler(key);
        break;
    }
    ShowLcd();
}

void BindKey(uint8_t key, Handler handler) { fw.keyTable[key] = {key, handler}; }
