// Saved state as hosts treat it: whatever the plug-in hands out restores into a
// fresh instance byte for byte, chunks of any other size are refused without a
// trace, and text fields that lack their NUL are never read past their end.
#include "ValidationHost.h"

#include <sys/stat.h>

using namespace validation;

namespace {

std::string randomText(std::mt19937& rng, size_t maxLength)
{
    std::uniform_int_distribution<size_t> length(0, maxLength);
    std::uniform_int_distribution<int> c(32, 126);
    std::string s(length(rng), ' ');
    for (char& ch : s)
        ch = static_cast<char>(c(rng));
    return s;
}

// Four records of random names, values in 0..1 and paths that name no file
// (so restoring reads nothing), with zeros after each string's NUL.
Bytes randomBank(uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(0.f, 1.f);
    Bytes bank(kBankSize, 0);
    for (int p = 0; p < 4; ++p) {
        setRecordText(bank, p, 0, kNameSize, randomText(rng, kNameSize - 1));
        for (int i = 0; i < kParams; ++i)
            setRecordValue(bank, p, i, u(rng));
        const std::string path = (rng() % 3 == 0) ? std::string("empty")
                                                  : "/nonexistent-zorvan/" + randomText(rng, kPathSize - 21);
        setRecordPath(bank, p, path);
    }
    return bank;
}

std::vector<float> parameters(Plugin& plug)
{
    std::vector<float> v;
    for (int i = 0; i < kParams; ++i)
        v.push_back(plug.get(i));
    return v;
}

std::string programName(Plugin& plug)
{
    char text[256] = {};
    plug.dispatch(effGetProgramName, 0, 0, text);
    return text;
}

} // namespace

class State : public ValidationTest {};

TEST_F(State, RandomBankRestoresByteForByte)
{
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        const Bytes bank = randomBank(seed);
        Plugin first;
        first.dispatch(effSetProgram, 0, static_cast<intptr_t>(seed % 4));
        ASSERT_EQ(first.setChunk(bank, false), 1);
        const Bytes saved = first.chunk(false);
        ASSERT_EQ(saved, bank);

        Plugin second;
        second.dispatch(effSetProgram, 0, static_cast<intptr_t>(seed % 4));
        ASSERT_EQ(second.setChunk(saved, false), 1);
        EXPECT_EQ(second.chunk(false), bank);
        EXPECT_EQ(parameters(second), parameters(first));
        for (int i = 0; i < kParams; ++i)
            EXPECT_EQ(second.get(i), recordValue(bank, static_cast<int>(seed % 4), i));
    }
}

TEST_F(State, RandomPresetRestoresByteForByte)
{
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        const Bytes bank = randomBank(seed + 100);
        const Bytes preset(bank.begin(), bank.begin() + kRecordSize);
        Plugin first;
        first.dispatch(effSetProgram, 0, 3);
        ASSERT_EQ(first.setChunk(preset, true), 1);
        EXPECT_EQ(first.chunk(true), preset);
        // Only the current record changed.
        const Bytes wholeBank = first.chunk(false);
        EXPECT_TRUE(std::equal(preset.begin(), preset.end(), wholeBank.begin() + 3 * kRecordSize));

        Plugin second;
        ASSERT_EQ(second.setChunk(first.chunk(true), true), 1);
        EXPECT_EQ(second.chunk(true), preset);
        EXPECT_EQ(parameters(second), parameters(first));
    }
}

TEST_F(State, OtherSizesAreRefusedAndChangeNothing)
{
    Plugin plug;
    ASSERT_TRUE(loadExternal(plug, cabinetWav()));
    plug.set(kGain, 0.77f);
    plug.dispatch(effSetProgramName, 0, 0, const_cast<char*>("kept"));
    const Bytes bankBefore = plug.chunk(false);
    const Bytes presetBefore = plug.chunk(true);
    const std::vector<float> valuesBefore = parameters(plug);

    std::mt19937 rng(5);
    Bytes junk(1 << 20);
    for (uint8_t& b : junk)
        b = static_cast<uint8_t>(rng());
    for (size_t size : {size_t(0), size_t(1), size_t(319), size_t(321), size_t(1279), size_t(1281), junk.size()}) {
        for (bool preset : {false, true}) {
            EXPECT_EQ(plug.dispatch(effSetChunk, preset, static_cast<intptr_t>(size), junk.data()), 0)
                << size << " bytes, preset " << preset;
        }
    }
    // The right size for the other kind is wrong too, and so are negative sizes and no data.
    EXPECT_EQ(plug.dispatch(effSetChunk, 1, kBankSize, junk.data()), 0);
    EXPECT_EQ(plug.dispatch(effSetChunk, 0, kRecordSize, junk.data()), 0);
    EXPECT_EQ(plug.dispatch(effSetChunk, 0, -kBankSize, junk.data()), 0);
    EXPECT_EQ(plug.dispatch(effSetChunk, 0, kBankSize, nullptr), 0);
    EXPECT_EQ(plug.dispatch(effSetChunk, 1, kRecordSize, nullptr), 0);

    EXPECT_EQ(plug.chunk(false), bankBefore);
    EXPECT_EQ(plug.chunk(true), presetBefore);
    EXPECT_EQ(parameters(plug), valuesBefore);
    EXPECT_EQ(programName(plug), "kept");

    // And the sound is what it was: a twin that never saw the refusals plays the same.
    Plugin twin;
    ASSERT_TRUE(loadExternal(twin, cabinetWav()));
    twin.set(kGain, 0.77f);
    const std::vector<double> x = noise(8192, 0.5, 12);
    EXPECT_EQ(firstDifference(plug.run(x), twin.run(x)), -1);
}

TEST_F(State, NamesWithoutNulStayInTheirField)
{
    Plugin plug;
    Bytes bank = plug.chunk(false);
    // Record 0's name fills all 24 bytes; the values after it start with non-zero bytes.
    for (int i = 0; i < kNameSize; ++i)
        bank[static_cast<size_t>(i)] = static_cast<uint8_t>('A' + i % 26);
    setRecordValue(bank, 0, kInput, 0.3f); // bytes 9A 99 99 3E, no zero among them
    ASSERT_EQ(plug.setChunk(bank, false), 1);

    Bytes pattern(256, 0xA5);
    plug.dispatch(effGetProgramName, 0, 0, pattern.data());
    const size_t nul = std::find(pattern.begin(), pattern.end(), 0) - pattern.begin();
    EXPECT_LE(nul, 23u) << "the name was read past its field";
    EXPECT_EQ(std::string(reinterpret_cast<char*>(pattern.data()), nul),
              std::string(reinterpret_cast<const char*>(bank.data()), nul));
    for (size_t i = nul + 1; i < pattern.size(); ++i)
        ASSERT_EQ(pattern[i], 0xA5) << "byte " << i << " written";

    Bytes indexed(256, 0xA5);
    EXPECT_EQ(plug.dispatch(effGetProgramNameIndexed, 0, 0, indexed.data()), 1);
    EXPECT_LE(static_cast<size_t>(std::find(indexed.begin(), indexed.end(), 0) - indexed.begin()), 23u);
    EXPECT_EQ(plug.get(kInput), 0.3f);
}

// A path field without a NUL, followed by bytes that would complete it into the
// name of a real response: reading past the field would load that file.
TEST_F(State, PathsWithoutNulStayInTheirField)
{
    // A directory chain that makes the path exactly 260 characters up to the trap.
    std::string dir = TempDir::shared().path;
    ASSERT_FALSE(dir.empty());
    while (dir.size() < 260 - 100) {
        dir += "/d";
        mkdir(dir.c_str(), 0700);
    }
    const std::string stem = dir + "/" + std::string(260 - dir.size() - 1, 'r');
    ASSERT_EQ(stem.size(), 260u);
    const std::string trap = stem + ".wav";
    ASSERT_TRUE(testhost::writeFile(trap, cabinetWavBytes()));
    // The field's text cut anywhere is no file.
    struct stat info;
    ASSERT_NE(stat(stem.c_str(), &info), 0);
    ASSERT_NE(stat(stem.substr(0, 259).c_str(), &info), 0);

    for (int record : {0, 3}) {
        SCOPED_TRACE(::testing::Message() << "record " << record);
        Plugin plug;
        plug.dispatch(effSetProgram, 0, record);
        Bytes bank = plug.chunk(false);
        setRecordValue(bank, record, kCabinet, kCabExt);
        std::memcpy(bank.data() + record * kRecordSize + kPathOffset, stem.data(), kPathSize);
        if (record < 3)
            setRecordText(bank, record + 1, 0, kNameSize, ".wav"); // the next record's name completes it
        ASSERT_EQ(plug.setChunk(bank, false), 1);
        const std::vector<double> y = plug.run(noise(8192, 0.5, 2));
        for (size_t i = 0; i < y.size(); ++i)
            ASSERT_EQ(y[i], 0.0) << "the external cabinet plays: the path was read past its field";
        EXPECT_EQ(plug.chunk(false).size(), static_cast<size_t>(kBankSize));

        // The same record as a preset, with ".wav" right behind it in the host's buffer.
        Bytes preset(bank.begin() + record * kRecordSize, bank.begin() + (record + 1) * kRecordSize);
        Bytes buffer(preset);
        buffer.insert(buffer.end(), {'.', 'w', 'a', 'v', 0});
        ASSERT_EQ(plug.dispatch(effSetChunk, 1, kRecordSize, buffer.data()), 1);
        const std::vector<double> z = plug.run(noise(8192, 0.5, 3));
        for (size_t i = 0; i < z.size(); ++i)
            ASSERT_EQ(z[i], 0.0) << "the external cabinet plays after the preset";
    }
}
