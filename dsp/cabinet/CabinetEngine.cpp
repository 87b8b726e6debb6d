#include "dsp/cabinet/CabinetEngine.h"

#include "dsp/cabinet/ConvKernels.h"

#include <cmath>
#include <cstring>



template <class TailStage>
CabinetEngine<TailStage>::CabinetEngine(int irLength, int tailShortArg, int tailLongArg)
    : irLength_(irLength), firstShort_(64), tailShort_(tailShortArg), firstLong_(128), tailLong_(tailLongArg),
      response_{AlignedBuffer(static_cast<size_t>(irLength)), AlignedBuffer(static_cast<size_t>(irLength))},
      bankShort_{true, true}, spareBank_(1), publishedBank_(0), state_(0), clearRequested_(false), current_(0),
      short_(true), history_(2 * kHistory), histPos_(0)
{
    // Both banks start as the silent short-layout response.
    for (int b = 0; b < 2; ++b)
    {
        firstShort_.zeroPartitions(b);
        tailShort_.zeroPartitions(b);
        firstLong_.zeroPartitions(b);
        tailLong_.zeroPartitions(b);
    }
    selectBank(0);
}

template <class TailStage>
double* CabinetEngine<TailStage>::spareResponse()
{
    int s = state_.load(std::memory_order_acquire);
    for (;;)
    {
        if ((s & kPendingFlag) == 0)
            break;
        // Take back a bank the audio thread has not adopted yet; if it adopted
        // it meanwhile, the exchange fails and the new state has no pending bank.
        if (state_.compare_exchange_weak(s, s & kActiveMask, std::memory_order_acq_rel, std::memory_order_acquire))
        {
            s &= kActiveMask;
            break;
        }
    }
    // With nothing pending the audio thread cannot change banks, so the other
    // bank is free until we publish it.
    spareBank_ = (s & kActiveMask) ^ 1;
    response_[spareBank_].zero();
    return response_[spareBank_];
}

template <class TailStage>
void CabinetEngine<TailStage>::publish(bool shortLayout)
{
    const int bank = spareBank_;
    const double* ir = response_[bank];
    if (shortLayout)
    {
        firstShort_.prepare(ir, bank);
        tailShort_.prepare(ir, bank);
    }
    else
    {
        firstLong_.prepare(ir, bank);
        tailLong_.prepare(ir, bank);
    }
    bankShort_[bank] = shortLayout;
    publishedBank_ = bank;
    state_.fetch_or(kPendingFlag, std::memory_order_release);
}

template <class TailStage>
void CabinetEngine<TailStage>::requestClear()
{
    std::lock_guard<std::mutex> lock(writerMutex_);
    const bool layout = bankShort_[publishedBank_];
    clearRequested_.store(true, std::memory_order_release);
    spareResponse();
    publish(layout);
}

template <class TailStage>
void CabinetEngine<TailStage>::selectBank(int bank)
{
    current_ = bank;
    short_ = bankShort_[bank];
    firstShort_.selectBank(bank);
    tailShort_.selectBank(bank);
    firstLong_.selectBank(bank);
    tailLong_.selectBank(bank);
}

template <class TailStage>
void CabinetEngine<TailStage>::adoptPublished()
{
    int s = state_.load(std::memory_order_acquire);
    if ((s & kPendingFlag) == 0)
        return;
    if (clearRequested_.exchange(false, std::memory_order_acq_rel))
        resetRunningState();
    const int next = (s & kActiveMask) ^ 1;
    // Fails only if a writer retracted the bank to refill it: adopt it later.
    if (state_.compare_exchange_strong(s, next, std::memory_order_acq_rel, std::memory_order_acquire))
        selectBank(next);
}

template <class TailStage>
void CabinetEngine<TailStage>::resetRunningState()
{
    firstShort_.clearState();
    tailShort_.clearState();
    firstLong_.clearState();
    tailLong_.clearState();
    history_.zero();
}

template <class TailStage>
double CabinetEngine<TailStage>::process(double x)
{
    if (state_.load(std::memory_order_relaxed) & kPendingFlag)
        adoptPublished();

    history_[histPos_] = x;
    history_[histPos_ + kHistory] = x;
    double a, b;
    int quarter;
    if (short_)
    {
        a = firstShort_.process(x);
        b = tailShort_.process(x);
        quarter = 16;
    }
    else
    {
        a = firstLong_.process(x);
        b = tailLong_.process(x);
        quarter = 32;
    }
    double y = convDirectSum(response_[current_], history_ + histPos_ + kHistory, quarter, a + b);
    histPos_ = (histPos_ + 1) & (kHistory - 1);
    if (!std::isfinite(y))
    {
        // A blown-up input must not poison the rings for good.
        resetRunningState();
        y = 0.0;
    }
    return y;
}

template <class TailStage>
void CabinetEngine<TailStage>::process(double* io, int n)
{
    if (state_.load(std::memory_order_relaxed) & kPendingFlag)
        adoptPublished();

    alignas(16) double a[kMaxRun];
    alignas(16) double b[kMaxRun];
    const int quarter = short_ ? 16 : 32;
    const int reach = 4 * quarter - 1;
    while (n > 0)
    {
        const int m = n < kMaxRun ? n : kMaxRun;
        for (int i = 0; i < m; ++i)
        {
            const int p = (histPos_ + i) & (kHistory - 1);
            history_[p] = io[i];
            history_[p + kHistory] = io[i];
        }
        if (short_)
        {
            firstShort_.processBlock(io, a, m);
            tailShort_.processBlock(io, b, m);
        }
        else
        {
            firstLong_.processBlock(io, a, m);
            tailLong_.processBlock(io, b, m);
        }
        // The run and its reach of history lie contiguously in one of the two copies.
        const double* first = history_ + ((histPos_ - reach) & (kHistory - 1)) + reach;
        convDirectRun(response_[current_], first, quarter, a, b, io, m);
        histPos_ = (histPos_ + m) & (kHistory - 1);

        bool finite = true;
        for (int i = 0; i < m; ++i)
            finite = finite && std::isfinite(io[i]);
        if (!finite)
        {
            for (int i = 0; i < m; ++i)
                if (!std::isfinite(io[i]))
                    io[i] = 0.0;
            resetRunningState();
        }
        io += m;
        n -= m;
    }
}

template class CabinetEngine<ConvStage>;
template class CabinetEngine<BlockConvolver>;

