#include "serial/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "serial/link_host.h"
#include "serial/link_trace.h"
#include "serial/serial_rate.h"

namespace {

// The termios constant of a standard rate; B0 when there is none.
speed_t StandardSpeed(int rate) {
    switch (rate) {
        case 110: return B110;
        case 300: return B300;
        case 600: return B600;
        case 1200: return B1200;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        case 230400: return B230400;
        case 460800: return B460800;
        case 921600: return B921600;
        default: return B0;
    }
}

// 8 data bits, no parity (checking off), one stop bit, raw bytes. Hardware
// flow control stays as the device has it; software flow control and every
// byte translation are switched off, since the count reports are binary and
// may hold any byte, XON and XOFF included.
bool SetLine(int fd, int rate) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    tio.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                             IXANY | INPCK);
    tio.c_oflag &= ~tcflag_t(OPOST);
    tio.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~tcflag_t(CSIZE | PARENB | CSTOPB);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    // A read returns at once with whatever has arrived.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    const speed_t speed = StandardSpeed(rate);
    if (speed != B0) {
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
    }
    if (tcsetattr(fd, TCSANOW, &tio) != 0) return false;
    if (speed == B0 && !SetCustomRate(fd, rate)) return false;
    return true;
}

}  // namespace

std::string DevicePathForPort(int portNumber) {
    if (portNumber < 1) return std::string();
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

SerialPort::~SerialPort() { Close(); }

int SerialPort::Open(int portNumber, int rate) {
    if (open_ == 1) return 1;
    const std::string path = DevicePathForPort(portNumber);
    if (path.empty()) {
        lastOpenError_ = ENODEV;
        return 0;
    }
    return OpenDevice(path, rate);
}

int SerialPort::OpenDevice(const std::string& path, int rate) {
    if (open_ == 1) return 1;
    if (path.empty() || rate <= 0) {
        lastOpenError_ = path.empty() ? ENODEV : EINVAL;
        return 0;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastOpenError_ = errno;  // kept for the message that tells the user why
        return 0;
    }
    // Not shared: while we hold the line nobody else may open it. The lock
    // holds root back as well (TIOCEXCL does not) and tells us when another
    // program took the line first; it goes with the descriptor.
    errno = 0;
    bool ok = isatty(fd) == 1;
    if (ok && flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) errno = EBUSY;
        ok = false;
    }
    ok = ok && ioctl(fd, TIOCEXCL) == 0 && SetLine(fd, rate);
    if (!ok) {
        lastOpenError_ = errno != 0 ? errno : EIO;
        ::close(fd);
        return 0;
    }
    lastOpenError_ = 0;
    tcflush(fd, TCIOFLUSH);  // nothing left over from an earlier user of the line
    fd_ = fd;
    path_ = path;
    open_ = 1;
    return 1;
}

int SerialPort::Close() {
    if (open_ == 1 && fd_ >= 0) {
        ioctl(fd_, TIOCNXCL);
        ::close(fd_);
        fd_ = -1;
        open_ = 0;
        path_.clear();
    }
    return 1;
}

int SerialPort::WriteByte(uint8_t b) {
    if (fd_ < 0) return 1;
    ssize_t written = ::write(fd_, &b, 1);
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        // The driver's queue is full: wait for room, then try once more.
        pollfd p{fd_, POLLOUT, 0};
        if (poll(&p, 1, kByteWriteWaitMs) == 1 && (p.revents & POLLOUT) != 0) written = ::write(fd_, &b, 1);
    }
    (void)written;  // a byte that could not be written is simply lost
    return 1;
}

int SerialPort::Send(const uint8_t* bytes, int n, int pauseMs) {
    if (n > kMaxSend) {
        HostShowMessage("Data too long to send!");
        return -1;
    }
    if (open_ != 1 || fd_ < 0 || n <= 0 || bytes == nullptr) return 0;
    for (int i = 0; i < n; ++i) {
        WriteByte(bytes[i]);
        if (pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
    TraceBytes(TraceDirection::Sent, bytes, n);
    return n;
}

int SerialPort::Waiting() const {
    if (open_ != 1 || fd_ < 0) return 0;
    int waiting = 0;
    if (ioctl(fd_, FIONREAD, &waiting) != 0 || waiting < 0) return 0;
    return waiting;
}

int SerialPort::Read(uint8_t* buffer, int capacity) {
    if (open_ != 1 || fd_ < 0 || buffer == nullptr || capacity <= 0) return 0;
    const int waiting = Waiting();
    if (waiting == 0) return 0;
    const size_t wanted = size_t(waiting < capacity ? waiting : capacity);
    ssize_t got = ::read(fd_, buffer, wanted);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, kReadWaitMs) == 1 && (p.revents & POLLIN) != 0) got = ::read(fd_, buffer, wanted);
    }
    return got > 0 ? int(got) : 0;
}

int SerialPort::WaitAndRead(uint8_t* buffer, int capacity, int wakeFd, int timeoutMs, bool& lost) {
    lost = false;
    if (open_ != 1 || fd_ < 0 || buffer == nullptr || capacity <= 0) return 0;
    pollfd p[2] = {{fd_, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const int ready = poll(p, wakeFd >= 0 ? 2 : 1, timeoutMs);
    if (ready <= 0) return 0;  // timed out or interrupted
    if (wakeFd >= 0 && (p[1].revents & POLLIN) != 0) return 0;
    const short events = p[0].revents;
    if ((events & POLLNVAL) != 0) {
        lost = true;
        return 0;
    }
    if ((events & (POLLIN | POLLHUP | POLLERR)) == 0) return 0;
    const int n = Read(buffer, capacity);
    if (n > 0) return n;
    // Readable with nothing waiting: only read itself tells a failure from a
    // byte that came in since. End of file counts only with the hang-up:
    // with VMIN and VTIME 0 a live line also reads 0 when it has nothing.
    const ssize_t got = ::read(fd_, buffer, size_t(capacity));
    if (got > 0) return int(got);
    const bool hungUp = (events & (POLLHUP | POLLERR)) != 0;
    if (hungUp || (got < 0 && (errno == EIO || errno == ENXIO))) {
        lost = true;
        return 0;
    }
    // A wake-up without cause: pause as the reader always did, so it never spins.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
}
