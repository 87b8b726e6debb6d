// Speed of the cabinet convolvers, printed side by side with zita-convolver
// configured as a zero-latency uniformly partitioned convolver (smallest and
// largest partition = host block, no worker threads) on the same responses.
//
//   build/bench_cabinet [seconds-of-audio-per-run (default 0.5)] [runs (default 25)]
#include "dsp/cabinet/ExtCabinet.h"
#include "dsp/cabinet/IntCabinet.h"

#ifdef ZORVAN_HAVE_ZITA
#include <zita-convolver.h>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <sched.h>
#include <time.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Figures
{
    double median = 0.0;  // ns per sample
    double minimum = 0.0;
};

std::vector<double> response(int taps)
{
    std::mt19937 rng(static_cast<unsigned>(taps));
    std::uniform_real_distribution<double> d(-1.0, 1.0);
    std::vector<double> h(taps);
    for (int i = 0; i < taps; ++i)
        h[i] = d(rng) * std::exp(-3.0 * i / taps);
    return h;
}

// Writes h as a mono float WAV file and returns its path.
std::string writeResponse(const std::vector<double>& h, const std::string& dir)
{
    const std::string path = dir + "/bench" + std::to_string(h.size()) + ".wav";
    FILE* f = std::fopen(path.c_str(), "wb");
    auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };  // little-endian host
    auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
    const uint32_t bytes = static_cast<uint32_t>(h.size() * 4);
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(3);
    u16(1);
    u32(48000);
    u32(192000);
    u16(4);
    u16(32);
    std::fwrite("data", 1, 4, f);
    u32(bytes);
    for (double v : h)
    {
        const float s = static_cast<float>(v);
        std::fwrite(&s, 4, 1, f);
    }
    std::fclose(f);
    return path;
}

double threadCpuMicros()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec * 1e-3;
}

// Runs each engine's process(block) over `samples` samples per run, `runs`
// times, the engines taking turns run by run so that they share whatever load
// the machine has. Time is the thread's CPU time, so being preempted on a
// shared machine does not count.
std::vector<Figures> measure(const std::vector<std::function<void(double*, int)>>& engines, int block, int samples,
                             int runs)
{
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> d(-0.5, 0.5);
    std::vector<double> input(static_cast<size_t>(samples));
    for (auto& v : input)
        v = d(rng);
    std::vector<double> buf(static_cast<size_t>(block));
    std::vector<std::vector<double>> perSample(engines.size());
    for (int r = 0; r < runs + 1; ++r)
    {
        for (size_t e = 0; e < engines.size(); ++e)
        {
            const double c0 = threadCpuMicros();
            for (int pos = 0; pos + block <= samples; pos += block)
            {
                std::copy(input.begin() + pos, input.begin() + pos + block, buf.begin());
                engines[e](buf.data(), block);
            }
            const double c1 = threadCpuMicros();
            if (r > 0)  // the first run warms caches and page tables
                perSample[e].push_back((c1 - c0) * 1000.0 / samples);
        }
    }
    std::vector<Figures> out;
    for (auto& v : perSample)
    {
        std::sort(v.begin(), v.end());
        out.push_back({v[v.size() / 2], v.front()});
    }
    return out;
}

// Worst and 99th-percentile time of a single block call, in microseconds:
// wall clock (includes being preempted on a busy machine) and the thread's
// own CPU time (the work itself).
void blockTimes(const std::function<void(double*, int)>& process, int block, int blocks, double& worst, double& p99,
                double& cpuWorst, double& cpuP99, double& cpuP9999, int& cpuOver)
{
    std::vector<double> c(static_cast<size_t>(blocks));
    std::mt19937 rng(2);
    std::uniform_real_distribution<double> d(-0.5, 0.5);
    std::vector<double> buf(static_cast<size_t>(block));
    std::vector<double> t(static_cast<size_t>(blocks));
    for (int b = 0; b < blocks + 200; ++b)
    {
        for (auto& v : buf)
            v = d(rng);
        const double c0 = threadCpuMicros();
        const auto t0 = Clock::now();
        process(buf.data(), block);
        const auto t1 = Clock::now();
        const double c1 = threadCpuMicros();
        if (b >= 200)
        {
            t[b - 200] = std::chrono::duration<double, std::micro>(t1 - t0).count();
            c[b - 200] = c1 - c0;
        }
    }
    std::sort(t.begin(), t.end());
    std::sort(c.begin(), c.end());
    worst = t.back();
    p99 = t[static_cast<size_t>(0.99 * (blocks - 1))];
    cpuWorst = c.back();
    cpuP99 = c[static_cast<size_t>(0.99 * (blocks - 1))];
    cpuP9999 = c[static_cast<size_t>(0.9999 * (blocks - 1))];
    cpuOver = static_cast<int>(c.end() - std::upper_bound(c.begin(), c.end(), 0.03 * 1451.247));
}

#ifdef ZORVAN_HAVE_ZITA
// zita-convolver on one channel, float samples, converted at the edges.
struct Zita
{
    Convproc proc;
    std::vector<float> ir;
    bool ok = false;
    Zita(const std::vector<double>& h, int block)
    {
        ir.assign(h.begin(), h.end());
        ok = proc.configure(1, 1, static_cast<uint32_t>(h.size()), static_cast<uint32_t>(block),
                            static_cast<uint32_t>(block), static_cast<uint32_t>(block), 0.0f) == 0 &&
             proc.impdata_create(0, 0, 1, ir.data(), 0, static_cast<int32_t>(h.size())) == 0 &&
             proc.start_process(0, SCHED_OTHER) == 0;
    }
    ~Zita()
    {
        proc.stop_process();
        proc.cleanup();
    }
    void process(double* io, int n)
    {
        float* in = proc.inpdata(0);
        for (int i = 0; i < n; ++i)
            in[i] = static_cast<float>(io[i]);
        proc.process(false);
        const float* out = proc.outdata(0);
        for (int i = 0; i < n; ++i)
            io[i] = out[i];
    }
};
#endif

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 0.5;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 25;
    const int samples = static_cast<int>(seconds * 48000.0) / 1024 * 1024;

    char dirTemplate[] = "/tmp/zorvan-bench-XXXXXX";
    const char* dir = ::mkdtemp(dirTemplate);
    if (dir == nullptr)
        return 1;

    std::printf("cabinet convolution, ns of thread CPU time per sample (median / minimum of %d runs of %d samples)\n",
                runs, samples);
    std::printf("%-6s %-6s | %-17s | %-17s | %-17s | %s\n", "taps", "block", "ExtCabinet", "IntCabinet*",
                "zita-convolver", "ExtCabinet/zita (median / min)");
    for (int taps : {4096, 8192})
    {
        const std::vector<double> h = response(taps);
        const std::string path = writeResponse(h, dir);
        const float rate = taps == 4096 ? 48000.0f : 96000.0f;  // short layout / long layout
        for (int block : {64, 256})
        {
            ExtCabinet ext;
            ext.clear();
            ext.setSampleRate(rate);
            ext.loadImpulse(path.c_str());
            IntCabinet in;
            in.clear();
            in.prepare(rate);
            std::vector<std::function<void(double*, int)>> engines = {
                [&](double* io, int n) { ext.process(io, n); },
                [&](double* io, int n) { in.process(io, n); },
            };
#ifdef ZORVAN_HAVE_ZITA
            Zita z(h, block);
            if (z.ok)
                engines.push_back([&](double* io, int n) { z.process(io, n); });
#endif
            const std::vector<Figures> f = measure(engines, block, samples, runs);
            const Figures zf = f.size() > 2 ? f[2] : Figures{NAN, NAN};
            std::printf("%-6d %-6d | %7.1f / %-7.1f | %7.1f / %-7.1f | %7.1f / %-7.1f | %.2f / %.2f\n", taps, block,
                        f[0].median, f[0].minimum, f[1].median, f[1].minimum, zf.median, zf.minimum,
                        f[0].median / zf.median, f[0].minimum / zf.minimum);
        }
    }
    std::printf("  ExtCabinet: 4096 taps in the short layout (rate <= 68000), 8192 in the long one.\n");
    std::printf("  * IntCabinet runs its own built-in response at the same rate: 1024 taps (short), 2048 (long).\n");

    std::printf("\nsingle 64-sample block, ExtCabinet (budget at 44100 Hz: 1451.2 us, 3%% = 43.5 us)\n");
    for (int taps : {4096, 8192})
    {
        const std::vector<double> h = response(taps);
        const std::string path = writeResponse(h, dir);
        ExtCabinet ext;
        ext.clear();
        ext.setSampleRate(taps == 4096 ? 48000.0f : 96000.0f);
        ext.loadImpulse(path.c_str());
        double worst = 0.0, p99 = 0.0, cpuWorst = 0.0, cpuP99 = 0.0, cpuP9999 = 0.0;
        int over = 0;
        const int blocks = 200000;
        blockTimes([&](double* io, int n) { ext.process(io, n); }, 64, blocks, worst, p99, cpuWorst, cpuP99, cpuP9999,
                   over);
        std::printf("  %d taps: wall clock worst %.1f us (%.2f %% of budget), 99th percentile %.2f us;\n"
                    "             thread CPU time worst %.1f us (%.2f %%), 99th %.2f us, 99.99th %.2f us,"
                    " %d of %d blocks over 3 %%\n",
                    taps, worst, 100.0 * worst / 1451.247, p99, cpuWorst, 100.0 * cpuWorst / 1451.247, cpuP99,
                    cpuP9999, over, blocks);
        std::remove(path.c_str());
    }
    {
        // The machine's own noise floor: a fixed arithmetic load of about the
        // cost of the heaviest cabinet block, timed the same way. Outliers it
        // shows as well are the machine's (preemption, interrupts, other
        // guests), not the convolver's.
        volatile double sink = 0.0;
        auto fixedLoad = [&](double* io, int n) {
            double acc = io[0];
            for (int k = 0; k < 6000; ++k)
                acc = acc * 0.999999 + 1e-9 * n;
            sink = acc;
        };
        double worst = 0.0, p99 = 0.0, cpuWorst = 0.0, cpuP99 = 0.0, cpuP9999 = 0.0;
        int over = 0;
        blockTimes(fixedLoad, 64, 200000, worst, p99, cpuWorst, cpuP99, cpuP9999, over);
        std::printf("  reference fixed load: thread CPU time worst %.1f us, 99th %.2f us, 99.99th %.2f us,"
                    " %d of %d over 43.5 us\n",
                    cpuWorst, cpuP99, cpuP9999, over, 200000);
    }
    for (int taps : {4096, 8192})
        std::remove((std::string(dir) + "/bench" + std::to_string(taps) + ".wav").c_str());
    ::rmdir(dir);
    return 0;
}
