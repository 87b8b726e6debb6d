#include "dsp/cabinet/WavReader.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Owns a file descriptor for the duration of one read.
struct FileHandle {
    int fd = -1;
    ~FileHandle()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Reads up to len bytes at offset; returns the count read (short at end of file) or -1.
long readAt(WavReader::ReadFunction read, int fd, int64_t offset, void* buf, size_t len)
{
    size_t done = 0;
    while (done < len) {
        const ssize_t r = read(fd, static_cast<char*>(buf) + done, len - done, static_cast<off_t>(offset + done));
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

uint16_t le16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t le32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
        (static_cast<uint32_t>(p[3]) << 24);
}

// The file's first bytes, up to the header limit, read on demand in blocks
// that double in size: an ordinary file needs one read, a header region full
// of zeros a handful.
class HeadBuffer {
public:
    HeadBuffer(WavReader::ReadFunction read, int fd, int64_t fileSize)
        : read_(read), fd_(fd), limit_(fileSize < WavReader::kHeaderLimit ? fileSize : WavReader::kHeaderLimit)
    {
    }

    // Bytes [pos, pos + n) of the file, or null when they lie past the header
    // region or cannot be read. Valid until the next call.
    const unsigned char* at(int64_t pos, size_t n)
    {
        const int64_t need = pos + static_cast<int64_t>(n);
        if (pos < 0 || need > limit_)
            return nullptr;
        const int64_t have = static_cast<int64_t>(bytes_.size());
        if (need > have) {
            int64_t grow = have < kFirstBlock ? kFirstBlock : 2 * have;
            if (grow < need)
                grow = need;
            if (grow > limit_)
                grow = limit_;
            bytes_.resize(static_cast<size_t>(grow));
            const long got = readAt(read_, fd_, have, bytes_.data() + have, static_cast<size_t>(grow - have));
            if (got < 0) {
                bytes_.resize(static_cast<size_t>(have));
                return nullptr;
            }
            bytes_.resize(static_cast<size_t>(have + got));
            if (need > have + got)
                return nullptr;
        }
        return bytes_.data() + pos;
    }

    // Bytes [pos, pos + n) if they were read already, else null.
    const unsigned char* buffered(int64_t pos, size_t n) const
    {
        return pos >= 0 && pos + static_cast<int64_t>(n) <= static_cast<int64_t>(bytes_.size()) ? bytes_.data() + pos
                                                                                                : nullptr;
    }
    // The whole header region, for the byte scan.
    const unsigned char* all() { return at(0, static_cast<size_t>(limit_)); }
    int64_t limit() const { return limit_; }

private:
    static constexpr int64_t kFirstBlock = 64 * 1024;

    WavReader::ReadFunction read_;     // pread or a test's counting stand-in
    int fd_;                           // not owned
    int64_t limit_;                    // min(file size, header limit)
    std::vector<unsigned char> bytes_; // file bytes [0, size())
};

// Notes p's tag at pos if it is the first "fmt " or "data"; true once both are known.
bool noteTag(const unsigned char* p, int64_t pos, int64_t& fmtPos, int64_t& dataPos)
{
    if (fmtPos < 0 && std::memcmp(p, "fmt ", 4) == 0)
        fmtPos = pos;
    else if (dataPos < 0 && std::memcmp(p, "data", 4) == 0)
        dataPos = pos;
    return fmtPos >= 0 && dataPos >= 0;
}

// Scans the header region for the first "fmt " and the first "data" tag at any
// byte offset. Returns false unless both are found.
bool findTags(HeadBuffer& head, int64_t& fmtPos, int64_t& dataPos)
{
    fmtPos = -1;
    dataPos = -1;
    const unsigned char* bytes = head.all();
    if (bytes == nullptr)
        return false;
    for (int64_t i = 0; i + 4 <= head.limit(); ++i)
        if (noteTag(bytes + i, i, fmtPos, dataPos))
            return true;
    return false;
}

// Walks the RIFF chunk list from offset 12 (sizes padded to even) and notes
// the first "fmt " and "data" chunks. Returns false unless both are found in
// the header region, so a file with broken sizes falls back to the byte scan.
bool walkChunks(HeadBuffer& head, int64_t& fmtPos, int64_t& dataPos)
{
    fmtPos = -1;
    dataPos = -1;
    int64_t p = 12;
    while (const unsigned char* chunk = head.at(p, 8)) {
        if (noteTag(chunk, p, fmtPos, dataPos))
            return true;
        const int64_t size = le32(chunk + 4);
        p += 8 + size + (size & 1);
    }
    return false;
}

// The subformat GUIDs of the extensible layout share everything but their
// first two bytes, which carry the plain format code.
constexpr unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

} // namespace

void WavReader::releaseSamples()
{
    samples.clear();
    samples.shrink_to_fit();
}

bool WavReader::readWav(const char* path, int32_t maxFrames)
{
    samples.clear();
    sampleCount = 0;
    valid = false;
    if (path == nullptr || maxFrames < 0)
        return false;

    // O_NONBLOCK: opening a FIFO or a device must not hang the caller; only
    // regular files are read.
    FileHandle file;
    file.fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file.fd < 0)
        return false;
    struct stat st;
    if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const int64_t size = static_cast<int64_t>(st.st_size);
    if (size <= 0)
        return false;

    const ReadFunction read = readFunction != nullptr ? readFunction : &::pread;
    HeadBuffer head(read, file.fd, size);
    const unsigned char* riff = head.at(0, 12);
    if (riff == nullptr || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return false;
    std::memcpy(riffId, riff, 4);
    riffSize = le32(riff + 4);
    std::memcpy(waveId, riff + 8, 4);

    // Ordinary files are found by their chunk list; the tags found are the
    // same as the byte scan's, and a "data" or "fmt " inside a text chunk is
    // not mistaken for one. Anything else falls back to the byte scan.
    int64_t fmtPos = 0, dataPos = 0;
    if (!walkChunks(head, fmtPos, dataPos) && !findTags(head, fmtPos, dataPos))
        return false;

    const unsigned char* fmt = head.at(fmtPos, 24);
    if (fmt == nullptr)
        return false;
    std::memcpy(fmtId, fmt, 4);
    fmtSize = le32(fmt + 4);
    audioFormat = le16(fmt + 8);
    numChannels = le16(fmt + 10);
    fileSampleRate = le32(fmt + 12);
    byteRate = le32(fmt + 16);
    blockAlign = le16(fmt + 20);
    bitsPerSample = le16(fmt + 22);
    validBits = 0;
    subFormat = 0;
    uint16_t format = audioFormat; // the code the samples are decoded by
    if (audioFormat == 0xFFFE) {
        // Extensible: a 22-byte extension after the 16 plain bytes. Read as
        // the plain format it names, when every bit of the container is used.
        const unsigned char* ext = fmtSize >= 40 ? head.at(fmtPos + 24, 24) : nullptr;
        if (ext == nullptr || le16(ext) < 22)
            return false;
        validBits = le16(ext + 2);
        subFormat = le16(ext + 8);
        if (std::memcmp(ext + 10, kGuidTail, sizeof kGuidTail) != 0 || validBits != bitsPerSample)
            return false;
        if (subFormat == 3 && bitsPerSample != 32)
            return false;
        format = subFormat;
    }
    if (format != 1 && format != 3)
        return false;

    const unsigned char* dataHead = head.at(dataPos, 8);
    if (dataHead == nullptr)
        return false;
    std::memcpy(dataId, dataHead, 4);
    dataSize = static_cast<int32_t>(le32(dataHead + 4));

    // Count = (dataSize div blockAlign) * numChannels, refused where the
    // division or the 32-bit product would be undefined, or where it is empty.
    if (blockAlign == 0 || numChannels == 0 || dataSize <= 0)
        return false;
    const int64_t count = static_cast<int64_t>(dataSize / static_cast<int32_t>(blockAlign)) * numChannels;
    if (count <= 0 || count > INT32_MAX)
        return false;
    sampleCount = static_cast<int32_t>(count);

    if (bitsPerSample != 16 && bitsPerSample != 24 && bitsPerSample != 32) {
        sampleCount = 0;
        return false;
    }
    const int bytesPer = bitsPerSample / 8;
    const bool isFloat = format == 3 && bitsPerSample == 32;

    // Only what a mono mix of maxFrames frames can use is decoded, so a header
    // that claims gigabytes costs nothing.
    const int64_t cap = static_cast<int64_t>(maxFrames) * (numChannels == 1 ? 1 : 2);
    const int64_t decodeCount = count < cap ? count : cap;
    samples.assign(static_cast<size_t>(decodeCount), 0.0);

    const int64_t dataStart = dataPos + 8;
    const int64_t available = size - dataStart;
    int64_t wanted = decodeCount * bytesPer;
    if (wanted > available)
        wanted = available; // short data chunk: the rest stays 0
    // A small file's samples came in with its header; others take one more read.
    std::vector<unsigned char> raw;
    const unsigned char* p = head.buffered(dataStart, static_cast<size_t>(wanted));
    if (p == nullptr) {
        raw.resize(static_cast<size_t>(wanted));
        if (readAt(read, file.fd, dataStart, raw.data(), raw.size()) != static_cast<long>(raw.size())) {
            samples.clear();
            sampleCount = 0;
            return false;
        }
        p = raw.data();
    }
    const int64_t whole = wanted / bytesPer;
    for (int64_t i = 0; i < whole; ++i, p += bytesPer) {
        double s;
        if (bytesPer == 2) {
            const int v = static_cast<int16_t>(le16(p));
            s = v > 0 ? v / 32767.0 : v * (1.0 / 32768.0);
        } else if (bytesPer == 3) {
            // Unsigned 24-bit value scaled, then folded: 0x800000 reads as
            // -0.99999988 and 0xFFFFFF as +1.19e-7. Kept so: projects that use
            // a 24-bit response must keep their sound.
            const uint32_t u = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                (static_cast<uint32_t>(p[2]) << 16);
            s = u == 0 ? 0.0 : u / 8388607.0;
            if (s > 1.0)
                s = s - 2.0;
        } else if (isFloat) {
            const uint32_t bits = le32(p);
            float f;
            std::memcpy(&f, &bits, sizeof f);
            if (!std::isfinite(f)) {
                samples.clear();
                sampleCount = 0;
                return false;
            }
            s = static_cast<double>(f);
        } else {
            const int32_t v = static_cast<int32_t>(le32(p));
            s = v > 0 ? v / 2147483647.0 : v * (1.0 / 2147483648.0);
        }
        samples[static_cast<size_t>(i)] = s;
    }

    valid = true;
    return true;
}
