// The plug-in: a guitar amplifier head followed by a speaker cabinet, mono inside,
// the same signal on both outputs.
//
// Threads (one line per host entry):
// - processReplacing / processDoubleReplacing: the host's audio thread; lock-free,
//   allocation-free, never touches files.
// - setParameter, setProgram, setChunk, getChunk, setProgramName, resume, suspend,
//   setSampleRate: any non-audio thread, possibly two at once (host automation and
//   the panel); they are serialised among themselves by controlMutex, which the
//   audio thread never takes. New coefficient sets and responses reach the audio
//   thread whole through the engines' own hand-over.
// - getParameter, getParameterDisplay and the other text requests: any thread.
// - Editor requests (effEdit*): the host's UI thread.
#pragma once

#include "dsp/amp/AmpModel.h"
#include "dsp/cabinet/ExtCabinet.h"
#include "dsp/cabinet/IntCabinet.h"
#include "plugin/Parameters.h"
#include "plugin/ZorvanEditorLink.h"
#include "plugin/ZorvanProgram.h"
#include "plugin/vst/AudioEffectX.h"

#include <atomic>
#include <mutex>

class Zorvan : public AudioEffectX, public ZorvanEditorLink {
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
    int32_t getVendorVersion() override { return 1130; }

    // Editor link
    const char* getIrPath(int program) const override;
    bool loadIrPath(const char* path) override;

    // State the tests and tools look at.
    bool cabinetInternal() const { return cabinet.load(std::memory_order_relaxed) == CabinetSelection::Internal; }
    bool cabinetExternal() const { return cabinet.load(std::memory_order_relaxed) == CabinetSelection::External; }
    int oversampleFactor() const { return amp.oversampleFactor(); }
    int externalIrLength() const { return extCab.maxIrLength(); }
    bool internalShortLayout() const { return intCab.shortLayout(); }
    bool externalShortLayout() const { return extCab.shortLayout(); }

private:
    template <typename Sample>
    void processBlock(Sample** inputs, Sample** outputs, int32_t sampleFrames);
    void applyParameter(int32_t index, float value);
    void loadCurrentImpulse();
    void refreshIrPathText(int program);

    static constexpr int kChunkFrames = 256; // frames per pass through the engines

    AmpModel amp;                 // the amplifier chain up to the cabinet
    IntCabinet intCab;            // built-in cabinet (INT.)
    ExtCabinet extCab;            // cabinet from a WAV file (EXT.)
    std::atomic<CabinetSelection> cabinet{CabinetSelection::Internal}; // switch position read per block
    std::atomic<float> curValue[kNumParams];    // current parameter values
    ZorvanProgram programs[kNumPrograms];       // the bank, contiguous: it is the chunk's layout
    char irPathText[kNumPrograms][kIrPathSize + 1]; // each record's path, always NUL-terminated
    mutable char irPathForEditor[kIrPathSize + 1]; // the UI thread's copy of a record's path
    ZorvanProgram chunkCopy[kNumPrograms];      // stable copy handed to the host by getChunk
    mutable std::recursive_mutex controlMutex;  // serialises the control-side writers
    double scratch[kChunkFrames];               // audio thread: the chain's output of one pass
};
