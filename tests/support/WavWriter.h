// Writes small WAV files for tests, byte by byte, so that headers can be bent at will.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace testhost {

inline void putLe(std::vector<uint8_t>& b, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// 16-bit PCM WAV with interleaved samples.
inline std::vector<uint8_t> wav16(const std::vector<int16_t>& samples, int channels, uint32_t rate = 48000)
{
    std::vector<uint8_t> b;
    const uint32_t dataSize = static_cast<uint32_t>(samples.size() * 2);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    putLe(b, 36 + dataSize, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe(b, 16, 4);
    putLe(b, 1, 2);
    putLe(b, static_cast<uint32_t>(channels), 2);
    putLe(b, rate, 4);
    putLe(b, rate * 2 * static_cast<uint32_t>(channels), 4);
    putLe(b, 2 * static_cast<uint32_t>(channels), 2);
    putLe(b, 16, 2);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    putLe(b, dataSize, 4);
    for (int16_t s : samples)
        putLe(b, static_cast<uint16_t>(s), 2);
    return b;
}

inline bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace testhost
