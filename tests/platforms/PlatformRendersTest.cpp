// Writes the Linux build's renders for the Windows suite to compare with, and
// checks on the way that a render repeats bit for bit in a fresh instance.
#include "support/PlatformRenders.h"
#include "support/WavWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testhost;

TEST(PlatformRenders, LinuxWritesTheReferenceSet)
{
    const std::string dir = ZORVAN_RENDER_DIR;
    std::filesystem::create_directories(dir);
    ModuleLoader module(ZORVAN_PLUGIN_PATH);
    ASSERT_TRUE(module.loaded()) << module.error();
    const std::string wav = dir + "/cabinet.wav";
    ASSERT_TRUE(writeFile(wav, platformCabinetWav()));
    for (float rate : {44100.f, 48000.f, 96000.f})
        ASSERT_TRUE(
            writeSamples(dir + "/input-" + std::to_string(static_cast<int>(rate)) + ".f64", platformInput(rate)));
    for (const PlatformRenderCase& c : platformRenderCases()) {
        const std::vector<double> y = renderPlatformCase(module, c, platformInput(c.rate), wav);
        ASSERT_EQ(y.size(), static_cast<size_t>(c.rate)) << c.name;
        ASSERT_TRUE(writeSamples(dir + "/" + c.name + ".f64", y)) << c.name;
    }
    const PlatformRenderCase& lead = platformRenderCases().back();
    EXPECT_EQ(renderPlatformCase(module, lead, platformInput(lead.rate), wav),
              readSamples(dir + "/" + lead.name + ".f64"));
}
