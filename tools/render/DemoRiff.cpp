#include "tools/render/DemoRiff.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zrender {
namespace {

struct Pluck {
    double frequency;   // Hz
    double start;       // seconds
    double length;      // seconds until the fretting hand damps it
    double level;       // pick strength
    bool muted;         // palm mute: short and dark
};

// Deterministic noise for the pick excitation (no library generator: its
// sequence is not fixed across platforms).
struct Lcg {
    uint32_t state;
    double next() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) * (2.0 / 16777216.0) - 1.0;
    }
};

// One string: a delay line closed by a two-point average (the string's losses)
// and a first-order all-pass that supplies the fractional part of the period.
void renderPluck(const Pluck& p, uint32_t seed, std::vector<double>& mix) {
    const double fs = kDemoSampleRate;
    const double period = fs / p.frequency - 0.5;   // the average adds half a sample
    const int n = static_cast<int>(std::floor(period - 0.1));
    const double frac = period - n;
    const double apC = (1.0 - frac) / (1.0 + frac);
    const double t60 = p.muted ? 0.12 : 2.5;
    const double loopGain = std::pow(10.0, -3.0 / (t60 * p.frequency));
    const double darkness = p.muted ? 0.75 : 0.35;   // one-pole smoothing of the excitation

    std::vector<double> line(static_cast<size_t>(n));
    Lcg noise{seed};
    double lp = 0.0;
    for (double& s : line) {
        lp = darkness * lp + (1.0 - darkness) * noise.next();
        s = lp * p.level;
    }

    const size_t begin = static_cast<size_t>(p.start * fs);
    const size_t ringFrames = static_cast<size_t>(p.length * fs);
    const size_t releaseFrames = static_cast<size_t>(0.02 * fs);
    double prev = 0.0, apX1 = 0.0, apY1 = 0.0;
    size_t pos = 0;
    for (size_t i = 0; i < ringFrames + releaseFrames && begin + i < mix.size(); ++i) {
        const double x = line[pos];
        const double avg = 0.5 * (x + prev);
        prev = x;
        const double ap = apC * avg + apX1 - apC * apY1;
        apX1 = avg;
        apY1 = ap;
        line[pos] = loopGain * ap;
        pos = (pos + 1 == line.size()) ? 0 : pos + 1;
        const double fade = i < ringFrames ? 1.0 : 1.0 - double(i - ringFrames) / double(releaseFrames);
        mix[begin + i] += x * fade;
    }
}

// Equal-tempered pitch from a MIDI note number (E2 = 40).
double pitch(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

} // namespace

std::vector<float> makeDemoRiff() {
    const double step = 0.125;   // a sixteenth at 120 bpm
    const double leadIn = 0.1;
    std::vector<Pluck> plucks;

    // Power chord: root, fifth, octave, strummed downwards 8 ms apart.
    auto chord = [&](int root, int atStep, int steps) {
        const int notes[] = {root, root + 7, root + 12};
        for (int k = 0; k < 3; ++k)
            plucks.push_back({pitch(notes[k]), leadIn + atStep * step + 0.008 * k, steps * step - 0.008 * k, 1.0,
                              false});
    };
    auto chug = [&](int note, int atStep) {
        plucks.push_back({pitch(note), leadIn + atStep * step, step * 0.9, 0.9, true});
        plucks.push_back({pitch(note + 7), leadIn + atStep * step + 0.004, step * 0.9, 0.7, true});
    };
    auto single = [&](int note, int atStep, int steps) {
        plucks.push_back({pitch(note), leadIn + atStep * step, steps * step, 0.8, false});
    };

    const int e2 = 40, g2 = 43, a2 = 45;
    chord(e2, 0, 2);
    for (int s = 2; s < 6; ++s) chug(e2, s);
    chord(g2, 6, 2);
    chord(a2, 8, 4);
    for (int s = 12; s < 16; ++s) chug(e2, s);
    // Single-note lick up the E minor pentatonic, then back to the E5.
    const int lick[] = {52, 55, 57, 59, 62, 64, 62, 59};
    for (int k = 0; k < 8; ++k) single(lick[k], 16 + k, 1);
    chord(e2, 24, 8);

    const double end = leadIn + 32 * step + 0.05;
    std::vector<double> mix(static_cast<size_t>(end * kDemoSampleRate), 0.0);
    uint32_t seed = 0x5A52464Cu;
    for (const Pluck& p : plucks) renderPluck(p, seed++ * 2654435761u, mix);

    double peak = 0.0;
    for (double s : mix) peak = std::max(peak, std::fabs(s));
    const double scale = peak > 0.0 ? kDemoPeak / peak : 0.0;
    std::vector<float> out(mix.size());
    for (size_t i = 0; i < mix.size(); ++i) out[i] = static_cast<float>(mix[i] * scale);
    return out;
}

} // namespace zrender
