#include "tools/render/PresetFile.h"

#include "plugin/vst/aeffect.h"

#include <cstdio>
#include <cstring>

namespace zrender {
namespace {

// Magic of the parameter-list forms, which this plug-in never writes.
constexpr int32_t kParamPresetMagic = ZORVAN_FOURCC('F', 'x', 'C', 'k');
constexpr int32_t kParamBankMagic = ZORVAN_FOURCC('F', 'x', 'B', 'k');
constexpr int32_t kPresetVersion = 1;
constexpr int32_t kBankVersion = 2;   // 2: the currentProgram field is valid

void putBE(std::vector<uint8_t>& out, int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    out.push_back(static_cast<uint8_t>(u >> 24));
    out.push_back(static_cast<uint8_t>(u >> 16));
    out.push_back(static_cast<uint8_t>(u >> 8));
    out.push_back(static_cast<uint8_t>(u));
}

int32_t getBE(const std::vector<uint8_t>& in, size_t at) {
    const uint32_t u = (uint32_t(in[at]) << 24) | (uint32_t(in[at + 1]) << 16) |
                       (uint32_t(in[at + 2]) << 8) | uint32_t(in[at + 3]);
    return static_cast<int32_t>(u);
}

void finish(std::vector<uint8_t>& out, const std::vector<uint8_t>& chunk) {
    putBE(out, static_cast<int32_t>(chunk.size()));
    out.insert(out.end(), chunk.begin(), chunk.end());
    const int32_t byteSize = static_cast<int32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(uint32_t(byteSize) >> (24 - 8 * i));
}

// Common checks of both kinds; returns the chunk found after a header of headerBytes.
std::vector<uint8_t> checkAndExtract(const std::vector<uint8_t>& bytes, size_t headerBytes,
                                     int32_t wantMagic, const char* kind) {
    if (bytes.size() < 12 || getBE(bytes, 0) != cMagic)
        throw PresetFormatError(std::string("not a VST ") + kind + " file");
    const int32_t fxMagic = getBE(bytes, 8);
    if (fxMagic != wantMagic) {
        if (fxMagic == chunkBankMagic || fxMagic == kParamBankMagic)
            throw PresetFormatError("is a bank file (.fxb), not a preset");
        if (fxMagic == chunkPresetMagic || fxMagic == kParamPresetMagic)
            throw PresetFormatError("is a preset file (.fxp), not a bank");
        throw PresetFormatError(std::string("not a VST ") + kind + " file");
    }
    if (bytes.size() < headerBytes) throw PresetFormatError("file is truncated");
    const int64_t byteSize = getBE(bytes, 4);
    if (byteSize < int64_t(headerBytes) - 8 || uint64_t(byteSize) + 8 > bytes.size())
        throw PresetFormatError("file is truncated or its size field is wrong");
    const int64_t chunkSize = getBE(bytes, headerBytes - 4);
    if (chunkSize < 0 || uint64_t(chunkSize) > uint64_t(byteSize) + 8 - headerBytes)
        throw PresetFormatError("chunk size does not fit the file");
    return std::vector<uint8_t>(bytes.begin() + headerBytes, bytes.begin() + headerBytes + chunkSize);
}

} // namespace

std::vector<uint8_t> encodePreset(const PresetFile& preset) {
    std::vector<uint8_t> out;
    out.reserve(kPresetHeaderBytes + preset.chunk.size());
    putBE(out, cMagic);
    putBE(out, 0);   // byteSize, filled in by finish
    putBE(out, chunkPresetMagic);
    putBE(out, kPresetVersion);
    putBE(out, preset.fxId);
    putBE(out, preset.fxVersion);
    putBE(out, preset.numParams);
    char name[kPresetNameBytes] = {};
    std::strncpy(name, preset.name.c_str(), kPresetNameBytes - 1);
    out.insert(out.end(), name, name + kPresetNameBytes);
    finish(out, preset.chunk);
    return out;
}

std::vector<uint8_t> encodeBank(const BankFile& bank) {
    std::vector<uint8_t> out;
    out.reserve(kBankHeaderBytes + bank.chunk.size());
    putBE(out, cMagic);
    putBE(out, 0);
    putBE(out, chunkBankMagic);
    putBE(out, kBankVersion);
    putBE(out, bank.fxId);
    putBE(out, bank.fxVersion);
    putBE(out, bank.numPrograms);
    putBE(out, bank.currentProgram);
    out.insert(out.end(), 124, uint8_t(0));
    finish(out, bank.chunk);
    return out;
}

PresetFile decodePreset(const std::vector<uint8_t>& bytes) {
    PresetFile p;
    p.chunk = checkAndExtract(bytes, kPresetHeaderBytes, chunkPresetMagic, "preset");
    p.fxId = getBE(bytes, 16);
    p.fxVersion = getBE(bytes, 20);
    p.numParams = getBE(bytes, 24);
    const char* name = reinterpret_cast<const char*>(bytes.data() + 28);
    p.name.assign(name, strnlen(name, kPresetNameBytes));
    return p;
}

BankFile decodeBank(const std::vector<uint8_t>& bytes) {
    BankFile b;
    b.chunk = checkAndExtract(bytes, kBankHeaderBytes, chunkBankMagic, "bank");
    b.fxId = getBE(bytes, 16);
    b.fxVersion = getBE(bytes, 20);
    b.numPrograms = getBE(bytes, 24);
    // Version 1 banks carry no current program; their field is reserved space.
    b.currentProgram = getBE(bytes, 12) >= 2 ? getBE(bytes, 28) : 0;
    return b;
}

std::string fourCharText(int32_t id) {
    const uint32_t u = static_cast<uint32_t>(id);
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((u >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08X", u);
            return hex;
        }
        s += c;
    }
    return "'" + s + "'";
}

} // namespace zrender
