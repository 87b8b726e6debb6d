#include "tools/render/AudioIo.h"

#include "tools/render/DemoRiff.h"
#include "tools/render/PluginHost.h"

#include <sndfile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace zrender {
namespace {

// libsndfile reads a cut-off WAV or AIFF up to its end and notes the short
// chunk in its log ("data : 60000 (should be 29956)"). Returns a reason, or empty.
std::string shortChunkIn(SNDFILE* file)
{
    char log[8192] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log - 1);
    const char* line = log;
    while (*line) {
        const char* end = std::strchr(line, '\n');
        const std::string text(line, end ? static_cast<size_t>(end - line) : std::strlen(line));
        unsigned long long declared = 0, present = 0;
        if ((text.rfind("data", 0) == 0 || text.rfind("SSND", 0) == 0) &&
            std::sscanf(text.c_str() + 4, " : %llu (should be %llu)", &declared, &present) == 2 && declared > present &&
            declared != 0xFFFFFFFFull) // all ones: written by a stream, length unknown
            return "its header declares " + std::to_string(declared) + " bytes of audio, the file holds " +
                std::to_string(present);
        if (!end)
            break;
        line = end + 1;
    }
    return "";
}

} // namespace

// ---------------------------------------------------------------- InputSource

InputSource InputSource::openFile(const std::string& path, bool monoLeft)
{
    InputSource in;
    // The system's reason reads better than libsndfile's for a missing, locked
    // or odd file; only regular files are read, so a FIFO or device cannot hang us.
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        throw RenderError("cannot read input " + path + ": " + std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        throw RenderError("cannot read input " + path + ": it is a folder");
    if (!S_ISREG(st.st_mode))
        throw RenderError("cannot read input " + path + ": it is not a regular file");
    const int probe = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (probe < 0)
        throw RenderError("cannot read input " + path + ": " + std::strerror(errno));
    ::close(probe);
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    in.file_ = sf_open(path.c_str(), SFM_READ, &info);
    if (!in.file_)
        throw RenderError("cannot read input " + path + ": " + sf_strerror(nullptr));
    if (info.channels < 1 || info.samplerate < 1) {
        sf_close(in.file_);
        in.file_ = nullptr;
        throw RenderError("cannot read input " + path + ": no audio channels");
    }
    in.rate_ = info.samplerate;
    in.frames_ = info.frames;
    in.channels_ = info.channels;
    in.monoLeft_ = monoLeft;
    in.description_ = path;
    in.damage_ = shortChunkIn(in.file_);
    return in;
}

InputSource InputSource::demo(bool monoLeft)
{
    InputSource in;
    in.demo_ = makeDemoRiff();
    in.rate_ = kDemoSampleRate;
    in.frames_ = static_cast<int64_t>(in.demo_.size());
    in.channels_ = 1;
    in.monoLeft_ = monoLeft;
    in.description_ = "built-in demo riff";
    return in;
}

InputSource::InputSource(InputSource&& other) noexcept
    : file_(other.file_), demo_(std::move(other.demo_)), position_(other.position_), rate_(other.rate_),
      frames_(other.frames_), channels_(other.channels_), monoLeft_(other.monoLeft_),
      description_(std::move(other.description_)), damage_(std::move(other.damage_)),
      interleaved_(std::move(other.interleaved_))
{
    other.file_ = nullptr;
}

InputSource::~InputSource()
{
    if (file_)
        sf_close(file_);
}

size_t InputSource::read(double* left, double* right, size_t n)
{
    size_t got = 0;
    if (file_) {
        interleaved_.resize(n * static_cast<size_t>(channels_));
        const sf_count_t r = sf_readf_double(file_, interleaved_.data(), static_cast<sf_count_t>(n));
        got = r > 0 ? static_cast<size_t>(r) : 0;
        for (size_t i = 0; i < got; ++i) {
            const double* frame = &interleaved_[i * static_cast<size_t>(channels_)];
            left[i] = frame[0];
            right[i] = channels_ >= 2 ? frame[1] : (monoLeft_ ? 0.0 : frame[0]);
        }
    } else {
        const int64_t left_over = frames_ - position_;
        got = static_cast<size_t>(std::min<int64_t>(left_over, static_cast<int64_t>(n)));
        for (size_t i = 0; i < got; ++i) {
            const double s = demo_[static_cast<size_t>(position_) + i];
            left[i] = s;
            right[i] = monoLeft_ ? 0.0 : s;
        }
    }
    position_ += static_cast<int64_t>(got);
    return got;
}

// ---------------------------------------------------------------- OutputFile

OutputFile::OutputFile(std::unique_ptr<PendingFile> pending, const OutputFormat& format)
    : pending_(std::move(pending)), format_(format)
{
    if (pending_) {
        fd_ = pending_->fd();
        name_ = pending_->target().named;
    } else {
        fd_ = anonymousTempFile();
        name_ = "standard output";
    }
}

OutputFile::~OutputFile()
{
    if (file_)
        sf_close(file_);
    if (!pending_ && fd_ >= 0)
        ::close(fd_);
}

void OutputFile::open(double sampleRate)
{
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.samplerate = static_cast<int>(std::lround(sampleRate));
    info.channels = 2;
    info.format = format_.sndfileFormat;
    file_ = sf_open_fd(fd_, SFM_WRITE, &info, SF_FALSE);
    if (!file_)
        throw RenderError("cannot write " + name_ + ": " + sf_strerror(nullptr));
    // Integer output saturates at full scale instead of wrapping around.
    if (format_.integerSamples)
        sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // The float format's PEAK chunk carries the time of writing; without it the
    // same render gives the same bytes.
    else
        sf_command(file_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
}

void OutputFile::write(const double* left, const double* right, size_t n)
{
    interleaved_.resize(2 * n);
    for (size_t i = 0; i < n; ++i) {
        double l = left[i], r = right[i];
        if (format_.integerSamples) {
            if (!std::isfinite(l))
                l = 0.0;
            if (!std::isfinite(r))
                r = 0.0;
        }
        interleaved_[2 * i] = l;
        interleaved_[2 * i + 1] = r;
    }
    const sf_count_t wrote = sf_writef_double(file_, interleaved_.data(), static_cast<sf_count_t>(n));
    if (wrote != static_cast<sf_count_t>(n))
        throw RenderError("cannot write " + name_ + ": " + sf_strerror(file_));
}

void OutputFile::commit()
{
    sf_write_sync(file_);
    const int err = sf_error(file_);
    const int closeErr = sf_close(file_);
    file_ = nullptr;
    if (err != SF_ERR_NO_ERROR || closeErr != 0)
        throw RenderError("cannot write " + name_ + ": " + sf_error_number(err ? err : closeErr));
    if (pending_) {
        pending_->commit();
        return;
    }
    // Standard output: the finished file, copied out.
    if (lseek(fd_, 0, SEEK_SET) != 0)
        throw RenderError("cannot write standard output: " + std::string(std::strerror(errno)));
    char buf[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd_, buf, sizeof buf);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw RenderError("cannot write standard output: " + std::string(std::strerror(errno)));
        if (got == 0)
            break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t w = ::write(STDOUT_FILENO, buf + done, static_cast<size_t>(got - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                throw RenderError("cannot write standard output: " + std::string(std::strerror(errno)));
            done += w;
        }
    }
}

// ---------------------------------------------------------------- small files

std::vector<uint8_t> readWholeFile(const std::string& path, size_t limit)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw RenderError("cannot read " + path + ": " + std::strerror(errno));
    std::vector<uint8_t> bytes;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        bytes.insert(bytes.end(), buf, buf + n);
        if (bytes.size() > limit) {
            std::fclose(f);
            throw RenderError("cannot read " + path + ": too large for a preset or bank file");
        }
    }
    const bool failed = std::ferror(f);
    std::fclose(f);
    if (failed)
        throw RenderError("cannot read " + path + ": read error");
    return bytes;
}

} // namespace zrender
