#pragma once

// The amplifier chain written as plainly as possible: one sample at a time
// through small section structs in signal order, no scheduling. It shares
// only the coefficient set and the tube constants with the production code,
// so the tests use it as the bit-exact reference and the benchmark as the
// baseline.

#include "dsp/amp/AmpModel.h"

#include <cmath>

namespace plain {

struct AntiAlias {
    const AntiAliasCoeffs* k;
    double x[7] = {0}, y[7] = {0}; // [1..6] newest first

    double step(double in)
    {
        double r = k->b1 * x[1] + k->b0 * in;
        r += k->b2 * x[2];
        r += k->b3 * x[3];
        r += k->b4 * x[4];
        r += k->b5 * x[5];
        r += k->b6 * x[6];
        r += k->c1 * y[1];
        r += k->c2 * y[2];
        r += k->c3 * y[3];
        r += k->c4 * y[4];
        r += k->c5 * y[5];
        r += k->c6 * y[6];
        r = (r + 1e-20) - 1e-20;
        for (int i = 6; i > 1; --i) { x[i] = x[i - 1]; y[i] = y[i - 1]; }
        x[1] = in;
        y[1] = r;
        return r;
    }
};

struct Biquad {
    const BiquadCoeffs* k;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;

    double step(double in)
    {
        double r = k->b0 * in + k->b1 * x1 + k->b2 * x2 - k->a2 * y2 - k->a1 * y1;
        r = (r - 1e-20) + 1e-20;
        x2 = x1; x1 = in; y2 = y1; y1 = r;
        return r;
    }
};

struct Third {
    const ThirdOrderCoeffs* k;
    double x1 = 0, x2 = 0, x3 = 0, y1 = 0, y2 = 0, y3 = 0;

    double step(double in)
    {
        double r = k->b0 * in + k->b1 * x1 + k->b2 * x2 + k->b3 * x3 - k->a3 * y3 - k->a2 * y2 - k->a1 * y1;
        r = (r - 1e-20) + 1e-20;
        x3 = x2; x2 = x1; x1 = in; y3 = y2; y2 = y1; y1 = r;
        return r;
    }
};

inline double triodeIp(const TriodeModel& m, double g)
{
    double t = (g / m.gridScale + m.invMu) * m.kp;
    double E = std::log(std::exp(t) + 1.0) * m.epOverKp;
    double sgn = E >= 0.0 ? 1.0 : -1.0;
    return (std::pow(E, m.ex) / m.kg1) * (sgn + 1.0);
}

inline double pentodeIp(const PentodeModel& m, double g)
{
    double t = (g / m.screenVoltage + m.invMu) * m.kp;
    double E = std::log(std::exp(t) + 1.0) * m.eg2OverKp;
    double sgn = E >= 0.0 ? 1.0 : -1.0;
    return (std::pow(E, m.ex) / m.kg1) * (sgn + 1.0) * m.plateFactor;
}

struct Triode {
    TriodeModel m = initTriodeModel(0.62f);
    AntiAlias f[4];
    double buf[2] = {0, 0};

    double step(double in, int n)
    {
        buf[0] = in;
        double out = 0;
        for (int i = n - 1; i >= 0; --i) {
            double v = f[1].step(f[0].step(double(n) * buf[i]));
            double s = v >= 0.0 ? -((triodeIp(m, (-0.0 - v) + 0.5) - m.restCurrent) / m.restCurrent)
                                : (triodeIp(m, v + 0.5) - m.restCurrent) / m.restCurrent;
            double w = ((s * 0.445770802765903 - 0.262760944760536) * s - 1.08150605597883) * s;
            out = f[3].step(f[2].step(w));
        }
        return out;
    }
};

struct Power {
    PentodeModel m = initPentodeModel();
    AntiAlias f[4];
    double buf[2] = {0, 0};

    double step(double in, int n)
    {
        buf[0] = in;
        double out = 0;
        for (int i = n - 1; i >= 0; --i) {
            double v = f[1].step(f[0].step(double(n) * buf[i]));
            double s = v >= 0.0 ? -((pentodeIp(m, -0.0 - v) - m.restCurrent) / m.restCurrent)
                                : (pentodeIp(m, v) - m.restCurrent) / m.restCurrent;
            out = f[3].step(f[2].step(s));
        }
        return out;
    }
};

// The whole chain for one coefficient set (copied in; rebind with setCoeffs).
struct Chain {
    AmpCoeffs k;
    AntiAlias in1, in2, out1, out2;
    Biquad gain, inter, presence, highPass;
    Third tone;
    Triode triode;
    Power power;

    explicit Chain(const AmpCoeffs& c) { setCoeffs(c); }
    Chain(const Chain&) = delete;

    void setCoeffs(const AmpCoeffs& c)
    {
        k = c;
        in1.k = in2.k = out1.k = out2.k = &k.baseAntiAlias;
        for (AntiAlias& f : triode.f) f.k = &k.stageAntiAlias;
        for (AntiAlias& f : power.f) f.k = &k.stageAntiAlias;
        gain.k = &k.gainNetwork.section;
        inter.k = &k.interstage.section;
        presence.k = &k.presence.section;
        highPass.k = &k.outputHighPass;
        tone.k = &k.toneStack.section;
    }

    double step(double sum)
    {
        double x = sum * double(k.inputLevel) * 2.0;
        x = in2.step(in1.step(x));
        x = gain.step(x * k.gainNetwork.preGain) * k.gainNetwork.postGain;
        x = triode.step(x, k.oversampleFactor);
        x = tone.step(x);
        x = inter.step(x * k.toneStack.toneGain) * k.interstage.driveGain;
        x = power.step(x, k.oversampleFactor);
        x = presence.step(x);
        x = highPass.step(x * k.presence.outputGain);
        return out2.step(out1.step(x));
    }
};

} // namespace plain
