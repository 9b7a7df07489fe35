#include "firmware/state.h"

#include <initializer_list>

#include "firmware/dataflash.h"
#include "firmware/firmware.h"
#include "platform/lcd.h"

namespace {

FirmwareState InitialState() {
    FirmwareState s;
    for (uint32_t k = 0; k < 4; ++k) s.keyTable[k] = {k, nullptr};
    // Before power-on only Select/Power does anything: it switches the device on.
    s.keyTable[KeySelect].handler = TogglePower;
    return s;
}

}  // namespace

FirmwareState fw = InitialState();
uint8_t realMode = 0;

void FirmwareReset() {
    fw = InitialState();
    realMode = 0;
    LcdSurfaceCreate();
    FlashResetAreas();
    for (MenuItem* table : {AlarmMenu, ThresholdMenu})
        for (MenuItem* row = table; row->text != nullptr; ++row) {
            row->chosen = 0;
            if (row->onSelect == MenuExit) break;
        }
}
