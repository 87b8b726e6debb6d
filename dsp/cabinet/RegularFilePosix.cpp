#include "dsp/cabinet/RegularFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RegularFile::~RegularFile()
{
    if (handle >= 0)
        ::close(static_cast<int>(handle));
}

bool RegularFile::open(const char* path)
{
    if (!path || handle >= 0)
        return false;
    // O_NONBLOCK: opening a FIFO or a device must not hang the caller.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    handle = fd;
    bytes = static_cast<int64_t>(st.st_size);
    return true;
}

long RegularFile::readAt(int64_t offset, void* buf, size_t len) const
{
    if (handle < 0)
        return -1;
    size_t done = 0;
    while (done < len) {
        const ssize_t r = ::pread(static_cast<int>(handle), static_cast<char*>(buf) + done, len - done,
                                  static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (r == 0)
            break;
        done += static_cast<size_t>(r);
    }
    return static_cast<long>(done);
}
