#include "firmware/firmware.h"
void DispatchKey(uint8_t) {}
