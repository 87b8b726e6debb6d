#include "tools/render/PendingFile.h"

#include "tools/render/PluginHost.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace zrender {
namespace {

// Temporary files in progress, for the interrupt handler: Ctrl-C must not
// leave a half-written file behind. At most the output and two state files.
constexpr int kPendingSlots = 4;
char gPendingTemp[kPendingSlots][PATH_MAX + 1] = {};

extern "C" void removePendingAndExit(int sig)
{
    for (auto& path : gPendingTemp)
        if (path[0])
            unlink(path);
    signal(sig, SIG_DFL);
    raise(sig);
}

void trackPending(const std::string& path)
{
    if (path.size() > PATH_MAX)
        return;
    for (auto& slot : gPendingTemp) {
        if (slot[0])
            continue;
        std::memcpy(slot, path.c_str(), path.size() + 1);
        signal(SIGINT, removePendingAndExit);
        signal(SIGTERM, removePendingAndExit);
        signal(SIGHUP, removePendingAndExit);
        return;
    }
}

void untrackPending(const std::string& path)
{
    for (auto& slot : gPendingTemp)
        if (path == slot)
            slot[0] = 0;
}

// Renames without replacing: the destination was free when checked, and a
// file that appeared there since is not the user's to lose.
int renameNoReplace(const char* from, const char* to)
{
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // File systems without the flag: a hard link fails on an existing name too.
    if (link(from, to) != 0)
        return -1;
    unlink(from);
    return 0;
}

} // namespace

PendingFile::PendingFile(const OutputTarget& target, bool mayReplace) : target_(target), mayReplace_(mayReplace)
{
    // "dir/.name.XXXXXX" beside the destination, so the rename stays on one file system.
    const auto slash = target.path.rfind('/');
    std::string pattern = target.path.substr(0, slash + 1) + "." + target.path.substr(slash + 1) + ".XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    fd_ = mkostemp(buf.data(), O_CLOEXEC);
    if (fd_ < 0)
        throw RenderError("cannot write " + target.named + ": " + std::strerror(errno));
    tempPath_ = buf.data();
    trackPending(tempPath_);
    // mkstemp makes 0600 files: a replacement keeps the old file's mode, a new
    // file gets what a plain create would give it.
    if (target.exists) {
        fchmod(fd_, target.mode);
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd_, 0666 & ~mask);
    }
}

PendingFile::~PendingFile()
{
    if (fd_ >= 0)
        close(fd_);
    if (!tempPath_.empty()) {
        unlink(tempPath_.c_str());
        untrackPending(tempPath_);
    }
}

void PendingFile::write(const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            throw RenderError("cannot write " + target_.named + ": " + std::strerror(w < 0 ? errno : ENOSPC));
        done += static_cast<size_t>(w);
    }
}

void PendingFile::commit()
{
    const int closed = close(fd_);
    fd_ = -1;
    if (closed != 0)
        throw RenderError("cannot write " + target_.named + ": " + std::strerror(errno));
    const int moved = mayReplace_ ? std::rename(tempPath_.c_str(), target_.path.c_str())
                                  : renameNoReplace(tempPath_.c_str(), target_.path.c_str());
    if (moved != 0) {
        if (errno == EEXIST)
            throw RenderError(
                "refusing to write " + target_.named +
                ": a file of that name appeared during the render (give --overwrite or -y to replace it)");
        throw RenderError("cannot write " + target_.named + ": " + std::strerror(errno));
    }
    untrackPending(tempPath_);
    tempPath_.clear();
}

int anonymousTempFile()
{
    const char* tmp = std::getenv("TMPDIR");
    const std::string dir = tmp && *tmp ? tmp : "/tmp";
    int fd = open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    // File systems without unnamed files: a named one, removed at once.
    std::string pattern = dir + "/zorvan-render.XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    fd = mkostemp(buf.data(), O_CLOEXEC);
    if (fd < 0)
        throw RenderError("cannot create a temporary file in " + dir + ": " + std::strerror(errno));
    unlink(buf.data());
    return fd;
}

} // namespace zrender
