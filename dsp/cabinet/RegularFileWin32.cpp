#include "dsp/cabinet/RegularFile.h"

#include <windows.h>

#include <algorithm>

RegularFile::~RegularFile()
{
    if (handle != -1)
        CloseHandle(reinterpret_cast<HANDLE>(handle));
}

bool RegularFile::open(const char* path)
{
    if (!path || !*path || handle != -1)
        return false;
    // Others may keep writing or renaming the file meanwhile; we read a snapshot.
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    // Consoles, pipes and devices (CON, COM1, \\.\pipe\...) are not disk files;
    // a folder opened this way is refused by its attributes.
    BY_HANDLE_FILE_INFORMATION info;
    LARGE_INTEGER length;
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !GetFileSizeEx(h, &length)) {
        CloseHandle(h);
        return false;
    }
    handle = reinterpret_cast<intptr_t>(h);
    bytes = static_cast<int64_t>(length.QuadPart);
    return true;
}

long RegularFile::readAt(int64_t offset, void* buf, size_t len) const
{
    if (handle == -1 || offset < 0)
        return -1;
    size_t done = 0;
    while (done < len) {
        // ReadFile takes 32-bit counts.
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(len - done, 1u << 30));
        OVERLAPPED at{};
        const uint64_t position = static_cast<uint64_t>(offset) + done;
        at.Offset = static_cast<DWORD>(position & 0xffffffffu);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD got = 0;
        if (!ReadFile(reinterpret_cast<HANDLE>(handle), static_cast<char*>(buf) + done, chunk, &got, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                break;
            return -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return static_cast<long>(done);
}
