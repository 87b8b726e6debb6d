#pragma once

#include "dsp/cabinet/AlignedBuffer.h"
#include "dsp/cabinet/FFTReal.h"
#include "dsp/cabinet/OverlapAddRing.h"

#include <cstdint>
#include <memory>


// Single-partition FFT convolver with transform length N and block length
// B = N/2: serves taps B .. 2B-1 of a response with no added delay.
//
// Thread contract: as ConvStage. The running state (input block, ring,
// counters, engine) belongs to the audio thread; prepare() fills one of two
// partition banks with its own engine on a control thread while process()
// reads the bank chosen by selectBank().
class BlockConvolver
{
public:
    explicit BlockConvolver(int transformLength);

    int blockLength() const { return B_; }

    // Control side: zeroes the bank and loads taps ir[B .. 2B-1] (ir holds at least 2B doubles).
    void prepare(const double* ir, int bank);
    void zeroPartitions(int bank);

    // Audio side.
    void selectBank(int bank) { bank_ = bank; }
    void clearState();
    double process(double x);
    void processBlock(const double* in, double* out, int n);

private:
    void blockEvent();

    const int32_t N_;           // transform length
    const int32_t B_;           // block length, N/2
    AlignedBuffer irPartition_[2];  // per bank, N: taps B..2B-1 then B zeros
    AlignedBuffer irSpectrum_[2];   // per bank, N: packed spectrum of irPartition
    OverlapAddRing ring_;           // input block, inverse transform and overlap-add ring
    AlignedBuffer inputSpectrum_;   // N: spectrum of the last block; the product is formed here
    std::unique_ptr<ffft::FFTReal<double>> engine_;         // used by process() only
    // A second engine instead of a temporary one per preparation: the numbers
    // are the same, and a rebuild then neither allocates nor plans.
    std::unique_ptr<ffft::FFTReal<double>> prepareEngine_;  // used by prepare() only
    int bank_;                  // partition bank process() reads
};

