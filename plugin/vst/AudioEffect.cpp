#include "plugin/vst/AudioEffect.h"

#include "plugin/ParameterText.h"

#include <cstring>

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams)
{
    std::memset(&cEffect, 0, sizeof(cEffect));
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffectClass;
    cEffect.process = processClass;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = effFlagsCanReplacing;
    cEffect.ioRatio = 1.f;
    cEffect.object = this;
    cEffect.uniqueID = ZORVAN_FOURCC('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processClassReplacing;
    cEffect.processDoubleReplacing = processClassDoubleReplacing;
}

AudioEffect::~AudioEffect()
{
    delete editor;
}

void AudioEffect::setEditor(AEffEditor* newEditor)
{
    editor = newEditor;
    if (editor)
        cEffect.flags |= effFlagsHasEditor;
    else
        cEffect.flags &= ~effFlagsHasEditor;
}

void AudioEffect::canProcessReplacing(bool state)
{
    if (state)
        cEffect.flags |= effFlagsCanReplacing;
    else
        cEffect.flags &= ~effFlagsCanReplacing;
}

void AudioEffect::canDoubleReplacing(bool state)
{
    if (state)
        cEffect.flags |= effFlagsCanDoubleReplacing;
    else
        cEffect.flags &= ~effFlagsCanDoubleReplacing;
}

void AudioEffect::programsAreChunks(bool state)
{
    if (state)
        cEffect.flags |= effFlagsProgramChunks;
    else
        cEffect.flags &= ~effFlagsProgramChunks;
}

int32_t AudioEffect::getMasterVersion()
{
    if (!audioMaster)
        return 1;
    intptr_t version = audioMaster(&cEffect, audioMasterVersion, 0, 0, nullptr, 0.f);
    return version ? static_cast<int32_t>(version) : 1;
}

void AudioEffect::setParameterAutomated(int32_t index, float value)
{
    setParameter(index, value);
    if (audioMaster)
        audioMaster(&cEffect, audioMasterAutomate, index, 0, nullptr, value);
}

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    intptr_t v = 0;
    switch (opcode) {
    case effOpen:
        open();
        break;
    case effClose:
        close();
        break;
    case effSetProgram:
        if (value < numPrograms)
            setProgram(static_cast<int32_t>(value));
        break;
    case effGetProgram:
        v = getProgram();
        break;
    // Text requests need a buffer: a host that passes none gets nothing written.
    case effSetProgramName:
        if (ptr)
            setProgramName(static_cast<char*>(ptr));
        break;
    case effGetProgramName:
        if (ptr)
            getProgramName(static_cast<char*>(ptr));
        break;
    case effGetParamLabel:
        if (ptr)
            getParameterLabel(index, static_cast<char*>(ptr));
        break;
    case effGetParamDisplay:
        if (ptr)
            getParameterDisplay(index, static_cast<char*>(ptr));
        break;
    case effGetParamName:
        if (ptr)
            getParameterName(index, static_cast<char*>(ptr));
        break;
    case effSetSampleRate:
        setSampleRate(opt);
        break;
    case effSetBlockSize:
        setBlockSize(static_cast<int32_t>(value));
        break;
    case effMainsChanged:
        if (!value)
            suspend();
        else
            resume();
        break;
    case effEditGetRect:
        if (editor && ptr)
            v = editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
        break;
    case effEditOpen:
        if (editor)
            v = editor->open(ptr) ? 1 : 0;
        break;
    case effEditClose:
        if (editor)
            editor->close();
        break;
    case effEditIdle:
        if (editor)
            editor->idle();
        break;
    case effIdentify:
        v = ZORVAN_FOURCC('N', 'v', 'E', 'f');
        break;
    case effGetChunk:
        if (ptr)
            v = getChunk(static_cast<void**>(ptr), index != 0);
        break;
    case effSetChunk:
        if (ptr || value == 0)
            v = setChunk(ptr, static_cast<int32_t>(value), index != 0);
        break;
    default:
        break;
    }
    return v;
}

intptr_t AudioEffect::dispatchEffectClass(AEffect* e, int32_t opCode, int32_t index, intptr_t value, void* ptr,
                                          float opt)
{
    if (!e || !e->object)
        return 0;
    AudioEffect* ae = static_cast<AudioEffect*>(e->object);
    if (opCode == effClose) {
        ae->dispatcher(opCode, index, value, ptr, opt);
        delete ae;
        return 1;
    }
    return ae->dispatcher(opCode, index, value, ptr, opt);
}

float AudioEffect::getParameterClass(AEffect* e, int32_t index)
{
    return (e && e->object) ? static_cast<AudioEffect*>(e->object)->getParameter(index) : 0.f;
}

void AudioEffect::setParameterClass(AEffect* e, int32_t index, float value)
{
    if (e && e->object)
        static_cast<AudioEffect*>(e->object)->setParameter(index, value);
}

void AudioEffect::processClass(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames)
{
    if (e && e->object)
        static_cast<AudioEffect*>(e->object)->process(inputs, outputs, sampleFrames);
}

void AudioEffect::processClassReplacing(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames)
{
    if (e && e->object)
        static_cast<AudioEffect*>(e->object)->processReplacing(inputs, outputs, sampleFrames);
}

void AudioEffect::processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs, int32_t sampleFrames)
{
    if (e && e->object)
        static_cast<AudioEffect*>(e->object)->processDoubleReplacing(inputs, outputs, sampleFrames);
}

char* vst_strncpy(char* dst, const char* src, size_t maxLen)
{
    std::strncpy(dst, src, maxLen);
    dst[maxLen] = 0;
    return dst;
}

char* vst_strncat(char* dst, const char* src, size_t maxLen)
{
    size_t len = std::strlen(dst);
    if (len < maxLen) {
        std::strncat(dst, src, maxLen - len);
    }
    dst[maxLen] = 0;
    return dst;
}

// The display text every format shows for a knob value.
void float2string(float value, char* text, int32_t maxLen)
{
    formatDisplayValue(value, text, maxLen);
}
