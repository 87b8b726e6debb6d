#include "plugin/vst/AudioEffectX.h"

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : AudioEffect(audioMaster, numPrograms, numParams)
{
}

int32_t AudioEffectX::getPlugCategory()
{
    return isSynth() ? kPlugCategSynth : kPlugCategUnknown;
}

bool AudioEffectX::beginEdit(int32_t index)
{
    return audioMaster && audioMaster(&cEffect, audioMasterBeginEdit, index, 0, nullptr, 0.f) != 0;
}

bool AudioEffectX::endEdit(int32_t index)
{
    return audioMaster && audioMaster(&cEffect, audioMasterEndEdit, index, 0, nullptr, 0.f) != 0;
}

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    intptr_t v = 0;
    switch (opcode) {
    // Requests whose answers are the defaults of this base: handled here so that
    // they never reach anything else.
    case effProcessEvents:
    case effGetInputProperties:
    case effGetOutputProperties:
    case effOfflineNotify:
    case effOfflinePrepare:
    case effOfflineRun:
    case effProcessVarIo:
    case effSetSpeakerArrangement:
    case effVendorSpecific:
    case effGetParameterProperties:
    case effGetMidiProgramName:
    case effGetMidiProgramCategory:
    case effHasMidiProgramsChanged:
    case effGetMidiKeyName:
    case effBeginSetProgram:
    case effEndSetProgram:
    case effShellGetNextPlugin:
    case effStartProcess:
    case effStopProcess:
    case effSetPanLaw:
    case effBeginLoadBank:
    case effBeginLoadProgram:
    case effGetNumMidiInputChannels:
    case effGetNumMidiOutputChannels:
        break;
    case effCanBeAutomated:
        v = canParameterBeAutomated(index) ? 1 : 0;
        break;
    case effString2Parameter:
        if (ptr)
            v = string2parameter(index, static_cast<char*>(ptr)) ? 1 : 0;
        break;
    case effGetProgramNameIndexed:
        if (ptr)
            v = getProgramNameIndexed(static_cast<int32_t>(value), index, static_cast<char*>(ptr)) ? 1 : 0;
        break;
    case effGetPlugCategory:
        v = getPlugCategory();
        break;
    case effSetBypass:
        v = setBypass(value != 0) ? 1 : 0;
        break;
    case effGetEffectName:
        if (ptr)
            v = getEffectName(static_cast<char*>(ptr)) ? 1 : 0;
        break;
    case effGetVendorString:
        if (ptr)
            v = getVendorString(static_cast<char*>(ptr)) ? 1 : 0;
        break;
    case effGetProductString:
        if (ptr)
            v = getProductString(static_cast<char*>(ptr)) ? 1 : 0;
        break;
    case effGetVendorVersion:
        v = getVendorVersion();
        break;
    case effCanDo:
        if (ptr)
            v = canDo(static_cast<char*>(ptr));
        break;
    case effGetTailSize:
        v = getGetTailSize();
        break;
    case effGetVstVersion:
        v = getVstVersion();
        break;
    case effEditKeyDown:
    case effEditKeyUp:
        if (editor) {
            VstKeyCode keyCode;
            keyCode.character = index;
            keyCode.virt = static_cast<unsigned char>(value);
            keyCode.modifier = static_cast<unsigned char>(opt);
            v = (opcode == effEditKeyDown ? editor->onKeyDown(keyCode) : editor->onKeyUp(keyCode)) ? 1 : 0;
        }
        break;
    case effSetEditKnobMode:
        if (editor)
            v = editor->setKnobMode(static_cast<int32_t>(value)) ? 1 : 0;
        break;
    case effGetCurrentMidiProgram:
        v = getCurrentMidiProgram(index, ptr);
        break;
    case effGetSpeakerArrangement:
        // No arrangement of our own: both answers are null.
        if (value)
            *reinterpret_cast<void**>(value) = nullptr;
        if (ptr)
            *static_cast<void**>(ptr) = nullptr;
        break;
    case effSetTotalSampleToProcess:
        v = value;
        break;
    case effSetProcessPrecision:
        v = setProcessPrecision(static_cast<int32_t>(value)) ? 1 : 0;
        break;
    default:
        v = AudioEffect::dispatcher(opcode, index, value, ptr, opt);
        break;
    }
    return v;
}
