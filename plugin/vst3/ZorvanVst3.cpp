#include "plugin/vst3/ZorvanVst3.h"

#include "editor/zorvanGUI.h"
#include "plugin/vst3/Vst3State.h"
#include "plugin/vst3/ZorvanVst3View.h"

#include <cmath>
#include <cstring>
#include <new>

namespace zv3 {

namespace {

constexpr int kMaxQueues = 32; // parameter queues read per block; hosts send one per changed parameter

// The controller's slot of a parameter: 0 to 8, bypass 9, else -1.
int slotOf(vst3::ParamID id)
{
    if (id < static_cast<vst3::ParamID>(kNumParams))
        return static_cast<int>(id);
    return id == kBypassId ? kNumParams : -1;
}

template <typename Sample>
Sample** channelsOf(vst3::AudioBusBuffers& bus);
template <>
float** channelsOf<float>(vst3::AudioBusBuffers& bus)
{
    return bus.channelBuffers32;
}
template <>
double** channelsOf<double>(vst3::AudioBusBuffers& bus)
{
    return bus.channelBuffers64;
}

bool acceptedArrangement(vst3::SpeakerArrangement arr)
{
    return arr == vst3::kArrStereo || arr == vst3::kArrMono;
}

int channelCount(vst3::SpeakerArrangement arr)
{
    return arr == vst3::kArrMono ? 1 : 2;
}

} // namespace

ZorvanVst3::ZorvanVst3() : engine(this)
{
    for (int i = 0; i < kNumParams; ++i)
        controllerValues[i].store(engine.getParameter(i), std::memory_order_relaxed);
    controllerValues[kNumParams].store(0.f, std::memory_order_relaxed);

    // The panel comes last; without one the plug-in runs headless.
    try {
        editor = new (std::nothrow) zorvanGUI(this);
    } catch (...) {
        editor = nullptr;
    }
    if (editor)
        editor->setKnobMode(2);
}

ZorvanVst3::~ZorvanVst3()
{
    engine.setListener(nullptr);
    if (editor) {
        editor->close();
        delete editor;
    }
    setComponentHandler(nullptr);
    if (hostContext)
        hostContext->release();
}

// ---------------------------------------------------------------------------
// FUnknown and IPluginBase

vst3::tresult ZorvanVst3::queryInterface(const vst3::TUID iid, void** obj)
{
    if (!obj)
        return vst3::kInvalidArgument;
    if (vst3::FUnknown::iid == iid || vst3::IPluginBase::iid == iid || vst3::IComponent::iid == iid)
        *obj = static_cast<vst3::IComponent*>(this);
    else if (vst3::IAudioProcessor::iid == iid)
        *obj = static_cast<vst3::IAudioProcessor*>(this);
    else if (vst3::IProcessContextRequirements::iid == iid)
        *obj = static_cast<vst3::IProcessContextRequirements*>(this);
    else if (vst3::IEditController::iid == iid)
        *obj = static_cast<vst3::IEditController*>(this);
    else {
        *obj = nullptr;
        return vst3::kNoInterface;
    }
    addRef();
    return vst3::kResultOk;
}

uint32_t ZorvanVst3::addRef()
{
    return refCount.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32_t ZorvanVst3::release()
{
    const uint32_t left = refCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0)
        delete this;
    return left;
}

vst3::tresult ZorvanVst3::initialize(vst3::FUnknown* context)
{
    // Hosts initialise the component and then the controller: the same
    // object, so the second call finds it ready.
    if (!hostContext && context) {
        context->addRef();
        hostContext = context;
    }
    return vst3::kResultOk;
}

vst3::tresult ZorvanVst3::terminate()
{
    setComponentHandler(nullptr);
    if (hostContext) {
        hostContext->release();
        hostContext = nullptr;
    }
    return vst3::kResultOk;
}

// ---------------------------------------------------------------------------
// IComponent

vst3::tresult ZorvanVst3::getControllerClassId(vst3::TUID /*classId*/)
{
    // The component is its own controller.
    return vst3::kNotImplemented;
}

vst3::tresult ZorvanVst3::setIoMode(int32_t /*mode*/)
{
    return vst3::kNotImplemented;
}

int32_t ZorvanVst3::getBusCount(int32_t type, int32_t dir)
{
    return type == vst3::kAudio && (dir == vst3::kInput || dir == vst3::kOutput) ? 1 : 0;
}

vst3::tresult ZorvanVst3::getBusInfo(int32_t type, int32_t dir, int32_t index, vst3::BusInfo& bus)
{
    if (type != vst3::kAudio || index != 0 || (dir != vst3::kInput && dir != vst3::kOutput))
        return vst3::kInvalidArgument;
    std::memset(&bus, 0, sizeof(bus));
    bus.mediaType = vst3::kAudio;
    bus.direction = dir;
    bus.channelCount = channelCount(dir == vst3::kInput ? inputArrangement : outputArrangement);
    copyToString128(bus.name, dir == vst3::kInput ? "Input" : "Output");
    bus.busType = vst3::kMain;
    bus.flags = vst3::BusInfo::kDefaultActive;
    return vst3::kResultOk;
}

vst3::tresult ZorvanVst3::getRoutingInfo(vst3::RoutingInfo& /*inInfo*/, vst3::RoutingInfo& /*outInfo*/)
{
    return vst3::kNotImplemented;
}

vst3::tresult ZorvanVst3::activateBus(int32_t type, int32_t dir, int32_t index, vst3::TBool /*state*/)
{
    // The two audio buses are always processed; a host may switch them as it likes.
    return type == vst3::kAudio && index == 0 && (dir == vst3::kInput || dir == vst3::kOutput) ? vst3::kResultOk
                                                                                               : vst3::kInvalidArgument;
}

vst3::tresult ZorvanVst3::setActive(vst3::TBool state)
{
    if (state) {
        engine.resume();
        bypass.setTarget(bypassRequested.load(std::memory_order_relaxed));
        bypass.settle();
    } else {
        engine.suspend();
    }
    active = state != 0;
    return vst3::kResultOk;
}

vst3::tresult ZorvanVst3::setState(vst3::IBStream* stream)
{
    PluginState state;
    if (!readState(stream, state))
        return vst3::kResultFalse;
    if (engine.setChunk(&state.record, kPresetChunkSize, true) != 1)
        return vst3::kResultFalse;
    controllerValues[kNumParams].store(state.bypass ? 1.f : 0.f, std::memory_order_relaxed);
    bypassRequested.store(state.bypass, std::memory_order_relaxed);
    return vst3::kResultOk;
}

vst3::tresult ZorvanVst3::getState(vst3::IBStream* stream)
{
    PluginState state;
    void* chunk = nullptr;
    if (engine.getChunk(&chunk, true) != kPresetChunkSize || !chunk)
        return vst3::kResultFalse;
    std::memcpy(&state.record, chunk, kPresetChunkSize);
    // The values the host last set or heard: a host may save right after
    // setParamNormalized, before process has handed the change to the engine.
    for (int i = 0; i < kNumParams; ++i)
        state.record.values[i] = controllerValues[i].load(std::memory_order_relaxed);
    state.bypass = controllerValues[kNumParams].load(std::memory_order_relaxed) >= 0.5f;
    return writeState(stream, state) ? vst3::kResultOk : vst3::kResultFalse;
}

// ---------------------------------------------------------------------------
// IAudioProcessor

vst3::tresult ZorvanVst3::setBusArrangements(vst3::SpeakerArrangement* inputs, int32_t numIns,
                                             vst3::SpeakerArrangement* outputs, int32_t numOuts)
{
    if (active || numIns != 1 || numOuts != 1 || !inputs || !outputs || !acceptedArrangement(inputs[0]) ||
        !acceptedArrangement(outputs[0]))
        return vst3::kResultFalse;
    inputArrangement = inputs[0];
    outputArrangement = outputs[0];
    return vst3::kResultTrue;
}

vst3::tresult ZorvanVst3::getBusArrangement(int32_t dir, int32_t index, vst3::SpeakerArrangement& arr)
{
    if (index != 0 || (dir != vst3::kInput && dir != vst3::kOutput))
        return vst3::kInvalidArgument;
    arr = dir == vst3::kInput ? inputArrangement : outputArrangement;
    return vst3::kResultTrue;
}

vst3::tresult ZorvanVst3::canProcessSampleSize(int32_t symbolicSampleSize)
{
    return symbolicSampleSize == vst3::kSample32 || symbolicSampleSize == vst3::kSample64 ? vst3::kResultTrue
                                                                                          : vst3::kResultFalse;
}

vst3::tresult ZorvanVst3::setupProcessing(vst3::ProcessSetup& setup)
{
    if (active || canProcessSampleSize(setup.symbolicSampleSize) != vst3::kResultTrue)
        return vst3::kResultFalse;
    // The engine refuses a rate it cannot run at; the previous one stays.
    const double rate = setup.sampleRate;
    if (!(rate >= ZorvanEngine::kMinSampleRate && rate <= ZorvanEngine::kMaxSampleRate) ||
        !engine.setSampleRate(static_cast<float>(rate)))
        return vst3::kResultFalse;
    sampleSize = setup.symbolicSampleSize;
    bypass.prepare(rate);
    return vst3::kResultOk;
}

vst3::tresult ZorvanVst3::setProcessing(vst3::TBool /*state*/)
{
    return vst3::kResultOk;
}

uint32_t ZorvanVst3::getTailSamples()
{
    return static_cast<uint32_t>(engine.tailSamples());
}

vst3::tresult ZorvanVst3::process(vst3::ProcessData& data)
{
    if (data.symbolicSampleSize == vst3::kSample32)
        processBlock<float>(data);
    else if (data.symbolicSampleSize == vst3::kSample64)
        processBlock<double>(data);
    else
        return vst3::kInvalidArgument;
    return vst3::kResultOk;
}

void ZorvanVst3::applyPoint(vst3::ParamID id, double value)
{
    if (id == kBypassId) {
        const bool on = value >= 0.5;
        bypassRequested.store(on, std::memory_order_relaxed);
        controllerValues[kNumParams].store(on ? 1.f : 0.f, std::memory_order_relaxed);
        bypass.setTarget(on);
        return;
    }
    // The host's value as the VST 2.4 interface would hand it over.
    engine.setParameter(static_cast<int32_t>(id), static_cast<float>(value));
}

template <typename Sample>
void ZorvanVst3::processBlock(vst3::ProcessData& data)
{
    const int32_t frames = data.numSamples > 0 ? data.numSamples : 0;
    bypass.setTarget(bypassRequested.load(std::memory_order_relaxed));

    // One cursor per queue of a known parameter, at its next point.
    struct Cursor {
        vst3::IParamValueQueue* queue;
        vst3::ParamID id;
        int32_t count;  // points in the queue
        int32_t next;   // the point the cursor is at
        int32_t offset; // that point's frame
        double value;   // and its value
        bool fetch()
        {
            if (next < count && queue->getPoint(next, offset, value) == vst3::kResultOk)
                return true;
            next = count;
            return false;
        }
    };
    Cursor cursors[kMaxQueues];
    int queues = 0;
    vst3::IParameterChanges* changes = data.inputParameterChanges;
    const int32_t queueCount = changes ? changes->getParameterCount() : 0;
    for (int32_t q = 0; q < queueCount && queues < kMaxQueues; ++q) {
        vst3::IParamValueQueue* queue = changes->getParameterData(q);
        if (!queue || !isKnownParameter(queue->getParameterId()))
            continue;
        Cursor c{queue, queue->getParameterId(), queue->getPointCount(), 0, 0, 0.0};
        if (c.fetch())
            cursors[queues++] = c;
    }

    // Render up to the earliest pending point, apply every point due there
    // (queue order, then point order), go on. Offsets before the current
    // frame count as the current frame; points past the block apply after it.
    auto due = [frames](int32_t offset, int32_t pos) { return offset < pos ? pos : offset > frames ? frames : offset; };
    int32_t pos = 0;
    for (;;) {
        int32_t at = frames;
        bool pending = false;
        for (int i = 0; i < queues; ++i) {
            if (cursors[i].next < cursors[i].count) {
                pending = true;
                const int32_t d = due(cursors[i].offset, pos);
                at = d < at ? d : at;
            }
        }
        if (!pending)
            break;
        render<Sample>(data, pos, at);
        pos = at;
        for (int i = 0; i < queues; ++i) {
            Cursor& c = cursors[i];
            while (c.next < c.count && due(c.offset, pos) == pos) {
                applyPoint(c.id, c.value);
                ++c.next;
                c.fetch();
            }
        }
    }
    render<Sample>(data, pos, frames);

    if (data.outputs && data.numOutputs > 0)
        data.outputs[0].silenceFlags = 0;
}

template <typename Sample>
void ZorvanVst3::render(vst3::ProcessData& data, int32_t from, int32_t to)
{
    if (to <= from || !data.outputs || data.numOutputs < 1)
        return;
    vst3::AudioBusBuffers& outBus = data.outputs[0];
    Sample** outs = channelsOf<Sample>(outBus);
    if (!outs || outBus.numChannels < 1 || !outs[0])
        return;
    Sample** ins = data.inputs && data.numInputs > 0 ? channelsOf<Sample>(data.inputs[0]) : nullptr;
    const int32_t inChannels = ins ? data.inputs[0].numChannels : 0;
    const bool leftIn = inChannels >= 1 && ins[0];
    const bool stereoIn = leftIn && inChannels >= 2 && ins[1];
    const bool stereoOut = outBus.numChannels >= 2 && outs[1];

    if (stereoIn && stereoOut && !bypass.active()) {
        engine.process(ins[0] + from, ins[1] + from, outs[0] + from, outs[1] + from, to - from);
        return;
    }
    // A mono input feeds the amplifier alone, as one input of two would
    // (the other silent); a mono output gets the one result.
    PassBuffers<Sample>& b = buffersFor(Sample());
    for (int32_t pos = from; pos < to; pos += kChunk) {
        const int32_t n = to - pos < kChunk ? to - pos : kChunk;
        const Sample* in0 = leftIn ? ins[0] + pos : b.zero;
        const Sample* in1 = stereoIn ? ins[1] + pos : b.zero;
        Sample* out0 = outs[0] + pos;
        Sample* out1 = stereoOut ? outs[1] + pos : b.spare;
        const bool fading = bypass.active();
        if (fading) {
            // Kept before the engine writes: hosts may process in place.
            std::memcpy(b.dry[0], in0, sizeof(Sample) * static_cast<size_t>(n));
            std::memcpy(b.dry[1], stereoIn ? in1 : in0, sizeof(Sample) * static_cast<size_t>(n));
        }
        engine.process(in0, in1, out0, out1, n);
        if (fading)
            bypass.mix(b.dry[0], b.dry[1], out0, stereoOut ? out1 : nullptr, n);
    }
}

// ---------------------------------------------------------------------------
// IEditController

vst3::tresult ZorvanVst3::setComponentState(vst3::IBStream* /*state*/)
{
    // The controller is the component: setState already applied these bytes.
    return vst3::kResultOk;
}

vst3::tresult ZorvanVst3::getParameterInfo(int32_t paramIndex, vst3::ParameterInfo& info)
{
    return describeParameter(paramIndex, info) ? vst3::kResultOk : vst3::kInvalidArgument;
}

vst3::tresult ZorvanVst3::getParamStringByValue(vst3::ParamID id, vst3::ParamValue value, vst3::String128 string)
{
    return parameterText(id, value, string) ? vst3::kResultOk : vst3::kInvalidArgument;
}

vst3::tresult ZorvanVst3::getParamValueByString(vst3::ParamID id, vst3::TChar* string, vst3::ParamValue& value)
{
    return parameterValue(id, string, value) ? vst3::kResultOk : vst3::kResultFalse;
}

vst3::ParamValue ZorvanVst3::normalizedParamToPlain(vst3::ParamID id, vst3::ParamValue value)
{
    return toPlain(id, value);
}

vst3::ParamValue ZorvanVst3::plainParamToNormalized(vst3::ParamID id, vst3::ParamValue plain)
{
    return toNormalized(id, plain);
}

vst3::ParamValue ZorvanVst3::getParamNormalized(vst3::ParamID id)
{
    const int slot = slotOf(id);
    return slot < 0 ? 0.0 : controllerValues[slot].load(std::memory_order_relaxed);
}

vst3::tresult ZorvanVst3::setParamNormalized(vst3::ParamID id, vst3::ParamValue value)
{
    // The controller's view only: the host hands the same change to the
    // processor through process, at its sample position.
    const int slot = slotOf(id);
    if (slot < 0)
        return vst3::kInvalidArgument;
    controllerValues[slot].store(static_cast<float>(value), std::memory_order_relaxed);
    if (slot < kNumParams && editor)
        editor->setParameter(slot, static_cast<float>(value));
    return vst3::kResultOk;
}

vst3::tresult ZorvanVst3::setComponentHandler(vst3::IComponentHandler* newHandler)
{
    if (newHandler == handler)
        return vst3::kResultOk;
    if (handler2)
        handler2->release();
    if (handler)
        handler->release();
    handler = newHandler;
    handler2 = nullptr;
    if (handler) {
        handler->addRef();
        void* extension = nullptr;
        if (handler->queryInterface(vst3::IComponentHandler2::iid.bytes, &extension) == vst3::kResultOk)
            handler2 = static_cast<vst3::IComponentHandler2*>(extension);
    }
    return vst3::kResultOk;
}

vst3::IPlugView* ZorvanVst3::createView(vst3::FIDString name)
{
    if (!editor || !name || std::strcmp(name, vst3::kEditorViewType) != 0)
        return nullptr;
    return new (std::nothrow) ZorvanVst3View(*this);
}

// ---------------------------------------------------------------------------
// Engine listener

void ZorvanVst3::parameterChanged(int32_t index, float value)
{
    if (index < 0 || index >= kNumParams)
        return;
    controllerValues[index].store(value, std::memory_order_relaxed);
    if (editor)
        editor->setParameter(index, value);
}

void ZorvanVst3::programChanged()
{
    if (editor)
        editor->refreshIrName();
}

// ---------------------------------------------------------------------------
// Editor link

float ZorvanVst3::getParameter(int32_t index)
{
    return index >= 0 && index < kNumParams ? controllerValues[index].load(std::memory_order_relaxed) : 0.f;
}

void ZorvanVst3::setParameterAutomated(int32_t index, float value)
{
    if (index < 0 || index >= kNumParams)
        return;
    // Applied at once, as the VST 2.4 panel does, so the sound and the saved
    // state follow the knob even while the host is not processing; the host
    // then passes the same value back through process.
    engine.setParameter(index, value);
    if (handler)
        handler->performEdit(static_cast<vst3::ParamID>(index), value);
}

bool ZorvanVst3::beginEdit(int32_t index)
{
    // Tags beyond the nine (the LOAD button, the logo) are no parameters here.
    return index >= 0 && index < kNumParams && handler &&
        handler->beginEdit(static_cast<vst3::ParamID>(index)) == vst3::kResultOk;
}

bool ZorvanVst3::endEdit(int32_t index)
{
    return index >= 0 && index < kNumParams && handler &&
        handler->endEdit(static_cast<vst3::ParamID>(index)) == vst3::kResultOk;
}

const char* ZorvanVst3::getIrPath(int program) const
{
    return engine.irPathForEditor(program);
}

bool ZorvanVst3::loadIrPath(const char* path)
{
    if (!engine.loadIrPath(path))
        return false;
    // The response path is part of the state but no parameter: the host
    // learns that its project changed.
    if (handler2)
        handler2->setDirty(1);
    return true;
}

template void ZorvanVst3::processBlock<float>(vst3::ProcessData&);
template void ZorvanVst3::processBlock<double>(vst3::ProcessData&);

} // namespace zv3
