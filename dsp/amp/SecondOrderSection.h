#pragma once

// Second-order direct-form section shared by the gain network, the interstage
// and presence filters and the output high-pass. Coefficients are already
// divided by the leading denominator coefficient (a0 = 1).
struct BiquadCoeffs {
    double b0 = 0, b1 = 0, b2 = 0; // feed-forward
    double a1 = 0, a2 = 0;         // feedback, subtracted
};

// Last two inputs and outputs, newest first. The input is the value after any
// gain that precedes the section.
struct BiquadHistory {
    double x1 = 0, x2 = 0;
    double y1 = 0, y2 = 0;
};

// One step. Feed-forward terms first, then a2 y2 before a1 y1; the guard
// subtracts before it adds (the opposite of the anti-aliasing sections), which
// keeps denormals out of the history without moving any normal result.
inline double stepSecondOrder(const BiquadCoeffs& k, BiquadHistory& h, double x)
{
    double y = k.b0 * x + k.b1 * h.x1;
    y = y + k.b2 * h.x2;
    y = y - k.a2 * h.y2;
    y = y - k.a1 * h.y1;
    y = (y - 1e-20) + 1e-20;
    h.x2 = h.x1; h.x1 = x;
    h.y2 = h.y1; h.y1 = y;
    return y;
}

// Bilinear transform without pre-warping, c = 2 fs, of
// H(s) = (B0 + B1 s + B2 s^2) / (A0 + A1 s + A2 s^2).
BiquadCoeffs bilinearSecondOrder(float sampleRate, double A0, double A1, double A2,
                                 double B0, double B1, double B2);
