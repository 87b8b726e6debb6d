// Programs and the saved state: the chunk's exact bytes, refusals, restores.
#include "plugin/Zorvan.h"
#include "support/VstHost.h"
#include "support/WavWriter.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <unistd.h>

using namespace testhost;

namespace {

std::vector<uint8_t> chunkOf(Plugin& plug, bool preset)
{
    void* data = nullptr;
    intptr_t size = plug.dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

intptr_t restore(Plugin& plug, std::vector<uint8_t> bytes, bool preset)
{
    return plug.dispatch(effSetChunk, preset ? 1 : 0, static_cast<intptr_t>(bytes.size()), bytes.data());
}

void putFloat(std::vector<uint8_t>& bytes, size_t offset, float v)
{
    std::memcpy(&bytes[offset], &v, 4);
}

std::vector<double> render(Plugin& plug, int frames)
{
    std::vector<double> in0(frames), in1(frames), out0(frames), out1(frames);
    for (int i = 0; i < frames; ++i)
        in0[i] = 0.3 * std::sin(0.031 * i) * std::exp(-0.0005 * i);
    plug.process(in0, in1, out0, out1);
    return out0;
}

std::string tempPath(const char* name)
{
    return std::string(::testing::TempDir()) + "/" + std::to_string(getpid()) + "_" + name;
}

} // namespace

TEST(Programs, FreshBankHasTheExactBytes)
{
    Library library;
    Plugin plug(library);
    std::vector<uint8_t> bank = chunkOf(plug, false);
    ASSERT_EQ(bank.size(), 1280u);
    std::array<uint8_t, 320> record{};
    std::memcpy(&record[0], "init", 4);
    const uint8_t values[36] = {0xCD, 0xCC, 0x4C, 0x3E, 0, 0,    0, 0, 0, 0,    0, 0x3F, 0, 0,    0, 0x3F, 0, 0,
                                0,    0x3F, 0,    0,    0, 0x3F, 0, 0, 0, 0x3F, 0, 0,    0, 0x3F, 0, 0,    0, 0};
    std::memcpy(&record[24], values, 36);
    std::memcpy(&record[60], "empty", 5);
    for (int p = 0; p < 4; ++p)
        EXPECT_EQ(0, std::memcmp(&bank[p * 320], record.data(), 320)) << "record " << p;

    Plugin other(library);
    EXPECT_EQ(chunkOf(other, false), bank);
    EXPECT_EQ(chunkOf(plug, true), std::vector<uint8_t>(record.begin(), record.end()));
}

TEST(Programs, WrongSizesAndKindsAreRefusedAndChangeNothing)
{
    Library library;
    Plugin plug(library);
    plug.setParameter(kGain, 0.7f);
    std::vector<uint8_t> before = chunkOf(plug, false);
    std::vector<uint8_t> bank = before;
    putFloat(bank, 32, 0.1f);
    for (size_t size : {0u, 1u, 319u, 321u, 1279u, 1281u}) {
        std::vector<uint8_t> bytes(size, 0x41);
        EXPECT_EQ(restore(plug, bytes, false), 0) << size;
        EXPECT_EQ(restore(plug, bytes, true), 0) << size;
    }
    EXPECT_EQ(restore(plug, bank, true), 0) << "a bank given as a preset";
    EXPECT_EQ(restore(plug, std::vector<uint8_t>(bank.begin(), bank.begin() + 320), false), 0)
        << "a preset given as a bank";
    EXPECT_EQ(plug.dispatch(effSetChunk, 0, 1280, nullptr), 0);
    EXPECT_EQ(chunkOf(plug, false), before);
    EXPECT_EQ(plug.getParameter(kGain), 0.7f);
}

TEST(Programs, BankRestoreKeepsTheCurrentProgramAndMakesItsValuesLive)
{
    Library library;
    Plugin plug(library);
    plug.dispatch(effSetProgram, 0, 2);
    std::vector<uint8_t> bank = chunkOf(plug, false);
    putFloat(bank, 2 * 320 + 24 + 4 * kGain, 0.9f);
    putFloat(bank, 0 * 320 + 24 + 4 * kGain, 0.1f);
    EXPECT_EQ(restore(plug, bank, false), 1);
    EXPECT_EQ(plug.dispatch(effGetProgram), 2);
    EXPECT_EQ(plug.getParameter(kGain), 0.9f);
    EXPECT_EQ(chunkOf(plug, false), bank) << "a restored state reads back byte for byte";
}

TEST(Programs, SwitchingRestoresEachProgramsValues)
{
    Library library;
    Plugin plug(library);
    plug.dispatch(effSetProgram, 0, 2);
    plug.setParameter(kGain, 0.8f);
    plug.dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(plug.getParameter(kGain), 0.5f);
    plug.dispatch(effSetProgram, 0, 2);
    EXPECT_EQ(plug.getParameter(kGain), 0.8f);
}

TEST(Programs, NamesAreCutAt23CharactersWithoutTouchingValues)
{
    Library library;
    Plugin plug(library);
    char longName[] = "abcdefghijklmnopqrstuvwxyz0123";
    plug.dispatch(effSetProgramName, 0, 0, longName);
    EXPECT_EQ(plug.text(effGetProgramName), "abcdefghijklmnopqrstuvw");
    EXPECT_EQ(plug.getParameter(kInput), 0.2f);
    std::vector<uint8_t> preset = chunkOf(plug, true);
    EXPECT_EQ(preset[23], 0);
    EXPECT_EQ(preset[24], 0xCD);

    char text[32];
    EXPECT_EQ(plug.dispatch(effGetProgramNameIndexed, 3, -1, text), 1);
    EXPECT_STREQ(text, "init");
    std::memset(text, '#', sizeof text);
    EXPECT_EQ(plug.dispatch(effGetProgramNameIndexed, 4, 0, text), 0);
    EXPECT_EQ(plug.dispatch(effGetProgramNameIndexed, -1, 0, text), 0);
    EXPECT_EQ(text[0], '#');
}

TEST(Programs, ForeignFieldsWithoutNulAreReadWithinTheField)
{
    Library library;
    Plugin plug(library);
    std::vector<uint8_t> preset = chunkOf(plug, true);
    std::memset(&preset[0], 'N', 24);
    std::memset(&preset[60], 'P', 260);
    ASSERT_EQ(restore(plug, preset, true), 1);
    std::array<char, 64> text;
    text.fill('#');
    plug.dispatch(effGetProgramName, 0, 0, text.data());
    EXPECT_EQ(std::string(text.data()), std::string(23, 'N'));
    EXPECT_EQ(text[24], '#');
    EXPECT_EQ(chunkOf(plug, true), preset);
}

TEST(Programs, ChunkWithAReadableWavTurnsTheExternalCabinetOn)
{
    const std::string path = tempPath("cab.wav");
    ASSERT_TRUE(writeFile(path, wav16({8192, 32767, 8192}, 1)));

    Library library;
    Plugin plug(library);
    std::vector<uint8_t> bank = chunkOf(plug, false);
    putFloat(bank, 24 + 4 * kCabinet, 1.0f);
    std::memset(&bank[60], 0, 260);
    std::memcpy(&bank[60], path.c_str(), path.size());
    ASSERT_EQ(restore(plug, bank, false), 1);
    EXPECT_EQ(plug.getParameter(kCabinet), 1.0f);
    std::vector<double> withIr = render(plug, 4096);

    // The same amp through a response of exactly one tap at 1.0, EXT. gain 0.25:
    // the three-tap response must differ, and be louder than silence.
    double energy = 0;
    for (double v : withIr)
        energy += v * v;
    EXPECT_GT(energy, 0.0);

    Plugin silent(library);
    std::vector<uint8_t> emptyBank = chunkOf(silent, false);
    putFloat(emptyBank, 24 + 4 * kCabinet, 1.0f);
    ASSERT_EQ(restore(silent, emptyBank, false), 1);
    for (double v : render(silent, 4096))
        ASSERT_EQ(v, 0.0) << "\"empty\" plays silence on EXT.";
    std::remove(path.c_str());
}
