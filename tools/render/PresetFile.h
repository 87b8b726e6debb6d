// Standard VST 2 preset (.fxp) and bank (.fxb) files in their opaque-chunk form.
// Pure byte encoding and decoding; the caller checks the plug-in ID and hands the
// chunk to the plug-in. All header fields are big-endian.
//
// .fxp: 'CcnK', byteSize, 'FPCh', version 1, fxID, fxVersion, numParams,
//       prgName[28], chunkSize, chunk
// .fxb: 'CcnK', byteSize, 'FBCh', version 2, fxID, fxVersion, numPrograms,
//       currentProgram, future[124], chunkSize, chunk
// byteSize counts every byte after the byteSize field itself.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zrender {

constexpr size_t kPresetHeaderBytes = 60;   // up to and including chunkSize
constexpr size_t kBankHeaderBytes = 160;
constexpr size_t kPresetNameBytes = 28;

struct PresetFile {
    int32_t fxId = 0;
    int32_t fxVersion = 0;
    int32_t numParams = 0;
    std::string name;               // at most 27 characters are stored
    std::vector<uint8_t> chunk;
};

struct BankFile {
    int32_t fxId = 0;
    int32_t fxVersion = 0;
    int32_t numPrograms = 0;
    int32_t currentProgram = 0;     // meaningful from format version 2
    std::vector<uint8_t> chunk;
};

// A file that is not what the caller expected; what() is a short reason.
struct PresetFormatError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::vector<uint8_t> encodePreset(const PresetFile& preset);
std::vector<uint8_t> encodeBank(const BankFile& bank);
PresetFile decodePreset(const std::vector<uint8_t>& bytes);   // throws PresetFormatError
BankFile decodeBank(const std::vector<uint8_t>& bytes);       // throws PresetFormatError

// 'ZRFL' for an ID, or its hex value when it is not printable.
std::string fourCharText(int32_t id);

} // namespace zrender
