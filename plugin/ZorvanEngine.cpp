#include "plugin/ZorvanEngine.h"

#include <cstring>
#include <limits>

namespace {

const char kInitName[] = "init";

// Fixed gains of the cabinet hand-off.
constexpr double kInternalCabinetGain = 0.1;
constexpr double kExternalCabinetGain = 0.25;

template <typename Sample>
Sample narrow(double x);

template <>
double narrow<double>(double x)
{
    return x;
}

// A finite result beyond the float range would narrow to an infinity; it is
// held at the largest finite float instead. Ordinary results narrow as they are.
template <>
float narrow<float>(double x)
{
    constexpr double kLargest = std::numeric_limits<float>::max();
    if (x > kLargest)
        return std::numeric_limits<float>::max();
    if (x < -kLargest)
        return -std::numeric_limits<float>::max();
    return static_cast<float>(x);
}

} // namespace

ZorvanEngine::ZorvanEngine(ZorvanEngineListener* listener) : listener_(nullptr)
{
    for (int p = 0; p < kNumPrograms; ++p) {
        initProgram(records_[p], kInitName, kDefaultValues[p]);
        refreshIrPathText(p);
        for (int i = 0; i < kNumParams; ++i)
            programValues_[p][i].store(kDefaultValues[p][i], std::memory_order_relaxed);
    }
    std::memset(bankCopies_, 0, sizeof(bankCopies_));
    std::memset(presetCopies_, 0, sizeof(presetCopies_));
    for (auto& v : curValue_)
        v.store(0.f, std::memory_order_relaxed);

    const float* v0 = records_[0].values;

    // The amplifier's sections start from program 0's values; the rate comes
    // next, then the parameters are set as a host would set them.
    intCab_.clear();
    extCab_.clear();
    {
        std::lock_guard<std::mutex> lock(controlMutex_);
        resumeLocked();
        curProgram_.store(0, std::memory_order_release);
        for (int32_t i = 0; i < kNumParams; ++i)
            setParameter(i, v0[i]);
        loadCurrentImpulseLocked();
    }
    listener_ = listener;
}

// ---------------------------------------------------------------------------
// Processing

template <typename Sample>
void ZorvanEngine::processBlock(const Sample* in0, const Sample* in1, Sample* out0, Sample* out1, int32_t frames)
{
    if (frames <= 0 || !in0 || !in1 || !out0 || !out1)
        return;
    for (int32_t offset = 0; offset < frames; offset += kPassFrames) {
        const int n = frames - offset < kPassFrames ? static_cast<int>(frames - offset) : kPassFrames;
        // The whole pass is read before any output of it is written, so in-place hosts are safe.
        amp_.process(in0 + offset, in1 + offset, scratch_, n);

        switch (cabinet_.load(std::memory_order_relaxed)) {
        case CabinetSelection::Internal:
            intCab_.process(scratch_, n);
            for (int i = 0; i < n; ++i)
                scratch_[i] = scratch_[i] * kInternalCabinetGain;
            break;
        case CabinetSelection::External:
            extCab_.process(scratch_, n);
            for (int i = 0; i < n; ++i)
                scratch_[i] = scratch_[i] * kExternalCabinetGain;
            break;
        case CabinetSelection::Off:
            break;
        }

        for (int i = 0; i < n; ++i) {
            const Sample y = narrow<Sample>(scratch_[i]);
            out0[offset + i] = y;
            out1[offset + i] = y;
        }
    }
}

void ZorvanEngine::process(const float* in0, const float* in1, float* out0, float* out1, int32_t frames)
{
    processBlock(in0, in1, out0, out1, frames);
}

void ZorvanEngine::process(const double* in0, const double* in1, double* out0, double* out1, int32_t frames)
{
    processBlock(in0, in1, out0, out1, frames);
}

int32_t ZorvanEngine::tailSamples() const
{
    switch (cabinet_.load(std::memory_order_relaxed)) {
    case CabinetSelection::Internal:
        return intCab_.shortLayout() ? IntCabinet::kMaxIrLength / 2 : IntCabinet::kMaxIrLength;
    case CabinetSelection::External:
        return extCab_.maxIrLength();
    case CabinetSelection::Off:
        break;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Parameters

void ZorvanEngine::setParameter(int32_t index, float value)
{
    if (index >= 0 && index < kNumParams) {
        programValues_[getProgram()][index].store(value, std::memory_order_relaxed);
        curValue_[index].store(value, std::memory_order_relaxed);
        applyParameter(index, value);
    }
    if (listener_)
        listener_->parameterChanged(index, value);
}

void ZorvanEngine::applyParameter(int32_t index, float value)
{
    switch (index) {
    case kInput:
        amp_.setInputLevel(value);
        break;
    case kMode:
        amp_.setMode(value);
        break;
    case kGain:
        amp_.setGain(value);
        break;
    case kBass: {
        const float squared = value * value; // the bass pot follows the square of the knob
        amp_.setBassSquared(squared);
        break;
    }
    case kMid:
        amp_.setMid(value);
        break;
    case kTreble:
        amp_.setTreble(value);
        break;
    case kPresence:
        amp_.setPresence(value);
        break;
    case kMaster:
        amp_.setMaster(value);
        break;
    case kCabinet:
        cabinet_.store(cabinetSelectionFor(value), std::memory_order_relaxed);
        break;
    default:
        break;
    }
}

float ZorvanEngine::getParameter(int32_t index) const
{
    if (index < 0 || index >= kNumParams)
        return 0.f;
    return curValue_[index].load(std::memory_order_relaxed);
}

// ---------------------------------------------------------------------------
// Rate and power

bool ZorvanEngine::setSampleRate(float rate)
{
    if (!(rate >= kMinSampleRate) || !(rate <= kMaxSampleRate))
        return false;
    sampleRate_.store(rate, std::memory_order_relaxed);
    return true;
}

void ZorvanEngine::resume()
{
    std::lock_guard<std::mutex> lock(controlMutex_);
    resumeLocked();
}

void ZorvanEngine::resumeLocked()
{
    const float r = getSampleRate();
    amp_.setSampleRate(r);
    intCab_.prepare(r);
    extCab_.setSampleRate(r);
    loadCurrentImpulseLocked();
}

void ZorvanEngine::suspend()
{
    std::lock_guard<std::mutex> lock(controlMutex_);
    intCab_.clear();
    extCab_.clear();
    resumeLocked();
}

// ---------------------------------------------------------------------------
// Programs and state

void ZorvanEngine::setProgram(int32_t program)
{
    if (static_cast<uint32_t>(program) >= static_cast<uint32_t>(kNumPrograms))
        return;
    std::lock_guard<std::mutex> lock(controlMutex_);
    setProgramLocked(program);
}

void ZorvanEngine::setProgramLocked(int32_t program)
{
    curProgram_.store(program, std::memory_order_release);
    float values[kNumParams];
    for (int32_t i = 0; i < kNumParams; ++i)
        values[i] = programValues_[program][i].load(std::memory_order_relaxed);
    for (int32_t i = 0; i < kNumParams; ++i)
        setParameter(i, values[i]);
    if (listener_)
        listener_->programChanged();
    loadCurrentImpulseLocked();
}

void ZorvanEngine::setProgramName(const char* name)
{
    if (!name)
        return;
    std::lock_guard<std::mutex> lock(recordMutex_);
    storeField(records_[getProgram()].name, kProgramNameSize, name);
}

void ZorvanEngine::getProgramName(char* text) const
{
    std::lock_guard<std::mutex> lock(recordMutex_);
    copyField(text, kProgramNameSize, records_[getProgram()].name, kProgramNameSize);
}

bool ZorvanEngine::getProgramNameIndexed(int32_t index, char* text) const
{
    if (index < 0 || index >= kNumPrograms)
        return false;
    std::lock_guard<std::mutex> lock(recordMutex_);
    copyField(text, kProgramNameSize, records_[index].name, kProgramNameSize);
    return true;
}

int ZorvanEngine::snapshotSlot(bool isPreset)
{
    Snapshot* slots = isPreset ? presetSnapshots_ : bankSnapshots_;
    const std::thread::id me = std::this_thread::get_id();
    int chosen = 0;
    for (int i = 0; i < kSnapshotSlots; ++i) {
        if (slots[i].owner == me) {
            chosen = i;
            break;
        }
        if (slots[i].lastUse < slots[chosen].lastUse)
            chosen = i;
    }
    slots[chosen].owner = me;
    slots[chosen].lastUse = ++snapshotRequests_;
    return chosen;
}

int32_t ZorvanEngine::getChunk(void** data, bool isPreset)
{
    if (!data)
        return 0;
    // A copy per thread: an autosave and a preset save running at once each
    // read their own, consistent snapshot while automation goes on.
    std::lock_guard<std::mutex> lock(recordMutex_);
    const int slot = snapshotSlot(isPreset);
    ZorvanProgram* out = isPreset ? &presetCopies_[slot] : bankCopies_[slot];
    const int first = isPreset ? getProgram() : 0;
    const int count = isPreset ? 1 : kNumPrograms;
    for (int p = 0; p < count; ++p) {
        out[p] = records_[first + p];
        for (int i = 0; i < kNumParams; ++i)
            out[p].values[i] = programValues_[first + p][i].load(std::memory_order_relaxed);
    }
    *data = out;
    return isPreset ? kPresetChunkSize : kBankChunkSize;
}

int32_t ZorvanEngine::setChunk(const void* data, int32_t byteSize, bool isPreset)
{
    const int32_t expected = isPreset ? kPresetChunkSize : kBankChunkSize;
    if (!data || byteSize != expected)
        return 0;
    ZorvanProgram incoming[kNumPrograms];
    std::memcpy(incoming, data, static_cast<size_t>(byteSize));

    std::lock_guard<std::mutex> lock(controlMutex_);
    const int32_t current = getProgram();
    const int first = isPreset ? current : 0;
    const int count = isPreset ? 1 : kNumPrograms;
    {
        std::lock_guard<std::mutex> records(recordMutex_);
        for (int p = 0; p < count; ++p) {
            records_[first + p] = incoming[p];
            refreshIrPathText(first + p);
        }
    }
    for (int p = 0; p < count; ++p)
        for (int i = 0; i < kNumParams; ++i)
            programValues_[first + p][i].store(incoming[p].values[i], std::memory_order_relaxed);
    setProgramLocked(current);
    return 1;
}

// ---------------------------------------------------------------------------
// Impulse responses

void ZorvanEngine::refreshIrPathText(int program)
{
    copyField(irPathText_[program], sizeof(irPathText_[program]), records_[program].irPath, kIrPathSize);
}

bool ZorvanEngine::copyIrPath(int32_t program, char* out, size_t outSize) const
{
    if (program < 0 || program >= kNumPrograms || !out)
        return false;
    std::lock_guard<std::mutex> lock(recordMutex_);
    copyField(out, outSize, irPathText_[program], sizeof(irPathText_[program]));
    return true;
}

const char* ZorvanEngine::irPathForEditor(int32_t program) const
{
    return copyIrPath(program, editorIrPath_, sizeof(editorIrPath_)) ? editorIrPath_ : nullptr;
}

bool ZorvanEngine::loadIrPath(const char* path)
{
    if (!path || strnlen(path, kIrPathSize) >= kIrPathSize)
        return false;
    std::lock_guard<std::mutex> lock(controlMutex_);
    {
        std::lock_guard<std::mutex> records(recordMutex_);
        const int32_t current = getProgram();
        std::memset(records_[current].irPath, 0, kIrPathSize);
        std::memcpy(records_[current].irPath, path, std::strlen(path));
        refreshIrPathText(current);
    }
    loadCurrentImpulseLocked();
    return true;
}

void ZorvanEngine::loadCurrentImpulseLocked()
{
    // The path is copied out under the record lock; the file is read with
    // only the control mutex held, so readers of names and paths never wait
    // for the disk.
    char path[kIrPathSize + 1];
    copyIrPath(getProgram(), path, sizeof(path));
    const bool requested = std::strcmp(path, kEmptyIrPath) != 0;
    const bool loaded = extCab_.loadImpulse(path);
    externalResponse_.store(!requested   ? ExternalResponse::None
                                : loaded ? ExternalResponse::Loaded
                                         : ExternalResponse::Refused,
                            std::memory_order_relaxed);
}
