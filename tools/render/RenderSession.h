// One run of zorvan-render: options in, exit status out. Applies the state to the
// plug-in in a fixed order (rate, preset files, program, controls, impulse
// response), renders block by block and prints the identity and a summary.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zrender {

// Level statistics of everything written, as the summary reports them.
struct OutputMeter {
    double peak = 0.0;          // largest finite |x|
    double sumSquares = 0.0;    // of finite samples
    uint64_t samples = 0;       // all samples, both channels
    uint64_t clipped = 0;       // finite samples with |x| > 1
    uint64_t nonFinite = 0;     // NaN or infinity

    void add(double x);
    double peakDb() const;      // -inf for silence
    double rmsDb() const;
};

// The whole program; args exclude argv[0]. Exit status 0, 1 (error) or 2 (usage).
int runRender(const std::vector<std::string>& args);

} // namespace zrender
