// The WAV reader's file access, one source per platform (RegularFilePosix.cpp,
// RegularFileWin32.cpp): a regular file opened for reading as a file
// descriptor without ever blocking on a FIFO, a pipe or a device, and pread.
#pragma once

#include <cstddef>
#include <cstdint>

#include <sys/types.h>

// A descriptor open for reading, closed with close(), and the file's size;
// -1 for a missing or unreadable path or anything but a regular file.
int openRegularFile(const char* path, int64_t& size);

// Reads count bytes at offset into buf, as pread(2) does.
ssize_t readFileAt(int fd, void* buf, size_t count, off_t offset);
