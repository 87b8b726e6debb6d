#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

// A scratch directory removed with its files at the end of the test.
class TempDir
{
public:
    TempDir()
    {
        char templ[] = "/tmp/zorvan-cabinet-XXXXXX";
        const char* d = ::mkdtemp(templ);
        path_ = d != nullptr ? d : "/tmp";
    }
    ~TempDir()
    {
        for (const auto& f : files_)
            std::remove(f.c_str());
        ::rmdir(path_.c_str());
    }
    std::string file(const std::string& name)
    {
        files_.push_back(path_ + "/" + name);
        return files_.back();
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::vector<std::string> files_;
};

// Little-endian byte assembly for hand-made WAV files.
struct Bytes
{
    std::vector<uint8_t> v;
    Bytes& tag(const char* t)
    {
        v.insert(v.end(), t, t + 4);
        return *this;
    }
    Bytes& u16(uint32_t x)
    {
        v.push_back(static_cast<uint8_t>(x));
        v.push_back(static_cast<uint8_t>(x >> 8));
        return *this;
    }
    Bytes& u24(uint32_t x)
    {
        u16(x);
        v.push_back(static_cast<uint8_t>(x >> 16));
        return *this;
    }
    Bytes& u32(uint32_t x)
    {
        u16(x);
        u16(x >> 16);
        return *this;
    }
    Bytes& f32(float f)
    {
        uint32_t b;
        static_assert(sizeof b == sizeof f, "float size");
        __builtin_memcpy(&b, &f, 4);
        return u32(b);
    }
    Bytes& raw(const std::vector<uint8_t>& r)
    {
        v.insert(v.end(), r.begin(), r.end());
        return *this;
    }
};

// A canonical WAV: RIFF header, 16-byte fmt chunk, data chunk of the given
// sample bytes. dataSizeOverride replaces the declared data size.
inline std::vector<uint8_t> makeWav(uint16_t format, uint16_t channels, uint16_t bits, const std::vector<uint8_t>& data,
                                    int64_t dataSizeOverride = -1, int blockAlignOverride = -1)
{
    const uint16_t align = blockAlignOverride >= 0 ? static_cast<uint16_t>(blockAlignOverride)
                                                   : static_cast<uint16_t>(channels * bits / 8);
    Bytes b;
    b.tag("RIFF").u32(static_cast<uint32_t>(36 + data.size())).tag("WAVE");
    b.tag("fmt ").u32(16).u16(format).u16(channels).u32(48000).u32(48000u * align).u16(align).u16(bits);
    b.tag("data").u32(dataSizeOverride >= 0 ? static_cast<uint32_t>(dataSizeOverride)
                                            : static_cast<uint32_t>(data.size()));
    b.raw(data);
    return b.v;
}

inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return;
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

inline std::vector<uint8_t> floatSamples(const std::vector<float>& s)
{
    Bytes b;
    for (float f : s)
        b.f32(f);
    return b.v;
}

inline std::vector<uint8_t> pcm16(const std::vector<int>& s)
{
    Bytes b;
    for (int x : s)
        b.u16(static_cast<uint32_t>(x) & 0xFFFF);
    return b.v;
}
