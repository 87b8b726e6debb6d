#include "dsp/cabinet/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int openRegularFile(const char* path, int64_t& size)
{
    if (!path)
        return -1;
    // O_NONBLOCK: opening a FIFO or a device must not hang the caller.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    size = static_cast<int64_t>(st.st_size);
    return fd;
}

ssize_t readFileAt(int fd, void* buf, size_t count, off_t offset)
{
    return ::pread(fd, buf, count, offset);
}
