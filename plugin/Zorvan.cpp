#include "plugin/Zorvan.h"

#include "editor/zorvanGUI.h"
#include "plugin/Identity.h"

#include <cstring>
#include <new>

Zorvan::Zorvan(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, kNumPrograms, kNumParams), engine(this)
{
    // Identity
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(ZORVAN_FOURCC('Z', 'R', 'F', 'L'));
    canProcessReplacing();
    programsAreChunks();
    canDoubleReplacing();
    AudioEffectX::setSampleRate(engine.getSampleRate());

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

void Zorvan::processReplacing(float** inputs, float** outputs, int32_t sampleFrames)
{
    if (inputs && outputs)
        engine.process(inputs[0], inputs[1], outputs[0], outputs[1], sampleFrames);
}

void Zorvan::processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames)
{
    if (inputs && outputs)
        engine.process(inputs[0], inputs[1], outputs[0], outputs[1], sampleFrames);
}

void Zorvan::setSampleRate(float rate)
{
    // A rate the engines cannot run at is refused; the previous one stays.
    if (engine.setSampleRate(rate))
        AudioEffectX::setSampleRate(rate);
}

void Zorvan::resume()
{
    engine.resume();
}

void Zorvan::suspend()
{
    engine.suspend();
}

// ---------------------------------------------------------------------------
// Parameters

void Zorvan::setParameter(int32_t index, float value)
{
    engine.setParameter(index, value);
}

void Zorvan::parameterChanged(int32_t index, float value)
{
    if (editor)
        static_cast<zorvanGUI*>(editor)->setParameter(index, value);
}

void Zorvan::programChanged()
{
    if (editor)
        static_cast<zorvanGUI*>(editor)->refreshIrName();
}

float Zorvan::getParameter(int32_t index)
{
    return engine.getParameter(index);
}

void Zorvan::setParameterAutomated(int32_t index, float value)
{
    AudioEffectX::setParameterAutomated(index, value);
}

void Zorvan::getParameterName(int32_t index, char* text)
{
    if (index < 0 || index >= kNumParams)
        return;
    std::strcpy(text, kParameterInfo[index].name);
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
    float2string(engine.getParameter(index), text, kVstMaxParamStrLen);
}

bool Zorvan::beginEdit(int32_t index)
{
    return AudioEffectX::beginEdit(index);
}

bool Zorvan::endEdit(int32_t index)
{
    return AudioEffectX::endEdit(index);
}

// ---------------------------------------------------------------------------
// Programs and state

int32_t Zorvan::getProgram()
{
    return engine.getProgram();
}

void Zorvan::setProgram(int32_t program)
{
    engine.setProgram(program);
}

void Zorvan::setProgramName(char* name)
{
    engine.setProgramName(name);
}

void Zorvan::getProgramName(char* name)
{
    engine.getProgramName(name);
}

bool Zorvan::getProgramNameIndexed(int32_t /*category*/, int32_t index, char* text)
{
    return engine.getProgramNameIndexed(index, text);
}

int32_t Zorvan::getChunk(void** data, bool isPreset)
{
    return engine.getChunk(data, isPreset);
}

int32_t Zorvan::setChunk(void* data, int32_t byteSize, bool isPreset)
{
    return engine.setChunk(data, byteSize, isPreset);
}

// ---------------------------------------------------------------------------
// Editor link

const char* Zorvan::getIrPath(int program) const
{
    return engine.irPathForEditor(program);
}

bool Zorvan::loadIrPath(const char* path)
{
    return engine.loadIrPath(path);
}

// ---------------------------------------------------------------------------
// Identity

bool Zorvan::getEffectName(char* name)
{
    vst_strncpy(name, zorvan::kEffectName, kVstMaxEffectNameLen);
    return true;
}

bool Zorvan::getVendorString(char* text)
{
    vst_strncpy(text, zorvan::kVendorString, kVstMaxVendorStrLen);
    return true;
}

bool Zorvan::getProductString(char* text)
{
    vst_strncpy(text, zorvan::kProductString, kVstMaxProductStrLen);
    return true;
}
