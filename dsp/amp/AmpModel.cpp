#include "dsp/amp/AmpModel.h"

#include <algorithm>
#include <cmath>

void AmpState::reset()
{
    input1 = input2 = AntiAliasHistory{};
    gainNetwork = BiquadHistory{};
    triode.reset();
    toneStack = ThirdOrderHistory{};
    interstage = BiquadHistory{};
    power.reset();
    presence = outputHighPass = BiquadHistory{};
    output1 = output2 = AntiAliasHistory{};
}

double processAmpFrame(const AmpCoeffs& k, AmpState& s, double sum)
{
    double x = sum * static_cast<double>(k.inputLevel) * 2.0;
    x = stepAntiAliasFilter(k.baseAntiAlias, s.input1, x);
    x = stepAntiAliasFilter(k.baseAntiAlias, s.input2, x);
    x = stepSecondOrder(k.gainNetwork.section, s.gainNetwork, x * k.gainNetwork.preGain) * k.gainNetwork.postGain;
    x = s.triode.process(x, k.stageAntiAlias, k.oversampleFactor);
    x = stepThirdOrder(k.toneStack.section, s.toneStack, x);
    x = stepSecondOrder(k.interstage.section, s.interstage, x * k.toneStack.toneGain) * k.interstage.driveGain;
    x = s.power.process(x, k.stageAntiAlias, k.oversampleFactor);
    x = stepSecondOrder(k.presence.section, s.presence, x);
    x = stepSecondOrder(k.outputHighPass, s.outputHighPass, x * k.presence.outputGain);
    x = stepAntiAliasFilter(k.baseAntiAlias, s.output1, x);
    x = stepAntiAliasFilter(k.baseAntiAlias, s.output2, x);
    return x;
}

AmpModel::AmpModel()
    : baseAntiAlias_(antiAliasCoeffsAt44100()), stageAntiAlias_(antiAliasCoeffsAt44100())
{
    // The sections start from the default program's values (their
    // constructors); the rate update designs everything at 44100 Hz so the
    // model can run at once.
    setSampleRate(44100.0f);
    slots_[frontSlot_] = coefficients();
}

AmpModel::~AmpModel() = default;

void AmpModel::publishLocked()
{
    AmpCoeffs& k = slots_[backSlot_];
    k.inputLevel = inputLevel_;
    k.oversampleFactor = oversampleFactor_;
    k.rateEpoch = rateEpoch_;
    k.baseAntiAlias = baseAntiAlias_;
    k.stageAntiAlias = stageAntiAlias_;
    k.gainNetwork = gainNetwork_.coeffs();
    k.toneStack = toneStack_.coeffs();
    k.interstage = interstage_.coeffs();
    k.presence = presence_.coeffs();
    k.outputHighPass = outputHighPass_.coeffs;
    const unsigned previous = sharedSlot_.exchange(static_cast<unsigned>(backSlot_) | kDirty,
                                                   std::memory_order_acq_rel);
    backSlot_ = static_cast<int>(previous & 3u);
}

AmpCoeffs AmpModel::coefficients() const
{
    std::lock_guard<std::mutex> lock(writerMutex_);
    AmpCoeffs k;
    k.inputLevel = inputLevel_;
    k.oversampleFactor = oversampleFactor_;
    k.rateEpoch = rateEpoch_;
    k.baseAntiAlias = baseAntiAlias_;
    k.stageAntiAlias = stageAntiAlias_;
    k.gainNetwork = gainNetwork_.coeffs();
    k.toneStack = toneStack_.coeffs();
    k.interstage = interstage_.coeffs();
    k.presence = presence_.coeffs();
    k.outputHighPass = outputHighPass_.coeffs;
    return k;
}

void AmpModel::setInputLevel(float v)
{
    std::lock_guard<std::mutex> lock(writerMutex_);
    inputLevel_ = v;
    publishLocked();
}

void AmpModel::setMode(float v)
{
    std::lock_guard<std::mutex> lock(writerMutex_);
    gainNetwork_.mode = v;
    interstage_.mode = v;
    toneStack_.mode = v;
    presence_.mode = v;
    gainNetwork_.updateGainNetwork();
    interstage_.updateInterstageFilter();
    toneStack_.updateToneStack();
    presence_.updatePresenceFilter();
    publishLocked();
}

void AmpModel::setGain(float v)
{
    std::lock_guard<std::mutex> lock(writerMutex_);
    gainNetwork_.gain = v;
    gainNetwork_.updateGainNetwork();
    publishLocked();
}

void AmpModel::setBassSquared(float bassSquared)
{
    std::lock_guard<std::mutex> lock(writerMutex_);
    toneStack_.bassSquared = bassSquared;
    toneStack_.updateToneStack();
    publishLocked();
}

void AmpModel::setMid(float v)
{
    std::lock_guard<std::mutex> lock(writerMutex_);
    toneStack_.mid = v;
    toneStack_.updateToneStack();
    publishLocked();
}

void AmpModel::setTreble(float v)
{
    std::lock_guard<std::mutex> lock(writerMutex_);
    toneStack_.treble = v;
    toneStack_.updateToneStack();
    publishLocked();
}

void AmpModel::setPresence(float v)
{
    std::lock_guard<std::mutex> lock(writerMutex_);
    presence_.presence = v;
    presence_.updatePresenceFilter();
    publishLocked();
}

void AmpModel::setMaster(float v)
{
    std::lock_guard<std::mutex> lock(writerMutex_);
    presence_.master = v;
    presence_.updatePresenceFilter();
    publishLocked();
}

void AmpModel::setSampleRate(float fs)
{
    std::lock_guard<std::mutex> lock(writerMutex_);
    // Anti-aliasing sections: a rate outside the table keeps the previous set.
    baseRate_ = fs;
    designAntiAliasFilter(baseRate_, baseAntiAlias_);
    if (fs < 62000.0f) {
        stageRate_ = 2.0f * fs;
        oversampleFactor_ = 2;
    } else {
        stageRate_ = fs;
        oversampleFactor_ = 1;
    }
    designAntiAliasFilter(stageRate_, stageAntiAlias_);

    // The voicing sections always run at the host rate.
    gainNetwork_.sampleRate = fs;
    interstage_.sampleRate = fs;
    toneStack_.sampleRate = fs;
    presence_.sampleRate = fs;
    gainNetwork_.updateGainNetwork();
    interstage_.updateInterstageFilter();
    toneStack_.updateToneStack();
    presence_.updatePresenceFilter();

    ++rateEpoch_; // the audio side clears both upsample buffers when it sees this set

    outputHighPass_.sampleRate = fs;
    outputHighPass_.update();
    publishLocked();
}

int AmpModel::oversampleFactor() const
{
    std::lock_guard<std::mutex> lock(writerMutex_);
    return oversampleFactor_;
}

void AmpModel::acquireCoeffs()
{
    if (sharedSlot_.load(std::memory_order_relaxed) & kDirty) {
        const unsigned previous = sharedSlot_.exchange(static_cast<unsigned>(frontSlot_),
                                                       std::memory_order_acq_rel);
        frontSlot_ = static_cast<int>(previous & 3u);
    }
    const AmpCoeffs& k = slots_[frontSlot_];
    if (state_.rateEpoch != k.rateEpoch) {
        state_.rateEpoch = k.rateEpoch;
        state_.triode.upsampleBuffer[0] = state_.triode.upsampleBuffer[1] = 0.0;
        state_.power.upsampleBuffer[0] = state_.power.upsampleBuffer[1] = 0.0;
    }
}

void AmpModel::resetState()
{
    const unsigned epoch = state_.rateEpoch;
    state_.reset();
    state_.rateEpoch = epoch;
}

namespace {

// Section steps on block lanes: x[n - k] and y[n - k] are the section's past
// inputs and outputs, the lanes' fronts holding the history of the previous
// block. Same operations in the same order as the per-sample steps.
inline double antiAliasAt(const AntiAliasCoeffs& k, const double* x, double* y, int n)
{
    double r = k.b1 * x[n - 1] + k.b0 * x[n];
    r += k.b2 * x[n - 2];
    r += k.b3 * x[n - 3];
    r += k.b4 * x[n - 4];
    r += k.b5 * x[n - 5];
    r += k.b6 * x[n - 6];
    r += k.c1 * y[n - 1];
    r += k.c2 * y[n - 2];
    r += k.c3 * y[n - 3];
    r += k.c4 * y[n - 4];
    r += k.c5 * y[n - 5];
    r += k.c6 * y[n - 6];
    r = (r + 1e-20) - 1e-20;
    y[n] = r;
    return r;
}

inline double secondOrderAt(const BiquadCoeffs& k, const double* x, double* y, int n)
{
    double r = k.b0 * x[n] + k.b1 * x[n - 1];
    r = r + k.b2 * x[n - 2];
    r = r - k.a2 * y[n - 2];
    r = r - k.a1 * y[n - 1];
    r = (r - 1e-20) + 1e-20;
    y[n] = r;
    return r;
}

inline double thirdOrderAt(const ThirdOrderCoeffs& k, const double* x, double* y, int n)
{
    double r = k.b0 * x[n] + k.b1 * x[n - 1];
    r = r + k.b2 * x[n - 2];
    r = r + k.b3 * x[n - 3];
    r = r - k.a3 * y[n - 3];
    r = r - k.a2 * y[n - 2];
    r = r - k.a1 * y[n - 1];
    r = (r - 1e-20) + 1e-20;
    y[n] = r;
    return r;
}

void load(const AntiAliasHistory& h, double* x, double* y)
{
    x[-1] = h.x1; x[-2] = h.x2; x[-3] = h.x3; x[-4] = h.x4; x[-5] = h.x5; x[-6] = h.x6;
    y[-1] = h.y1; y[-2] = h.y2; y[-3] = h.y3; y[-4] = h.y4; y[-5] = h.y5; y[-6] = h.y6;
}

void store(AntiAliasHistory& h, const double* x, const double* y, int end)
{
    h.x1 = x[end - 1]; h.x2 = x[end - 2]; h.x3 = x[end - 3];
    h.x4 = x[end - 4]; h.x5 = x[end - 5]; h.x6 = x[end - 6];
    h.y1 = y[end - 1]; h.y2 = y[end - 2]; h.y3 = y[end - 3];
    h.y4 = y[end - 4]; h.y5 = y[end - 5]; h.y6 = y[end - 6];
}

void load(const BiquadHistory& h, double* x, double* y)
{
    x[-1] = h.x1; x[-2] = h.x2;
    y[-1] = h.y1; y[-2] = h.y2;
}

void store(BiquadHistory& h, const double* x, const double* y, int end)
{
    h.x1 = x[end - 1]; h.x2 = x[end - 2];
    h.y1 = y[end - 1]; h.y2 = y[end - 2];
}

void load(const ThirdOrderHistory& h, double* x, double* y)
{
    x[-1] = h.x1; x[-2] = h.x2; x[-3] = h.x3;
    y[-1] = h.y1; y[-2] = h.y2; y[-3] = h.y3;
}

void store(ThirdOrderHistory& h, const double* x, const double* y, int end)
{
    h.x1 = x[end - 1]; h.x2 = x[end - 2]; h.x3 = x[end - 3];
    h.y1 = y[end - 1]; h.y2 = y[end - 2]; h.y3 = y[end - 3];
}

inline bool inBlock(int n, int len) { return n >= 0 && n < len; }

// The shapers over a whole lane, one library function at a time: the calls of
// different samples are independent, so running all exp calls, then all log
// calls, then all pow calls lets the processor overlap them, where a
// sample-by-sample loop would wait for each exp -> log -> pow chain. Same
// operations on the same values as triodeShaper / pentodeShaper.
// A lane of exact zeros (silence) maps to -0.0 without any library call.
inline bool allZero(const double* v, int n)
{
    bool zero = true;
    for (int i = 0; i < n; ++i) zero &= v[i] == 0.0;
    return zero;
}

void triodeLane(const TriodeModel& m, const double* v, double* w, int n)
{
    if (allZero(v, n)) {
        for (int i = 0; i < n; ++i) w[i] = triodePolynomial(-0.0);
        return;
    }
    double t[2 * AmpModel::kMaxBlock];
    for (int i = 0; i < n; ++i) {
        const double g = v[i] >= 0.0 ? (-0.0 - v[i]) + 0.5 : v[i] + 0.5;
        t[i] = (g / m.gridScale + m.invMu) * m.kp;
    }
    for (int i = 0; i < n; ++i) t[i] = std::exp(t[i]);
    for (int i = 0; i < n; ++i) t[i] = std::log(t[i] + 1.0) * m.epOverKp;
    for (int i = 0; i < n; ++i) {
        const double E = t[i];
        const double sgn = E >= 0.0 ? 1.0 : -1.0;
        w[i] = sgn + 1.0;
    }
    for (int i = 0; i < n; ++i) t[i] = std::pow(t[i], m.ex);
    for (int i = 0; i < n; ++i) {
        const double ip = (t[i] / m.kg1) * w[i];
        const double s = v[i] >= 0.0 ? -((ip - m.restCurrent) / m.restCurrent)
                                     : (ip - m.restCurrent) / m.restCurrent;
        w[i] = triodePolynomial(s);
    }
}

void pentodeLane(const PentodeModel& m, const double* v, double* s, int n)
{
    if (allZero(v, n)) {
        for (int i = 0; i < n; ++i) s[i] = -0.0;
        return;
    }
    double t[2 * AmpModel::kMaxBlock];
    for (int i = 0; i < n; ++i) {
        const double g = v[i] >= 0.0 ? -0.0 - v[i] : v[i];
        t[i] = (g / m.screenVoltage + m.invMu) * m.kp;
    }
    for (int i = 0; i < n; ++i) t[i] = std::exp(t[i]);
    for (int i = 0; i < n; ++i) t[i] = std::log(t[i] + 1.0) * m.eg2OverKp;
    for (int i = 0; i < n; ++i) {
        const double E = t[i];
        const double sgn = E >= 0.0 ? 1.0 : -1.0;
        s[i] = sgn + 1.0;
    }
    for (int i = 0; i < n; ++i) t[i] = std::pow(t[i], m.ex);
    for (int i = 0; i < n; ++i) {
        const double ip = (t[i] / m.kg1) * s[i] * m.plateFactor;
        s[i] = v[i] >= 0.0 ? -((ip - m.restCurrent) / m.restCurrent) : (ip - m.restCurrent) / m.restCurrent;
    }
}

} // namespace

// One block, scheduled section group by section group. Within a group the
// sections run skewed by one frame each (section s works on frame j - s in
// iteration j), so their recursions are independent inside an iteration and
// the processor overlaps them; the shapers, which have no memory, run as
// loops of independent calls between the groups. Every value is computed by
// the same operations as in processAmpFrame, so the output is identical bit
// for bit. Returns false, leaving state_ untouched, when any shaper input or
// output is not finite; the caller then replays the block frame by frame.
bool AmpModel::processBlock(const double* sum, double* out, int len)
{
    const AmpCoeffs k = slots_[frontSlot_]; // local copy: lane stores cannot alias it
    const int N = k.oversampleFactor == 1 ? 1 : 2;
    const double scale = N;
    const int overLen = N * len;
    AmpState& s = state_;

    double* const entry = lane(kEntry);
    double* const in1 = lane(kInput1);
    double* const in2 = lane(kInput2);
    double* const gainIn = lane(kGainIn);
    double* const gainOut = lane(kGainOut);
    double* const stageIn = lane(kStageIn);
    double* const tStuffed = lane(kTriodeStuffed);
    double* const tInterp1 = lane(kTriodeInterp1);
    double* const tInterp2 = lane(kTriodeInterp2);
    double* const tShaped = lane(kTriodeShaped);
    double* const tDecim1 = lane(kTriodeDecim1);
    double* const tDecim2 = lane(kTriodeDecim2);
    double* const toneIn = lane(kToneIn);
    double* const toneOut = lane(kToneOut);
    double* const interIn = lane(kInterIn);
    double* const interOut = lane(kInterOut);
    double* const powerIn = lane(kPowerIn);
    double* const pStuffed = lane(kPowerStuffed);
    double* const pInterp1 = lane(kPowerInterp1);
    double* const pInterp2 = lane(kPowerInterp2);
    double* const pShaped = lane(kPowerShaped);
    double* const pDecim1 = lane(kPowerDecim1);
    double* const pDecim2 = lane(kPowerDecim2);
    double* const presIn = lane(kPresenceIn);
    double* const presOut = lane(kPresenceOut);
    double* const hpIn = lane(kHighPassIn);
    double* const hpOut = lane(kHighPassOut);
    double* const out1 = lane(kOutput1);
    double* const out2 = lane(kOutput2);

    // Lane fronts from the histories. Where one lane is both a section's
    // output and the next one's input the two histories hold the same values.
    load(s.input1, entry, in1);
    load(s.input2, in1, in2);
    load(s.gainNetwork, gainIn, gainOut);
    load(s.triode.interp1, tStuffed, tInterp1);
    load(s.triode.interp2, tInterp1, tInterp2);
    load(s.triode.decim1, tShaped, tDecim1);
    load(s.triode.decim2, tDecim1, tDecim2);
    load(s.toneStack, toneIn, toneOut);
    load(s.interstage, interIn, interOut);
    load(s.power.interp1, pStuffed, pInterp1);
    load(s.power.interp2, pInterp1, pInterp2);
    load(s.power.decim1, pShaped, pDecim1);
    load(s.power.decim2, pDecim1, pDecim2);
    load(s.presence, presIn, presOut);
    load(s.outputHighPass, hpIn, hpOut);
    load(s.output1, hpOut, out1);
    load(s.output2, out1, out2);
    const double triodeZero = scale * s.triode.upsampleBuffer[1];
    const double powerZero = scale * s.power.upsampleBuffer[1];

    const double level = static_cast<double>(k.inputLevel);
    for (int i = 0; i < len; ++i) entry[i] = sum[i] * level * 2.0;

    // Input sections, gain network and the triode's interpolation.
    for (int j = 0; j < len + 4; ++j) {
        if (inBlock(j, len)) antiAliasAt(k.baseAntiAlias, entry, in1, j);
        if (inBlock(j - 1, len)) antiAliasAt(k.baseAntiAlias, in1, in2, j - 1);
        if (inBlock(j - 2, len)) {
            const int n = j - 2;
            gainIn[n] = in2[n] * k.gainNetwork.preGain;
            const double u = secondOrderAt(k.gainNetwork.section, gainIn, gainOut, n) * k.gainNetwork.postGain;
            stageIn[n] = u;
            if (N == 2) {
                tStuffed[2 * n] = triodeZero;
                tStuffed[2 * n + 1] = scale * u;
            } else {
                tStuffed[n] = scale * u;
            }
        }
        if (inBlock(j - 3, len))
            for (int m = N * (j - 3); m < N * (j - 2); ++m) antiAliasAt(k.stageAntiAlias, tStuffed, tInterp1, m);
        if (inBlock(j - 4, len))
            for (int m = N * (j - 4); m < N * (j - 3); ++m) antiAliasAt(k.stageAntiAlias, tInterp1, tInterp2, m);
    }

    // Triode shaper and polynomial: independent calls.
    double check = 0.0; // stays 0 while every checked value is finite
    for (int m = 0; m < overLen; ++m) check += tInterp2[m] * 0.0;
    triodeLane(s.triode.model, tInterp2, tShaped, overLen);

    // Triode decimation, tone stack, interstage filter, power interpolation.
    for (int j = 0; j < len + 5; ++j) {
        if (inBlock(j, len))
            for (int m = N * j; m < N * (j + 1); ++m) antiAliasAt(k.stageAntiAlias, tShaped, tDecim1, m);
        if (inBlock(j - 1, len))
            for (int m = N * (j - 1); m < N * j; ++m) antiAliasAt(k.stageAntiAlias, tDecim1, tDecim2, m);
        if (inBlock(j - 2, len)) {
            const int n = j - 2;
            toneIn[n] = tDecim2[N * n + N - 1];
            thirdOrderAt(k.toneStack.section, toneIn, toneOut, n);
        }
        if (inBlock(j - 3, len)) {
            const int n = j - 3;
            interIn[n] = toneOut[n] * k.toneStack.toneGain;
            const double u = secondOrderAt(k.interstage.section, interIn, interOut, n) * k.interstage.driveGain;
            powerIn[n] = u;
            if (N == 2) {
                pStuffed[2 * n] = powerZero;
                pStuffed[2 * n + 1] = scale * u;
            } else {
                pStuffed[n] = scale * u;
            }
        }
        if (inBlock(j - 4, len))
            for (int m = N * (j - 4); m < N * (j - 3); ++m) antiAliasAt(k.stageAntiAlias, pStuffed, pInterp1, m);
        if (inBlock(j - 5, len))
            for (int m = N * (j - 5); m < N * (j - 4); ++m) antiAliasAt(k.stageAntiAlias, pInterp1, pInterp2, m);
    }

    for (int m = 0; m < overLen; ++m) check += pInterp2[m] * 0.0;
    pentodeLane(s.power.model, pInterp2, pShaped, overLen);

    // Power decimation, presence, master, output high-pass, output sections.
    for (int j = 0; j < len + 5; ++j) {
        if (inBlock(j, len))
            for (int m = N * j; m < N * (j + 1); ++m) antiAliasAt(k.stageAntiAlias, pShaped, pDecim1, m);
        if (inBlock(j - 1, len))
            for (int m = N * (j - 1); m < N * j; ++m) antiAliasAt(k.stageAntiAlias, pDecim1, pDecim2, m);
        if (inBlock(j - 2, len)) {
            const int n = j - 2;
            presIn[n] = pDecim2[N * n + N - 1];
            secondOrderAt(k.presence.section, presIn, presOut, n);
        }
        if (inBlock(j - 3, len)) {
            const int n = j - 3;
            hpIn[n] = presOut[n] * k.presence.outputGain;
            secondOrderAt(k.outputHighPass, hpIn, hpOut, n);
        }
        if (inBlock(j - 4, len)) antiAliasAt(k.baseAntiAlias, hpOut, out1, j - 4);
        if (inBlock(j - 5, len)) {
            const double y = antiAliasAt(k.baseAntiAlias, out1, out2, j - 5);
            check += y * 0.0;
            out[j - 5] = y;
        }
    }

    if (check != 0.0) return false; // NaN: something in the block was not finite

    store(s.input1, entry, in1, len);
    store(s.input2, in1, in2, len);
    store(s.gainNetwork, gainIn, gainOut, len);
    store(s.triode.interp1, tStuffed, tInterp1, overLen);
    store(s.triode.interp2, tInterp1, tInterp2, overLen);
    store(s.triode.decim1, tShaped, tDecim1, overLen);
    store(s.triode.decim2, tDecim1, tDecim2, overLen);
    store(s.toneStack, toneIn, toneOut, len);
    store(s.interstage, interIn, interOut, len);
    store(s.power.interp1, pStuffed, pInterp1, overLen);
    store(s.power.interp2, pInterp1, pInterp2, overLen);
    store(s.power.decim1, pShaped, pDecim1, overLen);
    store(s.power.decim2, pDecim1, pDecim2, overLen);
    store(s.presence, presIn, presOut, len);
    store(s.outputHighPass, hpIn, hpOut, len);
    store(s.output1, hpOut, out1, len);
    store(s.output2, out1, out2, len);
    s.triode.upsampleBuffer[0] = stageIn[len - 1];
    s.power.upsampleBuffer[0] = powerIn[len - 1];
    return true;
}

void AmpModel::processBlockChecked(const double* sum, double* out, int n)
{
    const AmpCoeffs& k = slots_[frontSlot_];
    for (int i = 0; i < n; ++i) {
        const double y = processAmpFrame(k, state_, sum[i]);
        // The same values as the block path checks: the output and this
        // frame's shaper inputs (the newest outputs of the interpolation
        // sections; a shaper can turn an infinity into a finite value).
        double check = y * 0.0;
        check += state_.triode.interp2.y1 * 0.0 + state_.power.interp2.y1 * 0.0;
        if (k.oversampleFactor != 1) check += state_.triode.interp2.y2 * 0.0 + state_.power.interp2.y2 * 0.0;
        if (check == 0.0) {
            out[i] = y;
        } else {
            // A NaN or infinity would otherwise live in the histories for
            // good; drop the frame and start again from silence.
            out[i] = 0.0;
            resetState();
        }
    }
}

template <typename Sample>
void AmpModel::processBlocks(const Sample* in0, const Sample* in1, double* out, int n)
{
    if (n <= 0 || in0 == nullptr || in1 == nullptr || out == nullptr) return;
    acquireCoeffs();
    double sum[kMaxBlock];
    for (int start = 0; start < n; start += kMaxBlock) {
        const int len = std::min(kMaxBlock, n - start);
        for (int i = 0; i < len; ++i) {
            // The float entry adds in single precision, then widens.
            const Sample s = in0[start + i] + in1[start + i];
            sum[i] = static_cast<double>(s);
        }
        // The block path leaves the histories alone when it meets a
        // non-finite value; the block is then replayed frame by frame.
        if (!processBlock(sum, out + start, len)) processBlockChecked(sum, out + start, len);
    }
}

void AmpModel::process(const float* in0, const float* in1, double* out, int n)
{
    processBlocks(in0, in1, out, n);
}

void AmpModel::process(const double* in0, const double* in1, double* out, int n)
{
    processBlocks(in0, in1, out, n);
}
