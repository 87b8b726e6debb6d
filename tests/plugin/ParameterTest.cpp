// The nine parameters: names, labels, displays, storage and the cabinet switch.
#include "plugin/Zorvan.h"
#include "support/VstHost.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

using namespace testhost;

namespace {

std::string display(float value)
{
    char text[32];
    std::memset(text, '#', sizeof text);
    float2string(value, text, 8);
    EXPECT_EQ(text[8], 0);
    return text;
}

} // namespace

TEST(Float2String, TruncatesEachDigit)
{
    EXPECT_EQ(display(0.2f), "0.200000");
    EXPECT_EQ(display(0.5f), "0.500000");
    EXPECT_EQ(display(1.0f), "1.000000");
    EXPECT_EQ(display(0.0f), "0.000000");
    EXPECT_EQ(display(0.7f), "0.699999");
    EXPECT_EQ(display(0.9999f), "0.999899");
    EXPECT_EQ(display(-0.5f), "-0.50000");
    EXPECT_EQ(display(12.25f), "12.25000");
    EXPECT_EQ(display(1234567.f), "1234567.");
}

TEST(Float2String, ValuesWithoutRoomStayWithinTheLimit)
{
    for (float v :
         {1e7f, 3e38f, -3e38f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
        char text[16];
        std::memset(text, '#', sizeof text);
        float2string(v, text, 8);
        EXPECT_EQ(text[8], 0) << v;
        EXPECT_LE(std::strlen(text), 8u);
        EXPECT_EQ(text[9], '#');
    }
}

TEST(Parameters, NamesLabelsAndDisplaysThroughTheDispatcher)
{
    Library library;
    Plugin plug(library);
    const char* names[] = {"Input", "mode", "gain", "bass", "mid", "treble", "presence", "master", "cabinet"};
    const char* displays[] = {"0.200000", "0.000000", "0.500000", "0.500000", "0.500000",
                              "0.500000", "0.500000", "0.500000", "0.000000"};
    for (int i = 0; i < 9; ++i) {
        std::array<char, 32> buffer;
        buffer.fill('#');
        plug.dispatch(effGetParamName, i, 0, buffer.data());
        EXPECT_STREQ(buffer.data(), names[i]);
        EXPECT_EQ(buffer[std::strlen(names[i]) + 1], '#') << "name writes only its text and NUL";

        buffer.fill('#');
        plug.dispatch(effGetParamLabel, i, 0, buffer.data());
        for (int k = 0; k <= 8; ++k)
            EXPECT_EQ(buffer[k], 0);
        EXPECT_EQ(buffer[9], '#');

        buffer.fill('#');
        plug.dispatch(effGetParamDisplay, i, 0, buffer.data());
        EXPECT_STREQ(buffer.data(), displays[i]);
        EXPECT_EQ(buffer[9], '#');
    }
    // Outside 0..8 the buffer is left alone.
    for (int op : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
        std::array<char, 16> buffer;
        buffer.fill('#');
        plug.dispatch(op, 9, 0, buffer.data());
        plug.dispatch(op, -1, 0, buffer.data());
        EXPECT_EQ(buffer[0], '#');
    }
}

TEST(Parameters, ValuesAreStoredUnchanged)
{
    Library library;
    Plugin plug(library);
    plug.setParameter(kBass, 0.5f);
    EXPECT_EQ(plug.getParameter(kBass), 0.5f);
    plug.setParameter(kGain, 1.0f);
    EXPECT_EQ(plug.text(effGetParamDisplay, kGain), "1.000000");
    plug.setParameter(kGain, 1.5f); // not clamped
    EXPECT_EQ(plug.getParameter(kGain), 1.5f);
    plug.setParameter(9, 0.3f);
    EXPECT_EQ(plug.getParameter(9), 0.0f);
    EXPECT_EQ(plug.getParameter(-1), 0.0f);
}

TEST(Parameters, CabinetSwitchComparesExactly)
{
    Zorvan z(nullptr);
    struct Case {
        float value;
        bool internal, external;
    } cases[] = {
        {0.0f, true, false},    {-0.0f, true, false},
        {1.0f, false, true},    {0.5f, false, false},
        {0.25f, false, false},  {0.9999f, false, false},
        {1e-30f, false, false}, {std::numeric_limits<float>::quiet_NaN(), false, false},
    };
    for (const Case& c : cases) {
        z.setParameter(kCabinet, c.value);
        EXPECT_EQ(z.cabinetInternal(), c.internal) << c.value;
        EXPECT_EQ(z.cabinetExternal(), c.external) << c.value;
    }
}

TEST(Parameters, AutomationNotifiesTheHostAfterStoring)
{
    // The editor's path to the host.
    Zorvan z(recordingCallback);
    CallLog::instance().take();
    z.setParameterAutomated(kGain, 0.75f);
    auto calls = CallLog::instance().take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[0].index, kGain);
    EXPECT_EQ(calls[0].opt, 0.75f);
    EXPECT_EQ(z.getParameter(kGain), 0.75f);
    EXPECT_TRUE(z.beginEdit(kGain));
    EXPECT_TRUE(z.endEdit(kGain));
    calls = CallLog::instance().take();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls[1].opcode, audioMasterEndEdit);
    Zorvan headless(nullptr);
    EXPECT_FALSE(headless.beginEdit(0));
}

TEST(Parameters, ZeroLevelsGiveSilenceAndBothEntriesAgree)
{
    Library library;
    Plugin plug(library);
    plug.setParameter(kCabinet, 0.5f);
    const int n = 512;
    std::vector<double> in0(n), in1(n), out0(n, 9.0), out1(n, 9.0);
    std::vector<float> fin0(n), fin1(n), fout0(n), fout1(n);
    for (int i = 0; i < n; ++i) {
        in0[i] = fin0[i] = 0.25f * std::sin(0.05 * i);
        in1[i] = fin1[i] = 0.f;
    }
    plug.process(in0, in1, out0, out1);
    plug.dispatch(effMainsChanged, 0, 0); // clear cabinets; amp histories run on, so use a fresh instance
    Plugin other(library);
    other.setParameter(kCabinet, 0.5f);
    other.process(fin0, fin1, fout0, fout1);
    double peak = 0;
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(out0[i], out1[i]);
        EXPECT_EQ(fout0[i], fout1[i]);
        EXPECT_NEAR(fout0[i], out0[i], 1e-6 + 1e-5 * std::fabs(out0[i]));
        peak = std::max(peak, std::fabs(out0[i]));
    }
    EXPECT_GT(peak, 1e-3);

    for (int p : {kInput, kGain, kMaster}) {
        Plugin silent(library);
        silent.setParameter(kCabinet, 0.5f);
        silent.setParameter(p, 0.f);
        std::vector<double> o0(n, 1.0), o1(n, 1.0);
        silent.process(in0, in1, o0, o1);
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(o0[i], 0.0) << "parameter " << p << " at frame " << i;
    }
}
