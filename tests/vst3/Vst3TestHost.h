// A small VST3 host for tests: loads the built bundle's module with dlopen
// (LoadLibrary in the Windows build, through its dlfcn.h),
// creates instances through its factory and drives them as a host does, with
// memory streams and parameter queues of its own. The VST 2.4 library is
// loaded beside it (tests/support/VstHost.h) as the reference.
#pragma once

#include "plugin/vst3/Vst3Controller.h"
#include "plugin/vst3/Vst3Processing.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace v3host {

using namespace vst3;

// Objects the host owns on the stack: reference counts are not kept.
template <class Interface>
class HostObject : public Interface {
public:
    tresult ZV3_API queryInterface(const TUID iid, void** obj) override
    {
        if (FUnknown::iid == iid || Interface::iid == iid) {
            *obj = static_cast<Interface*>(this);
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32_t ZV3_API addRef() override { return 1; }
    uint32_t ZV3_API release() override { return 1; }
    virtual ~HostObject() = default;
};

// A stream over a byte vector; reads hand out at most readLimit bytes per call.
class MemoryStream : public HostObject<IBStream> {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<char> bytes) : data(std::move(bytes)) {}
    tresult ZV3_API read(void* buffer, int32_t numBytes, int32_t* numBytesRead) override
    {
        const int32_t n = std::max(0, std::min({numBytes, readLimit, static_cast<int32_t>(data.size()) - pos}));
        if (n > 0)
            std::memcpy(buffer, data.data() + pos, static_cast<size_t>(n));
        pos += n;
        if (numBytesRead)
            *numBytesRead = n;
        return kResultOk;
    }
    tresult ZV3_API write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) override
    {
        data.resize(std::max(data.size(), static_cast<size_t>(pos + numBytes)));
        std::memcpy(data.data() + pos, buffer, static_cast<size_t>(numBytes));
        pos += numBytes;
        if (numBytesWritten)
            *numBytesWritten = numBytes;
        return kResultOk;
    }
    tresult ZV3_API seek(int64_t to, int32_t mode, int64_t* result) override
    {
        pos = static_cast<int32_t>(mode == kIBSeekSet ? to : mode == kIBSeekCur ? pos + to : data.size() + to);
        if (result)
            *result = pos;
        return kResultOk;
    }
    tresult ZV3_API tell(int64_t* at) override
    {
        *at = pos;
        return kResultOk;
    }
    std::vector<char> data;
    int32_t pos = 0;
    int32_t readLimit = 1 << 30;
};

class ValueQueue : public HostObject<IParamValueQueue> {
public:
    explicit ValueQueue(ParamID id) : id(id) {}
    uint32_t ZV3_API getParameterId() override { return id; }
    int32_t ZV3_API getPointCount() override { return static_cast<int32_t>(points.size()); }
    tresult ZV3_API getPoint(int32_t index, int32_t& offset, double& value) override
    {
        if (index < 0 || index >= getPointCount())
            return kInvalidArgument;
        offset = points[static_cast<size_t>(index)].first;
        value = points[static_cast<size_t>(index)].second;
        return kResultOk;
    }
    tresult ZV3_API addPoint(int32_t offset, double value, int32_t& index) override
    {
        points.emplace_back(offset, value);
        index = getPointCount() - 1;
        return kResultOk;
    }
    ParamID id;
    std::vector<std::pair<int32_t, double>> points;
};

class Changes : public HostObject<IParameterChanges> {
public:
    int32_t ZV3_API getParameterCount() override { return static_cast<int32_t>(queues.size()); }
    IParamValueQueue* ZV3_API getParameterData(int32_t index) override
    {
        return index >= 0 && index < getParameterCount() ? &queues[static_cast<size_t>(index)] : nullptr;
    }
    IParamValueQueue* ZV3_API addParameterData(const uint32_t& id, int32_t& index) override
    {
        queues.emplace_back(id);
        index = getParameterCount() - 1;
        return &queues.back();
    }
    // Adds a point to the queue of id, making the queue when needed.
    void add(ParamID id, int32_t offset, double value)
    {
        for (auto& q : queues)
            if (q.id == id) {
                q.points.emplace_back(offset, value);
                return;
            }
        queues.emplace_back(id);
        queues.back().points.emplace_back(offset, value);
    }
    std::vector<ValueQueue> queues;
};

template <typename I>
I* queryAs(FUnknown* object)
{
    void* out = nullptr;
    if (!object || object->queryInterface(I::iid.bytes, &out) != kResultOk)
        return nullptr;
    return static_cast<I*>(out);
}

// The bundle's module, loaded for the test program's lifetime.
class Module {
public:
    explicit Module(const std::string& path = ZORVAN_VST3_MODULE_PATH)
    {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            throw std::runtime_error(std::string("dlopen failed: ") + dlerror());
        auto getFactory = reinterpret_cast<IPluginFactory* (*)()>(dlsym(handle, "GetPluginFactory"));
        if (!getFactory || !enter())
            throw std::runtime_error("not a VST3 module");
        factory = getFactory();
    }
    ~Module()
    {
        leave();
        dlclose(handle);
    }
    static Module& shared()
    {
        static Module module;
        return module;
    }
    void* handle = nullptr;
    IPluginFactory* factory = nullptr;

private:
    // The calls each system's hosts make after loading and before unloading.
#if defined(_WIN32)
    bool enter()
    {
        auto init = reinterpret_cast<bool(ZV3_API*)()>(dlsym(handle, "InitDll"));
        return init && init();
    }
    void leave()
    {
        if (auto exitDll = reinterpret_cast<bool(ZV3_API*)()>(dlsym(handle, "ExitDll")))
            exitDll();
    }
#else
    bool enter()
    {
        auto entry = reinterpret_cast<bool (*)(void*)>(dlsym(handle, "ModuleEntry"));
        return entry && entry(handle);
    }
    void leave()
    {
        if (auto exitProc = reinterpret_cast<bool (*)()>(dlsym(handle, "ModuleExit")))
            exitProc();
    }
#endif
};

// One instance: the component, and the processor and controller it answers for.
class Plugin {
public:
    explicit Plugin(Module& module = Module::shared())
    {
        PClassInfo info{};
        void* obj = nullptr;
        if (module.factory->getClassInfo(0, &info) != kResultOk ||
            module.factory->createInstance(info.cid, IComponent::iid.bytes, &obj) != kResultOk)
            throw std::runtime_error("no instance");
        component = static_cast<IComponent*>(obj);
        component->initialize(nullptr);
        processor = queryAs<IAudioProcessor>(component);
        controller = queryAs<IEditController>(component);
        if (!processor || !controller)
            throw std::runtime_error("no processor or controller");
    }
    ~Plugin()
    {
        if (active)
            activate(false);
        controller->terminate();
        component->terminate();
        controller->release();
        processor->release();
        component->release();
    }
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    tresult setup(double rate, int32_t sampleSize, int32_t maxBlock = 4096)
    {
        ProcessSetup s{kRealtime, sampleSize, maxBlock, rate};
        this->sampleSize = sampleSize;
        return processor->setupProcessing(s);
    }
    void activate(bool on)
    {
        if (!on)
            processor->setProcessing(0);
        component->setActive(on ? 1 : 0);
        if (on)
            processor->setProcessing(1);
        active = on;
    }
    // Runs one block over the given channels (in place when in and out are the
    // same vectors) with the given changes.
    template <typename Sample>
    tresult process(std::vector<std::vector<Sample>*> ins, std::vector<std::vector<Sample>*> outs, int32_t frames,
                    Changes* changes = nullptr)
    {
        std::vector<Sample*> inPtrs, outPtrs;
        for (auto* v : ins)
            inPtrs.push_back(v->data());
        for (auto* v : outs)
            outPtrs.push_back(v->data());
        AudioBusBuffers in{}, out{};
        in.numChannels = static_cast<int32_t>(inPtrs.size());
        out.numChannels = static_cast<int32_t>(outPtrs.size());
        setBuffers(in, inPtrs.data());
        setBuffers(out, outPtrs.data());
        ProcessData data{};
        data.processMode = kRealtime;
        data.symbolicSampleSize = sampleSize;
        data.numSamples = frames;
        data.numInputs = ins.empty() ? 0 : 1;
        data.numOutputs = outs.empty() ? 0 : 1;
        data.inputs = ins.empty() ? nullptr : &in;
        data.outputs = outs.empty() ? nullptr : &out;
        data.inputParameterChanges = changes;
        return processor->process(data);
    }
    // A flush: parameter changes only, no buffers.
    tresult flush(Changes& changes)
    {
        ProcessData data{};
        data.symbolicSampleSize = sampleSize;
        data.inputParameterChanges = &changes;
        return processor->process(data);
    }
    std::vector<char> state()
    {
        MemoryStream s;
        if (component->getState(&s) != kResultOk)
            throw std::runtime_error("getState failed");
        return s.data;
    }
    tresult setState(const std::vector<char>& bytes)
    {
        MemoryStream s(bytes);
        return component->setState(&s);
    }

    IComponent* component = nullptr;
    IAudioProcessor* processor = nullptr;
    IEditController* controller = nullptr;
    int32_t sampleSize = kSample32;
    bool active = false;

private:
    static void setBuffers(AudioBusBuffers& bus, float** p) { bus.channelBuffers32 = p; }
    static void setBuffers(AudioBusBuffers& bus, double** p) { bus.channelBuffers64 = p; }
};

} // namespace v3host
