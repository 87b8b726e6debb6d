#include "tools/render/AudioIo.h"

#include "tools/render/DemoRiff.h"
#include "tools/render/PluginHost.h"

#include <sndfile.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace zrender {
namespace {

// Temporary files in progress, for the interrupt handler: Ctrl-C must not leave a
// half-written file behind either. At most the output and one state file at once.
constexpr int kPendingSlots = 4;
char gPendingTemp[kPendingSlots][PATH_MAX + 1] = {};

extern "C" void removePendingAndExit(int sig) {
    for (auto& path : gPendingTemp)
        if (path[0]) unlink(path);
    signal(sig, SIG_DFL);
    raise(sig);
}

void trackPending(const std::string& path) {
    if (path.size() > PATH_MAX) return;
    for (auto& slot : gPendingTemp) {
        if (slot[0]) continue;
        std::memcpy(slot, path.c_str(), path.size() + 1);
        signal(SIGINT, removePendingAndExit);
        signal(SIGTERM, removePendingAndExit);
        signal(SIGHUP, removePendingAndExit);
        return;
    }
}

void untrackPending(const std::string& path) {
    for (auto& slot : gPendingTemp)
        if (path == slot) slot[0] = 0;
}

// "dir/.name.XXXXXX" beside the destination, so the final rename stays on one file system.
std::string tempPatternFor(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    return dir + "." + base + ".XXXXXX";
}

// mkstemp makes 0600 files; give the result the mode a plain create would.
void applyDefaultMode(int fd) {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
}

int createTemp(const std::string& path, std::string& tempPath) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw RenderError("cannot write " + path + ": it is a folder");
    std::string pattern = tempPatternFor(path);
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    const int fd = mkstemp(buf.data());
    if (fd < 0) throw RenderError("cannot write " + path + ": " + std::strerror(errno));
    tempPath = buf.data();
    applyDefaultMode(fd);
    return fd;
}

} // namespace

// ---------------------------------------------------------------- InputSource

InputSource InputSource::openFile(const std::string& path, bool monoLeft) {
    InputSource in;
    // The system's reason reads better than libsndfile's for a missing or locked file.
    const int probe = ::open(path.c_str(), O_RDONLY);
    if (probe < 0) throw RenderError("cannot read input " + path + ": " + std::strerror(errno));
    ::close(probe);
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    in.file_ = sf_open(path.c_str(), SFM_READ, &info);
    if (!in.file_) throw RenderError("cannot read input " + path + ": " + sf_strerror(nullptr));
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
    return in;
}

InputSource InputSource::demo(bool monoLeft) {
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
      description_(std::move(other.description_)), interleaved_(std::move(other.interleaved_)) {
    other.file_ = nullptr;
}

InputSource::~InputSource() {
    if (file_) sf_close(file_);
}

size_t InputSource::read(double* left, double* right, size_t n) {
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

OutputFile::OutputFile(const std::string& path) : path_(path) {
    const int fd = createTemp(path, tempPath_);
    ::close(fd);
    trackPending(tempPath_);
}

OutputFile::~OutputFile() {
    if (!committed_) discard();
}

void OutputFile::discard() {
    if (file_) {
        sf_close(file_);
        file_ = nullptr;
    }
    if (!tempPath_.empty()) {
        unlink(tempPath_.c_str());
        untrackPending(tempPath_);
        tempPath_.clear();
    }
}

void OutputFile::open(double sampleRate, bool floatSamples) {
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.samplerate = static_cast<int>(std::lround(sampleRate));
    info.channels = 2;
    info.format = SF_FORMAT_WAV | (floatSamples ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_24);
    floatSamples_ = floatSamples;
    file_ = sf_open(tempPath_.c_str(), SFM_WRITE, &info);
    if (!file_) throw RenderError("cannot write " + path_ + ": " + sf_strerror(nullptr));
    // Integer output saturates at full scale instead of wrapping around.
    if (!floatSamples) sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // The float format's PEAK chunk carries the time of writing; without it the
    // same render gives the same bytes.
    if (floatSamples) sf_command(file_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
}

void OutputFile::write(const double* left, const double* right, size_t n) {
    interleaved_.resize(2 * n);
    for (size_t i = 0; i < n; ++i) {
        double l = left[i], r = right[i];
        if (!floatSamples_) {
            if (!std::isfinite(l)) l = 0.0;
            if (!std::isfinite(r)) r = 0.0;
        }
        interleaved_[2 * i] = l;
        interleaved_[2 * i + 1] = r;
    }
    const sf_count_t wrote = sf_writef_double(file_, interleaved_.data(), static_cast<sf_count_t>(n));
    if (wrote != static_cast<sf_count_t>(n))
        throw RenderError("cannot write " + path_ + ": " + sf_strerror(file_));
}

void OutputFile::commit() {
    sf_write_sync(file_);
    const int err = sf_error(file_);
    const int closeErr = sf_close(file_);
    file_ = nullptr;
    if (err != SF_ERR_NO_ERROR || closeErr != 0)
        throw RenderError("cannot write " + path_ + ": " + sf_error_number(err ? err : closeErr));
    if (std::rename(tempPath_.c_str(), path_.c_str()) != 0)
        throw RenderError("cannot write " + path_ + ": " + std::strerror(errno));
    untrackPending(tempPath_);
    tempPath_.clear();
    committed_ = true;
}

// ---------------------------------------------------------------- small files

void writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string temp;
    const int fd = createTemp(path, temp);
    trackPending(temp);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) break;
        done += static_cast<size_t>(w);
    }
    const int saved = errno;
    const bool ok = done == bytes.size() && ::close(fd) == 0 && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        untrackPending(temp);
        throw RenderError("cannot write " + path + ": " + std::strerror(done == bytes.size() ? errno : saved));
    }
    untrackPending(temp);
}

std::vector<uint8_t> readWholeFile(const std::string& path, size_t limit) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw RenderError("cannot read " + path + ": " + std::strerror(errno));
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
    if (failed) throw RenderError("cannot read " + path + ": read error");
    return bytes;
}

} // namespace zrender
