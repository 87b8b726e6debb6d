#include "dsp/amp/AmpModel.h"

#include "dsp/amp/TubeMath.h"

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
    double x = chainInput(sum, static_cast<double>(k.inputLevel));
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
{
    // The sections start from the default program's values; the rate update
    // designs everything at 44100 Hz so the model can run at once.
    rate_.baseAntiAlias = rate_.stageAntiAlias = antiAliasCoeffsAt44100();
    setSampleRate(44100.0f);
    acquireCoeffs();
}

AmpModel::~AmpModel() = default;

void AmpModel::updateSections(unsigned which, float rate, Sections& s, AmpCoeffs& k) const
{
    const float mode = mode_.load(std::memory_order_relaxed);
    if (which & kInputDirty) {
        s.inputLevel = inputLevel_.load(std::memory_order_relaxed);
        k.inputLevel = s.inputLevel;
    }
    // A mode change updates all four, in this order.
    if (which & kGainNetworkDirty) {
        s.gainNetwork.sampleRate = rate;
        s.gainNetwork.mode = mode;
        s.gainNetwork.gain = gain_.load(std::memory_order_relaxed);
        s.gainNetwork.updateGainNetwork();
        k.gainNetwork = s.gainNetwork.coeffs();
    }
    if (which & kInterstageDirty) {
        s.interstage.sampleRate = rate;
        s.interstage.mode = mode;
        s.interstage.updateInterstageFilter();
        k.interstage = s.interstage.coeffs();
    }
    if (which & kToneStackDirty) {
        s.toneStack.sampleRate = rate;
        s.toneStack.mode = mode;
        s.toneStack.bassSquared = bassSquared_.load(std::memory_order_relaxed);
        s.toneStack.mid = mid_.load(std::memory_order_relaxed);
        s.toneStack.treble = treble_.load(std::memory_order_relaxed);
        s.toneStack.updateToneStack();
        k.toneStack = s.toneStack.coeffs();
    }
    if (which & kPresenceDirty) {
        s.presence.sampleRate = rate;
        s.presence.mode = mode;
        s.presence.presence = presence_.load(std::memory_order_relaxed);
        s.presence.master = master_.load(std::memory_order_relaxed);
        s.presence.updatePresenceFilter();
        k.presence = s.presence.coeffs();
    }
}

void AmpModel::applyRate(const AmpRateCoeffs& r, AmpCoeffs& k)
{
    k.oversampleFactor = r.oversampleFactor;
    k.rateEpoch = r.rateEpoch;
    k.baseAntiAlias = r.baseAntiAlias;
    k.stageAntiAlias = r.stageAntiAlias;
    k.outputHighPass = r.outputHighPass;
}

AmpCoeffs AmpModel::coefficients() const
{
    AmpRateCoeffs r;
    {
        std::lock_guard<std::mutex> lock(writerMutex_);
        r = rate_;
    }
    AmpCoeffs k;
    Sections s;
    applyRate(r, k);
    updateSections(kAllDirty, r.rate, s, k);
    return k;
}

void AmpModel::setInputLevel(float v)
{
    inputLevel_.store(v, std::memory_order_relaxed);
    markDirty(kInputDirty);
}

void AmpModel::setMode(float v)
{
    mode_.store(v, std::memory_order_relaxed);
    markDirty(kGainNetworkDirty | kInterstageDirty | kToneStackDirty | kPresenceDirty);
}

void AmpModel::setGain(float v)
{
    gain_.store(v, std::memory_order_relaxed);
    markDirty(kGainNetworkDirty);
}

void AmpModel::setBassSquared(float bassSquared)
{
    bassSquared_.store(bassSquared, std::memory_order_relaxed);
    markDirty(kToneStackDirty);
}

void AmpModel::setMid(float v)
{
    mid_.store(v, std::memory_order_relaxed);
    markDirty(kToneStackDirty);
}

void AmpModel::setTreble(float v)
{
    treble_.store(v, std::memory_order_relaxed);
    markDirty(kToneStackDirty);
}

void AmpModel::setPresence(float v)
{
    presence_.store(v, std::memory_order_relaxed);
    markDirty(kPresenceDirty);
}

void AmpModel::setMaster(float v)
{
    master_.store(v, std::memory_order_relaxed);
    markDirty(kPresenceDirty);
}

void AmpModel::setSampleRate(float fs)
{
    std::lock_guard<std::mutex> lock(writerMutex_);
    // Anti-aliasing sections: a rate outside the table keeps the previous set.
    rate_.rate = fs;
    designAntiAliasFilter(fs, rate_.baseAntiAlias);
    float stageRate;
    if (fs < 62000.0f) {
        stageRate = 2.0f * fs;
        rate_.oversampleFactor = 2;
    } else {
        stageRate = fs;
        rate_.oversampleFactor = 1;
    }
    designAntiAliasFilter(stageRate, rate_.stageAntiAlias);
    ++rate_.rateEpoch; // the audio side clears both upsample buffers when it sees this set
    rate_.outputHighPass = designOutputHighPass(fs);
    oversampleFactor_.store(rate_.oversampleFactor, std::memory_order_relaxed);

    // Triple buffer, writer side: fill the back slot, swap it into the shared
    // slot with the published bit; the slot given back becomes the next back slot.
    rateSlots_[backSlot_] = rate_;
    const unsigned previous = sharedSlot_.exchange(static_cast<unsigned>(backSlot_) | kRatePublished,
                                                   std::memory_order_acq_rel);
    backSlot_ = static_cast<int>(previous & 3u);
}

// Start of a pass: take the newest rate set if one was published (the voicing
// sections then follow the new rate), redesign the sections whose values
// changed, and apply the upsample-buffer clear of a new rate update.
void AmpModel::acquireCoeffs()
{
    unsigned which = dirty_.exchange(0, std::memory_order_acquire);
    if (sharedSlot_.load(std::memory_order_relaxed) & kRatePublished) {
        const unsigned previous = sharedSlot_.exchange(static_cast<unsigned>(frontSlot_), std::memory_order_acq_rel);
        frontSlot_ = static_cast<int>(previous & 3u);
        applyRate(rateSlots_[frontSlot_], current_);
        which |= kGainNetworkDirty | kInterstageDirty | kToneStackDirty | kPresenceDirty;
    }
    if (which)
        updateSections(which, rateSlots_[frontSlot_].rate, sections_, current_);
    if (state_.rateEpoch != current_.rateEpoch) {
        state_.rateEpoch = current_.rateEpoch;
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

void load(const BiquadHistory& h, double* x, double* y)
{
    x[-1] = h.x1;
    x[-2] = h.x2;
    y[-1] = h.y1;
    y[-2] = h.y2;
}

void store(BiquadHistory& h, const double* x, const double* y, int end)
{
    h.x1 = x[end - 1];
    h.x2 = x[end - 2];
    h.y1 = y[end - 1];
    h.y2 = y[end - 2];
}

void load(const ThirdOrderHistory& h, double* x, double* y)
{
    x[-1] = h.x1;
    x[-2] = h.x2;
    x[-3] = h.x3;
    y[-1] = h.y1;
    y[-2] = h.y2;
    y[-3] = h.y3;
}

void store(ThirdOrderHistory& h, const double* x, const double* y, int end)
{
    h.x1 = x[end - 1];
    h.x2 = x[end - 2];
    h.x3 = x[end - 3];
    h.y1 = y[end - 1];
    h.y2 = y[end - 2];
    h.y3 = y[end - 3];
}

inline bool inBlock(int n, int len)
{
    return n >= 0 && n < len;
}

// The shapers over a whole lane, one library function at a time: the calls of
// different samples are independent, so running all exp calls, then all log
// calls, then all pow calls lets the processor overlap them, where a
// sample-by-sample loop would wait for each exp -> log -> pow chain. Same
// operations on the same values as triodeShaper / pentodeShaper.
// A lane of exact zeros (silence) maps to -0.0 without any library call.
inline bool allZero(const double* v, int n)
{
    bool zero = true;
    for (int i = 0; i < n; ++i)
        zero &= v[i] == 0.0;
    return zero;
}

void triodeLane(const TriodeModel& m, const double* v, double* w, int n)
{
    if (allZero(v, n)) {
        for (int i = 0; i < n; ++i)
            w[i] = triodePolynomial(-0.0);
        return;
    }
    double t[2 * AmpModel::kMaxBlock];
    for (int i = 0; i < n; ++i) {
        const double g = v[i] >= 0.0 ? (-0.0 - v[i]) + 0.5 : v[i] + 0.5;
        t[i] = (g / m.gridScale + m.invMu) * m.kp;
    }
    for (int i = 0; i < n; ++i)
        t[i] = tubeExp(t[i]);
    for (int i = 0; i < n; ++i)
        t[i] = tubeLog(t[i] + 1.0) * m.epOverKp;
    for (int i = 0; i < n; ++i) {
        const double E = t[i];
        const double sgn = E >= 0.0 ? 1.0 : -1.0;
        w[i] = sgn + 1.0;
    }
    for (int i = 0; i < n; ++i)
        t[i] = tubePow(t[i], m.ex);
    for (int i = 0; i < n; ++i) {
        const double ip = (t[i] / m.kg1) * w[i];
        const double s = v[i] >= 0.0 ? -((ip - m.restCurrent) / m.restCurrent) : (ip - m.restCurrent) / m.restCurrent;
        w[i] = triodePolynomial(s);
    }
}

void pentodeLane(const PentodeModel& m, const double* v, double* s, int n)
{
    if (allZero(v, n)) {
        for (int i = 0; i < n; ++i)
            s[i] = -0.0;
        return;
    }
    double t[2 * AmpModel::kMaxBlock];
    for (int i = 0; i < n; ++i) {
        const double g = v[i] >= 0.0 ? -0.0 - v[i] : v[i];
        t[i] = (g / m.screenVoltage + m.invMu) * m.kp;
    }
    for (int i = 0; i < n; ++i)
        t[i] = tubeExp(t[i]);
    for (int i = 0; i < n; ++i)
        t[i] = tubeLog(t[i] + 1.0) * m.eg2OverKp;
    for (int i = 0; i < n; ++i) {
        const double E = t[i];
        const double sgn = E >= 0.0 ? 1.0 : -1.0;
        s[i] = sgn + 1.0;
    }
    for (int i = 0; i < n; ++i)
        t[i] = tubePow(t[i], m.ex);
    for (int i = 0; i < n; ++i) {
        const double ip = (t[i] / m.kg1) * s[i] * m.plateFactor;
        s[i] = v[i] >= 0.0 ? -((ip - m.restCurrent) / m.restCurrent) : (ip - m.restCurrent) / m.restCurrent;
    }
}

} // namespace

// One block, scheduled section group by section group. Within a group the
// sections run skewed (section s works on frame j - lag(s) in iteration j), so
// their recursions are independent inside an iteration and the processor
// overlaps them; the anti-aliasing sections run in series pairs, two lanes of
// one vector (AntiAliasPair.h); the shapers, which have no memory, run as
// loops of independent calls between the groups. Every value is computed by
// the same operations as in processAmpFrame, so the output is identical bit
// for bit. Returns false, leaving state_ untouched, when a shaper input or an
// output is not finite; the caller then replays the block frame by frame.
bool AmpModel::processBlock(const double* sum, double* out, int len)
{
    const AmpCoeffs k = current_; // local copy: lane stores cannot alias it
    const int N = k.oversampleFactor == 1 ? 1 : 2;
    const double scale = N;
    const int overLen = N * len;
    // Base frames a stage pair runs so that its second section covers the
    // whole oversampled block (first-section steps 0 .. overLen + 1).
    const int pairFrames = len + 2 / N;
    AmpState& s = state_;

    double* const gainIn = lane(kGainIn);
    double* const gainOut = lane(kGainOut);
    double* const tStuffed = lane(kTriodeStuffed);
    double* const tGrid = lane(kTriodeGrid);
    double* const tShaped = lane(kTriodeShaped);
    double* const toneIn = lane(kToneIn);
    double* const toneOut = lane(kToneOut);
    double* const interIn = lane(kInterIn);
    double* const interOut = lane(kInterOut);
    double* const pStuffed = lane(kPowerStuffed);
    double* const pGrid = lane(kPowerGrid);
    double* const pShaped = lane(kPowerShaped);
    double* const presIn = lane(kPresenceIn);
    double* const presOut = lane(kPresenceOut);
    double* const hpIn = lane(kHighPassIn);
    double* const hpOut = lane(kHighPassOut);

    AntiAliasPairRun inputPair, triodeInterp, triodeDecim, powerInterp, powerDecim, outputPair;
    inputPair.begin(k.baseAntiAlias, s.input1, s.input2, pairs_[kInputPair].px(), pairs_[kInputPair].py());
    triodeInterp.begin(k.stageAntiAlias, s.triode.interp1, s.triode.interp2, pairs_[kTriodeInterp].px(),
                       pairs_[kTriodeInterp].py());
    triodeDecim.begin(k.stageAntiAlias, s.triode.decim1, s.triode.decim2, pairs_[kTriodeDecim].px(),
                      pairs_[kTriodeDecim].py());
    powerInterp.begin(k.stageAntiAlias, s.power.interp1, s.power.interp2, pairs_[kPowerInterp].px(),
                      pairs_[kPowerInterp].py());
    powerDecim.begin(k.stageAntiAlias, s.power.decim1, s.power.decim2, pairs_[kPowerDecim].px(),
                     pairs_[kPowerDecim].py());
    outputPair.begin(k.baseAntiAlias, s.output1, s.output2, pairs_[kOutputPair].px(), pairs_[kOutputPair].py());
    load(s.gainNetwork, gainIn, gainOut);
    load(s.toneStack, toneIn, toneOut);
    load(s.interstage, interIn, interOut);
    load(s.presence, presIn, presOut);
    load(s.outputHighPass, hpIn, hpOut);
    // Dummy inputs of the pairs' trailing steps.
    tStuffed[overLen] = tStuffed[overLen + 1] = 0.0;
    tShaped[overLen] = tShaped[overLen + 1] = 0.0;
    pStuffed[overLen] = pStuffed[overLen + 1] = 0.0;
    pShaped[overLen] = pShaped[overLen + 1] = 0.0;
    const double triodeZero = scale * s.triode.upsampleBuffer[1];
    const double powerZero = scale * s.power.upsampleBuffer[1];
    double triodeLast = s.triode.upsampleBuffer[0];
    double powerLast = s.power.upsampleBuffer[0];
    const double level = static_cast<double>(k.inputLevel);

    // Input pair (lag 0), gain network (lag 3), triode interpolation (lag 4).
    for (int j = 0; j < 4 + pairFrames; ++j) {
        if (j < len + 2)
            inputPair.step(j, j < len ? chainInput(sum[j], level) : 0.0);
        if (inBlock(j - 3, len)) {
            const int n = j - 3;
            gainIn[n] = inputPair.second(n) * k.gainNetwork.preGain;
            const double u = secondOrderAt(k.gainNetwork.section, gainIn, gainOut, n) * k.gainNetwork.postGain;
            triodeLast = u;
            if (N == 2) {
                tStuffed[2 * n] = triodeZero;
                tStuffed[2 * n + 1] = scale * u;
            } else {
                tStuffed[n] = scale * u;
            }
        }
        if (inBlock(j - 4, pairFrames))
            for (int m = N * (j - 4); m < N * (j - 3); ++m)
                triodeInterp.step(m, tStuffed[m]);
    }

    // Triode shaper and polynomial: independent calls.
    double check = 0.0; // stays 0 while every checked value is finite
    for (int m = 0; m < overLen; ++m) {
        tGrid[m] = triodeInterp.second(m);
        check += tGrid[m] * 0.0;
    }
    triodeLane(s.triode.model, tGrid, tShaped, overLen);

    // Triode decimation (lag 0), tone stack (3), interstage (4), power interpolation (5).
    for (int j = 0; j < 5 + pairFrames; ++j) {
        if (j < pairFrames)
            for (int m = N * j; m < N * (j + 1); ++m)
                triodeDecim.step(m, tShaped[m]);
        if (inBlock(j - 3, len)) {
            const int n = j - 3;
            toneIn[n] = triodeDecim.second(N * n + N - 1);
            thirdOrderAt(k.toneStack.section, toneIn, toneOut, n);
        }
        if (inBlock(j - 4, len)) {
            const int n = j - 4;
            interIn[n] = toneOut[n] * k.toneStack.toneGain;
            const double u = secondOrderAt(k.interstage.section, interIn, interOut, n) * k.interstage.driveGain;
            powerLast = u;
            if (N == 2) {
                pStuffed[2 * n] = powerZero;
                pStuffed[2 * n + 1] = scale * u;
            } else {
                pStuffed[n] = scale * u;
            }
        }
        if (inBlock(j - 5, pairFrames))
            for (int m = N * (j - 5); m < N * (j - 4); ++m)
                powerInterp.step(m, pStuffed[m]);
    }

    for (int m = 0; m < overLen; ++m) {
        pGrid[m] = powerInterp.second(m);
        check += pGrid[m] * 0.0;
    }
    pentodeLane(s.power.model, pGrid, pShaped, overLen);

    // Power decimation (lag 0), presence (3), output high-pass (4), output pair (5).
    for (int j = 0; j < 7 + len; ++j) {
        if (j < pairFrames)
            for (int m = N * j; m < N * (j + 1); ++m)
                powerDecim.step(m, pShaped[m]);
        if (inBlock(j - 3, len)) {
            const int n = j - 3;
            presIn[n] = powerDecim.second(N * n + N - 1);
            secondOrderAt(k.presence.section, presIn, presOut, n);
        }
        if (inBlock(j - 4, len)) {
            const int n = j - 4;
            hpIn[n] = presOut[n] * k.presence.outputGain;
            secondOrderAt(k.outputHighPass, hpIn, hpOut, n);
        }
        if (j >= 5)
            outputPair.step(j - 5, j - 5 < len ? hpOut[j - 5] : 0.0);
    }
    for (int n = 0; n < len; ++n) {
        out[n] = outputPair.second(n);
        check += out[n] * 0.0;
    }

    if (check != 0.0)
        return false; // NaN: something in the block was not finite

    inputPair.end(s.input1, s.input2, len);
    store(s.gainNetwork, gainIn, gainOut, len);
    triodeInterp.end(s.triode.interp1, s.triode.interp2, overLen);
    triodeDecim.end(s.triode.decim1, s.triode.decim2, overLen);
    store(s.toneStack, toneIn, toneOut, len);
    store(s.interstage, interIn, interOut, len);
    powerInterp.end(s.power.interp1, s.power.interp2, overLen);
    powerDecim.end(s.power.decim1, s.power.decim2, overLen);
    store(s.presence, presIn, presOut, len);
    store(s.outputHighPass, hpIn, hpOut, len);
    outputPair.end(s.output1, s.output2, len);
    s.triode.upsampleBuffer[0] = triodeLast;
    s.power.upsampleBuffer[0] = powerLast;
    return true;
}

void AmpModel::processFramesRecovering(const double* sum, double* out, int n)
{
    const AmpCoeffs& k = current_;
    for (int i = 0; i < n; ++i) {
        const double y = processAmpFrame(k, state_, sum[i]);
        // The same values as the block path checks: the output and this
        // frame's shaper inputs (the newest outputs of the interpolation
        // sections; a shaper can turn an infinity into a finite value).
        double check = y * 0.0;
        check += state_.triode.interp2.y1 * 0.0 + state_.power.interp2.y1 * 0.0;
        if (k.oversampleFactor != 1)
            check += state_.triode.interp2.y2 * 0.0 + state_.power.interp2.y2 * 0.0;
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
    if (n <= 0 || in0 == nullptr || in1 == nullptr || out == nullptr)
        return;
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
        if (!processBlock(sum, out + start, len))
            processFramesRecovering(sum, out + start, len);
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
