// The plug-in's engine, the same under every plug-in format: the amplifier,
// both cabinets, the current parameter values, the four program records, the
// chunk bytes, the impulse-response path of each program and the hand-over of
// everything between the host's threads. A format shell only translates its
// host's calls into these and reports back through ZorvanEngineListener.
//
// Threads (one line per entry):
// - process: the host's audio thread, one at a time; never locks, allocates,
//   waits or touches files.
// - setParameter, getParameter, getProgram and the state queries: any thread,
//   the audio thread included; wait-free (atomic values, no lock, no
//   allocation, no file access, bounded time).
// - setSampleRate, resume, suspend, setProgram, setChunk, loadIrPath,
//   setProgramName: control threads (any non-audio thread, possibly two at
//   once). They serialise among themselves on a control mutex that no
//   parameter request and no audio call ever takes. New coefficient sets and
//   responses reach the audio thread whole through the engines' hand-over.
// - getChunk, getProgramName, getProgramNameIndexed, copyIrPath: any non-audio
//   thread. They take only a short record lock that writers hold for copies,
//   never while a file is read, so they never wait for a load.
#pragma once

#include "dsp/amp/AmpModel.h"
#include "dsp/cabinet/ExtCabinet.h"
#include "dsp/cabinet/IntCabinet.h"
#include "plugin/Parameters.h"
#include "plugin/ZorvanProgram.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <thread>

// What a shell hears of the engine's changes.
class ZorvanEngineListener {
public:
    // setParameter(index, value) ran, for any index (the shell's editor
    // follows). On the caller's thread, which may be the audio thread: the
    // answer must be wait-free too.
    virtual void parameterChanged(int32_t index, float value) = 0;
    // A program change made another record current: the panel shows its
    // impulse-response file. On the control thread of the change.
    virtual void programChanged() = 0;

protected:
    ~ZorvanEngineListener() = default;
};

// The outcome of the last impulse-response load of the external cabinet.
enum class ExternalResponse : int32_t {
    None,    // the current program's path is "empty": nothing to load
    Loaded,  // the file was read; EXT. plays it
    Refused, // the file could not be read as a response; EXT. is silent
};

class ZorvanEngine {
public:
    // Programs with their defaults, the amplifier from program 0, both cabinets
    // cleared, one resume at 44100 Hz, the nine parameters and the external
    // response from program 0.
    explicit ZorvanEngine(ZorvanEngineListener* listener = nullptr);
    ~ZorvanEngine() = default;
    ZorvanEngine(const ZorvanEngine&) = delete;
    ZorvanEngine& operator=(const ZorvanEngine&) = delete;

    // The listener is set once, before the engine is shared between threads.
    void setListener(ZorvanEngineListener* listener) { listener_ = listener; }

    // Audio thread: the two inputs summed, through the amplifier and the
    // selected cabinet, the same result to both outputs. In place is fine.
    void process(const float* in0, const float* in1, float* out0, float* out1, int32_t frames);
    void process(const double* in0, const double* in1, double* out0, double* out1, int32_t frames);

    // Parameters, any thread, wait-free. The value is stored unchanged in the
    // current record and in the current values; the section that reads it
    // follows from the next pass on.
    void setParameter(int32_t index, float value);
    float getParameter(int32_t index) const;

    // Rate and power, control threads.
    static constexpr float kMinSampleRate = 1000.0f; // no host runs below
    static constexpr float kMaxSampleRate = 4.0e6f;  // the engines' limit
    // Stores the rate for the next resume; false (nothing changes) for a rate
    // outside kMinSampleRate..kMaxSampleRate or not a number.
    bool setSampleRate(float rate);
    float getSampleRate() const { return sampleRate_.load(std::memory_order_relaxed); }
    // Designs everything that depends on the rate and re-reads the current
    // program's response.
    void resume();
    // Clears both cabinets, then resume.
    void suspend();

    // Programs.
    int32_t getProgram() const { return curProgram_.load(std::memory_order_acquire); }
    // Ignores a program outside 0 to 3; otherwise applies its nine values and
    // loads its response.
    void setProgram(int32_t program);
    void setProgramName(const char* name);
    // Copies a name (at most 23 characters and a NUL) into text.
    void getProgramName(char* text) const;
    bool getProgramNameIndexed(int32_t index, char* text) const;

    // The chunk: the four records (bank, 1280 bytes) or the current one
    // (preset, 320 bytes), byte for byte. getChunk hands out a snapshot of
    // the calling thread's own; it stays valid until the same thread asks
    // again (or eight other threads have asked since).
    int32_t getChunk(void** data, bool isPreset);
    // Refuses (0) a size other than the kind's; otherwise copies the bytes
    // over the record(s), applies the current program and answers 1.
    int32_t setChunk(const void* data, int32_t byteSize, bool isPreset);

    // Impulse responses.
    // The path of a program's record, NUL-terminated, cut to outSize - 1
    // characters; false for a program outside 0 to 3.
    bool copyIrPath(int32_t program, char* out, size_t outSize) const;
    // The same as text for the panel (ZorvanEditorLink::getIrPath): a copy
    // that stays valid until the next call, or null for a program outside 0
    // to 3. The panel's thread only.
    const char* irPathForEditor(int32_t program) const;
    // Stores path in the current record and loads it. Refuses (false, nothing
    // changes) a null path or one that does not fit the 260-byte field.
    bool loadIrPath(const char* path);
    ExternalResponse externalResponse() const { return externalResponse_.load(std::memory_order_relaxed); }

    // State the shells, tests and tools look at; any thread.
    bool cabinetInternal() const { return cabinet_.load(std::memory_order_relaxed) == CabinetSelection::Internal; }
    bool cabinetExternal() const { return cabinet_.load(std::memory_order_relaxed) == CabinetSelection::External; }
    int oversampleFactor() const { return amp_.oversampleFactor(); }
    int externalIrLength() const { return extCab_.maxIrLength(); }
    bool internalShortLayout() const { return intCab_.shortLayout(); }
    bool externalShortLayout() const { return extCab_.shortLayout(); }
    // Samples the output may keep sounding after the input falls silent: the
    // length of the selected cabinet's response.
    int32_t tailSamples() const;

private:
    template <typename Sample>
    void processBlock(const Sample* in0, const Sample* in1, Sample* out0, Sample* out1, int32_t frames);
    void applyParameter(int32_t index, float value);
    void setProgramLocked(int32_t program);
    void resumeLocked();
    void loadCurrentImpulseLocked();
    void refreshIrPathText(int program);
    int snapshotSlot(bool isPreset);

    static constexpr int kPassFrames = 256;  // frames per pass through the engines
    static constexpr int kSnapshotSlots = 8; // threads with a chunk snapshot of their own

    AmpModel amp_;                   // the amplifier chain up to the cabinet
    IntCabinet intCab_;              // built-in cabinet (INT.)
    ExtCabinet extCab_;              // cabinet from a WAV file (EXT.)
    ZorvanEngineListener* listener_; // the shell, or null

    // Values: written by parameter requests on any thread.
    std::atomic<CabinetSelection> cabinet_{CabinetSelection::Internal}; // switch position read per pass
    std::atomic<float> curValue_[kNumParams];                           // current parameter values
    std::atomic<float> programValues_[kNumPrograms][kNumParams];        // each record's values
    std::atomic<int32_t> curProgram_{0};                                // the current record
    std::atomic<float> sampleRate_{44100.0f};                           // Hz, applied at the next resume
    std::atomic<ExternalResponse> externalResponse_{ExternalResponse::None};

    // Records: names and paths (the values fields are filled from
    // programValues_ when a chunk is handed out). Guarded by recordMutex_.
    mutable std::mutex recordMutex_;
    ZorvanProgram records_[kNumPrograms];
    char irPathText_[kNumPrograms][kIrPathSize + 1]; // each record's path, always NUL-terminated
    mutable char editorIrPath_[kIrPathSize + 1];     // the panel's copy of a record's path
    struct Snapshot {
        std::thread::id owner; // thread the copy was made for
        unsigned lastUse = 0;  // request count when it was made
    };
    Snapshot bankSnapshots_[kSnapshotSlots];
    Snapshot presetSnapshots_[kSnapshotSlots];
    ZorvanProgram bankCopies_[kSnapshotSlots][kNumPrograms]; // what getChunk hands out, per slot
    ZorvanProgram presetCopies_[kSnapshotSlots];
    unsigned snapshotRequests_ = 0;

    std::mutex controlMutex_; // serialises the control-side writers

    double scratch_[kPassFrames]; // audio thread: the chain's output of one pass
};
