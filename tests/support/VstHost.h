// A small VST 2.4 host for tests: loads the built plug-in library with dlopen,
// creates instances through its entry point and records every host callback.
#pragma once

#include "plugin/vst/aeffect.h"

#include <dlfcn.h>

#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace testhost {

struct HostCall {
    int32_t opcode;
    int32_t index;
    intptr_t value;
    float opt;
};

// Callbacks of every instance land here; tests read them after the fact.
class CallLog {
public:
    static CallLog& instance()
    {
        static CallLog log;
        return log;
    }
    void record(const HostCall& call)
    {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back(call);
    }
    std::vector<HostCall> take()
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<HostCall> out;
        out.swap(calls);
        return out;
    }
    intptr_t versionAnswer = 2400; // what audioMasterVersion answers

private:
    std::mutex mutex;
    std::vector<HostCall> calls;
};

inline intptr_t recordingCallback(AEffect* /*effect*/, int32_t opcode, int32_t index, intptr_t value, void* /*ptr*/,
                                  float opt)
{
    CallLog& log = CallLog::instance();
    if (opcode == audioMasterVersion)
        return log.versionAnswer;
    log.record({opcode, index, value, opt});
    if (opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit || opcode == audioMasterAutomate)
        return 1;
    return 0;
}

typedef AEffect* (*EntryProc)(audioMasterCallback);

class PluginLibrary {
public:
    explicit PluginLibrary(const std::string& path = ZORVAN_PLUGIN_PATH)
    {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            throw std::runtime_error(std::string("dlopen failed: ") + dlerror());
        entry = reinterpret_cast<EntryProc>(dlsym(handle, "VSTPluginMain"));
        if (!entry)
            throw std::runtime_error("no VSTPluginMain");
    }
    ~PluginLibrary()
    {
        if (handle)
            dlclose(handle);
    }
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    void* symbol(const char* name) const { return dlsym(handle, name); }
    AEffect* create(audioMasterCallback callback = recordingCallback) const { return entry(callback); }

private:
    void* handle = nullptr;
    EntryProc entry = nullptr;
};

// One instance, closed on destruction.
class Instance {
public:
    explicit Instance(const PluginLibrary& library) : effect(library.create())
    {
        if (!effect)
            throw std::runtime_error("the entry point returned no instance");
    }
    ~Instance() { close(); }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.f)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    void close()
    {
        if (effect) {
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.f);
            effect = nullptr;
        }
    }
    void setParameter(int32_t index, float value) { effect->setParameter(effect, index, value); }
    float getParameter(int32_t index) { return effect->getParameter(effect, index); }
    std::string text(int32_t opcode, int32_t index = 0)
    {
        char buffer[256] = {};
        dispatch(opcode, index, 0, buffer);
        return buffer;
    }
    // Runs the double entry over mono-summed input given as two channels.
    void process(std::vector<double>& in0, std::vector<double>& in1, std::vector<double>& out0,
                 std::vector<double>& out1)
    {
        double* ins[2] = {in0.data(), in1.data()};
        double* outs[2] = {out0.data(), out1.data()};
        effect->processDoubleReplacing(effect, ins, outs, static_cast<int32_t>(in0.size()));
    }
    void process(std::vector<float>& in0, std::vector<float>& in1, std::vector<float>& out0,
                 std::vector<float>& out1)
    {
        float* ins[2] = {in0.data(), in1.data()};
        float* outs[2] = {out0.data(), out1.data()};
        effect->processReplacing(effect, ins, outs, static_cast<int32_t>(in0.size()));
    }

    AEffect* effect;
};

} // namespace testhost
