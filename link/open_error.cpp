#include "link/open_error.h"

#include <cerrno>
#include <cstring>

std::string PortOpenErrorDetail(const std::string& path, int error) {
    if (path.empty()) return "No serial device was chosen.";
    const std::string device = "The serial device " + path;
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return device + " does not exist (no such device). Check that the counter is plugged in "
                            "and that this is its port.";
        case EACCES:
        case EPERM:
            return device + " cannot be opened: permission denied. Serial devices belong to the "
                            "\"dialout\" group: join it with\n    sudo usermod -aG dialout $USER\n"
                            "then log out and in again.";
        case EBUSY:
            return device + " is busy: another program holds it. Close that program and try again.";
        case ENOTTY:
            return device + " is not a serial line.";
        default:
            return device + " cannot be opened: " + std::strerror(error) + ".";
    }
}
