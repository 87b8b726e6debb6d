#include "plugin/Zorvan.h"

#include "editor/zorvanGUI.h"

#include <cstring>
#include <new>

namespace {

const char kEffectName[] = "Zorvan Ferroharmonic Lite";
const char kProductString[] = "Zorvan Ferroharmonic Lite Ver.1.1.3";
const char kVendorString[] = "Zorvan, Inc.";
const char kInitName[] = "init";

// Fixed gains of the cabinet hand-off.
constexpr double kInternalCabinetGain = 0.1;
constexpr double kExternalCabinetGain = 0.25;

} // namespace

Zorvan::Zorvan(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParams)
{
    // Identity
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(ZORVAN_FOURCC('Z', 'R', 'F', 'L'));
    canProcessReplacing();
    programsAreChunks();
    canDoubleReplacing();

    // Programs
    for (int p = 0; p < kNumPrograms; ++p) {
        initProgram(programs[p], kInitName, kDefaultValues[p]);
        refreshIrPathText(p);
    }
    std::memset(chunkCopy, 0, sizeof(chunkCopy));
    for (auto& v : curValue)
        v.store(0.f, std::memory_order_relaxed);
    curValue[kInput].store(programs[0].values[kInput], std::memory_order_relaxed);
    amp.setInputLevel(programs[0].values[kInput]);

    // Amplifier sections from program 0, before the rate is known; resume redoes them.
    const float* v0 = programs[0].values;
    amp.setMode(v0[kMode]);
    amp.setGain(v0[kGain]);
    amp.setBassSquared(v0[kBass] * v0[kBass]);
    amp.setMid(v0[kMid]);
    amp.setTreble(v0[kTreble]);
    amp.setPresence(v0[kPresence]);
    amp.setMaster(v0[kMaster]);
    cabinet.store(cabinetSelectionFor(v0[kCabinet]), std::memory_order_relaxed);

    intCab.clear();
    extCab.clear();

    resume();

    curProgram = 0;
    for (int32_t i = 0; i < kNumParams; ++i)
        setParameter(i, programs[0].values[i]);
    loadCurrentImpulse();

    // The editor comes last. Without one the plug-in keeps working headless.
    zorvanGUI* gui = nullptr;
    try {
        gui = new (std::nothrow) zorvanGUI(this);
    } catch (...) {
        gui = nullptr;
    }
    setEditor(gui);
    if (gui)
        gui->setKnobMode(2);
}

Zorvan::~Zorvan()
{
    // A host may destroy the instance with the window still open; the editor must
    // not outlive the engines it shows while it still has views.
    if (editor)
        editor->close();
}

// ---------------------------------------------------------------------------
// Processing

template <typename Sample>
void Zorvan::processBlock(Sample** inputs, Sample** outputs, int32_t sampleFrames)
{
    if (sampleFrames <= 0 || !inputs || !outputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1])
        return;
    const Sample* in0 = inputs[0];
    const Sample* in1 = inputs[1];
    Sample* out0 = outputs[0];
    Sample* out1 = outputs[1];

    for (int32_t offset = 0; offset < sampleFrames; offset += kChunkFrames) {
        const int n = sampleFrames - offset < kChunkFrames ? static_cast<int>(sampleFrames - offset) : kChunkFrames;
        // The whole pass is read before any output of it is written, so in-place hosts are safe.
        amp.process(in0 + offset, in1 + offset, scratch, n);

        switch (cabinet.load(std::memory_order_relaxed)) {
        case CabinetSelection::Internal:
            intCab.process(scratch, n);
            for (int i = 0; i < n; ++i)
                scratch[i] = scratch[i] * kInternalCabinetGain;
            break;
        case CabinetSelection::External:
            extCab.process(scratch, n);
            for (int i = 0; i < n; ++i)
                scratch[i] = scratch[i] * kExternalCabinetGain;
            break;
        case CabinetSelection::Off:
            break;
        }

        for (int i = 0; i < n; ++i) {
            const Sample y = static_cast<Sample>(scratch[i]);
            out0[offset + i] = y;
            out1[offset + i] = y;
        }
    }
}

void Zorvan::processReplacing(float** inputs, float** outputs, int32_t sampleFrames)
{
    processBlock(inputs, outputs, sampleFrames);
}

void Zorvan::processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames)
{
    processBlock(inputs, outputs, sampleFrames);
}

void Zorvan::setSampleRate(float rate)
{
    // A rate the engines cannot run at is refused; the previous one stays.
    if (!(rate > 0.f) || !(rate <= 4.0e6f))
        return;
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    AudioEffectX::setSampleRate(rate);
}

void Zorvan::resume()
{
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    const float r = getSampleRate();
    amp.setSampleRate(r);
    intCab.prepare(r);
    extCab.setSampleRate(r);
    loadCurrentImpulse();
}

void Zorvan::suspend()
{
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    intCab.clear();
    extCab.clear();
    resume();
}

// ---------------------------------------------------------------------------
// Parameters

void Zorvan::setParameter(int32_t index, float value)
{
    {
        std::lock_guard<std::recursive_mutex> lock(controlMutex);
        if (index >= 0 && index < kNumParams) {
            programs[curProgram].values[index] = value;
            curValue[index].store(value, std::memory_order_relaxed);
            applyParameter(index, value);
        }
    }
    if (editor)
        static_cast<zorvanGUI*>(editor)->setParameter(index, value);
}

void Zorvan::applyParameter(int32_t index, float value)
{
    switch (index) {
    case kInput:
        amp.setInputLevel(value);
        break;
    case kMode:
        amp.setMode(value);
        break;
    case kGain:
        amp.setGain(value);
        break;
    case kBass: {
        const float squared = value * value; // the bass pot follows the square of the knob
        amp.setBassSquared(squared);
        break;
    }
    case kMid:
        amp.setMid(value);
        break;
    case kTreble:
        amp.setTreble(value);
        break;
    case kPresence:
        amp.setPresence(value);
        break;
    case kMaster:
        amp.setMaster(value);
        break;
    case kCabinet:
        cabinet.store(cabinetSelectionFor(value), std::memory_order_relaxed);
        break;
    default:
        break;
    }
}

float Zorvan::getParameter(int32_t index)
{
    if (index < 0 || index >= kNumParams)
        return 0.f;
    return curValue[index].load(std::memory_order_relaxed);
}

void Zorvan::getParameterName(int32_t index, char* text)
{
    if (index < 0 || index >= kNumParams)
        return;
    std::strcpy(text, kParameterNames[index]);
}

void Zorvan::getParameterLabel(int32_t index, char* label)
{
    if (index < 0 || index >= kNumParams)
        return;
    vst_strncpy(label, "", kVstMaxParamStrLen);
}

void Zorvan::getParameterDisplay(int32_t index, char* text)
{
    if (index < 0 || index >= kNumParams)
        return;
    float2string(curValue[index].load(std::memory_order_relaxed), text, kVstMaxParamStrLen);
}

// ---------------------------------------------------------------------------
// Programs and state

int32_t Zorvan::getProgram()
{
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    return curProgram;
}

void Zorvan::setProgram(int32_t program)
{
    if (static_cast<uint32_t>(program) >= static_cast<uint32_t>(kNumPrograms))
        return;
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    curProgram = program;
    float values[kNumParams];
    std::memcpy(values, programs[program].values, sizeof(values));
    for (int32_t i = 0; i < kNumParams; ++i)
        setParameter(i, values[i]);
    if (editor)
        static_cast<zorvanGUI*>(editor)->refreshIrName();
    loadCurrentImpulse();
}

void Zorvan::setProgramName(char* name)
{
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    storeField(programs[curProgram].name, kProgramNameSize, name);
}

void Zorvan::getProgramName(char* name)
{
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    copyField(name, kProgramNameSize, programs[curProgram].name, kProgramNameSize);
}

bool Zorvan::getProgramNameIndexed(int32_t /*category*/, int32_t index, char* text)
{
    if (index < 0 || index >= kNumPrograms)
        return false;
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    copyField(text, kProgramNameSize, programs[index].name, kProgramNameSize);
    return true;
}

int32_t Zorvan::getChunk(void** data, bool isPreset)
{
    // A stable copy: the host may read it while automation goes on writing the records.
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    if (isPreset) {
        chunkCopy[0] = programs[curProgram];
        *data = &chunkCopy[0];
        return kPresetChunkSize;
    }
    std::memcpy(chunkCopy, programs, sizeof(programs));
    *data = chunkCopy;
    return kBankChunkSize;
}

int32_t Zorvan::setChunk(void* data, int32_t byteSize, bool isPreset)
{
    const int32_t expected = isPreset ? kPresetChunkSize : kBankChunkSize;
    if (!data || byteSize != expected)
        return 0;
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    if (isPreset) {
        std::memcpy(&programs[curProgram], data, kPresetChunkSize);
        refreshIrPathText(curProgram);
    } else {
        std::memcpy(programs, data, kBankChunkSize);
        for (int p = 0; p < kNumPrograms; ++p)
            refreshIrPathText(p);
    }
    setProgram(curProgram);
    return 1;
}

void Zorvan::refreshIrPathText(int program)
{
    copyField(irPathText[program], sizeof(irPathText[program]), programs[program].irPath, kIrPathSize);
}

void Zorvan::loadCurrentImpulse()
{
    extCab.loadImpulse(irPathText[curProgram]);
}

// ---------------------------------------------------------------------------
// Editor link

const char* Zorvan::getIrPath(int program) const
{
    if (program < 0 || program >= kNumPrograms)
        return nullptr;
    // A copy taken under the lock: a host thread may be restoring a chunk meanwhile.
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    std::memcpy(irPathForEditor, irPathText[program], sizeof(irPathForEditor));
    return irPathForEditor;
}

bool Zorvan::loadIrPath(const char* path)
{
    if (!path || strnlen(path, kIrPathSize) >= kIrPathSize)
        return false;
    std::lock_guard<std::recursive_mutex> lock(controlMutex);
    std::memset(programs[curProgram].irPath, 0, kIrPathSize);
    std::memcpy(programs[curProgram].irPath, path, std::strlen(path));
    refreshIrPathText(curProgram);
    loadCurrentImpulse();
    return true;
}

// ---------------------------------------------------------------------------
// Identity

bool Zorvan::getEffectName(char* name)
{
    vst_strncpy(name, kEffectName, kVstMaxEffectNameLen);
    return true;
}

bool Zorvan::getVendorString(char* text)
{
    vst_strncpy(text, kVendorString, kVstMaxVendorStrLen);
    return true;
}

bool Zorvan::getProductString(char* text)
{
    vst_strncpy(text, kProductString, kVstMaxProductStrLen);
    return true;
}
