// The request orders of real hosts, each a hundred times over: a plug-in scan and
// the common instantiation sequence, plus the sloppier orders some hosts use.
// Leaks are the sanitizer build's business (its leak checker runs at exit).
#include "ValidationHost.h"

using namespace validation;

namespace {

constexpr int kRounds = 100;

// A short stretch of audio; the orders matter here, not the signal.
void processFew(Plugin& plug, int frames = 64)
{
    std::vector<double> x = noise(static_cast<size_t>(frames), 0.3, 5);
    std::vector<double> y = plug.run(x, frames);
    Scan s = scan(y);
    EXPECT_EQ(s.firstNonFinite, Scan::none);
}

void scanOnce()
{
    Plugin plug;
    ASSERT_TRUE(plug.valid());
    AEffect* e = plug.effect;
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(plug.dispatch(effGetVstVersion), 2400);
    char text[256];
    EXPECT_EQ(plug.dispatch(effGetEffectName, 0, 0, text), 1);
    EXPECT_STREQ(text, "Zorvan Ferroharmonic Lite");
    EXPECT_EQ(plug.dispatch(effGetVendorString, 0, 0, text), 1);
    EXPECT_EQ(plug.dispatch(effGetProductString, 0, 0, text), 1);
    EXPECT_EQ(plug.dispatch(effGetVendorVersion), 1130);
    EXPECT_EQ(e->uniqueID, ZORVAN_FOURCC('Z', 'R', 'F', 'L'));
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->numParams, 9);
    EXPECT_EQ(e->numPrograms, 4);
    EXPECT_EQ(plug.dispatch(effGetPlugCategory), 0);
    char canDo[] = "receiveVstMidiEvent";
    EXPECT_EQ(plug.dispatch(effCanDo, 0, 0, canDo), 0);
    plug.close();
}

void instantiateOnce()
{
    Plugin plug;
    ASSERT_TRUE(plug.valid());
    EXPECT_EQ(plug.dispatch(effIdentify), ZORVAN_FOURCC('N', 'v', 'E', 'f'));
    plug.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.f);
    plug.dispatch(effSetBlockSize, 0, 512);
    plug.dispatch(effOpen);
    plug.dispatch(effSetProgram, 0, 0);
    char name[64];
    for (int p = 0; p < 4; ++p)
        EXPECT_EQ(plug.dispatch(effGetProgramNameIndexed, p, 0, name), 1);
    plug.resume();
    processFew(plug);
    plug.suspend();
    plug.close();
}

} // namespace

class HostOrder : public ValidationTest {};

TEST_F(HostOrder, ScanHundredTimes)
{
    for (int i = 0; i < kRounds && !HasFatalFailure(); ++i)
        scanOnce();
}

TEST_F(HostOrder, InstantiateHundredTimes)
{
    for (int i = 0; i < kRounds && !HasFatalFailure(); ++i)
        instantiateOnce();
}

// Orders that hosts are known to use although the interface frowns on them:
// no effOpen at all, closing while switched on, processing while suspended,
// switching on twice, state restored before the rate, the editor rectangle
// asked for before any window exists.
TEST_F(HostOrder, SloppyOrdersHundredTimes)
{
    for (int i = 0; i < kRounds; ++i) {
        Plugin plug;
        ASSERT_TRUE(plug.valid());
        switch (i % 5) {
        case 0: // never opened, never switched on: processes straight after creation
            processFew(plug, 32);
            break;
        case 1: { // state first, then rate, then on twice, closed while on
            Bytes bank = plug.chunk(false);
            EXPECT_EQ(plug.setChunk(bank, false), 1);
            plug.dispatch(effSetSampleRate, 0, 0, nullptr, 96000.f);
            plug.resume();
            plug.resume();
            processFew(plug, 100);
            break;
        }
        case 2: { // processing while suspended, and through the old accumulating entry
            plug.dispatch(effOpen);
            plug.suspend();
            processFew(plug, 48);
            std::vector<float> in(32, 0.5f), out0(32, 0.25f), out1(32, 0.25f);
            float* ins[2] = {in.data(), in.data()};
            float* outs[2] = {out0.data(), out1.data()};
            {
                rtprobe::Scope inside;
                plug.effect->process(plug.effect, ins, outs, 32);
            }
            EXPECT_EQ(out0, std::vector<float>(32, 0.25f)) << "the accumulating entry must do nothing";
            break;
        }
        case 3: { // editor rectangle before open, then a rate change without suspend
            ERect* rect = nullptr;
            plug.dispatch(effEditGetRect, 0, 0, &rect);
            plug.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.f);
            plug.resume();
            processFew(plug, 17);
            break;
        }
        case 4: // start/stop process brackets and a block-size change while on
            plug.resume();
            plug.dispatch(effStartProcess);
            processFew(plug, 256);
            plug.dispatch(effSetBlockSize, 0, 4096);
            processFew(plug, 4096);
            plug.dispatch(effStopProcess);
            break;
        }
        plug.close();
    }
}
