#include "tools/render/OutputRules.h"

#include "tools/render/PluginHost.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace zrender {
namespace {

std::string kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

std::string resolved(const std::string& path)
{
    char buf[PATH_MAX + 1] = {};
    return realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool sameExistingFile(const std::string& a, const std::string& b)
{
    struct stat x, y;
    return stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0 && sameFile(x, y);
}

[[noreturn]] void refuse(const std::string& named, const std::string& why)
{
    throw RenderError("refusing to write " + named + ": " + why);
}

} // namespace

OutputTarget planOutput(const std::string& named, const std::vector<ReadFile>& reads, bool overwrite)
{
    OutputTarget t;
    t.named = named;
    struct stat link;
    if (named.empty() || named.back() == '/')
        refuse(named, "it names a folder, not a file");
    if (lstat(named.c_str(), &link) != 0) {
        if (errno != ENOENT)
            throw RenderError("cannot write " + named + ": " + std::strerror(errno));
        // A new file: its folder must be there; the name is kept as given.
        const auto slash = named.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : named.substr(0, slash == 0 ? 1 : slash);
        const std::string dir = resolved(folder);
        if (dir.empty())
            throw RenderError("cannot write " + named + ": folder " + folder + ": " + std::strerror(errno));
        t.path = (dir == "/" ? "" : dir) + "/" + named.substr(slash == std::string::npos ? 0 : slash + 1);
        return t;
    }
    struct stat st;
    if (stat(named.c_str(), &st) != 0)
        refuse(named, "it is a link to a missing file");
    if (!S_ISREG(st.st_mode))
        refuse(named, "it is " + kindOf(st.st_mode) + ", not a regular file");
    for (const ReadFile& r : reads) {
        struct stat in;
        if (!r.path.empty() && stat(r.path.c_str(), &in) == 0 && sameFile(in, st))
            refuse(named, "it is " + r.role + " (" + r.path + ")");
    }
    if (!overwrite)
        refuse(named, "it exists (give --overwrite or -y to replace it)");
    // Root may write anywhere, so the permission bits are looked at too.
    if (access(named.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0)
        refuse(named, "it is read-only");
    t.path = resolved(named);
    if (t.path.empty())
        throw RenderError("cannot write " + named + ": " + std::strerror(errno));
    t.exists = true;
    t.mode = st.st_mode & 07777;
    return t;
}

void checkDistinct(const std::vector<OutputTarget>& outputs)
{
    for (size_t i = 0; i < outputs.size(); ++i)
        for (size_t j = i + 1; j < outputs.size(); ++j)
            if (outputs[i].path == outputs[j].path || sameExistingFile(outputs[i].path, outputs[j].path))
                throw RenderError("refusing to write " + outputs[j].named + ": it is also the output " +
                                  outputs[i].named);
}

void checkNotAnOutput(const ReadFile& read, const std::vector<OutputTarget>& outputs)
{
    struct stat in;
    if (read.path.empty() || stat(read.path.c_str(), &in) != 0)
        return;
    for (const OutputTarget& o : outputs) {
        struct stat out;
        if (stat(o.path.c_str(), &out) == 0 && sameFile(in, out))
            refuse(o.named, "it is " + read.role + " (" + read.path + ")");
    }
}

} // namespace zrender
