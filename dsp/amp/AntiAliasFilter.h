#pragma once

// Sixth-order 20 kHz Butterworth low-pass that band-limits the amplifier at
// its two ends and around each oversampled shaper; the built-in cabinet's
// rebuild runs two more at twice the host rate.
//
// Thread contract: an AntiAliasFilter object is plain state owned by one
// thread at a time. designAntiAliasFilter() is a pure function and may run
// anywhere; the owner decides how a new AntiAliasCoeffs reaches the thread
// that calls processAntiAliasFilter() (the amplifier model publishes whole
// coefficient sets, see AmpModel.h).


// One fixed coefficient set. The feedback terms carry the sign with which they
// are added (c_k = -a_k of the usual denominator 1 + a1 z^-1 + ... + a6 z^-6).
struct AntiAliasCoeffs {
    double b0, b1, b2, b3, b4, b5, b6; // feed-forward
    double c1, c2, c3, c4, c5, c6;     // feedback, added
};

// Last six inputs and outputs, newest first.
struct AntiAliasHistory {
    double x1 = 0, x2 = 0, x3 = 0, x4 = 0, x5 = 0, x6 = 0;
    double y1 = 0, y2 = 0, y3 = 0, y4 = 0, y5 = 0, y6 = 0;
};

// Loads the table set for sampleRate into coeffs. The table covers exactly
// 44100, 48000, 88200, 96000, 176400 and 192000 Hz (single-precision
// equality); at any other rate coeffs is left as it was and false is returned,
// so a section keeps the set of the last supported rate.
bool designAntiAliasFilter(float sampleRate, AntiAliasCoeffs& coeffs);

// The table set at 44100 Hz, the state of a section before its first design.
const AntiAliasCoeffs& antiAliasCoeffsAt44100();

// One step of the difference equation. The summation order is part of the
// result (the output must be reproducible bit for bit), and the guard adds
// before it subtracts so that denormals never enter the history.
inline double stepAntiAliasFilter(const AntiAliasCoeffs& k, AntiAliasHistory& h, double x)
{
    double y = k.b1 * h.x1 + k.b0 * x;
    y += k.b2 * h.x2;
    y += k.b3 * h.x3;
    y += k.b4 * h.x4;
    y += k.b5 * h.x5;
    y += k.b6 * h.x6;
    y += k.c1 * h.y1;
    y += k.c2 * h.y2;
    y += k.c3 * h.y3;
    y += k.c4 * h.y4;
    y += k.c5 * h.y5;
    y += k.c6 * h.y6;
    y = (y + 1e-20) - 1e-20;
    h.x6 = h.x5; h.x5 = h.x4; h.x4 = h.x3; h.x3 = h.x2; h.x2 = h.x1; h.x1 = x;
    h.y6 = h.y5; h.y5 = h.y4; h.y4 = h.y3; h.y3 = h.y2; h.y2 = h.y1; h.y1 = y;
    return y;
}

// A self-contained section: its rate copy, its set and its history.
class AntiAliasFilter {
public:
    float sampleRate = 44100.0f;   // rate the section runs at; written before each design
    AntiAliasCoeffs coeffs;        // current table set (44100 Hz until designed)
    AntiAliasHistory history;      // zero at construction, never cleared by a design

    AntiAliasFilter();

    // Designs for sampleRate; returns false (set unchanged) outside the table.
    bool designAntiAliasFilter();

    double processAntiAliasFilter(double x) { return stepAntiAliasFilter(coeffs, history, x); }

    // Zeroes the history only.
    void reset() { history = AntiAliasHistory{}; }
};

