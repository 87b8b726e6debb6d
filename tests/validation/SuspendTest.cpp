// Suspend, resume and rate changes: a stop clears the cabinets' signal state and
// nothing else, a plain resume changes nothing audible, and any sequence of them,
// with or without a suspend around a rate change, keeps the output finite.
#include "ValidationHost.h"

#include <limits>

using namespace validation;

namespace {

void setUp(Plugin& plug, float cabinet, float rate = 44100.f)
{
    plug.setRate(rate);
    if (cabinet == kCabExt) {
        ASSERT_TRUE(loadExternal(plug, cabinetWav()));
    }
    const float settings[kParams] = {0.5f, 0.5f, 0.7f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, cabinet};
    plug.setAll(settings);
}

template <typename T>
std::vector<T> concat(const std::vector<T>& a, const std::vector<T>& b)
{
    std::vector<T> c(a);
    c.insert(c.end(), b.begin(), b.end());
    return c;
}

} // namespace

class Suspend : public ValidationTest {};

// The premise of the checks below: EXT plays the amplifier's output convolved
// with the loaded response, and the amplifier is the same whatever the cabinet.
TEST_F(Suspend, ExternalCabinetIsTheLoadedResponse)
{
    Plugin off, ext;
    setUp(off, kCabOff);
    setUp(ext, kCabExt);
    const std::vector<double> x = noise(6000, 0.5, 1);
    const std::vector<double> u = off.run(x);
    const std::vector<double> y = ext.run(x);
    const std::vector<double> expected = externalCabinet(loadedResponse(cabinetWavBytes(), 4096), u);
    EXPECT_LT(maxDifference(y, expected, 0, y.size()), 1e-9);
}

TEST_F(Suspend, StopKeepsTheAmplifierRunning)
{
    Plugin stopped, running;
    setUp(stopped, kCabOff);
    setUp(running, kCabOff);
    const std::vector<double> before = bursts(5000, 44100.0), after = noise(5000, 0.5, 2);
    stopped.run(before);
    running.run(before);
    stopped.suspend();
    stopped.resume();
    const std::vector<double> a = stopped.run(after), b = running.run(after);
    EXPECT_EQ(firstDifference(a, b), -1) << "the amplifier's histories were touched by the stop";
}

TEST_F(Suspend, StopClearsTheExternalCabinetsSignal)
{
    Plugin stopped, running, off;
    setUp(stopped, kCabExt);
    setUp(running, kCabExt);
    setUp(off, kCabOff);
    const std::vector<double> before = noise(3000, 0.5, 3), after = noise(6000, 0.5, 4);
    stopped.run(before);
    running.run(before);
    stopped.suspend();
    stopped.resume();
    const std::vector<double> a = stopped.run(after), b = running.run(after);
    // The amplifier's output over both stretches, then the two expectations.
    const std::vector<double> u = off.run(concat(before, after));
    const std::vector<double> h = loadedResponse(cabinetWavBytes(), 4096);
    const std::vector<double> withTail = externalCabinet(h, u);
    const std::vector<double> withoutTail = externalCabinet(h, u, before.size());
    const std::vector<double> expectedRunning(withTail.begin() + before.size(), withTail.end());
    const std::vector<double> expectedStopped(withoutTail.begin() + before.size(), withoutTail.end());
    EXPECT_LT(maxDifference(b, expectedRunning, 0, b.size()), 1e-9);
    EXPECT_LT(maxDifference(a, expectedStopped, 0, a.size()), 1e-9) << "the stop did not clear the cabinet";
}

TEST_F(Suspend, StopClearsOnlyTheInternalCabinetsTail)
{
    Plugin stopped, running;
    setUp(stopped, kCabInt);
    setUp(running, kCabInt);
    const std::vector<double> before = noise(3000, 0.5, 5), after = noise(8000, 0.5, 6);
    stopped.run(before);
    running.run(before);
    stopped.suspend();
    stopped.resume();
    const std::vector<double> a = stopped.run(after), b = running.run(after);
    // The built-in response is 1024 samples at this rate; its FFT blocks are at most 512.
    EXPECT_GT(maxDifference(a, b, 0, 512), 1e-6) << "the old tail still plays after the stop";
    EXPECT_EQ(firstDifference(a, b, 1024 + 1024), -1) << "more than the cabinet's tail differs";
    EXPECT_EQ(scan(a).firstNonFinite, Scan::none);
}

TEST_F(Suspend, PlainResumeChangesNothingAudible)
{
    for (float cabinet : {kCabInt, kCabOff, kCabExt}) {
        Plugin resumed, untouched;
        setUp(resumed, cabinet);
        setUp(untouched, cabinet);
        const std::vector<double> x = noise(12000, 0.5, 7);
        const std::vector<double> first(x.begin(), x.begin() + 5000), second(x.begin() + 5000, x.end());
        std::vector<double> a = resumed.run(first), b = untouched.run(first);
        resumed.resume();
        resumed.dispatch(effSetBlockSize, 0, 17);
        a = resumed.run(second);
        b = untouched.run(second);
        EXPECT_EQ(firstDifference(a, b), -1) << "cabinet " << cabinet;
    }
}

// The amplifier's histories run on across a rate change, so the first samples
// at the new rate carry a transient (hundreds or thousands, at the big jumps);
// what must hold is a finite output that settles back within 125 ms (the
// external response alone rings for 186 ms at 22050 Hz).
TEST_F(Suspend, CyclesAndRateChangesStayFinite)
{
    double worstTransient = 0.0;
    for (float cabinet : {kCabInt, kCabOff, kCabExt}) {
        Plugin plug;
        setUp(plug, cabinet);
        const float rates[] = {44100.f, 96000.f, 48000.f, 192000.f, 22050.f, 62000.f, 68000.f, 44100.f};
        int step = 0;
        for (float rate : rates) {
            // Every other change without a suspend around it, as some hosts do.
            plug.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
            if (step % 2)
                plug.suspend();
            plug.resume();
            const size_t n = static_cast<size_t>(rate / 4);
            const std::vector<double> y = plug.run(concat(bursts(n, rate), noise(n, 0.5, step)), 128);
            const std::vector<double> settled(y.begin() + static_cast<long>(n / 2), y.end());
            Scan s = scan(y, 1e300), late = scan(settled);
            EXPECT_EQ(s.firstNonFinite, Scan::none) << "rate " << rate << " cabinet " << cabinet;
            EXPECT_EQ(s.firstSubnormal, Scan::none) << "rate " << rate << " cabinet " << cabinet;
            EXPECT_EQ(late.firstOverBound, Scan::none) << "rate " << rate << " cabinet " << cabinet << ": "
                                                       << late.maxAbs << " 125 ms after the change";
            worstTransient = std::max(worstTransient, s.maxAbs);
            for (int cycle = 0; cycle < 5; ++cycle) {
                plug.suspend();
                plug.resume();
                EXPECT_EQ(scan(plug.run(noise(700, 0.5, cycle), 64)).firstNonFinite, Scan::none);
            }
            ++step;
        }
    }
    RecordProperty("worst_rate_change_transient", std::to_string(worstTransient));
}

// Rates no host should send, and some that only a broken one would: whatever the
// plug-in does with them, it keeps playing finite, bounded, normal numbers.
TEST_F(Suspend, AbsurdRatesAreHarmless)
{
    const float rates[] = {0.f,  -44100.f, std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity(), 1e9f, 4e6f, 1e-3f, 1.f, 100.f};
    for (float rate : rates) {
        for (float cabinet : {kCabInt, kCabOff, kCabExt}) {
            Plugin plug;
            plug.setRate(rate);
            if (cabinet == kCabExt) {
                ASSERT_TRUE(loadExternal(plug, cabinetWav()));
            }
            plug.set(kCabinet, cabinet);
            Scan s = scan(plug.run(noise(12000, 0.5, 1), 256));
            EXPECT_EQ(s.firstNonFinite, Scan::none) << "rate " << rate << " cabinet " << cabinet;
            EXPECT_EQ(s.firstOverBound, Scan::none) << "rate " << rate << " cabinet " << cabinet;
            EXPECT_EQ(s.firstSubnormal, Scan::none) << "rate " << rate << " cabinet " << cabinet;
        }
    }
}
