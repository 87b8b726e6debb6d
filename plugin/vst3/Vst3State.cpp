#include "plugin/vst3/Vst3State.h"

#include <cstring>

namespace zv3 {

namespace {

void putU32(unsigned char* at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t getU32(const unsigned char* at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(at[i]) << (8 * i);
    return v;
}

} // namespace

bool writeState(vst3::IBStream* stream, const PluginState& state)
{
    if (!stream)
        return false;
    unsigned char bytes[kStateSize];
    std::memcpy(bytes, kStateMagic, 4);
    putU32(bytes + 4, kStateVersion);
    putU32(bytes + 8, state.bypass ? kStateBypass : 0u);
    std::memcpy(bytes + kStateHeaderSize, &state.record, kPresetChunkSize);
    int32_t written = 0;
    return stream->write(bytes, kStateSize, &written) == vst3::kResultOk && written == kStateSize;
}

bool readState(vst3::IBStream* stream, PluginState& state)
{
    if (!stream)
        return false;
    // Streams may hand out fewer bytes per call than asked for.
    unsigned char bytes[kStateSize];
    int32_t total = 0;
    while (total < kStateSize) {
        int32_t got = 0;
        if (stream->read(bytes + total, kStateSize - total, &got) != vst3::kResultOk || got <= 0 ||
            got > kStateSize - total)
            return false;
        total += got;
    }
    if (std::memcmp(bytes, kStateMagic, 4) != 0 || getU32(bytes + 4) != kStateVersion)
        return false;
    std::memcpy(&state.record, bytes + kStateHeaderSize, kPresetChunkSize);
    state.bypass = (getU32(bytes + 8) & kStateBypass) != 0;
    return true;
}

} // namespace zv3
