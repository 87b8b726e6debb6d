#include "plugin/vst3/BypassFade.h"

void BypassFade::prepare(double sampleRate)
{
    const double frames = kFadeSeconds * sampleRate;
    step = frames > 1.0 ? 1.0 / frames : 1.0;
}

template <typename Sample>
void BypassFade::mix(const Sample* dry0, const Sample* dry1, Sample* out0, Sample* out1, int32_t frames)
{
    for (int32_t i = 0; i < frames; ++i) {
        if (gain < target)
            gain = gain + step < target ? gain + step : target;
        else if (gain > target)
            gain = gain - step > target ? gain - step : target;
        if (gain == 1.0) {
            // Fully bypassed: the input itself, whatever the engine made.
            out0[i] = dry0[i];
            if (out1)
                out1[i] = dry1[i];
            continue;
        }
        const double wet = out0[i];
        out0[i] = static_cast<Sample>(wet * (1.0 - gain) + static_cast<double>(dry0[i]) * gain);
        if (out1)
            out1[i] = static_cast<Sample>(wet * (1.0 - gain) + static_cast<double>(dry1[i]) * gain);
    }
}

template void BypassFade::mix<float>(const float*, const float*, float*, float*, int32_t);
template void BypassFade::mix<double>(const double*, const double*, double*, double*, int32_t);
