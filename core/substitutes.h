// What the device's stand-ins hold: the configuration store, the demo
// counts' rate, the battery and temperature sensors and the charger's level
// report. Scripts set them one by one; a tour's fresh devices start with
// them all as the run had them.
#pragma once

#include <cstdint>

#include "platform/clock.h"

struct DeviceSubstitutes {
    bool factoryStore = false;  // the store holds what Factory Reset stores
    uint32_t demoRate = 0;      // counts per minute; 0: the device's 0 or 1 a second
    uint8_t battery = kBatteryReadingFixed;  // tenths of a volt
    bool batterySteady = false;              // the icon shows the level, not charging
    int16_t temperature = kTemperatureFixed; // tenths of a degree Celsius

    bool operator==(const DeviceSubstitutes&) const = default;
};

// The stand-ins as they are now.
DeviceSubstitutes CurrentSubstitutes();

// Sets every stand-in. The charger's report lives in the firmware's record,
// so call this after the device has started.
void ApplySubstitutes(const DeviceSubstitutes& substitutes);
