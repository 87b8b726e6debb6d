#include "dsp/cabinet/ConvStage.h"

#include "dsp/cabinet/AlignedArray.h"

#include <cstring>
#include <initializer_list>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif


namespace {

// Slot offsets, from the current block's slot: where partition k+1's product
// is written, and which slots hold the products due at this event. Written at
// k(k+1)/2 - 1, read back k-1 events later at k(k-1)/2.
constexpr int kWriteOffset[ConvStage::kPartitions] = {0, 2, 5, 9, 14, 20, 27};
constexpr int kReadOffset[ConvStage::kPartitions] = {0, 1, 3, 6, 10, 15, 21};

} // namespace

ConvStage::ConvStage(int blockLength)
    : B_(blockLength), N_(2 * blockLength), inputBlock_(nullptr), inputSpectrum_(nullptr), outputRing_(nullptr),
      sumSpectrum_(nullptr), resultBlock_(nullptr), partitionTime_{nullptr, nullptr},
      partitionSpectra_{nullptr, nullptr}, productSlots_(nullptr), processEngine_(nullptr), prepareEngine_(nullptr),
      blockCount_(0), readPos_(0), slotCounter_(0), bank_(0)
{
    // Allocation failure propagates; the destructor frees what exists.
    struct Guard
    {
        ConvStage* s;
        bool armed = true;
        ~Guard()
        {
            if (armed)
                s->~ConvStage();
        }
    } guard{this};
    const size_t n = static_cast<size_t>(N_);
    inputBlock_ = allocAligned(n);
    inputSpectrum_ = allocAligned(n);
    outputRing_ = allocAligned(n);
    sumSpectrum_ = allocAligned(n);
    resultBlock_ = allocAligned(n);
    for (int b = 0; b < 2; ++b)
    {
        partitionTime_[b] = allocAligned(kPartitions * n);
        partitionSpectra_[b] = allocAligned(kPartitions * n);
    }
    productSlots_ = allocAligned(kSlots * n);
    processEngine_ = new ffft::FFTReal<double>(N_);
    prepareEngine_ = new ffft::FFTReal<double>(N_);
    guard.armed = false;
}

ConvStage::~ConvStage()
{
    delete processEngine_;
    delete prepareEngine_;
    processEngine_ = prepareEngine_ = nullptr;
    freeAligned(inputBlock_);
    freeAligned(inputSpectrum_);
    freeAligned(outputRing_);
    freeAligned(sumSpectrum_);
    freeAligned(resultBlock_);
    for (int b = 0; b < 2; ++b)
    {
        freeAligned(partitionTime_[b]);
        freeAligned(partitionSpectra_[b]);
        partitionTime_[b] = partitionSpectra_[b] = nullptr;
    }
    freeAligned(productSlots_);
    inputBlock_ = inputSpectrum_ = outputRing_ = sumSpectrum_ = resultBlock_ = productSlots_ = nullptr;
}

void ConvStage::zeroPartitions(int bank)
{
    const size_t bytes = sizeof(double) * kPartitions * static_cast<size_t>(N_);
    std::memset(partitionTime_[bank], 0, bytes);
    std::memset(partitionSpectra_[bank], 0, bytes);
}

void ConvStage::prepare(const double* ir, int bank)
{
    zeroPartitions(bank);
    for (int k = 0; k < kPartitions; ++k)
    {
        double* row = partitionTime_[bank] + static_cast<size_t>(k) * N_;
        std::memcpy(row, ir + B_ + k * B_, sizeof(double) * static_cast<size_t>(B_));
        prepareEngine_->forward(row, partitionSpectra_[bank] + static_cast<size_t>(k) * N_);
    }
}

void ConvStage::clearState()
{
    const size_t bytes = sizeof(double) * static_cast<size_t>(N_);
    std::memset(inputBlock_, 0, bytes);
    std::memset(inputSpectrum_, 0, bytes);
    std::memset(outputRing_, 0, bytes);
    std::memset(sumSpectrum_, 0, bytes);
    std::memset(resultBlock_, 0, bytes);
    std::memset(productSlots_, 0, bytes * kSlots);
}

void ConvStage::blockEvent()
{
    slotCounter_ &= kSlots - 1;
    processEngine_->forward(inputBlock_, inputSpectrum_);

    const int n = N_;
    const int half = B_;
    const double* X = inputSpectrum_;
    const double* H[kPartitions];
    double* W[kPartitions];
    const double* R[kPartitions];
    for (int k = 0; k < kPartitions; ++k)
    {
        H[k] = partitionSpectra_[bank_] + static_cast<size_t>(k) * n;
        W[k] = productSlots_ + static_cast<size_t>((slotCounter_ + kWriteOffset[k]) & (kSlots - 1)) * n;
        R[k] = productSlots_ + static_cast<size_t>((slotCounter_ + kReadOffset[k]) & (kSlots - 1)) * n;
    }
    double* S = sumSpectrum_;

    // One pass over the bins: the seven products of the new block go to their
    // slots, then the due slots are summed in their fixed order. The written
    // and the summed slots are disjoint except for offset 0, which is written
    // first, so the pass equals "all products, then the sum".
    for (int e : {0, half})
    {
        for (int k = 0; k < kPartitions; ++k)
            W[k][e] = X[e] * H[k][e];
        double s = 0.0;
        for (int t = 0; t < kPartitions; ++t)
            s = s + R[t][e];
        S[e] = s;
    }
    int b = 1;
#if defined(__SSE2__)
    for (; b + 2 <= half; b += 2)
    {
        const __m128d xr = _mm_loadu_pd(X + b);
        const __m128d xi = _mm_loadu_pd(X + half + b);
        for (int k = 0; k < kPartitions; ++k)
        {
            const __m128d hr = _mm_loadu_pd(H[k] + b);
            const __m128d hi = _mm_loadu_pd(H[k] + half + b);
            _mm_storeu_pd(W[k] + b, _mm_sub_pd(_mm_mul_pd(xr, hr), _mm_mul_pd(xi, hi)));
            _mm_storeu_pd(W[k] + half + b, _mm_add_pd(_mm_mul_pd(xr, hi), _mm_mul_pd(xi, hr)));
        }
        __m128d sr = _mm_setzero_pd();
        __m128d si = _mm_setzero_pd();
        for (int t = 0; t < kPartitions; ++t)
        {
            sr = _mm_add_pd(sr, _mm_loadu_pd(R[t] + b));
            si = _mm_add_pd(si, _mm_loadu_pd(R[t] + half + b));
        }
        _mm_storeu_pd(S + b, sr);
        _mm_storeu_pd(S + half + b, si);
    }
#endif
    for (; b < half; ++b)
    {
        const double xr = X[b];
        const double xi = X[half + b];
        for (int k = 0; k < kPartitions; ++k)
        {
            const double hr = H[k][b];
            const double hi = H[k][half + b];
            W[k][b] = xr * hr - xi * hi;
            W[k][half + b] = xr * hi + xi * hr;
        }
        double sr = 0.0;
        double si = 0.0;
        for (int t = 0; t < kPartitions; ++t)
        {
            sr = sr + R[t][b];
            si = si + R[t][half + b];
        }
        S[b] = sr;
        S[half + b] = si;
    }

    processEngine_->inverse(S, resultBlock_);

    // Overlap-add from readPos: the first B samples add to what the ring holds;
    // the last B land on the positions read since the previous event, which
    // are zeroed first. The 1/N scaling is applied per sample as scaleInverse does.
    const double scale = 1.0 / static_cast<double>(n);
    const int mask = n - 1;
    for (int i = 0; i < half; ++i)
    {
        const int p = (readPos_ + i) & mask;
        outputRing_[p] += resultBlock_[i] * scale;
    }
    for (int i = half; i < n; ++i)
    {
        const int p = (readPos_ + i) & mask;
        outputRing_[p] = 0.0 + resultBlock_[i] * scale;
    }

    ++slotCounter_;
    blockCount_ = 0;
}

double ConvStage::process(double x)
{
    if (readPos_ >= N_)
        readPos_ = 0;
    if (blockCount_ >= B_)
        blockEvent();
    inputBlock_[blockCount_++] = x;
    return outputRing_[readPos_++];
}

void ConvStage::processBlock(const double* in, double* out, int n)
{
    while (n > 0)
    {
        if (readPos_ >= N_)
            readPos_ = 0;
        if (blockCount_ >= B_)
            blockEvent();
        // readPos and blockCount move together and readPos = blockCount or
        // blockCount + B, so neither wraps nor fires inside this run.
        int m = B_ - blockCount_;
        if (m > n)
            m = n;
        std::memmove(inputBlock_ + blockCount_, in, sizeof(double) * static_cast<size_t>(m));
        std::memmove(out, outputRing_ + readPos_, sizeof(double) * static_cast<size_t>(m));
        blockCount_ += m;
        readPos_ += m;
        in += m;
        out += m;
        n -= m;
    }
}

