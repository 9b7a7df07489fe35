// The serial devices of this machine that the port dialog offers besides
// COM1 to COM12 (/dev/ttyS0 to /dev/ttyS11).
#pragma once

#include <string>
#include <vector>

// USB adapters (/dev/ttyUSB*, /dev/ttyACM*) and on-board ports above
// /dev/ttyS11 that have a UART behind them, in natural order
// (ttyUSB2 before ttyUSB10). devRoot and sysRoot stand for /dev and
// /sys/class/tty.
std::vector<std::string> ListSerialDevices(const std::string& devRoot = "/dev",
                                           const std::string& sysRoot = "/sys/class/tty");
