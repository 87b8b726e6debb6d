// The VST 2.4 shell of the plug-in: answers the host's dispatcher requests,
// reports automation and edit gestures, owns the editor, and hands everything
// else to the engine, which holds every parameter, program, state and
// impulse-response rule. Mono inside, the same signal on both outputs.
//
// Threads (one line per host entry):
// - processReplacing / processDoubleReplacing: the host's audio thread; lock-free,
//   allocation-free, never touches files.
// - setParameter, getParameter, getParameterDisplay and the other parameter
//   text requests: any thread, the audio thread included; wait-free.
// - setProgram, setChunk, setProgramName, resume, suspend, setSampleRate: any
//   non-audio thread, possibly two at once (host and panel); the engine
//   serialises them without blocking any parameter request.
// - getChunk, getProgram, getProgramName(Indexed): any thread but the audio
//   thread; each thread gets a chunk snapshot of its own.
// - Editor requests (effEdit*) and the editor link: the host's UI thread.
#pragma once

#include "plugin/Identity.h"
#include "plugin/ZorvanEditorLink.h"
#include "plugin/ZorvanEngine.h"
#include "plugin/vst/AudioEffectX.h"

class Zorvan : public AudioEffectX, public ZorvanEditorLink, private ZorvanEngineListener {
public:
    explicit Zorvan(audioMasterCallback audioMaster);
    ~Zorvan() override;

    // Processing
    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
    void processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames) override;
    void setSampleRate(float sampleRate) override;
    void resume() override;
    void suspend() override;

    // Parameters
    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    void setParameterAutomated(int32_t index, float value) override;
    void getParameterName(int32_t index, char* text) override;
    void getParameterLabel(int32_t index, char* label) override;
    void getParameterDisplay(int32_t index, char* text) override;

    // Programs and state
    int32_t getProgram() override;
    void setProgram(int32_t program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;
    int32_t getChunk(void** data, bool isPreset) override;
    int32_t setChunk(void* data, int32_t byteSize, bool isPreset) override;

    // Identity
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    int32_t getVendorVersion() override { return zorvan::kVendorVersion; }

    // Edit gestures (host and editor link)
    bool beginEdit(int32_t index) override;
    bool endEdit(int32_t index) override;

    // Editor link
    const char* getIrPath(int program) const override;
    bool loadIrPath(const char* path) override;

    // State the tests and tools look at.
    const ZorvanEngine& getEngine() const { return engine; }
    bool cabinetInternal() const { return engine.cabinetInternal(); }
    bool cabinetExternal() const { return engine.cabinetExternal(); }
    int oversampleFactor() const { return engine.oversampleFactor(); }
    int externalIrLength() const { return engine.externalIrLength(); }
    bool internalShortLayout() const { return engine.internalShortLayout(); }
    bool externalShortLayout() const { return engine.externalShortLayout(); }

private:
    // Engine listener: the editor follows.
    void parameterChanged(int32_t index, float value) override;
    void programChanged() override;

    ZorvanEngine engine; // everything but the host's interface and the editor
};
