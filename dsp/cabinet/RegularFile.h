// A regular file opened for reading at offsets, for the WAV reader. Opening
// never blocks on a FIFO, a pipe or a device: anything but a regular file is
// refused before a byte is read. One source per platform (RegularFilePosix.cpp,
// RegularFileWin32.cpp).
//
// Threads: one object per reading thread.
#pragma once

#include <cstddef>
#include <cstdint>

class RegularFile {
public:
    RegularFile() = default;
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    // False, and nothing open, for a missing or unreadable path or anything
    // that is not a regular file.
    bool open(const char* path);
    // Bytes in the file when it was opened.
    int64_t size() const { return bytes; }
    // Reads up to len bytes at offset: the count read (short at the end of the
    // file) or -1 on an error.
    long readAt(int64_t offset, void* buf, size_t len) const;

private:
    intptr_t handle = -1; // file descriptor or HANDLE; -1 when closed
    int64_t bytes = 0;    // size at open
};
