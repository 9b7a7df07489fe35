// The serial devices of this machine as the port dialog lists them: found
// with QSerialPortInfo, named by their stable /dev/serial/by-id link where
// there is one (a USB adapter keeps it from one plug-in to the next), and
// described by product, manufacturer, serial number and USB vendor:product.
#pragma once

#include <string>
#include <vector>

struct SerialDeviceEntry {
    std::string path;         // what is opened: the by-id name if any, else the device node
    std::string description;  // "FT232R USB UART, FTDI, serial A50285BI, 0403:6001 (/dev/ttyUSB0)"

    SerialDeviceEntry(const char* p) : path(p) {}
    SerialDeviceEntry(std::string p, std::string d = {}) : path(std::move(p)), description(std::move(d)) {}
};

// Every serial device but /dev/ttyS0 to /dev/ttyS11 (the COM items), by-id
// names first. byIdDir stands for /dev/serial/by-id.
std::vector<SerialDeviceEntry> FindSerialDevices(const std::string& byIdDir = "/dev/serial/by-id");

// The link in byIdDir that leads to node; "" when none does.
std::string ByIdNameFor(const std::string& node, const std::string& byIdDir);
