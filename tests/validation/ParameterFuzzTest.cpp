// Automation gone wild: every parameter gets a new value before each of 10,000
// short blocks, drawn from the whole range and from the values where the
// channel and cabinet switches change their mind. The output stays finite and
// each value reads back exactly as the host set it.
#include "ValidationHost.h"

using namespace validation;

namespace {

float drawValue(std::mt19937& rng, int index)
{
    static const float edges[] = {0.f, 1.f, 0.33f, 0.66f, 0.5f, 0.32999998f, 0.65999997f, -0.f, 1e-7f, 0.99999994f};
    static const float cabinets[] = {0.f, 1.f, 0.5f, 0.25f, 0.9999f, -0.f, 1e-7f, 0.99999994f};
    std::uniform_real_distribution<float> u(0.f, 1.f);
    const uint32_t pick = rng() % 4;
    if (index == kCabinet)
        return pick == 0 ? u(rng) : cabinets[rng() % (sizeof(cabinets) / sizeof(float))];
    return pick == 0 ? edges[rng() % (sizeof(edges) / sizeof(float))] : u(rng);
}

void fuzz(float rate, int blocks, uint32_t seed)
{
    Plugin plug;
    ASSERT_TRUE(plug.valid());
    plug.setRate(rate);
    ASSERT_TRUE(loadExternal(plug, cabinetWav()));

    const int block = 32;
    const size_t n = static_cast<size_t>(blocks) * block;
    std::vector<double> left = bursts(n, rate, 0.9), right = noise(n, 0.3, seed);
    std::vector<double> out0(block), out1(block);
    std::mt19937 rng(seed);
    int readBackFailures = 0;
    for (int b = 0; b < blocks; ++b) {
        for (int i = 0; i < kParams; ++i) {
            const float v = drawValue(rng, i);
            plug.set(i, v);
            const float back = plug.get(i);
            if (std::memcmp(&back, &v, sizeof v) != 0 && readBackFailures++ < 5)
                ADD_FAILURE() << "parameter " << i << " set to " << v << " reads back " << back;
        }
        double* ins[2] = {left.data() + b * block, right.data() + b * block};
        double* outs[2] = {out0.data(), out1.data()};
        plug.process(ins, outs, block);
        for (int i = 0; i < block; ++i)
            if (!std::isfinite(out0[i]) || out0[i] != out1[i]) {
                char values[200];
                snprintf(values, sizeof values, "%g %g %g %g %g %g %g %g %g", plug.get(0), plug.get(1),
                         plug.get(2), plug.get(3), plug.get(4), plug.get(5), plug.get(6), plug.get(7),
                         plug.get(8));
                FAIL() << "block " << b << " sample " << i << " gives " << out0[i] << " / " << out1[i]
                       << " with parameters " << values;
            }
    }
}

} // namespace

class ParameterFuzz : public ValidationTest {};

TEST_F(ParameterFuzz, TenThousandBlocksAt44100)
{
    fuzz(44100.f, 10000, 1);
}

TEST_F(ParameterFuzz, TenThousandBlocksAt96000)
{
    fuzz(96000.f, 10000, 2);
}

TEST_F(ParameterFuzz, ProgramSwitchesBetweenBlocks)
{
    Plugin plug;
    ASSERT_TRUE(plug.valid());
    // Four programs with different settings, switched at random between blocks.
    Bytes bank = plug.chunk(false);
    std::mt19937 rng(3);
    for (int p = 0; p < 4; ++p) {
        for (int i = 0; i < kParams; ++i)
            setRecordValue(bank, p, i, drawValue(rng, i));
        setRecordPath(bank, p, p % 2 ? cabinetWav() : std::string("empty"));
    }
    ASSERT_EQ(plug.setChunk(bank, false), 1);
    std::vector<double> x = noise(64, 0.5, 8);
    for (int b = 0; b < 400; ++b) {
        const int program = static_cast<int>(rng() % 4);
        plug.dispatch(effSetProgram, 0, program);
        ASSERT_EQ(plug.dispatch(effGetProgram), program);
        for (int i = 0; i < kParams; ++i)
            ASSERT_EQ(plug.get(i), recordValue(bank, program, i)) << "program " << program << " parameter " << i;
        std::vector<double> y = plug.run(x, 64);
        ASSERT_EQ(scan(y).firstNonFinite, Scan::none) << "block " << b;
    }
}
