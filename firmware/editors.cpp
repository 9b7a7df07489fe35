#include "firmware/firmware.h"
void EditDisplayMode(uint8_t) {}
void EditLargeFontMode(uint8_t) {}
void StepGraphZoomUp(uint8_t) {}
void StepGraphZoomDown(uint8_t) {}
void StepGraphTypeUp(uint8_t) {}
void StepGraphTypeDown(uint8_t) {}
void ShowGraphZoom(uint8_t) {}
void ShowGraphType(uint8_t) {}
void FactoryReset() {}
