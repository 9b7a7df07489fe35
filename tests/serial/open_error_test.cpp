// What the user is told when a serial device cannot be opened: the errno
// that SerialPort keeps from the failed open, and the words for it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "serial/open_error.h"
#include "serial/pty_device.h"
#include "serial/serial_port.h"

namespace {

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(PortOpenError, NamesTheDeviceTheCauseAndTheRemedy) {
    const std::string missing = PortOpenErrorDetail("/dev/ttyUSB7", ENOENT);
    EXPECT_TRUE(Has(missing, "/dev/ttyUSB7")) << missing;
    EXPECT_TRUE(Has(missing, "no such device")) << missing;
    EXPECT_EQ(PortOpenErrorDetail("/dev/ttyUSB7", ENXIO), missing);

    const std::string busy = PortOpenErrorDetail("/dev/ttyACM0", EBUSY);
    EXPECT_TRUE(Has(busy, "/dev/ttyACM0") && Has(busy, "busy: held by another program")) << busy;

    const std::string other = PortOpenErrorDetail("/dev/ttyS0", EIO);
    EXPECT_TRUE(Has(other, "/dev/ttyS0") && Has(other, std::strerror(EIO))) << other;
    EXPECT_FALSE(Has(other, "dialout"));
}

// Permission denied: the owner, group and mode, and the serial group's
// advice only where joining the group would open the device.
TEST(PortOpenError, PermissionAdviceFitsTheOwnerGroupAndMode) {
    const std::pair<DeviceAccess, std::vector<const char*>> cases[] = {
        {{true, "root", "dialout", 020660, false, false},
         {"user 'root' and group 'dialout', mode 0660", "\"dialout\"", "sudo usermod -aG dialout $USER", "log out"}},
        {{true, "root", "uucp", 020660, false, true}, {"You are in the \"uucp\" group", "log out and in again"}},
        {{true, "root", "root", 020600, false, false}, {"mode 0600", "Only root may open it"}},
        {{true, "alice", "dialout", 020600, false, false}, {"Only root and its owner 'alice' may open it"}},
        {{true, "bob", "plugdev", 020660, false, false}, {"Only root, its owner 'bob' and members of group 'plugdev'"}},
        {{}, {"/dev/ttyS2 cannot be opened: permission denied."}},
    };
    for (const auto& [access, says] : cases) {
        const std::string text = PortOpenErrorDetail("/dev/ttyS2", EACCES, access);
        for (const char* part : says) EXPECT_TRUE(Has(text, part)) << part << " in: " << text;
        EXPECT_EQ(Has(text, "usermod"), access.group == "dialout" && access.mode == 020660) << text;
    }
    PtyDevice device;  // looked up on a device of this user
    EXPECT_EQ(DeviceAccessOf(device.path()).owner, getpwuid(geteuid())->pw_name);
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

// The line is held exclusively: a second opener is told it is busy, root
// included, and the first keeps the line; a program that holds only the
// lock is respected too.
TEST(PortOpenError, ASecondOpenerIsToldTheLineIsBusy) {
    PtyDevice device;
    SerialPort port, second;
    ASSERT_EQ(port.OpenDevice(device.path(), 9600), 1);
    EXPECT_EQ(second.OpenDevice(device.path(), 9600), 0);
    EXPECT_EQ(second.LastOpenError(), EBUSY);
    device.Write({129, 44});
    for (int i = 0; i < 200 && port.Waiting() < 2; ++i) usleep(5000);
    EXPECT_EQ(port.Waiting(), 2);
    port.Close();
    const int other = open(device.path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(port.OpenDevice(device.path(), 9600), 0);
    EXPECT_EQ(port.LastOpenError(), EBUSY);
    close(other);
}
