#include "platform/images.h"
const uint8_t SmallFont[128][5] = {};
static const uint8_t kEmpty[] = {0, 0, 0, 0};
const uint8_t* const LargeFont[12] = {kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty};
const uint8_t kExternalPowerIcon[] = {0, 0, 0, 0};
const uint8_t kBatteryIcon[] = {0, 0, 0, 0};
const uint8_t kStartupLogo[] = {0, 0, 0, 0};
const uint8_t* const kBatteryLevel[8] = {kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty};
const uint8_t kDegreesCelsius[] = {0, 0, 0, 0};
const uint8_t kDegreesFahrenheit[] = {0, 0, 0, 0};
const uint8_t kUnitCpm[] = {0, 0, 0, 0};
const uint8_t kUnitUsvh[] = {0, 0, 0, 0};
const uint8_t kUnitMrh[] = {0, 0, 0, 0};
