// Why a serial device could not be opened, in words a user can act on: the
// details under "COM port open error". Plain C++, no window needed.
#pragma once

#include <string>

// The device path and the cause of the errno from a failed open, with the
// remedy where there is one (the dialout group, the program holding the line).
std::string PortOpenErrorDetail(const std::string& path, int error);
