// The host bypass without a click: a short linear crossfade between the
// plug-in's output and the unprocessed input, channel for channel. The engine
// keeps running underneath, so leaving bypass fades back into a warm chain.
// While the fade rests on "processed", the shell skips it entirely and the
// output is the engine's, bit for bit.
//
// Threads: the audio thread only (prepare while processing is stopped).
#pragma once

#include <cstdint>

class BypassFade {
public:
    static constexpr double kFadeSeconds = 0.01; // length of a full crossfade

    // Sets the fade length for a sample rate.
    void prepare(double sampleRate);
    // Where the fade heads: true for the dry input.
    void setTarget(bool bypass) { target = bypass ? 1.0 : 0.0; }
    // Jumps to the target (a fresh start has nothing to fade from).
    void settle() { gain = target; }
    // False while the output is purely the processed signal.
    bool active() const { return gain != 0.0 || target != 0.0; }

    // out = processed * (1 - g) + dry * g, g moving towards the target by one
    // step per frame. out1 may be null (a mono output).
    template <typename Sample>
    void mix(const Sample* dry0, const Sample* dry1, Sample* out0, Sample* out1, int32_t frames);

private:
    double target = 0.0;                          // 0 processed, 1 dry
    double gain = 0.0;                            // current share of the dry input
    double step = 1.0 / (kFadeSeconds * 44100.0); // gain change per frame
};
