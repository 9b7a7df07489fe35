#include "firmware/firmware.h"
void LogData() {}
