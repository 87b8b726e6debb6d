#pragma once

// Third-order section of the tone stack (a0 = 1).
struct ThirdOrderCoeffs {
    double b0 = 0, b1 = 0, b2 = 0, b3 = 0; // feed-forward
    double a1 = 0, a2 = 0, a3 = 0;         // feedback, subtracted
};

// Last three inputs and outputs, newest first.
struct ThirdOrderHistory {
    double x1 = 0, x2 = 0, x3 = 0;
    double y1 = 0, y2 = 0, y3 = 0;
};

// One step: feed-forward terms in order, then the feedback terms from the
// oldest to the newest, then the subtract-first denormal guard.
inline double stepThirdOrder(const ThirdOrderCoeffs& k, ThirdOrderHistory& h, double x)
{
    double y = k.b0 * x + k.b1 * h.x1;
    y = y + k.b2 * h.x2;
    y = y + k.b3 * h.x3;
    y = y - k.a3 * h.y3;
    y = y - k.a2 * h.y2;
    y = y - k.a1 * h.y1;
    y = (y - 1e-20) + 1e-20;
    h.x3 = h.x2; h.x2 = h.x1; h.x1 = x;
    h.y3 = h.y2; h.y2 = h.y1; h.y1 = y;
    return y;
}

struct ToneStackCoeffs {
    ThirdOrderCoeffs section; // runs on the triode stage output
    double toneGain = 1.5;    // make-up gain, applied before the interstage filter
};

struct ToneStackDesign {
    double RT1, RT2, RB, RM;        // treble pot upper/lower part, bass pot, middle pot (ohms)
    double A0, A1, A2, A3;          // s-domain denominator
    double B0, B1, B2, B3;          // s-domain numerator
    ToneStackCoeffs coeffs;
};

// Fills A0..A3, B0..B3 of the passive bass/middle/treble network from its
// resistances (R4 = 47k, C1 = 470p, C2 = 100n, C3 = 22n):
// H(s) = (B1 s + B2 s^2 + B3 s^3) / (1 + A1 s + A2 s^2 + A3 s^3).
void toneStackAnalog(ToneStackDesign& d);

// Bilinear transform without pre-warping, c = 2 fs (single-precision product).
ThirdOrderCoeffs bilinearThirdOrder(float sampleRate, double A0, double A1, double A2, double A3,
                                    double B0, double B1, double B2, double B3);

// Whole design from the section's copies; bassSquared is the bass knob squared.
ToneStackDesign designToneStack(float sampleRate, float mode, float bassSquared, float mid, float treble);

// Control-side object: copies and current design.
class ToneStack {
public:
    float sampleRate = 44100.0f; // Hz
    float mode = 0.0f;           // mode parameter value
    float bassSquared = 0.25f;   // bass knob squared when stored
    float mid = 0.5f;            // middle knob
    float treble = 0.5f;         // treble knob
    ToneStackDesign design{};

    ToneStack() { updateToneStack(); }
    void updateToneStack() { design = designToneStack(sampleRate, mode, bassSquared, mid, treble); }
    const ToneStackCoeffs& coeffs() const { return design.coeffs; }
};
