// Reading and setting the device's stand-ins together.
#include "core/substitutes.h"

#include "firmware/firmware.h"

DeviceSubstitutes CurrentSubstitutes() {
    DeviceSubstitutes s;
    s.factoryStore = ConfigStoreInUse() == ConfigStore::Factory;
    s.demoRate = DemoRate();
    s.battery = ReadBatteryLevel();
    s.batterySteady = ChargerLevelReport();
    s.temperature = TemperatureReading();
    return s;
}

void ApplySubstitutes(const DeviceSubstitutes& s) {
    SetConfigStore(s.factoryStore ? ConfigStore::Factory : ConfigStore::Fixed);
    SetDemoRate(s.demoRate);
    SetBatteryReading(s.battery);
    SetChargerLevelReport(s.batterySteady);
    SetTemperatureReading(s.temperature);
}
