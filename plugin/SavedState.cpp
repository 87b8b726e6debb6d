#include "plugin/SavedState.h"

#include <cstring>

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

void encodeSavedState(const SavedStateFormat& format, const SavedState& state, unsigned char (&out)[kSavedStateSize])
{
    std::memcpy(out, format.tag, 4);
    putU32(out + 4, format.version);
    putU32(out + 8, state.flags);
    std::memcpy(out + kSavedStateHeaderSize, &state.record, kPresetChunkSize);
}

bool decodeSavedState(const SavedStateFormat& format, const unsigned char* bytes, size_t size, SavedState& state)
{
    if (!bytes || size != static_cast<size_t>(kSavedStateSize) || std::memcmp(bytes, format.tag, 4) != 0 ||
        getU32(bytes + 4) != format.version)
        return false;
    std::memcpy(&state.record, bytes + kSavedStateHeaderSize, kPresetChunkSize);
    state.flags = getU32(bytes + 8);
    return true;
}
