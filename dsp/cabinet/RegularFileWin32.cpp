#include "dsp/cabinet/RegularFile.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>

int openRegularFile(const char* path, int64_t& size)
{
    if (!path || !*path)
        return -1;
    // Others may keep writing or renaming the file meanwhile; we read a snapshot.
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    // Consoles, pipes and devices (CON, COM1, \\.\pipe\...) are not disk files;
    // a folder is refused by its attributes.
    BY_HANDLE_FILE_INFORMATION info;
    LARGE_INTEGER length;
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !GetFileSizeEx(h, &length)) {
        CloseHandle(h);
        return -1;
    }
    // The C runtime's descriptor owns the handle from here on: close() closes both.
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return -1;
    }
    size = static_cast<int64_t>(length.QuadPart);
    return fd;
}

ssize_t readFileAt(int fd, void* buf, size_t count, off_t offset)
{
    const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (h == INVALID_HANDLE_VALUE || offset < 0) {
        errno = EBADF;
        return -1;
    }
    // One ReadFile at the offset, with no file position shared between callers.
    OVERLAPPED at{};
    const uint64_t position = static_cast<uint64_t>(offset);
    at.Offset = static_cast<DWORD>(position & 0xffffffffu);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
    if (!ReadFile(h, buf, want, &got, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : (errno = EIO, -1);
    return static_cast<ssize_t>(got);
}
