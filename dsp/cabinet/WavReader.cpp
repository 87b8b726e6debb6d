#include "dsp/cabinet/WavReader.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Owns a file descriptor for the duration of one read.
struct FileHandle
{
    int fd = -1;
    ~FileHandle()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Reads up to len bytes at offset; returns the count read (short at end of file) or -1.
long readAt(int fd, int64_t offset, void* buf, size_t len)
{
    size_t done = 0;
    while (done < len)
    {
        const ssize_t r = ::pread(fd, static_cast<char*>(buf) + done, len - done, static_cast<off_t>(offset + done));
        if (r < 0)
        {
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

// Scans for the first "fmt " and the first "data" tag at any byte offset,
// reading the file in windows. Returns false unless both are found.
bool findTags(int fd, int64_t size, int64_t& fmtPos, int64_t& dataPos)
{
    constexpr size_t kWindow = 64 * 1024;
    std::vector<unsigned char> buf(kWindow + 3);
    fmtPos = -1;
    dataPos = -1;
    size_t carry = 0;         // bytes kept from the previous window
    int64_t bufStart = 0;     // file offset of buf[0]
    int64_t next = 0;         // next file offset to read
    while (next < size)
    {
        const long got = readAt(fd, next, buf.data() + carry, kWindow);
        if (got <= 0)
            return false;
        const size_t have = carry + static_cast<size_t>(got);
        for (size_t i = 0; i + 4 <= have; ++i)
        {
            const unsigned char* p = buf.data() + i;
            if (fmtPos < 0 && std::memcmp(p, "fmt ", 4) == 0)
                fmtPos = bufStart + static_cast<int64_t>(i);
            else if (dataPos < 0 && std::memcmp(p, "data", 4) == 0)
                dataPos = bufStart + static_cast<int64_t>(i);
            if (fmtPos >= 0 && dataPos >= 0)
                return true;
        }
        next += got;
        carry = have < 3 ? have : 3;
        std::memmove(buf.data(), buf.data() + have - carry, carry);
        bufStart = next - static_cast<int64_t>(carry);
    }
    return false;
}

// Walks the RIFF chunk list from offset 12 (sizes padded to even) and notes
// the first "fmt " and "data" chunks. Returns false unless both are found, so
// a file with broken sizes falls back to the byte scan.
bool walkChunks(int fd, int64_t size, int64_t& fmtPos, int64_t& dataPos)
{
    fmtPos = -1;
    dataPos = -1;
    int64_t p = 12;
    while (p + 8 <= size)
    {
        unsigned char head[8];
        if (readAt(fd, p, head, sizeof head) != static_cast<long>(sizeof head))
            return false;
        if (fmtPos < 0 && std::memcmp(head, "fmt ", 4) == 0)
            fmtPos = p;
        else if (dataPos < 0 && std::memcmp(head, "data", 4) == 0)
            dataPos = p;
        if (fmtPos >= 0 && dataPos >= 0)
            return true;
        const int64_t chunk = le32(head + 4);
        p += 8 + chunk + (chunk & 1);
    }
    return false;
}

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

    unsigned char head[12];
    if (readAt(file.fd, 0, head, sizeof head) != static_cast<long>(sizeof head))
        return false;
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
        return false;

    // Ordinary files are found by their chunk list; the tags found are the
    // same as the byte scan's, and a "data" or "fmt " inside a text chunk is
    // not mistaken for one. Anything else falls back to the byte scan.
    int64_t fmtPos = 0, dataPos = 0;
    if (!walkChunks(file.fd, size, fmtPos, dataPos) && !findTags(file.fd, size, fmtPos, dataPos))
        return false;

    std::memcpy(riffId, head, 4);
    riffSize = le32(head + 4);
    std::memcpy(waveId, head + 8, 4);

    unsigned char fmt[24];
    if (fmtPos + 24 > size || readAt(file.fd, fmtPos, fmt, sizeof fmt) != static_cast<long>(sizeof fmt))
        return false;
    std::memcpy(fmtId, fmt, 4);
    fmtSize = le32(fmt + 4);
    audioFormat = le16(fmt + 8);
    numChannels = le16(fmt + 10);
    fileSampleRate = le32(fmt + 12);
    byteRate = le32(fmt + 16);
    blockAlign = le16(fmt + 20);
    bitsPerSample = le16(fmt + 22);
    if (audioFormat != 1 && audioFormat != 3)
        return false;

    unsigned char dataHead[8];
    if (dataPos + 8 > size || readAt(file.fd, dataPos, dataHead, sizeof dataHead) != static_cast<long>(sizeof dataHead))
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

    if (bitsPerSample != 16 && bitsPerSample != 24 && bitsPerSample != 32)
    {
        sampleCount = 0;
        return false;
    }
    const int bytesPer = bitsPerSample / 8;
    const bool isFloat = audioFormat == 3 && bitsPerSample == 32;

    // Only what a mono mix of maxFrames frames can use is decoded, so a header
    // that claims gigabytes costs nothing.
    const int64_t cap = static_cast<int64_t>(maxFrames) * (numChannels == 1 ? 1 : 2);
    const int64_t decodeCount = count < cap ? count : cap;
    samples.assign(static_cast<size_t>(decodeCount), 0.0);

    const int64_t dataStart = dataPos + 8;
    const int64_t available = size - dataStart;
    int64_t wanted = decodeCount * bytesPer;
    if (wanted > available)
        wanted = available;   // short data chunk: the rest stays 0
    std::vector<unsigned char> raw(static_cast<size_t>(wanted));
    if (wanted > 0 && readAt(file.fd, dataStart, raw.data(), raw.size()) != static_cast<long>(raw.size()))
    {
        samples.clear();
        sampleCount = 0;
        return false;
    }
    const int64_t whole = wanted / bytesPer;
    const unsigned char* p = raw.data();
    for (int64_t i = 0; i < whole; ++i, p += bytesPer)
    {
        double s;
        if (bytesPer == 2)
        {
            const int v = static_cast<int16_t>(le16(p));
            s = v > 0 ? v / 32767.0 : v * (1.0 / 32768.0);
        }
        else if (bytesPer == 3)
        {
            // Unsigned 24-bit value scaled, then folded: 0x800000 reads as
            // -0.99999988 and 0xFFFFFF as +1.19e-7. Kept so: projects that use
            // a 24-bit response must keep their sound.
            const uint32_t u = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                               (static_cast<uint32_t>(p[2]) << 16);
            s = u == 0 ? 0.0 : u / 8388607.0;
            if (s > 1.0)
                s = s - 2.0;
        }
        else if (isFloat)
        {
            const uint32_t bits = le32(p);
            float f;
            std::memcpy(&f, &bits, sizeof f);
            if (!std::isfinite(f))
            {
                samples.clear();
                sampleCount = 0;
                return false;
            }
            s = static_cast<double>(f);
        }
        else
        {
            const int32_t v = static_cast<int32_t>(le32(p));
            s = v > 0 ? v / 2147483647.0 : v * (1.0 / 2147483648.0);
        }
        samples[static_cast<size_t>(i)] = s;
    }

    valid = true;
    return true;
}
