#pragma once

#include "dsp/cabinet/AlignedBuffer.h"
#include "dsp/cabinet/FFTReal.h"
#include "dsp/cabinet/OverlapAddRing.h"

#include <cstdint>
#include <memory>


// Uniformly partitioned FFT convolution stage with block length B: seven
// partitions of B taps each, serving taps B .. 8B-1 of a response with no added
// delay (the block delay is part of the taps it serves). Transform length
// N = 2B; the partition products sit in a ring of 32 spectra (a frequency-domain
// delay line of products, each product computed once when its block completes).
//
// Thread contract: the running state (input block, rings, slots, counters,
// processEngine) belongs to the audio thread: process(), processBlock(),
// selectBank() and clearState() are called there only. The partitions live in
// two banks; prepare() fills one bank with prepareEngine on a control thread
// while process() may read the other one. Which bank process() reads is set by
// selectBank(); the owner hands banks over (see CabinetEngine), so a bank is
// never written while selected. Nothing here allocates after construction.
class ConvStage
{
public:
    static constexpr int kPartitions = 7;
    static constexpr int kSlots = 32;

    explicit ConvStage(int blockLength);

    int blockLength() const { return B_; }

    // Control side: zeroes the bank's partitions and loads taps
    // ir[B .. 8B-1] (ir holds at least 8B doubles) into it.
    void prepare(const double* ir, int bank);
    // Control side: zeroes the bank's partitions (time and spectra).
    void zeroPartitions(int bank);

    // Audio side.
    void selectBank(int bank) { bank_ = bank; }
    // Zeroes input block, spectra, ring and slots; counters keep running.
    void clearState();
    double process(double x);
    // Same results as n calls of process(in[i]); in and out may alias.
    void processBlock(const double* in, double* out, int n);
    // Calls left before the next block event would fire (0: it fires at the next call).
    int samplesToEvent() const { return ring_.samplesToEvent(); }

private:
    void blockEvent();

    const int B_;                  // block length
    const int N_;                  // transform length, 2B
    // Row strides of the spectra and the slots: N plus a skew, so that the
    // rows read and written together do not sit 4 KiB apart (the CPU would
    // take the loads for dependent on the stores).
    const int spectraStride_;
    const int slotStride_;
    OverlapAddRing ring_;          // input block, inverse transform and overlap-add ring
    AlignedBuffer inputSpectrum_;        // N: packed spectrum of the last completed block
    AlignedBuffer sumSpectrum_;          // N: sum of the seven products due at an event
    AlignedBuffer partitionTime_[2];     // per bank, 7 x N: B taps then B zeros per row
    AlignedBuffer partitionSpectra_[2];  // per bank, 7 rows of N (stride spectraStride_): packed spectra
    AlignedBuffer productSlots_;         // 32 rows of N (stride slotStride_): ring of product spectra
    std::unique_ptr<ffft::FFTReal<double>> processEngine_;  // used by process() only
    std::unique_ptr<ffft::FFTReal<double>> prepareEngine_;  // used by prepare() only
    int32_t slotCounter_;          // current block's slot, reduced mod 32 at events
    int bank_;                     // partition bank process() reads
};

