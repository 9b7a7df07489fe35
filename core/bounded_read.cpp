// Bounded file reads for every program: the runner's scripts, dumps and
// snapshots, the window's states and the control socket's files.
#include "core/bounded_read.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/snapshot.h"

namespace {

bool gRefuseSpecial = false;

const char* KindOf(mode_t mode) {
    if (S_ISREG(mode)) return nullptr;
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a file";
}

// "too large for a snapshot (more than 33,694,169 bytes)".
std::string TooLarge(const FileKind& kind) {
    std::string digits = std::to_string(kind.maxBytes);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
    return std::string("too large for ") + kind.name + " (more than " + digits + " bytes)";
}

}  // namespace

FileKind SnapshotFile() { return {SnapshotSize(kSnapshotMaxQueued), "a snapshot"}; }

void RefuseSpecialFiles(bool refuse) { gRefuseSpecial = refuse; }
bool SpecialFilesRefused() { return gRefuseSpecial; }

const char* NotRegularFile(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return nullptr;
    return KindOf(st.st_mode);
}

bool ReadBoundedFrom(int fd, const FileKind& kind, std::string& bytes, std::string& why) {
    bytes.clear();
    char buffer[65536];
    // One byte past the limit tells a file that is too large from one that fits exactly.
    while (bytes.size() <= kind.maxBytes) {
        const size_t want = std::min(sizeof buffer, kind.maxBytes + 1 - bytes.size());
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            why = std::strerror(errno);
            bytes.clear();
            return false;
        }
        if (n == 0) return true;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    why = TooLarge(kind);
    bytes.clear();
    bytes.shrink_to_fit();
    return false;
}

bool ReadBounded(const std::string& path, const FileKind& kind, std::string& bytes, std::string& why) {
    bytes.clear();
    // Without waiting for a writer: a named pipe opens at once and is then
    // refused by what it is, not by a read.
    const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | (gRefuseSpecial ? O_NONBLOCK : 0);
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok) {
        why = std::strerror(errno);
    } else if (const char* kindOf = KindOf(st.st_mode); kindOf != nullptr && (gRefuseSpecial || S_ISDIR(st.st_mode))) {
        why = S_ISDIR(st.st_mode) ? std::string("is a directory") : std::string("not a regular file (") + kindOf + ")";
        ok = false;
    } else if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > kind.maxBytes) {
        // Known at once for a regular file; others tell only by reading.
        why = TooLarge(kind);
        ok = false;
    } else {
        ok = ReadBoundedFrom(fd, kind, bytes, why);
    }
    ::close(fd);
    return ok;
}
