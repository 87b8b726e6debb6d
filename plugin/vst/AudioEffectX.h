// The 2.x extension of the plug-in base class: the extended host requests,
// edit gestures and identity strings.
#pragma once

#include "plugin/vst/AudioEffect.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);

    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;

    virtual bool canParameterBeAutomated(int32_t /*index*/) { return true; }
    virtual bool string2parameter(int32_t /*index*/, char* /*text*/) { return false; }
    virtual bool getProgramNameIndexed(int32_t /*category*/, int32_t /*index*/, char* /*text*/) { return false; }
    virtual int32_t getPlugCategory();
    virtual bool getEffectName(char* /*name*/) { return false; }
    virtual bool getVendorString(char* /*text*/) { return false; }
    virtual bool getProductString(char* /*text*/) { return false; }
    virtual int32_t getVendorVersion() { return 0; }
    virtual int32_t canDo(char* /*text*/) { return 0; }
    virtual int32_t getGetTailSize() { return 0; }
    virtual int32_t getVstVersion() { return kVstVersion; }
    virtual int32_t getCurrentMidiProgram(int32_t /*channel*/, void* /*currentProgram*/) { return -1; }
    virtual bool setBypass(bool /*onOff*/) { return false; }
    virtual bool setProcessPrecision(int32_t /*precision*/) { return false; }

    // Edit gestures: true when the host answered non-zero, false without a host.
    virtual bool beginEdit(int32_t index);
    virtual bool endEdit(int32_t index);
    virtual bool isSynth() const { return (cEffect.flags & effFlagsIsSynth) != 0; }
};
