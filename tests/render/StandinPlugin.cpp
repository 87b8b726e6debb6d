// A stand-in VST 2.4 module for the render host's tests: the real plug-in's
// identity, parameters, programs and chunk layout around a trivial gain, so the
// host can be tested without the amplifier. Built several times with
// STANDIN_FAULT set to give modules that are wrong in one way each.
#include "plugin/vst/aeffect.h"

#include <cstring>
#include <new>

#ifndef STANDIN_FAULT
#define STANDIN_FAULT 0
#endif
// Faults: 1 other unique ID, 2 other name, 3 null record, 4 bad magic,
// 5 no entry point, 6 refuses every chunk.

namespace {

constexpr int kParams = 9;
constexpr int kPrograms = 4;

struct Record {
    char name[24];
    float values[kParams];
    char irPath[260];
};
static_assert(sizeof(Record) == 320, "program record layout");

const char* const kParamNames[kParams] = {"Input",  "mode",     "gain",   "bass",   "mid",
                                          "treble", "presence", "master", "cabinet"};
const float kDefaults[kParams] = {0.2f, 0.f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.f};

struct Standin {
    AEffect effect;
    Record programs[kPrograms];
    int current = 0;
    float rate = 44100.f;
    bool resumed = true;
};

Standin* self(AEffect* e)
{
    return static_cast<Standin*>(e->object);
}

void copyText(void* ptr, const char* text, size_t limit)
{
    const size_t n = strnlen(text, limit);
    std::memcpy(ptr, text, n);
    static_cast<char*>(ptr)[n] = 0;
}

// Mirrors the real plug-in's numbers: a value of v shows as v with six decimals.
void display(float v, char* text)
{
    int whole = static_cast<int>(v);
    int frac = static_cast<int>((v - whole) * 1000000.f);
    if (frac < 0)
        frac = -frac;
    char buf[32];
    int n = 0;
    buf[n++] = static_cast<char>('0' + whole % 10);
    buf[n++] = '.';
    for (int d = 100000; d > 0; d /= 10)
        buf[n++] = static_cast<char>('0' + (frac / d) % 10);
    buf[n] = 0;
    copyText(text, buf, 8);
}

void setParam(AEffect* e, int32_t index, float value)
{
    if (index >= 0 && index < kParams)
        self(e)->programs[self(e)->current].values[index] = value;
}

float getParam(AEffect* e, int32_t index)
{
    return index >= 0 && index < kParams ? self(e)->programs[self(e)->current].values[index] : 0.f;
}

// Sum of the inputs times Input x 2 x master x 2, plus an offset from each other
// control so that every parameter changes the output; the rate shows as a tiny DC.
template <typename T>
void render(AEffect* e, T** in, T** out, int32_t frames)
{
    const float* v = self(e)->programs[self(e)->current].values;
    const double gain = v[0] * 2.0 * v[7] * 2.0;
    const double offset = 1e-3 * (v[1] + 2 * v[2] + 3 * v[3] + 4 * v[4] + 5 * v[5] + 6 * v[6] + 7 * v[8]) +
        self(e)->rate * 1e-9;
    for (int32_t i = 0; i < frames; ++i) {
        const double y = (double(in[0][i]) + double(in[1][i])) * gain + offset;
        out[0][i] = static_cast<T>(y);
        out[1][i] = static_cast<T>(y);
    }
}

void processFloat(AEffect* e, float** in, float** out, int32_t frames)
{
    render(e, in, out, frames);
}
void processDouble(AEffect* e, double** in, double** out, int32_t frames)
{
    render(e, in, out, frames);
}
void processAccumulating(AEffect*, float**, float**, int32_t) {}

intptr_t dispatch(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    Standin* s = self(e);
    switch (opcode) {
    case effClose:
        delete s;
        return 1;
    case effSetProgram:
        if (value >= 0 && value < kPrograms)
            s->current = static_cast<int>(value);
        return 0;
    case effGetProgram:
        return s->current;
    case effGetProgramName:
        copyText(ptr, s->programs[s->current].name, 23);
        return 0;
    case effSetProgramName:
        copyText(s->programs[s->current].name, static_cast<const char*>(ptr), 23);
        return 0;
    case effGetProgramNameIndexed:
        if (index < 0 || index >= kPrograms)
            return 0;
        copyText(ptr, s->programs[index].name, 23);
        return 1;
    case effGetParamName:
        if (index >= 0 && index < kParams)
            copyText(ptr, kParamNames[index], 8);
        return 0;
    case effGetParamDisplay:
        if (index >= 0 && index < kParams)
            display(s->programs[s->current].values[index], static_cast<char*>(ptr));
        return 0;
    case effSetSampleRate:
        s->rate = opt;
        return 0;
    case effMainsChanged:
        s->resumed = value != 0;
        return 0;
    case effGetChunk:
        *static_cast<void**>(ptr) = index ? static_cast<void*>(&s->programs[s->current]) : s->programs;
        return index ? 320 : 1280;
    case effSetChunk:
        if (STANDIN_FAULT == 6)
            return 0;
        if (value != (index ? 320 : 1280))
            return 0;
        std::memcpy(index ? static_cast<void*>(&s->programs[s->current]) : s->programs, ptr, size_t(value));
        return 1;
    case effGetEffectName:
        copyText(ptr, STANDIN_FAULT == 2 ? "Some Other Amp" : "Zorvan Ferroharmonic Lite", 32);
        return 1;
    case effGetVendorString:
        copyText(ptr, "Zorvan, Inc.", 64);
        return 1;
    case effGetProductString:
        copyText(ptr, "stand-in for tests", 64);
        return 1;
    case effGetVendorVersion:
        return 1130;
    case effGetVstVersion:
        return 2400;
    default:
        return 0;
    }
}

} // namespace

extern "C" __attribute__((visibility("default")))
#if STANDIN_FAULT == 5
AEffect*
NotTheEntryPoint(audioMasterCallback audioMaster)
#else
AEffect*
VSTPluginMain(audioMasterCallback audioMaster)
#endif
{
    if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.f) == 0)
        return nullptr;
    if (STANDIN_FAULT == 3)
        return nullptr;
#if STANDIN_FAULT == 4
    // A host never closes a record with a bad magic, so this one must not need it.
    static Standin unclosed;
    Standin* s = &unclosed;
#else
    Standin* s = new (std::nothrow) Standin();
    if (!s)
        return nullptr;
#endif
    for (Record& r : s->programs) {
        std::strcpy(r.name, "init");
        std::memcpy(r.values, kDefaults, sizeof kDefaults);
        std::strcpy(r.irPath, "empty");
    }
    AEffect& e = s->effect;
    e.magic = STANDIN_FAULT == 4 ? ZORVAN_FOURCC('N', 'o', 'p', 'e') : kEffectMagic;
    e.dispatcher = dispatch;
    e.process = processAccumulating;
    e.setParameter = setParam;
    e.getParameter = getParam;
    e.numPrograms = kPrograms;
    e.numParams = kParams;
    e.numInputs = 2;
    e.numOutputs = 2;
    e.flags = effFlagsCanReplacing | effFlagsProgramChunks | effFlagsCanDoubleReplacing;
    e.ioRatio = 1.f;
    e.object = s;
    e.uniqueID = STANDIN_FAULT == 1 ? ZORVAN_FOURCC('Z', 'R', 'F', 'X') : ZORVAN_FOURCC('Z', 'R', 'F', 'L');
    e.version = 1;
    e.processReplacing = processFloat;
    e.processDoubleReplacing = processDouble;
    return &e;
}
