// Every file is read no further than its format can be: a file of the
// limit reads, one byte more is refused by name, an endless device stops
// at the limit, and with special files refused (the window) a pipe is
// refused at once rather than waited on. The runner says so and exits 2.
#include "core/bounded_read.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class Scratch {
public:
    Scratch() : path_(fs::temp_directory_path() / ("bounded_read_" + std::to_string(::getpid()))) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~Scratch() { fs::remove_all(path_); }
    std::string operator/(const char* name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

// A file of `size` bytes, sparse: the large limits cost no disk.
void MakeFile(const std::string& path, size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
    ::close(fd);
}

TEST(BoundedRead, EachKindReadsUpToItsLimitAndNoFurther) {
    Scratch dir;
    for (const FileKind& kind : {kLcdDumpFile, kFlashDumpFile, SnapshotFile(), kScriptFile}) {
        std::string bytes, why;
        MakeFile(dir / "f", kind.maxBytes);
        EXPECT_TRUE(ReadBounded(dir / "f", kind, bytes, why)) << kind.name << ": " << why;
        EXPECT_EQ(bytes.size(), kind.maxBytes);
        MakeFile(dir / "f", kind.maxBytes + 1);
        EXPECT_FALSE(ReadBounded(dir / "f", kind, bytes, why));
        EXPECT_EQ(why.find(std::string("too large for ") + kind.name + " (more than "), 0u) << why;
        EXPECT_TRUE(bytes.empty());
        // A device without end is read to one byte past the limit.
        EXPECT_FALSE(ReadBounded("/dev/zero", kind, bytes, why));
        EXPECT_EQ(why.find(std::string("too large for ") + kind.name), 0u) << why;
    }
    std::string bytes, why;
    EXPECT_FALSE(ReadBounded(dir / "f", kLcdDumpFile, bytes, why));
    EXPECT_EQ(why, "too large for an LCD dump (more than 3,968 bytes)");
}

TEST(BoundedRead, TheWindowRefusesWhatCouldHoldItsThread) {
    Scratch dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::string bytes, why;
    RefuseSpecialFiles(true);
    // No writer ever opens the pipe: a read that waited would hang here.
    EXPECT_FALSE(ReadBounded(dir / "fifo", SnapshotFile(), bytes, why));
    EXPECT_EQ(why, "not a regular file (a named pipe)");
    EXPECT_FALSE(ReadBounded("/dev/zero", SnapshotFile(), bytes, why));
    EXPECT_EQ(why, "not a regular file (a character device)");
    RefuseSpecialFiles(false);
    EXPECT_FALSE(ReadBounded(dir / ".", SnapshotFile(), bytes, why));
    EXPECT_EQ(why, "is a directory");
    EXPECT_STREQ(NotRegularFile(dir / "fifo"), "a named pipe");
    EXPECT_EQ(NotRegularFile(dir / "missing"), nullptr);
}

// The runner on /dev/zero wherever it reads a file: a message naming the
// file and its kind, exit 2, at once.
TEST(BoundedRead, TheRunnerRefusesEndlessFilesWithExit2) {
    const char* bin = std::getenv("GEIGERSIM_RUN");
    ASSERT_NE(bin, nullptr);
    Scratch dir;
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"-e 'load /dev/zero'", "cannot load '/dev/zero': too large for a snapshot"},
        {"-e 'expect lcd /dev/zero'", "cannot read '/dev/zero': too large for an LCD dump"},
        {"/dev/zero", "cannot read script '/dev/zero': too large for a script"},
        {"- </dev/zero", "cannot read standard input: too large for a script"},
        {"--decode /dev/zero", "cannot read '/dev/zero': too large for a flash dump"},
    };
    for (const auto& c : cases) {
        const std::string err = dir / "err";
        // Leaks at an early exit are no concern here.
        const std::string command = std::string("ASAN_OPTIONS=detect_leaks=0 timeout 60 '") + bin + "' " + c.args +
                                    " 2>'" + err + "' >/dev/null";
        const int raw = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 2) << c.args << ": status " << raw;
        std::ifstream in(err);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        EXPECT_NE(text.find(c.message), std::string::npos) << c.args << ": " << text;
    }
}

// `--serve` takes request lines up to 1 MiB: a longer one is answered as
// such and passed over, and the session goes on.
TEST(BoundedRead, TheServedSessionPassesOverALineTooLong) {
    const char* bin = std::getenv("GEIGERSIM_RUN");
    ASSERT_NE(bin, nullptr);
    Scratch dir;
    std::ofstream(dir / "in") << std::string((size_t{2} << 20), 'x') << "\necho still here\n";
    const std::string command =
        std::string("timeout 60 '") + bin + "' --serve <'" + (dir / "in") + "' >'" + (dir / "out") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(dir / "out");
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text,
              "{\"ok\":false,\"error\":\"request line too long (more than 1 MiB)\"}\n"
              "{\"ok\":true,\"echo\":\"still here\"}\n");
}

}  // namespace
