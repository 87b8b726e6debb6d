#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <sys/types.h>

// Reads an impulse-response WAV file: RIFF/WAVE, format code 1 (integer PCM,
// 16, 24 or 32 bit) or 3 (32-bit float), or the extensible layout (0xFFFE)
// whose subformat is one of those two with every container bit valid; any
// channel count; the file's sample rate is not used.
//
// Thread contract: a plain record, used by one thread at a time (ExtCabinet
// reads into it under its control mutex). readWav() blocks on file I/O.
//
// The "fmt " and "data" chunks are found by walking the chunk list; when
// that does not find both (broken chunk sizes), by scanning for the two tags
// byte by byte, each counting once, at its first occurrence. Both look only at
// the file's first kHeaderLimit bytes, read in a few growing blocks, so a
// chunk list that runs into megabytes of zeros costs a handful of reads.
// Refused: anything that is not a regular file (without blocking on a FIFO or
// device), a wrong signature, a tag missing from the header region, header
// fields past the end of the file, other format codes and subformats, valid
// bits below the container, other bit depths, block align 0, no channels, a
// data size of 0 or negative (2 GiB or more), a sample count that overflows 32
// bits, and non-finite float samples. A data chunk shorter than declared
// decodes up to the end of the file; the rest reads as 0.
class WavReader {
public:
    // Decoding stops after maxFrames frames' worth of what a mono mix reads:
    // maxFrames samples for a mono file, 2 * maxFrames otherwise (the mix takes
    // the first two samples of each frame pair).
    static constexpr int32_t kDefaultMaxFrames = 8192;
    // The "fmt " and "data" headers must start within this many bytes.
    static constexpr int64_t kHeaderLimit = 4 << 20;
    // Reads count bytes at offset into buf, as pread(2) does.
    using ReadFunction = ssize_t (*)(int fd, void* buf, size_t count, off_t offset);

    char riffId[4] = {};                 // file bytes 0-3, "RIFF"
    uint32_t riffSize = 0;               // not used
    char waveId[4] = {};                 // file bytes 8-11, "WAVE"
    char fmtId[4] = {};                  // "fmt "
    uint32_t fmtSize = 0;                // not used: the 16 format bytes are read, any extension skipped
    uint16_t audioFormat = 0;            // 1 integer PCM, 3 IEEE float, 0xFFFE extensible
    uint16_t numChannels = 0;            // channel count
    uint32_t fileSampleRate = 0;         // not used: no rate conversion is done
    uint32_t byteRate = 0;               // not used
    uint16_t blockAlign = 0;             // bytes per frame, used only to count samples
    uint16_t bitsPerSample = 0;          // 16, 24 or 32
    uint16_t validBits = 0;              // extensible only: bits in use, must equal bitsPerSample
    uint16_t subFormat = 0;              // extensible only: the subformat GUID's code, 1 or 3
    char dataId[4] = {};                 // "data"
    int32_t dataSize = 0;                // byte length of the sample data, signed
    bool valid = false;                  // true only after a complete, successful read
    int32_t sampleCount = 0;             // samples declared by the header, all channels together
    std::vector<double> samples;         // decoded samples (the first min(sampleCount, cap)), interleaved
    ReadFunction readFunction = nullptr; // null: the system's pread; tests count calls through their own

    // Fills the record from path. Returns true only on complete success.
    bool readWav(const char* path, int32_t maxFrames = kDefaultMaxFrames);
    // Frees the decoded samples.
    void releaseSamples();
};
