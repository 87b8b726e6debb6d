// Generates the two built-in cabinet responses (88200 and 96000 Hz, 2048
// samples each) and writes them as C++ source data.
//
// Design, per rate (see README.md):
//  1. A target magnitude in dB over frequency: the cabinet's measured
//     close-mike curve (table below), joined by a monotone cubic in log
//     frequency, flat below 25 Hz, falling steeply above 20 kHz. The bass
//     resonance is narrowed by two shoulder points at 95 and 165 Hz.
//  2. Its minimum-phase response, by the folded real cepstrum on a 65536-point
//     transform.
//  3. Phase shaping with all-pass sections (no change of magnitude): one
//     first-order section at 50 Hz, which turns the polarity of the mids and
//     highs against the bass, and three second-order sections around 5 kHz,
//     which delay the cone's main peak behind its onset as the mike distance
//     and the cone's break-up do.
//  4. The onset delay (whole samples), a raised-cosine fade over the end so
//     the last samples are quiet, and a sub-audible trim of the DC sum (a
//     Hann-shaped offset over the whole length).
//  5. Steps 1-4 repeat eight times, each time moving the table points by
//     the error measured on the final 2048 samples, so the truncated,
//     faded response meets the curve at every table frequency.
#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;
const int kLength = 2048;
const int kTableSize = 12;
const double kTableHz[kTableSize] = {63, 125, 250, 500, 1000, 2000, 4000, 6000, 8000, 10000, 16000, 20000};
const double kTableDb[kTableSize] = {10.0, 29.8, 24.1, 20.5, 13.6, 14.8, 20.6, 9.0, -9.6, -15.1, -20.4, -46.9};

struct Design
{
    const char* name;      // table name in the output
    double rate;           // Hz
    int onset;             // samples before the first non-zero one
    double levelDb;        // offset of the whole curve
    double sum;            // DC sum of the final response
    double resonanceDip;   // dB below the resonance peak at the 95/165 Hz shoulders
    double highAllpassHz;  // centre of the three second-order sections
    double highAllpassQ;
    int fadeStart;         // first sample of the end fade
};

// 88200 Hz: onset at 3, main peak at 38. 96000 Hz: onset at 0, main peak at 42.
const Design kDesigns[2] = {
    {"builtinIr88", 88200.0, 3, 0.0, 0.647, 8.7, 5500.0, 0.55, 1400},
    {"builtinIr96", 96000.0, 0, 0.81, 0.684, 9.2, 4500.0, 0.60, 1520},
};

struct Point
{
    double hz, db;
};

// Monotone cubic (Fritsch-Carlson) in log frequency; flat outside the points.
double curveDb(const std::vector<Point>& p, double hz)
{
    const size_t n = p.size();
    if (hz <= p.front().hz)
        return p.front().db;
    if (hz >= p.back().hz)
        return p.back().db;
    std::vector<double> x(n), y(n), d(n - 1), m(n);
    for (size_t i = 0; i < n; ++i)
    {
        x[i] = std::log(p[i].hz);
        y[i] = p[i].db;
    }
    for (size_t i = 0; i + 1 < n; ++i)
        d[i] = (y[i + 1] - y[i]) / (x[i + 1] - x[i]);
    m[0] = d[0];
    m[n - 1] = d[n - 2];
    for (size_t i = 1; i + 1 < n; ++i)
    {
        if (d[i - 1] * d[i] <= 0.0)
        {
            m[i] = 0.0;
            continue;
        }
        const double w1 = 2.0 * (x[i + 1] - x[i]) + (x[i] - x[i - 1]);
        const double w2 = (x[i + 1] - x[i]) + 2.0 * (x[i] - x[i - 1]);
        m[i] = (w1 + w2) / (w1 / d[i - 1] + w2 / d[i]);
    }
    const double lx = std::log(hz);
    size_t i = 0;
    while (i + 2 < n && lx > x[i + 1])
        ++i;
    const double h = x[i + 1] - x[i];
    const double t = (lx - x[i]) / h;
    const double t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * y[i] + (t3 - 2 * t2 + t) * h * m[i] + (-2 * t3 + 3 * t2) * y[i + 1] +
           (t3 - t2) * h * m[i + 1];
}

// Minimum-phase impulse response (M samples) of a magnitude curve, by the
// folded real cepstrum.
std::vector<double> minimumPhase(const std::vector<Point>& curve, double rate, int M)
{
    std::vector<std::complex<double>> buf(static_cast<size_t>(M));
    fftw_complex* b = reinterpret_cast<fftw_complex*>(buf.data());
    fftw_plan fwd = fftw_plan_dft_1d(M, b, b, FFTW_FORWARD, FFTW_ESTIMATE);
    fftw_plan bwd = fftw_plan_dft_1d(M, b, b, FFTW_BACKWARD, FFTW_ESTIMATE);
    for (int k = 0; k < M; ++k)
    {
        const int kk = k <= M / 2 ? k : M - k;
        buf[k] = curveDb(curve, kk * rate / M) / 20.0 * std::log(10.0);
    }
    fftw_execute(bwd);
    for (auto& v : buf)
        v /= static_cast<double>(M);
    for (int n = 1; n < M / 2; ++n)
        buf[n] *= 2.0;
    for (int n = M / 2 + 1; n < M; ++n)
        buf[n] = 0.0;
    fftw_execute(fwd);
    for (auto& v : buf)
        v = std::exp(v);
    fftw_execute(bwd);
    std::vector<double> h(static_cast<size_t>(M));
    for (int n = 0; n < M; ++n)
        h[n] = buf[n].real() / M;
    fftw_destroy_plan(fwd);
    fftw_destroy_plan(bwd);
    return h;
}

void firstOrderAllpass(std::vector<double>& h, double hz, double rate)
{
    const double t = std::tan(kPi * hz / rate);
    const double a = (t - 1.0) / (t + 1.0);
    double x1 = 0.0, y1 = 0.0;
    for (double& v : h)
    {
        const double y = a * v + x1 - a * y1;
        x1 = v;
        y1 = y;
        v = y;
    }
}

void secondOrderAllpass(std::vector<double>& h, double hz, double q, double rate)
{
    const double w0 = 2.0 * kPi * hz / rate;
    const double alpha = std::sin(w0) / (2.0 * q);
    const double a0 = 1.0 + alpha;
    const double b0 = (1.0 - alpha) / a0, b1 = -2.0 * std::cos(w0) / a0, b2 = (1.0 + alpha) / a0;
    const double a1 = b1, a2 = b0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (double& v : h)
    {
        const double y = b0 * v + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = v;
        y2 = y1;
        y1 = y;
        v = y;
    }
}

double magnitudeDb(const std::vector<double>& h, double hz, double rate)
{
    std::complex<double> H = 0.0;
    for (size_t n = 0; n < h.size(); ++n)
        H += h[n] * std::polar(1.0, -2.0 * kPi * hz * static_cast<double>(n) / rate);
    return 20.0 * std::log10(std::abs(H));
}

std::vector<double> build(const Design& d, const double* correction)
{
    const double dcDb = 20.0 * std::log10(d.sum);
    std::vector<Point> curve = {{10.0, dcDb}, {25.0, dcDb}};
    for (int i = 0; i < kTableSize; ++i)
    {
        const double db = kTableDb[i] + d.levelDb + correction[i];
        if (i == 1)
            curve.push_back({95.0, db - d.resonanceDip});
        curve.push_back({kTableHz[i], db});
        if (i == 1)
            curve.push_back({165.0, db - 0.6 * d.resonanceDip});
    }
    curve.push_back({24000.0, -70.0});
    curve.push_back({30000.0, -95.0});
    curve.push_back({48000.0, -110.0});

    std::vector<double> h = minimumPhase(curve, d.rate, 1 << 16);
    firstOrderAllpass(h, 50.0, d.rate);
    for (int s = 0; s < 3; ++s)
        secondOrderAllpass(h, d.highAllpassHz, d.highAllpassQ, d.rate);

    std::vector<double> out(kLength, 0.0);
    for (int n = 0; n + d.onset < kLength; ++n)
        out[n + d.onset] = h[n];
    for (int n = d.fadeStart; n < kLength; ++n)
    {
        const double t = (n - d.fadeStart) / static_cast<double>(kLength - d.fadeStart);
        out[n] *= 0.5 * (1.0 + std::cos(kPi * t));
    }
    double sum = 0.0;
    for (double v : out)
        sum += v;
    std::vector<double> bump(kLength, 0.0);
    double bumpSum = 0.0;
    for (int n = d.onset; n < kLength; ++n)
    {
        const double t = (n - d.onset) / static_cast<double>(kLength - d.onset);
        bump[n] = 0.5 - 0.5 * std::cos(2.0 * kPi * t);
        bumpSum += bump[n];
    }
    for (int n = 0; n < kLength; ++n)
        out[n] += (d.sum - sum) * bump[n] / bumpSum;
    return out;
}

std::vector<double> design(const Design& d)
{
    double correction[kTableSize] = {};
    for (int pass = 0; pass < 8; ++pass)
    {
        const std::vector<double> h = build(d, correction);
        for (int i = 0; i < kTableSize; ++i)
            correction[i] += kTableDb[i] + d.levelDb - magnitudeDb(h, kTableHz[i], d.rate);
    }
    return build(d, correction);
}

void report(const Design& d, const std::vector<double>& h)
{
    int first = -1, peak = 0;
    double sum = 0.0, energy = 0.0, tail = 0.0;
    for (int n = 0; n < kLength; ++n)
    {
        if (first < 0 && h[n] != 0.0)
            first = n;
        if (std::fabs(h[n]) > std::fabs(h[peak]))
            peak = n;
        sum += h[n];
        energy += h[n] * h[n];
    }
    for (int n = kLength - 48; n < kLength; ++n)
        tail = std::max(tail, std::fabs(h[n]));
    double acc = 0.0;
    int e99 = 0;
    while (e99 < kLength && (acc += h[e99] * h[e99]) < 0.99 * energy)
        ++e99;
    std::fprintf(stderr, "%s: first %d, peak %d (%.4f), sum %.4f, 99%% energy %d, tail %.6f\n  dB:", d.name, first, peak,
                 h[peak], sum, e99, tail);
    for (int i = 0; i < kTableSize; ++i)
        std::fprintf(stderr, " %g:%.2f", kTableHz[i], magnitudeDb(h, kTableHz[i], d.rate));
    std::fprintf(stderr, "\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <output.cpp>\n", argv[0]);
        return 2;
    }
    FILE* f = std::fopen(argv[1], "w");
    if (f == nullptr)
    {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(f, "// Generated by tools/irgen (zorvan-irgen); do not edit.\n");
    std::fprintf(f, "#include \"dsp/cabinet/BuiltinIr.h\"\n");
    for (const Design& d : kDesigns)
    {
        const std::vector<double> h = design(d);
        report(d, h);
        std::fprintf(f, "\n// %.0f Hz\nconst double %s[kBuiltinIrLength] = {\n", d.rate, d.name);
        for (int n = 0; n < kLength; ++n)
            std::fprintf(f, "    %.17g,\n", h[n]);
        std::fprintf(f, "};\n");
    }
    return std::fclose(f) == 0 ? 0 : 1;
}
