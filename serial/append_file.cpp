#include "serial/append_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

int OpenForAppend(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) error = path + ": " + std::strerror(errno);
    return fd;
}

bool AppendAll(int fd, const std::string& path, const std::string& text, std::string& error) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n == ssize_t(text.size())) return true;
    error = path + ": " + (n < 0 ? std::strerror(errno) : "short write");
    return false;
}
