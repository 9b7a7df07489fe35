// Every file the programs read, read in one place: never more than its
// format can hold plus one byte, so memory stays flat whatever the file
// (/dev/zero, a huge file), and in the window never a file that could hold
// its thread (a named pipe, a device, a socket).
#pragma once

#include <cstddef>
#include <string>

// A kind of file: the most bytes one can hold, and its name in the refusal
// "too large for NAME".
struct FileKind {
    size_t maxBytes;
    const char* name;
};

// A script of the runner: far more than any hand-written or recorded one.
inline constexpr FileKind kScriptFile{size_t{16} << 20, "a script"};
// A DataFlash area dump (`flash`, `--decode`).
inline constexpr FileKind kFlashDumpFile{65536, "a flash dump"};
// An `lcd` dump: 32 lines of 122 characters, each ending in "\r\n" at most.
inline constexpr FileKind kLcdDumpFile{32 * (122 + 2), "an LCD dump"};
// A device snapshot with the most real counts queued that one can carry
// (firmware/snapshot.h).
FileKind SnapshotFile();

// Whether a read may wait on a file that is not a regular one, as `cat`
// does (the runner's way, the default), or refuses it at once (the
// window's: its thread answers the panel and every client). Set once by
// the host at start.
void RefuseSpecialFiles(bool refuse);
bool SpecialFilesRefused();

// What `path` is when it exists and is not a regular file after its links
// ("a named pipe", "a character device", ...), else nullptr.
const char* NotRegularFile(const std::string& path);

// All of `path` into `bytes`. False with `why` set to the reason alone
// (the caller names the file): the system's, "too large for a snapshot
// (more than N bytes)", or, with special files refused, "not a regular
// file (a named pipe)". Reads at most kind.maxBytes + 1 bytes.
bool ReadBounded(const std::string& path, const FileKind& kind, std::string& bytes, std::string& why);
// The same from an open descriptor (standard input), which is never refused.
bool ReadBoundedFrom(int fd, const FileKind& kind, std::string& bytes, std::string& why);
