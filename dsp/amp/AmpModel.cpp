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

bool AmpModel::processBlock(const double* sum, double* out, int n)
{
    const AmpCoeffs& k = slots_[frontSlot_];
    bool finite = true;
    for (int i = 0; i < n; ++i) {
        out[i] = processAmpFrame(k, state_, sum[i]);
        finite &= std::isfinite(out[i]);
    }
    return finite;
}

void AmpModel::processBlockChecked(const double* sum, double* out, int n)
{
    const AmpCoeffs& k = slots_[frontSlot_];
    for (int i = 0; i < n; ++i) {
        const double y = processAmpFrame(k, state_, sum[i]);
        if (std::isfinite(y)) {
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
        snapshot_ = state_;
        if (!processBlock(sum, out + start, len)) {
            state_ = snapshot_;
            processBlockChecked(sum, out + start, len);
        }
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
