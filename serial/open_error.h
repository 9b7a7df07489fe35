// Why a serial device could not be opened, in words a user can act on: the
// details under "COM port open error". Plain C++, no window needed.
#pragma once

#include <string>

// Who may open a device, and where this session stands.
struct DeviceAccess {
    bool known = false;           // the device could be looked at
    std::string owner;            // user name (the number when it has none)
    std::string group;            // group name (the same)
    unsigned mode = 0;            // permission bits, e.g. 0660
    bool sessionInGroup = false;  // this process has the group already
    bool userInGroup = false;     // the group database lists the user in it
};
// The owner, group and mode of path (stat) and this session's groups.
DeviceAccess DeviceAccessOf(const std::string& path);

// The device path and the cause of the errno from a failed open, with the
// remedy where there is one: for permission denied the owner, group and
// mode, and the serial group's advice only where joining it would help;
// "busy: held by another program" for a line in use.
std::string PortOpenErrorDetail(const std::string& path, int error, const DeviceAccess& access);
// The same, looking at the device itself when permission was denied.
std::string PortOpenErrorDetail(const std::string& path, int error);
