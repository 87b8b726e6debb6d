// The LV2 plug-in in a host of ours: it renders exactly what the VST 2.4
// library of the same build renders, keeps its response file through saved
// state and moved sessions, and loads the programs' presets.
#include "Lv2TestHost.h"

#include "plugin/lv2/Lv2Ports.h"

#include <gtest/gtest.h>
#include <lv2/presets/presets.h>

#include <cmath>
#include <filesystem>
#include <map>

using namespace lv2test;
namespace fs = std::filesystem;

namespace {

// One setting in both forms: LV2 ports as the panel prints them, VST values.
struct Setting {
    float ports[kNumParams];
    float values[kNumParams];
};

// LEAD, knobs off their defaults, built-in cabinet.
const Setting kLeadInternal = {
    {3.5f, 2.f, 7.f, 6.f, 4.f, 6.5f, 5.5f, 4.f, 0.f},
    {0.35f, 1.f, 0.7f, 0.6f, 0.4f, 0.65f, 0.55f, 0.4f, 0.f},
};
// RHYTHM through the response file.
const Setting kRhythmExternal = {
    {2.f, 1.f, 8.f, 3.f, 7.f, 5.f, 2.5f, 6.f, 2.f},
    {0.2f, 0.5f, 0.8f, 0.3f, 0.7f, 0.5f, 0.25f, 0.6f, 1.f},
};
// CLEAN, no cabinet.
const Setting kCleanOff = {
    {1.f, 0.f, 2.f, 5.f, 5.f, 5.f, 5.f, 9.f, 1.f},
    {0.1f, 0.f, 0.2f, 0.5f, 0.5f, 0.5f, 0.5f, 0.9f, 0.5f},
};

void applyPorts(Lv2Plugin& plugin, const Setting& setting)
{
    for (int32_t i = 0; i < kNumParams; ++i)
        plugin.set(i, setting.ports[i]);
}

void expectSameOutput(const Rendered& lv2, const Rendered& vst, const char* what)
{
    EXPECT_EQ(firstDifference(lv2.left, vst.left), -1) << what << ": first differing sample (left)";
    EXPECT_EQ(firstDifference(lv2.right, vst.right), -1) << what << ": first differing sample (right)";
    for (float x : lv2.left)
        ASSERT_TRUE(std::isfinite(x)) << what;
}

bool allZero(const std::vector<float>& v)
{
    for (float x : v)
        if (x != 0.f)
            return false;
    return true;
}

// Runs no audio: the messages, then the report of the worker's answer,
// which comes with the run after the one that scheduled the job.
void runMessages(Lv2Plugin& plugin)
{
    plugin.run(nullptr, nullptr, nullptr, nullptr, 0);
    plugin.run(nullptr, nullptr, nullptr, nullptr, 0);
}

// The whole signal through plugin equals the VST 2.4 library's render of it
// at rate with setting and the response file ir.
void expectRendersAsVst(Lv2Plugin& plugin, float rate, const Setting& setting, const std::string& ir,
                        const Signal& signal, size_t block, const char* what)
{
    VstReference vst(rate);
    vst.apply(setting.values, ir);
    expectSameOutput(render(plugin, signal, block), render(vst, signal, block), what);
}

// The state of an instance at rate with setting and the response file ir,
// saved with saveDir as the folder for files of its own ("" for none).
LilvState* savedState(double rate, const Setting& setting, const std::string& ir, const std::string& saveDir = "")
{
    Lv2Plugin saved(rate);
    applyPorts(saved, setting);
    saved.sendPatchSet(ir);
    runMessages(saved);
    return saved.saveState(saveDir);
}

} // namespace

// ---------------------------------------------------------------------------
// Rates and block sizes

struct RenderCase {
    double rate;
    size_t block;
};

void PrintTo(const RenderCase& c, std::ostream* out)
{
    *out << c.rate << " Hz, blocks of " << c.block;
}

class Lv2RenderTest : public ::testing::TestWithParam<RenderCase> {};

TEST_P(Lv2RenderTest, RendersWhatTheVstLibraryRendersTwoInstancesAtOnce)
{
    const RenderCase c = GetParam();
    TempDir dir;
    const std::string ir = dir.path + "/cab.wav";
    writeResponse(ir, 7);
    const Signal signal(12000, 3);

    // Two instances in one process, run interleaved: neither may touch the other.
    Lv2Plugin first(c.rate), second(c.rate);
    ASSERT_TRUE(first.valid() && second.valid());
    applyPorts(first, kLeadInternal);
    applyPorts(second, kRhythmExternal);
    second.sendPatchSet(ir);
    runMessages(second);

    VstReference firstVst(static_cast<float>(c.rate)), secondVst(static_cast<float>(c.rate));
    firstVst.apply(kLeadInternal.values, "empty");
    secondVst.apply(kRhythmExternal.values, ir);

    Rendered a, b;
    a.left.resize(signal.left.size());
    a.right = a.left;
    b = a;
    for (size_t at = 0; at < signal.left.size(); at += c.block) {
        const auto n = static_cast<uint32_t>(std::min(c.block, signal.left.size() - at));
        first.run(&signal.left[at], &signal.right[at], &a.left[at], &a.right[at], n);
        second.run(&signal.left[at], &signal.right[at], &b.left[at], &b.right[at], n);
    }
    expectSameOutput(a, render(firstVst, signal, c.block), "LEAD, INT.");
    expectSameOutput(b, render(secondVst, signal, c.block), "RHYTHM, EXT.");
    EXPECT_FALSE(allZero(b.left)) << "the response file plays";
    ASSERT_FALSE(second.reported.empty());
    EXPECT_EQ(second.reported.back(), ir);
    EXPECT_EQ(second.stateChanges, 1) << "a file chosen on the control port changes the host's state";
}

INSTANTIATE_TEST_SUITE_P(RatesAndBlocks, Lv2RenderTest,
                         ::testing::Values(RenderCase{44100, 1}, RenderCase{44100, 64}, RenderCase{44100, 4096},
                                           RenderCase{48000, 1}, RenderCase{48000, 64}, RenderCase{48000, 4096},
                                           RenderCase{96000, 1}, RenderCase{96000, 64}, RenderCase{96000, 4096},
                                           RenderCase{192000, 1}, RenderCase{192000, 64}, RenderCase{192000, 4096}),
                         [](const ::testing::TestParamInfo<RenderCase>& info) {
                             return std::to_string(static_cast<int>(info.param.rate)) + "Hz_block" +
                                 std::to_string(info.param.block);
                         });

TEST(Lv2Plugin, PortChangesMidStreamAndCabinetOffFollowTheVstLibrary)
{
    const Signal signal(8192, 11);
    Lv2Plugin plugin(48000);
    VstReference vst(48000.f);
    applyPorts(plugin, kLeadInternal);
    vst.apply(kLeadInternal.values, "empty");
    Rendered lv2 = render(plugin, signal, 512, 0, 4096);
    Rendered ref = render(vst, signal, 512, 0, 4096);
    // Then every port changes between two runs, the cabinet to OFF.
    applyPorts(plugin, kCleanOff);
    for (int32_t i = 0; i < kNumParams; ++i)
        vst.setParameter(i, kCleanOff.values[i]);
    const Rendered lv2b = render(plugin, signal, 512, 4096, 4096);
    const Rendered refb = render(vst, signal, 512, 4096, 4096);
    expectSameOutput(lv2, ref, "before the change");
    expectSameOutput(lv2b, refb, "after the change");
}

TEST(Lv2Plugin, RefusesRatesTheEngineCannotRunAt)
{
    EXPECT_FALSE(Lv2Plugin(500.0).valid());
    EXPECT_FALSE(Lv2Plugin(NAN).valid());
    EXPECT_TRUE(Lv2Plugin(22050.0).valid());
}

// ---------------------------------------------------------------------------
// The file through patch messages and state

TEST(Lv2State, MappedPathRestoresIntoAFreshInstanceWithIdenticalOutput)
{
    TempDir dir;
    const std::string ir = dir.path + "/room.wav";
    writeResponse(ir, 5);
    const Signal signal(6000, 2);

    // No folder for files of its own: the path goes through mapPath only.
    LilvState* state = savedState(44100, kRhythmExternal, ir);
    ASSERT_NE(state, nullptr);

    Lv2Plugin restored(44100);
    restored.restore(state);
    lilv_state_free(state);
    for (int32_t i = 0; i < kNumParams; ++i)
        EXPECT_EQ(restored.controls[i], kRhythmExternal.ports[i]) << "port " << i;
    runMessages(restored);
    ASSERT_FALSE(restored.reported.empty());
    EXPECT_EQ(restored.reported.back(), ir);

    expectRendersAsVst(restored, 44100.f, kRhythmExternal, ir, signal, 256, "restored");
}

TEST(Lv2State, SavedCopyKeepsTheCabinetAfterTheSessionMovesAndTheOriginalIsRenamed)
{
    TempDir dir;
    const std::string ir = dir.path + "/my cab.wav";
    writeResponse(ir, 9);
    const Signal signal(6000, 4);

    const std::string session = dir.path + "/session";
    LilvState* state = savedState(48000, kRhythmExternal, ir, session);
    ASSERT_NE(state, nullptr);
    Lv2World& w = Lv2World::get();
    ASSERT_EQ(lilv_state_save(w.world, &w.urids.mapFeature, &w.urids.unmapFeature, state, nullptr, session.c_str(),
                              "state.ttl"),
              0);
    lilv_state_free(state);
    EXPECT_TRUE(fs::is_regular_file(session + "/my cab.wav")) << "a copy inside the state folder";
    EXPECT_FALSE(fs::is_symlink(session + "/my cab.wav"));

    // The session goes one level deeper; the original file is renamed.
    fs::create_directories(dir.path + "/archive");
    fs::rename(session, dir.path + "/archive/session");
    fs::rename(ir, dir.path + "/renamed.wav");

    LilvState* moved = lilv_state_new_from_file(w.world, &w.urids.mapFeature, nullptr,
                                                (dir.path + "/archive/session/state.ttl").c_str());
    ASSERT_NE(moved, nullptr);
    Lv2Plugin restored(48000);
    restored.restore(moved);
    lilv_state_free(moved);
    runMessages(restored);
    ASSERT_FALSE(restored.reported.empty());
    EXPECT_EQ(restored.reported.back(), dir.path + "/archive/session/my cab.wav");

    expectRendersAsVst(restored, 48000.f, kRhythmExternal, dir.path + "/renamed.wav", signal, 128, "moved session");
}

TEST(Lv2State, MissingFileGivesExtSilenceAndNothingElseBreaks)
{
    TempDir dir;
    const std::string ir = dir.path + "/gone.wav";
    writeResponse(ir, 1);
    const Signal signal(8192, 8);

    LilvState* state = savedState(44100, kRhythmExternal, ir);
    fs::remove(ir);

    Lv2Plugin restored(44100);
    restored.restore(state);
    lilv_state_free(state);
    VstReference vst(44100.f);
    vst.apply(kRhythmExternal.values, ir);

    const Rendered silent = render(restored, signal, 1024, 0, 4096);
    EXPECT_TRUE(allZero(silent.left) && allZero(silent.right)) << "EXT. without its file is silent";
    ASSERT_FALSE(restored.reported.empty());
    EXPECT_EQ(restored.reported.back(), ir) << "the setting is kept";
    expectSameOutput(silent, render(vst, signal, 1024, 0, 4096), "EXT. missing");

    // The amplifier and the built-in cabinet go on as in the VST library.
    restored.set(kCabinet, 0.f);
    vst.setParameter(kCabinet, 0.f);
    const Rendered internal = render(restored, signal, 1024, 4096, 4096);
    EXPECT_FALSE(allZero(internal.left));
    expectSameOutput(internal, render(vst, signal, 1024, 4096, 4096), "INT. after a missing file");
}

TEST(Lv2State, EmptyPathClearsAndAStateWithoutAFileRestoresNone)
{
    TempDir dir;
    const std::string ir = dir.path + "/a.wav";
    writeResponse(ir, 2);
    Lv2Plugin plugin(44100);
    plugin.sendPatchSet(ir);
    runMessages(plugin);
    plugin.sendPatchSet("");
    runMessages(plugin);
    ASSERT_FALSE(plugin.reported.empty());
    EXPECT_EQ(plugin.reported.back(), "");

    // A state saved with a file, restored over by one saved without.
    Lv2Plugin withFile(44100);
    withFile.sendPatchSet(ir);
    runMessages(withFile);
    LilvState* none = plugin.saveState("");
    withFile.restore(none);
    lilv_state_free(none);
    runMessages(withFile);
    EXPECT_EQ(withFile.reported.back(), "");
    withFile.set(kCabinet, 2.f);
    const Signal signal(2048, 1);
    const Rendered out = render(withFile, signal, 256);
    EXPECT_TRUE(allZero(out.left));
}

TEST(Lv2State, WithoutAWorkerPatchSetIsIgnoredAndRestoreLoads)
{
    TempDir dir;
    const std::string ir = dir.path + "/cab.wav";
    writeResponse(ir, 4);
    const Signal signal(4096, 6);
    Lv2Plugin::Options noWorker;
    noWorker.worker = false;

    Lv2Plugin plugin(44100, noWorker);
    ASSERT_TRUE(plugin.valid());
    applyPorts(plugin, kRhythmExternal);
    plugin.sendPatchSet(ir);
    const Rendered ignored = render(plugin, signal, 512, 0, 2048);
    EXPECT_TRUE(allZero(ignored.left)) << "never loads on run";

    LilvState* state = savedState(44100, kRhythmExternal, ir);
    Lv2Plugin restored(44100, noWorker);
    restored.restore(state);
    lilv_state_free(state);
    expectRendersAsVst(restored, 44100.f, kRhythmExternal, ir, signal, 512, "loaded by restore");
}

TEST(Lv2State, PatchGetReportsTheCurrentFile)
{
    TempDir dir;
    const std::string ir = dir.path + "/x.wav";
    writeResponse(ir, 3);
    Lv2Plugin plugin(44100);
    plugin.sendPatchGet();
    runMessages(plugin);
    ASSERT_EQ(plugin.reported.size(), 1u);
    EXPECT_EQ(plugin.reported[0], "");
    plugin.sendPatchSet(ir);
    runMessages(plugin);
    plugin.sendPatchGet();
    runMessages(plugin);
    EXPECT_EQ(plugin.reported.back(), ir);
    EXPECT_EQ(plugin.stateChanges, 1) << "a query changes nothing";
}

// ---------------------------------------------------------------------------
// Presets

TEST(Lv2Presets, TheFourProgramsDefaultsAreThePresets)
{
    Lv2World& w = Lv2World::get();
    LilvNode* presetClass = lilv_new_uri(w.world, LV2_PRESETS__Preset);
    LilvNodes* presets = lilv_plugin_get_related(w.plugin, presetClass);
    std::map<std::string, std::string> labels;
    LILV_FOREACH(nodes, i, presets)
    {
        const LilvNode* preset = lilv_nodes_get(presets, i);
        lilv_world_load_resource(w.world, preset);
        LilvState* state = lilv_state_new_from_world(w.world, &w.urids.mapFeature, preset);
        ASSERT_NE(state, nullptr);
        labels[lilv_node_as_uri(preset)] = lilv_state_get_label(state) ? lilv_state_get_label(state) : "";

        // Applied to an instance: the ports of program 0's defaults.
        Lv2Plugin plugin(44100);
        for (float& c : plugin.controls)
            c = -1.f;
        plugin.restore(state);
        lilv_state_free(state);
        const float expected[kNumParams] = {2.f, 0.f, 5.f, 5.f, 5.f, 5.f, 5.f, 5.f, 0.f};
        for (int32_t p = 0; p < kNumParams; ++p)
            EXPECT_EQ(plugin.controls[p], expected[p]) << lilv_node_as_uri(preset) << " port " << p;
    }
    lilv_nodes_free(presets);
    lilv_node_free(presetClass);
    ASSERT_EQ(labels.size(), 4u);
    for (int p = 1; p <= 4; ++p)
        EXPECT_EQ(labels[std::string(zorvan::lv2::kPresetUriPrefix) + std::to_string(p)],
                  "Program " + std::to_string(p) + " (init)");
}
