#pragma once

#include <cmath>

#include "dsp/amp/AntiAliasFilter.h"
#include "dsp/amp/AntiAliasPair.h"
#include "dsp/amp/GainNetwork.h"
#include "dsp/amp/InterstageFilter.h"
#include "dsp/amp/OutputHighPass.h"
#include "dsp/amp/PowerStage.h"
#include "dsp/amp/PresenceFilter.h"
#include "dsp/amp/SecondOrderSection.h"
#include "dsp/amp/ToneStack.h"
#include "dsp/amp/TriodeStage.h"

#include <atomic>
#include <mutex>

// Every coefficient the chain reads, published as one unit. Sections that are
// always designed together share one set (the four base-rate anti-aliasing
// sections, the eight inside the shaper stages).
struct AmpCoeffs {
    float inputLevel = 0.2f;          // Input parameter
    int oversampleFactor = 2;         // of both shaper stages, 1 or 2
    unsigned rateEpoch = 0;           // bumped by each rate update (clears the upsample buffers)
    AntiAliasCoeffs baseAntiAlias{};  // input and output sections, at the host rate
    AntiAliasCoeffs stageAntiAlias{}; // shaper sections, at the oversampled rate
    GainNetworkCoeffs gainNetwork;    // section with preGain / postGain
    ToneStackCoeffs toneStack;        // third-order section with toneGain
    InterstageCoeffs interstage;      // section with driveGain
    PresenceCoeffs presence;          // section with outputGain (master)
    BiquadCoeffs outputHighPass;      // fixed 80 Hz high-pass at the host rate
};

// Audio-thread histories of the whole chain, in signal order. Filter
// histories run on across parameter and rate changes; only a non-finite value
// resets them (AmpModel::process).
struct AmpState {
    AntiAliasHistory input1, input2;    // input anti-aliasing sections
    BiquadHistory gainNetwork;          // input stored after preGain
    TriodeStage triode;                 // four section histories and its upsampleBuffer
    ThirdOrderHistory toneStack;
    BiquadHistory interstage;           // input stored after toneGain
    PowerStage power;                   // four section histories and its upsampleBuffer
    BiquadHistory presence;
    BiquadHistory outputHighPass;       // input stored after outputGain
    AntiAliasHistory output1, output2;  // output anti-aliasing sections
    unsigned rateEpoch = 0;             // epoch whose upsample-buffer clear has been applied

    void reset();
};

// The chain's input, sum x level x 2. A subnormal value is taken as zero: the
// first section's denormal guard would drop its contribution from every output
// anyway, and subnormal operands in the input histories cost many times the CPU
// of ordinary ones on common processors.
inline double chainInput(double sum, double level)
{
    const double x = sum * level * 2.0;
    return std::fabs(x) < 2.2250738585072014e-308 ? 0.0 : x;
}

// Plain per-sample chain (input sum in, pre-cabinet value out): the order of
// operations every other path must reproduce bit for bit.
double processAmpFrame(const AmpCoeffs& k, AmpState& s, double sum);

// The rate-dependent part of the coefficients: everything a rate update
// designs on the control side.
struct AmpRateCoeffs {
    float rate = 44100.0f;            // host rate the voicing sections are designed for
    int oversampleFactor = 2;         // of both shaper stages, 1 or 2
    unsigned rateEpoch = 0;           // bumped by each rate update
    AntiAliasCoeffs baseAntiAlias{};  // at the host rate
    AntiAliasCoeffs stageAntiAlias{}; // at the oversampled rate
    BiquadCoeffs outputHighPass;      // fixed 80 Hz high-pass at the host rate
};

// The amplifier model: input level, channel voicing, triode stage, tone stack,
// power stage, presence and master, band-limited at both ends.
//
// Thread contract:
// - The parameter setters (setInputLevel ... setMaster) are wait-free and may
//   be called from any thread, the audio thread included: they store the
//   value atomically and mark the sections that depend on it. The audio
//   thread redesigns marked sections at the start of its next process() call,
//   with the same design functions, so the numbers and the adoption point are
//   those of a design made on the caller's thread.
// - setSampleRate may be called from any non-audio thread; rate writers
//   serialise on a writer-side mutex, design the rate-dependent sets and
//   publish them whole through a triple buffer.
// - process() is called from one audio thread at a time; it never locks,
//   allocates or waits. Histories and the section designs belong to it.
class AmpModel {
public:
    AmpModel();
    ~AmpModel();
    AmpModel(const AmpModel&) = delete;
    AmpModel& operator=(const AmpModel&) = delete;

    // Parameter side: any thread, wait-free.
    void setInputLevel(float v);
    void setMode(float v);
    void setGain(float v);
    void setBassSquared(float bassSquared);
    void setMid(float v);
    void setTreble(float v);
    void setPresence(float v);
    void setMaster(float v);
    // Rate side: control threads.
    void setSampleRate(float fs);
    int oversampleFactor() const { return oversampleFactor_.load(std::memory_order_relaxed); }

    // The complete set the next process() call will run with: designed here
    // from the current values and the last published rate (control side; for
    // tests and reference paths).
    AmpCoeffs coefficients() const;

    // Audio side: n frames of the two inputs to the pre-cabinet value.
    void process(const float* in0, const float* in1, double* out, int n);
    void process(const double* in0, const double* in1, double* out, int n);

    static constexpr int kMaxBlock = 64; // frames per internal block

private:
    // The four voicing sections with their own copies of the values and the
    // rate, and the input level: what the parameter side marks for redesign.
    struct Sections {
        float inputLevel = 0.2f;
        GainNetwork gainNetwork;
        ToneStack toneStack;
        InterstageFilter interstage;
        PresenceFilter presence;
    };
    enum : unsigned {
        kInputDirty = 1, kGainNetworkDirty = 2, kInterstageDirty = 4, kToneStackDirty = 8, kPresenceDirty = 16,
        kAllDirty = 31
    };

    void resetState(); // zeroes every history, keeps the applied rate epoch (audio side)
    template <typename Sample>
    void processBlocks(const Sample* in0, const Sample* in1, double* out, int n);
    void acquireCoeffs();
    bool processBlock(const double* sum, double* out, int n);
    void processFramesRecovering(const double* sum, double* out, int n);
    void markDirty(unsigned sections) { dirty_.fetch_or(sections, std::memory_order_release); }
    // Copies the current values into the marked sections, updates them and
    // writes their results into k (both sides use it).
    void updateSections(unsigned which, float rate, Sections& sections, AmpCoeffs& k) const;
    static void applyRate(const AmpRateCoeffs& r, AmpCoeffs& k);

    // Parameter values, written by any thread.
    std::atomic<float> inputLevel_{0.2f};
    std::atomic<float> mode_{0.0f};
    std::atomic<float> gain_{0.5f};
    std::atomic<float> bassSquared_{0.25f};
    std::atomic<float> mid_{0.5f};
    std::atomic<float> treble_{0.5f};
    std::atomic<float> presence_{0.5f};
    std::atomic<float> master_{0.5f};
    std::atomic<unsigned> dirty_{kAllDirty};   // sections to redesign at the next pass

    // Rate side, guarded by writerMutex_.
    mutable std::mutex writerMutex_;
    AmpRateCoeffs rate_;              // last published rate set
    int backSlot_ = 1;                // slot the writer fills next
    std::atomic<int> oversampleFactor_{2};

    // Hand-over of rate sets: rateSlots_[sharedSlot_ & 3] is the newest
    // complete set when the dirty bit is set; the audio thread swaps it with
    // its own front slot.
    static constexpr unsigned kRatePublished = 4;
    AmpRateCoeffs rateSlots_[3];
    std::atomic<unsigned> sharedSlot_{2};

    // Audio side.
    int frontSlot_ = 0;               // rate slot process() designed with
    Sections sections_;               // the sections' copies and designs
    AmpCoeffs current_;               // the set the chain runs with
    AmpState state_;                  // histories

    // Block scratch (audio side only). Scalar lanes keep six samples of
    // history in front of the block (index -6..-1) so the sections read their
    // past without shifting, and two spare samples behind it for the dummy
    // steps of the section pairs.
    static constexpr int kHistory = 6;
    static constexpr int kLaneSize = kHistory + 2 * kMaxBlock + 2;
    struct Lane {
        double d[kLaneSize];
        double* p() { return d + kHistory; }
    };
    enum LaneId {
        kGainIn, kGainOut, kTriodeStuffed, kTriodeGrid, kTriodeShaped, kToneIn, kToneOut,
        kInterIn, kInterOut, kPowerStuffed, kPowerGrid, kPowerShaped,
        kPresenceIn, kPresenceOut, kHighPassIn, kHighPassOut, kNumLanes
    };
    struct PairLane {
        AntiAliasPairSample x[kLaneSize]; // inputs of the two sections
        AntiAliasPairSample y[kLaneSize]; // outputs
        AntiAliasPairSample* px() { return x + kHistory; }
        AntiAliasPairSample* py() { return y + kHistory; }
    };
    enum PairId { kInputPair, kTriodeInterp, kTriodeDecim, kPowerInterp, kPowerDecim, kOutputPair, kNumPairs };
    Lane lanes_[kNumLanes];
    PairLane pairs_[kNumPairs];
    double* lane(LaneId id) { return lanes_[id].p(); }
};
