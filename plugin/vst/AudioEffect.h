// Base class of a VST 2.4 plug-in: owns the AEffect record the host talks to and
// turns the record's C entry points into virtual calls.
//
// Threads: the dispatcher, setParameter and getParameter may be called by the host
// on any thread; processReplacing / processDoubleReplacing on its audio thread.
// This base adds no synchronisation of its own.
#pragma once

#include "plugin/AEffEditor.h"
#include "plugin/vst/aeffect.h"

#include <cstddef>

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    // State
    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}

    // Processing
    virtual void setSampleRate(float sampleRate) { this->sampleRate = sampleRate; }
    virtual void setBlockSize(int32_t blockSize) { this->blockSize = blockSize; }
    virtual void process(float** /*inputs*/, float** /*outputs*/, int32_t /*sampleFrames*/) {}
    virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) = 0;
    virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/, int32_t /*sampleFrames*/) {}

    // Parameters
    virtual void setParameter(int32_t /*index*/, float /*value*/) {}
    virtual float getParameter(int32_t /*index*/) { return 0.f; }
    virtual void setParameterAutomated(int32_t index, float value);

    // Programs and persistence
    virtual int32_t getProgram() { return curProgram; }
    virtual void setProgram(int32_t program) { curProgram = program; }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name) { *name = 0; }
    virtual void getParameterLabel(int32_t /*index*/, char* /*label*/) {}
    virtual void getParameterDisplay(int32_t /*index*/, char* /*text*/) {}
    virtual void getParameterName(int32_t /*index*/, char* /*text*/) {}
    virtual int32_t getChunk(void** /*data*/, bool /*isPreset*/ = false) { return 0; }
    virtual int32_t setChunk(void* /*data*/, int32_t /*byteSize*/, bool /*isPreset*/ = false) { return 0; }

    // Identity and setup
    virtual void setUniqueID(int32_t iD) { cEffect.uniqueID = iD; }
    virtual void setNumInputs(int32_t inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(int32_t outputs) { cEffect.numOutputs = outputs; }
    virtual void canProcessReplacing(bool state = true);
    virtual void canDoubleReplacing(bool state = true);
    virtual void programsAreChunks(bool state = true);
    virtual void setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }

    virtual void setEditor(AEffEditor* editor);
    virtual AEffEditor* getEditor() { return editor; }
    virtual AEffect* getAeffect() { return &cEffect; }
    virtual float getSampleRate() { return sampleRate; }
    virtual int32_t getBlockSize() { return blockSize; }
    virtual int32_t getMasterVersion();

    // Entry points stored in the AEffect record; they find the instance through AEffect.object.
    static intptr_t dispatchEffectClass(AEffect* e, int32_t opCode, int32_t index, intptr_t value, void* ptr,
                                        float opt);
    static float getParameterClass(AEffect* e, int32_t index);
    static void setParameterClass(AEffect* e, int32_t index, float value);
    static void processClass(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames);
    static void processClassReplacing(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames);
    static void processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs,
                                            int32_t sampleFrames);

protected:
    float sampleRate = 44100.f;       // Hz, stored until the next resume
    AEffEditor* editor = nullptr;     // owned: deleted by this base
    audioMasterCallback audioMaster;  // host callback, may be null in tests
    int32_t numPrograms;
    int32_t numParams;
    int32_t curProgram = 0;
    int32_t blockSize = 1024;         // stored only
    AEffect cEffect;                  // the record handed to the host
};

// Text helpers of the interface. vst_strncpy copies at most maxLen characters,
// pads with NULs like strncpy and always writes a NUL at position maxLen.
char* vst_strncpy(char* dst, const char* src, size_t maxLen);
char* vst_strncat(char* dst, const char* src, size_t maxLen);

// Writes value as decimal text of at most maxLen characters (see AudioEffect.cpp).
void float2string(float value, char* text, int32_t maxLen);
