// Appending to the files the link writes (the count log, the trace): both
// keep their file open and add lines as they come.
#pragma once

#include <string>

// Opens path for appending, created with mode 0644 when missing. Returns the
// descriptor, or -1 with error set to "PATH: reason".
int OpenForAppend(const std::string& path, std::string& error);
// Writes all of text to fd, the file opened from path. On failure returns
// false with error set to "PATH: reason" ("short write" when the system gave
// no reason).
bool AppendAll(int fd, const std::string& path, const std::string& text, std::string& error);
