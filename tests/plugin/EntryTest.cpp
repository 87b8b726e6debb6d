// The library as a host meets it: entry point, exports, identity and the answers
// of the request table.
#include "support/VstHost.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <set>

using namespace testhost;

namespace {

std::set<std::string> definedDynamicSymbols()
{
    std::set<std::string> names;
    std::string command = std::string("nm -D --defined-only '") + ZORVAN_PLUGIN_PATH + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return names;
    char line[512];
    while (fgets(line, sizeof line, pipe)) {
        char addr[64], kind[8], name[400];
        if (sscanf(line, "%63s %7s %399s", addr, kind, name) == 3)
            names.insert(name);
    }
    pclose(pipe);
    return names;
}

} // namespace

TEST(Entry, ExportsOnlyTheTwoEntryPointsAsOneFunction)
{
    EXPECT_EQ(definedDynamicSymbols(), (std::set<std::string>{"VSTPluginMain", "main"}));
    Library library;
    EXPECT_NE(library.symbol("VSTPluginMain"), nullptr);
    EXPECT_EQ(library.symbol("VSTPluginMain"), library.symbol("main"));
}

TEST(Entry, RefusesAHostThatDoesNotAnswerTheVersion)
{
    Library library;
    CallLog::instance().versionAnswer = 0;
    AEffect* effect = library.create();
    CallLog::instance().versionAnswer = 2400;
    EXPECT_EQ(effect, nullptr);
    EXPECT_EQ(library.create(nullptr), nullptr);
}

TEST(Entry, RecordCarriesTheIdentity)
{
    Library library;
    Plugin plug(library);
    AEffect* e = plug.effect;
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->numPrograms, 4);
    EXPECT_EQ(e->numParams, 9);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->uniqueID, 0x5A52464C);
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    const int32_t base = effFlagsCanReplacing | effFlagsProgramChunks | effFlagsCanDoubleReplacing;
    EXPECT_EQ(e->flags & ~effFlagsHasEditor, base);
    EXPECT_EQ(e->flags & (effFlagsIsSynth | effFlagsNoSoundInStop), 0);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->processDoubleReplacing, nullptr);
}

TEST(Entry, IdentityStringsAndNumbers)
{
    Library library;
    Plugin plug(library);
    EXPECT_EQ(plug.text(effGetEffectName), "Zorvan Ferroharmonic Lite");
    EXPECT_EQ(plug.text(effGetVendorString), "Zorvan, Inc.");
    EXPECT_EQ(plug.text(effGetProductString), "Zorvan Ferroharmonic Lite Ver.1.1.3");
    char buffer[64];
    EXPECT_EQ(plug.dispatch(effGetEffectName, 0, 0, buffer), 1);
    EXPECT_EQ(plug.dispatch(effGetVendorVersion), 1130);
    EXPECT_EQ(plug.dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(plug.dispatch(effGetPlugCategory), 0);
    EXPECT_EQ(plug.dispatch(effGetTailSize), 0);
    EXPECT_EQ(plug.dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(plug.dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(plug.dispatch(effSetTotalSampleToProcess, 0, 12345), 12345);
    for (int32_t i = 0; i < 9; ++i)
        EXPECT_EQ(plug.dispatch(effCanBeAutomated, i), 1);
}

TEST(Entry, EffectNameIsNulPaddedToItsLimit)
{
    Library library;
    Plugin plug(library);
    std::array<char, 40> buffer;
    buffer.fill('#');
    plug.dispatch(effGetEffectName, 0, 0, buffer.data());
    EXPECT_STREQ(buffer.data(), "Zorvan Ferroharmonic Lite");
    for (size_t i = std::strlen("Zorvan Ferroharmonic Lite"); i <= 32; ++i)
        EXPECT_EQ(buffer[i], 0) << i;
    for (size_t i = 33; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], '#') << "written past the limit at " << i;
}

TEST(Entry, CanDoAnswersNothing)
{
    Library library;
    Plugin plug(library);
    for (const char* s : {"sendVstEvents", "receiveVstEvents", "receiveVstTimeInfo", "offline", "bypass",
                          "plugAsChannelInsert", "plugAsSend", "1in2out", "2in2out", ""}) {
        EXPECT_EQ(plug.dispatch(effCanDo, 0, 0, const_cast<char*>(s)), 0) << s;
    }
}

TEST(Entry, DefaultRequestsAnswerZeroAndUnknownOpcodesChangeNothing)
{
    Library library;
    Plugin plug(library);
    for (int32_t op : std::initializer_list<int32_t>{effProcessEvents,
                                                     effString2Parameter,
                                                     effGetInputProperties,
                                                     effGetOutputProperties,
                                                     effOfflineNotify,
                                                     effProcessVarIo,
                                                     effSetSpeakerArrangement,
                                                     effSetBypass,
                                                     effVendorSpecific,
                                                     effGetParameterProperties,
                                                     effGetMidiProgramName,
                                                     effBeginSetProgram,
                                                     effEndSetProgram,
                                                     effShellGetNextPlugin,
                                                     effStartProcess,
                                                     effStopProcess,
                                                     effSetPanLaw,
                                                     effBeginLoadBank,
                                                     effBeginLoadProgram,
                                                     effSetProcessPrecision,
                                                     effGetNumMidiInputChannels,
                                                     effGetNumMidiOutputChannels,
                                                     9,
                                                     16,
                                                     17,
                                                     18,
                                                     20,
                                                     21,
                                                     28,
                                                     30,
                                                     46,
                                                     80,
                                                     1000,
                                                     -1}) {
        EXPECT_EQ(plug.dispatch(op, 0, 0, nullptr), 0) << "opcode " << op;
    }
    void* in = reinterpret_cast<void*>(1);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(plug.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(plug.getParameter(2), 0.5f);
}

TEST(Entry, ProgramSelectionAtTheDispatcher)
{
    Library library;
    Plugin plug(library);
    plug.dispatch(effSetProgram, 0, 2);
    EXPECT_EQ(plug.dispatch(effGetProgram), 2);
    plug.dispatch(effSetProgram, 0, 4);
    EXPECT_EQ(plug.dispatch(effGetProgram), 2);
    plug.dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(plug.dispatch(effGetProgram), 2);
}

TEST(Entry, CloseDestroysAndAnswersOne)
{
    Library library;
    AEffect* e = library.create();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->dispatcher(e, effOpen, 0, 0, nullptr, 0.f), 0);
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.f), 1);
}

TEST(Entry, TwoInstancesAreIndependent)
{
    Library library;
    Plugin a(library), b(library);
    a.setParameter(2, 0.8f);
    EXPECT_EQ(a.getParameter(2), 0.8f);
    EXPECT_EQ(b.getParameter(2), 0.5f);
}
