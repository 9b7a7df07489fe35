// What the user is told when a serial device cannot be opened: the errno
// that SerialPort keeps from the failed open, and the words for it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "link/open_error.h"
#include "link/pty_device.h"
#include "link/serial_port.h"

namespace {

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(PortOpenError, NamesTheDeviceTheCauseAndTheRemedy) {
    const std::string missing = PortOpenErrorDetail("/dev/ttyUSB7", ENOENT);
    EXPECT_TRUE(Has(missing, "/dev/ttyUSB7")) << missing;
    EXPECT_TRUE(Has(missing, "no such device")) << missing;
    EXPECT_EQ(PortOpenErrorDetail("/dev/ttyUSB7", ENXIO), missing);

    const std::string denied = PortOpenErrorDetail("/dev/ttyS2", EACCES);
    for (const char* part : {"/dev/ttyS2", "permission denied", "\"dialout\"", "sudo usermod -aG dialout $USER",
                             "log out and in again"})
        EXPECT_TRUE(Has(denied, part)) << part << " in: " << denied;

    const std::string busy = PortOpenErrorDetail("/dev/ttyACM0", EBUSY);
    EXPECT_TRUE(Has(busy, "/dev/ttyACM0") && Has(busy, "busy") && Has(busy, "another program")) << busy;

    const std::string other = PortOpenErrorDetail("/dev/ttyS0", EIO);
    EXPECT_TRUE(Has(other, "/dev/ttyS0") && Has(other, std::strerror(EIO))) << other;
    EXPECT_FALSE(Has(other, "dialout"));
}

TEST(PortOpenError, SerialPortKeepsTheErrnoOfTheFailedOpen) {
    SerialPort port;
    EXPECT_EQ(port.OpenDevice("/dev/geigersim-no-such-device", 9600), 0);
    EXPECT_EQ(port.LastOpenError(), ENOENT);
    EXPECT_EQ(port.OpenDevice("/dev/null", 9600), 0);  // opens, but is no serial line
    EXPECT_EQ(port.LastOpenError(), ENOTTY);
    PtyDevice device;
    ASSERT_TRUE(device.ok());
    ASSERT_EQ(port.OpenDevice(device.path(), 9600), 1);
    EXPECT_EQ(port.LastOpenError(), 0);
}

// The line is held exclusively: a second opener is told it is busy.
TEST(PortOpenError, ASecondOpenerIsToldTheLineIsBusy) {
    if (geteuid() == 0) GTEST_SKIP() << "root is not refused an exclusive line";
    PtyDevice device;
    ASSERT_TRUE(device.ok());
    SerialPort port;
    ASSERT_EQ(port.OpenDevice(device.path(), 9600), 1);
    SerialPort second;
    EXPECT_EQ(second.OpenDevice(device.path(), 9600), 0);
    EXPECT_EQ(second.LastOpenError(), EBUSY);
}
