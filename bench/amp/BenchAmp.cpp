// Cost of the amplifier chain per sample: the block-scheduled AmpModel against
// the plain one-sample-at-a-time reference chain, for each channel, at a rate
// with oversampling (44100 Hz) and one without (96000 Hz), through the float
// and the double entry, in 64-frame blocks. Prints Google Benchmark's table,
// then a side-by-side summary with the ratio and the real-time factor.

#include "dsp/amp/AmpModel.h"
#include "tests/amp/PlainChain.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kBlock = 64;
constexpr int kFrames = 4096; // per benchmark iteration

const char* const kModeNames[] = {"CLEAN", "RHYTHM", "LEAD"};
const float kModeValues[] = {0.0f, 0.5f, 1.0f};

template <typename Sample>
std::vector<Sample> signal(unsigned seed)
{
    std::vector<Sample> x(kFrames);
    unsigned r = seed;
    for (int i = 0; i < kFrames; ++i) {
        r = r * 1664525u + 1013904223u;
        const double t = i / 44100.0;
        x[i] = static_cast<Sample>(0.3 * std::sin(2 * M_PI * 110 * t) + 0.2 * std::sin(2 * M_PI * 277 * t) +
                                   1e-3 * ((r >> 8) / 16777216.0 - 0.5));
    }
    return x;
}

void configure(AmpModel& m, float rate, int mode)
{
    m.setSampleRate(rate);
    m.setInputLevel(0.5f);
    m.setMode(kModeValues[mode]);
    m.setGain(0.6f);
    m.setBassSquared(0.25f);
    m.setMid(0.5f);
    m.setTreble(0.5f);
    m.setPresence(0.5f);
    m.setMaster(0.5f);
}

template <typename Sample>
void BM_AmpModel(benchmark::State& st)
{
    const float rate = static_cast<float>(st.range(0));
    const int mode = static_cast<int>(st.range(1));
    auto m = std::make_unique<AmpModel>();
    configure(*m, rate, mode);
    const std::vector<Sample> a = signal<Sample>(1), b = signal<Sample>(2);
    std::vector<double> out(kFrames);
    for (auto _ : st) {
        for (int i = 0; i < kFrames; i += kBlock) m->process(a.data() + i, b.data() + i, out.data() + i, kBlock);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.counters["ns/sample"] = benchmark::Counter(static_cast<double>(kFrames) * st.iterations(),
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

template <typename Sample>
void BM_PlainChain(benchmark::State& st)
{
    const float rate = static_cast<float>(st.range(0));
    const int mode = static_cast<int>(st.range(1));
    auto m = std::make_unique<AmpModel>();
    configure(*m, rate, mode);
    auto chain = std::make_unique<plain::Chain>(m->coefficients());
    const std::vector<Sample> a = signal<Sample>(1), b = signal<Sample>(2);
    std::vector<double> out(kFrames);
    for (auto _ : st) {
        for (int i = 0; i < kFrames; i += kBlock)
            for (int j = i; j < i + kBlock; ++j) {
                const Sample s = a[j] + b[j];
                out[j] = chain->step(static_cast<double>(s));
            }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    st.counters["ns/sample"] = benchmark::Counter(static_cast<double>(kFrames) * st.iterations(),
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void args(benchmark::internal::Benchmark* b)
{
    for (int rate : {44100, 96000})
        for (int mode = 0; mode < 3; ++mode) b->Args({rate, mode});
    b->Repetitions(7)->ComputeStatistics("min", [](const std::vector<double>& v) {
        return *std::min_element(v.begin(), v.end());
    });
    b->ReportAggregatesOnly(true)->MinTime(0.05);
}

BENCHMARK_TEMPLATE(BM_AmpModel, float)->Apply(args);
BENCHMARK_TEMPLATE(BM_PlainChain, float)->Apply(args);
BENCHMARK_TEMPLATE(BM_AmpModel, double)->Apply(args);
BENCHMARK_TEMPLATE(BM_PlainChain, double)->Apply(args);

// Collects the median and minimum ns/sample of every run for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    struct Figures { double median = 0, min = 0; };
    std::map<std::string, Figures> figures; // "<impl>/<sample>/<rate>/<mode>"

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Aggregate) continue;
            const auto c = r.counters.find("ns/sample");
            if (c == r.counters.end()) continue;
            const std::string key = r.run_name.function_name + "/" + r.run_name.args;
            if (r.aggregate_name == "median") figures[key].median = c->second.value * 1e9;
            if (r.aggregate_name == "min") figures[key].min = c->second.value * 1e9;
        }
    }
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nns per sample, 64-frame blocks (median / min of 7 repeats)\n");
    std::printf("%-7s %-6s %-6s | %-17s | %-17s | %-7s | %s\n", "rate", "entry", "chan", "AmpModel",
                "plain chain", "ratio", "x real time @rate");
    for (int rate : {44100, 96000})
        for (const char* type : {"float", "double"})
            for (int mode = 0; mode < 3; ++mode) {
                const std::string suffix = std::string("<") + type + ">/" + std::to_string(rate) + "/" +
                                           std::to_string(mode);
                const auto a = reporter.figures["BM_AmpModel" + suffix];
                const auto p = reporter.figures["BM_PlainChain" + suffix];
                if (a.median <= 0 || p.median <= 0) continue;
                std::printf("%-7d %-6s %-6s | %7.1f / %7.1f | %7.1f / %7.1f | %6.3f | %6.1f\n", rate, type,
                            kModeNames[mode], a.median, a.min, p.median, p.min, a.median / p.median,
                            1e9 / (a.median * rate));
            }
    return 0;
}
