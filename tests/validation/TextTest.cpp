// Text answers written into buffers pre-filled with a pattern: the terminating
// NUL must land within the interface's limits and nothing may be written past
// the bytes each answer is documented to write.
#include "ValidationHost.h"

#include <limits>

using namespace validation;

namespace {

constexpr uint8_t kPattern = 0xA5;
constexpr size_t kBufferSize = 512;

struct Answer {
    Bytes buffer;
    intptr_t result = 0;
    size_t nul() const
    {
        for (size_t i = 0; i < buffer.size(); ++i)
            if (buffer[i] == 0)
                return i;
        return buffer.size();
    }
    std::string text() const { return std::string(reinterpret_cast<const char*>(buffer.data()), nul()); }
    // Index of the first byte from `from` on that is not the pattern, or -1.
    long touchedFrom(size_t from) const
    {
        for (size_t i = from; i < buffer.size(); ++i)
            if (buffer[i] != kPattern)
                return static_cast<long>(i);
        return -1;
    }
};

Answer ask(Plugin& plug, int32_t opcode, int32_t index = 0, intptr_t value = 0)
{
    Answer a;
    a.buffer.assign(kBufferSize, kPattern);
    a.result = plug.dispatch(opcode, index, value, a.buffer.data());
    return a;
}

// An answer written as text plus a NUL at `limit`, every byte between them NUL
// and nothing after the limit (the copy-with-limit rule of the interface).
void expectLimitedCopy(const Answer& a, const std::string& text, size_t limit, const char* what)
{
    SCOPED_TRACE(what);
    EXPECT_EQ(a.text(), text);
    ASSERT_LE(a.nul(), limit);
    for (size_t i = a.nul(); i <= limit; ++i)
        EXPECT_EQ(a.buffer[i], 0) << "byte " << i;
    EXPECT_EQ(a.touchedFrom(limit + 1), -1) << "written past the limit of " << limit;
}

} // namespace

class Text : public ValidationTest {};

TEST_F(Text, IdentityStringsStopAtTheirLimits)
{
    Plugin plug;
    expectLimitedCopy(ask(plug, effGetEffectName), "Zorvan Ferroharmonic Lite", 32, "effect name");
    expectLimitedCopy(ask(plug, effGetVendorString), "Zorvan, Inc.", 64, "vendor");
    expectLimitedCopy(ask(plug, effGetProductString), "Zorvan Ferroharmonic Lite Ver.1.1.3", 64, "product");
}

TEST_F(Text, ParameterNamesAreWrittenWithJustTheirNul)
{
    Plugin plug;
    const char* names[kParams] = {"Input", "mode", "gain", "bass", "mid", "treble", "presence", "master", "cabinet"};
    for (int i = 0; i < kParams; ++i) {
        Answer a = ask(plug, effGetParamName, i);
        EXPECT_EQ(a.text(), names[i]);
        EXPECT_LE(a.nul(), 8u);
        EXPECT_EQ(a.touchedFrom(a.nul() + 1), -1) << names[i];
    }
}

TEST_F(Text, LabelsAndDisplaysEndWithANulAtEight)
{
    Plugin plug;
    // Values a host may send, including ones no panel would: the display must
    // still fit its eight characters.
    const float values[] = {0.f,    0.2f,     0.5f,     1.f,      0.7f,     0.9999f, -0.f,    -0.5f,
                            -1.f,   9.5f,     123.456f, 9999999.f, 1e7f,     -1e7f,   3.4e38f, -3.4e38f,
                            1e-30f, -1e-30f,  std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::denorm_min()};
    for (int i = 0; i < kParams; ++i) {
        Answer label = ask(plug, effGetParamLabel, i);
        expectLimitedCopy(label, "", 8, "label");
        for (float v : values) {
            plug.set(i, v);
            Answer d = ask(plug, effGetParamDisplay, i);
            SCOPED_TRACE(::testing::Message() << "parameter " << i << " value " << v << " shows '" << d.text()
                                              << "'");
            ASSERT_LE(d.nul(), 8u);
            EXPECT_EQ(d.buffer[8], 0);
            EXPECT_EQ(d.touchedFrom(9), -1);
        }
    }
}

TEST_F(Text, DisplaysOfPanelValues)
{
    Plugin plug;
    plug.set(kGain, 0.2f);
    plug.set(kBass, 1.f);
    plug.set(kMid, 0.7f);
    EXPECT_EQ(ask(plug, effGetParamDisplay, kGain).text(), "0.200000");
    EXPECT_EQ(ask(plug, effGetParamDisplay, kBass).text(), "1.000000");
    EXPECT_EQ(ask(plug, effGetParamDisplay, kMid).text(), "0.699999");
    EXPECT_EQ(ask(plug, effGetParamDisplay, kCabinet).text(), "0.000000");
}

TEST_F(Text, IndicesOutsideTheTableLeaveTheBufferAlone)
{
    Plugin plug;
    for (int32_t index : {-1, 9, 1000, std::numeric_limits<int32_t>::min()}) {
        for (int32_t op : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
            Answer a = ask(plug, op, index);
            EXPECT_EQ(a.touchedFrom(0), -1) << "opcode " << op << " index " << index;
        }
        Answer p = ask(plug, effGetProgramNameIndexed, index);
        EXPECT_EQ(p.result, 0);
        EXPECT_EQ(p.touchedFrom(0), -1) << "program index " << index;
    }
}

TEST_F(Text, ProgramNamesFitTwentyFourBytes)
{
    Plugin plug;
    expectLimitedCopy(ask(plug, effGetProgramName), "init", 4, "fresh name");
    for (int p = 0; p < 4; ++p) {
        Answer a = ask(plug, effGetProgramNameIndexed, p, -1);
        EXPECT_EQ(a.result, 1);
        expectLimitedCopy(a, "init", 4, "fresh indexed name");
    }

    const float inputBefore = plug.get(kInput);
    for (size_t length : {0u, 1u, 22u, 23u, 24u, 25u, 30u, 200u}) {
        std::string name(length, 'n');
        for (size_t i = 0; i < length; ++i)
            name[i] = static_cast<char>('a' + i % 26);
        plug.dispatch(effSetProgramName, 0, 0, name.data());
        const std::string stored = name.substr(0, std::min<size_t>(length, 23));
        Answer a = ask(plug, effGetProgramName);
        SCOPED_TRACE(::testing::Message() << "name of " << length << " characters");
        EXPECT_EQ(a.text(), stored);
        EXPECT_LE(a.nul(), 23u);
        EXPECT_EQ(a.touchedFrom(24), -1);
        Answer indexed = ask(plug, effGetProgramNameIndexed, 0);
        EXPECT_EQ(indexed.text(), stored);
        EXPECT_EQ(indexed.touchedFrom(24), -1);
    }
    // The name field is followed by the values: a long name must not spill into them.
    EXPECT_EQ(plug.get(kInput), inputBefore);
    EXPECT_EQ(recordValue(plug.chunk(true), 0, kInput), inputBefore);
}
