#pragma once

#include "dsp/cabinet/AlignedBuffer.h"
#include "dsp/cabinet/BlockConvolver.h"
#include "dsp/cabinet/ConvStage.h"

#include <atomic>
#include <cstdint>
#include <mutex>

// The zero-latency partitioned convolution shared by both cabinets: a direct
// FIR over the first 64 (short layout) or 128 (long layout) taps plus two FFT
// stages of the layout, all fed the same input, outputs summed. The second
// stage, which serves the response's tail, is a ConvStage for the external
// cabinet and a single-partition BlockConvolver for the built-in one.
//
//   short: direct 0..63,  ConvStage(64)  64..511,   TailStage(small) 512..
//   long:  direct 0..127, ConvStage(128) 128..1023, TailStage(large) 1024..
//
// One input history (a ring of 256, each sample stored twice so that any run
// of the last 255 inputs is contiguous) serves the direct part of both
// layouts. A non-finite output sample is replaced by 0 and zeroes the running
// state (not the response), so the cabinet recovers from a blown-up input.
//
// Thread contract. process() runs on the audio thread and never allocates,
// locks or waits. A response is written by a control thread (host or editor)
// through publishResponse(), which serialises writers on a private mutex,
// fills the spare one of two banks (response samples, partitions and layout)
// and publishes it with one atomic word; the audio thread
// adopts a published bank at the start of its next process call, so it never
// sees a half-prepared response. A bank is reused by a writer only after the
// audio thread has moved off it (it can adopt a new bank only while one is
// pending, and a writer retracts a pending bank before refilling it). Histories,
// rings, slots and counters belong to the audio thread and keep running across
// a change of response. requestClear() asks the audio thread to zero them at
// its next block start, before it adopts the (all-zero) response published
// with the request.
template <class TailStage>
class CabinetEngine
{
public:
    // irLength: samples per response; the tail stages are constructed from
    // tailShortArg and tailLongArg (block or transform length of TailStage).
    CabinetEngine(int irLength, int tailShortArg, int tailLongArg);
    CabinetEngine(const CabinetEngine&) = delete;
    CabinetEngine& operator=(const CabinetEngine&) = delete;

    // Control side. Takes the writer lock, has fill write the new response
    // into a zeroed buffer of irLength doubles (fill(double* ir) returns
    // whether the short layout is to be used), prepares that layout's stages
    // and publishes the whole. fill runs under the lock, so whatever state
    // it keeps is serialised with every other writer.
    template <class Fill>
    void publishResponse(Fill&& fill)
    {
        std::lock_guard<std::mutex> lock(writerMutex_);
        double* ir = spareResponse();
        const bool shortLayout = fill(ir);
        publish(shortLayout);
    }
    // Zero response plus a request to zero the running state.
    void requestClear();
    // The last published response (control side, with no writer running).
    const double* publishedResponse() const { return response_[publishedBank_]; }
    int responseLength() const { return irLength_; }

    // Audio side.
    double process(double x);
    void process(double* io, int n);

private:
    double* spareResponse();         // the spare bank's response, zeroed (writer lock held)
    void publish(bool shortLayout);  // prepares and publishes the spare bank (writer lock held)

    static constexpr int kHistory = 256;     // ring span: 128 taps of history + a 128-sample run
    static constexpr int kMaxRun = 128;      // samples per inner run of the block form
    static constexpr int kActiveMask = 1;    // state bit 0: bank the audio thread reads
    static constexpr int kPendingFlag = 2;   // state bit 1: the other bank is published

    void adoptPublished();
    void resetRunningState();
    void selectBank(int bank);

    const int irLength_;             // samples per response bank
    ConvStage firstShort_;           // taps 64..511
    TailStage tailShort_;            // taps 512..(4095 or 1023)
    ConvStage firstLong_;            // taps 128..1023
    TailStage tailLong_;             // taps 1024..(8191 or 2047)
    AlignedBuffer response_[2];      // per bank: the response (irBuffer), irLength doubles
    bool bankShort_[2];              // per bank: its layout

    std::mutex writerMutex_;         // serialises writers (never taken by the audio thread)
    int spareBank_;                  // control side: bank handed out by spareResponse()
    int publishedBank_;              // control side: bank of the last publish
    std::atomic<int> state_;         // active bank | pending flag
    std::atomic<bool> clearRequested_;  // zero the running state at the next adoption

    // Audio thread.
    int current_;                    // bank in use
    bool short_;                     // layout in use
    AlignedBuffer history_;          // 2 x kHistory: input ring, each sample stored twice
    int32_t histPos_;                // write position in history_, 0..kHistory-1
};

extern template class CabinetEngine<ConvStage>;
extern template class CabinetEngine<BlockConvolver>;

