#include "plugin/vst3/Vst3State.h"

namespace zv3 {

bool writeState(vst3::IBStream* stream, const PluginState& state)
{
    if (!stream)
        return false;
    unsigned char bytes[kStateSize];
    encodeSavedState(kStateFormat, {state.record, state.bypass ? kStateBypass : 0u}, bytes);
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
    SavedState saved;
    if (!decodeSavedState(kStateFormat, bytes, sizeof(bytes), saved))
        return false;
    state.record = saved.record;
    state.bypass = (saved.flags & kStateBypass) != 0;
    return true;
}

} // namespace zv3
