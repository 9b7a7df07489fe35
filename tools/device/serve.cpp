#include "tools/device/serve.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tools/device/device.h"

namespace geigerdevice {

namespace {

volatile sig_atomic_t gStopSignal = 0;

void OnStopSignal(int signal) { gStopSignal = signal; }

void Fail(const std::string& what) {
    std::fprintf(stderr, "geigersim-device: %s: %s\n", what.c_str(), std::strerror(errno));
}

class Log {
 public:
    explicit Log(FILE* file) : file_(file) {}
    void Line(int64_t ms, const std::string& text) {
        std::fprintf(file_, "[%8.3f] %s\n", static_cast<double>(ms) / 1000.0, text.c_str());
        std::fflush(file_);
    }

 private:
    FILE* file_;
};

// The pseudo-terminal pair; the slave stays open here too, so the master
// neither hangs up nor fails while no program has the terminal open.
struct Pty {
    int master = -1;
    int slave = -1;
    std::string path;

    ~Pty() { Close(); }

    // Closing the master hangs up the other side of the terminal.
    void Close() {
        if (slave >= 0) ::close(slave);
        if (master >= 0) ::close(master);
        slave = master = -1;
        path.clear();
    }

    bool Open() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0) return Fail("posix_openpt"), false;
        if (::grantpt(master) != 0) return Fail("grantpt"), false;
        if (::unlockpt(master) != 0) return Fail("unlockpt"), false;
        char name[256];
        if (::ptsname_r(master, name, sizeof name) != 0) return Fail("ptsname"), false;
        path = name;
        slave = ::open(name, O_RDWR | O_NOCTTY);
        if (slave < 0) return Fail("open " + path), false;

        termios tio{};
        if (::tcgetattr(slave, &tio) != 0) return Fail("tcgetattr"), false;
        ::cfmakeraw(&tio);
        tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        ::cfsetispeed(&tio, B115200);
        ::cfsetospeed(&tio, B115200);
        if (::tcsetattr(slave, TCSANOW, &tio) != 0) return Fail("tcsetattr"), false;

        const int flags = ::fcntl(master, F_GETFL);
        if (flags < 0 || ::fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) return Fail("fcntl"), false;
        return true;
    }
};

// A symlink to the terminal, removed again if it still points there.
struct Link {
    std::string path;
    std::string target;

    ~Link() { Remove(); }

    void Remove() {
        if (path.empty()) return;
        char buffer[4096];
        const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
        if (n >= 0 && std::string(buffer, static_cast<size_t>(n)) == target) ::unlink(path.c_str());
        path.clear();
    }

    bool Make(const std::string& linkPath, const std::string& linkTarget) {
        struct stat st {};
        if (::lstat(linkPath.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                std::fprintf(stderr, "geigersim-device: %s exists and is not a symlink\n", linkPath.c_str());
                return false;
            }
            if (::unlink(linkPath.c_str()) != 0) return Fail("remove " + linkPath), false;
        }
        if (::symlink(linkTarget.c_str(), linkPath.c_str()) != 0) return Fail("symlink " + linkPath), false;
        path = linkPath;
        target = linkTarget;
        return true;
    }
};

// At start and when plugged back in: the terminal, its link, and its path
// as the line on standard output that scripts wait for.
bool OpenTerminal(Pty& pty, Link& link, const Options& options) {
    if (!pty.Open()) return false;
    if (!options.link.empty() && !link.Make(options.link, pty.path)) return false;
    std::printf("%s\n", pty.path.c_str());
    std::fflush(stdout);
    return true;
}

// What the log says is served: "/dev/pts/5 (link /tmp/counter)".
std::string Served(const Pty& pty, const Link& link) {
    return pty.path + (link.path.empty() ? "" : " (link " + link.path + ")");
}

std::string Describe(const Options& options, uint32_t seed) {
    if (!options.counts.empty()) {
        std::string text = "counts ";
        for (size_t i = 0; i < options.counts.size(); ++i) {
            if (i > 0) text += ',';
            text += std::to_string(options.counts[i]);
        }
        return text + " repeated";
    }
    char text[96];
    std::snprintf(text, sizeof text, "Poisson counts, %g cpm, seed %u", options.cpm, seed);
    return text;
}

std::string ReportText(const SentReport& r) {
    char text[96];
    std::snprintf(text, sizeof text, "report %u%s (0x%02X 0x%02X)", r.count, r.turned ? " turned" : "",
                  r.bytes[0], r.bytes[1]);
    return text;
}

}  // namespace

int Serve(const Options& options) {
    FILE* logFile = stderr;
    if (!options.log.empty()) {
        logFile = std::fopen(options.log.c_str(), "w");
        if (logFile == nullptr) return Fail("cannot write " + options.log), 1;
    }
    struct CloseLog {
        FILE* f;
        ~CloseLog() {
            if (f != stderr) std::fclose(f);
        }
    } closeLog{logFile};
    Log log(logFile);

    // The stop signals stay blocked except inside ppoll, so one that arrives
    // between two polls is not missed.
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGHUP);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    Pty pty;
    Link link;
    if (!OpenTerminal(pty, link, options)) return 1;

    const uint32_t seed = options.seed ? *options.seed : std::random_device{}();
    DeviceConfig config;
    config.turned = options.turned;
    config.toggleTurnedMs = options.toggleTurnedMs;
    Device device(config, options.counts.empty() ? CountSource::Poisson(options.cpm, seed)
                                                 : CountSource::Sequence(options.counts));
    // A counter plugged back in starts as a fresh one: reports off.
    const Device freshDevice = device;

    const auto start = std::chrono::steady_clock::now();
    auto nowMs = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    };
    log.Line(0, "serving " + Served(pty, link) + "; " + Describe(options, seed) +
                    (options.turned ? ", turned" : "") + "; reports off");

    bool dropping = false;  // reports are being lost: nobody reads the terminal
    std::vector<SentReport> sent;
    std::vector<std::string> lines;
    int64_t vanishAt = options.vanishAfterMs > 0 ? options.vanishAfterMs : -1;
    int64_t reappearAt = -1;
    while (gStopSignal == 0) {
        int64_t now = nowMs();
        if (options.durationMs > 0 && now >= options.durationMs) {
            log.Line(now, "duration reached, stopping");
            return 0;
        }
        if (vanishAt >= 0 && now >= vanishAt) {
            vanishAt = -1;
            log.Line(now, "vanishing: " + pty.path + " closed" + (link.path.empty() ? "" : ", link removed"));
            link.Remove();
            pty.Close();
            device = freshDevice;
            if (options.reappearAfterMs > 0) reappearAt = now + options.reappearAfterMs;
        }
        if (reappearAt >= 0 && now >= reappearAt) {
            reappearAt = -1;
            if (!OpenTerminal(pty, link, options)) return 1;
            log.Line(now, "reappearing: serving " + Served(pty, link));
        }
        if (pty.master < 0) {
            // Vanished: nothing to serve until the next deadline or a signal.
            int64_t deadline = reappearAt;
            if (options.durationMs > 0 && (deadline < 0 || options.durationMs < deadline)) deadline = options.durationMs;
            timespec pause{};
            const int64_t wait = std::max<int64_t>(0, deadline - now);
            pause.tv_sec = static_cast<time_t>(wait / 1000);
            pause.tv_nsec = static_cast<long>(wait % 1000) * 1000000L;
            ::ppoll(nullptr, 0, deadline >= 0 ? &pause : nullptr, &waitMask);
            continue;
        }
        sent.clear();
        device.Advance(now, sent);
        for (const SentReport& report : sent) {
            const ssize_t n = ::write(pty.master, report.bytes.data(), report.bytes.size());
            if (n == static_cast<ssize_t>(report.bytes.size())) {
                if (dropping) log.Line(now, "reports are read again");
                dropping = false;
                if (options.verbose) log.Line(now, ReportText(report));
            } else if (!dropping) {
                dropping = true;
                log.Line(now, "report dropped: nobody reads the terminal (further drops not logged)");
            }
        }

        int64_t deadline = -1;
        if (const auto next = device.NextReportMs()) deadline = *next;
        if (options.durationMs > 0 && (deadline < 0 || options.durationMs < deadline)) deadline = options.durationMs;
        if (vanishAt >= 0 && (deadline < 0 || vanishAt < deadline)) deadline = vanishAt;
        timespec timeout{};
        timespec* timeoutPtr = nullptr;
        if (deadline >= 0) {
            const int64_t wait = std::max<int64_t>(0, deadline - now);
            timeout.tv_sec = static_cast<time_t>(wait / 1000);
            timeout.tv_nsec = static_cast<long>(wait % 1000) * 1000000L;
            timeoutPtr = &timeout;
        }
        pollfd fd{pty.master, POLLIN, 0};
        const int ready = ::ppoll(&fd, 1, timeoutPtr, &waitMask);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return Fail("poll"), 1;
        }
        if (ready == 0) continue;
        if ((fd.revents & POLLIN) == 0) {
            // Hang-up or error without data: do not spin on it.
            timespec pause{0, 50 * 1000000L};
            ::ppoll(nullptr, 0, &pause, &waitMask);
            continue;
        }
        char buffer[512];
        const ssize_t n = ::read(pty.master, buffer, sizeof buffer);
        if (n <= 0) continue;
        now = nowMs();
        const bool wasReporting = device.Reporting();
        lines.clear();
        device.Receive(std::string_view(buffer, static_cast<size_t>(n)), now, lines);
        // Reports queued while nobody listened are stale by now.
        if (!wasReporting && device.Reporting()) ::tcflush(pty.slave, TCIFLUSH);
        for (const std::string& line : lines) log.Line(now, line);
    }
    log.Line(nowMs(), std::string("stopped by ") + (gStopSignal == SIGINT ? "SIGINT" : gStopSignal == SIGTERM ? "SIGTERM" : "SIGHUP"));
    return 0;
}

}  // namespace geigerdevice
