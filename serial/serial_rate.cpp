#include "serial/serial_rate.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

bool SetCustomRate(int fd, int rate) {
    if (rate <= 0) return false;
    termios2 tio{};
    if (ioctl(fd, TCGETS2, &tio) != 0) return false;
    tio.c_cflag &= ~tcflag_t(CBAUD);
    tio.c_cflag |= BOTHER;
    tio.c_ispeed = speed_t(rate);
    tio.c_ospeed = speed_t(rate);
    return ioctl(fd, TCSETS2, &tio) == 0;
}
