// The tests' VST 2.4 host: opens the built plug-in library, creates instances
// through its entry point and drives them only through the AEffect record and
// its dispatcher, as a host does. Host callbacks can be recorded for tests of
// automation and edit gestures. Every processing call runs inside an
// rtprobe::Scope, so that in builds with the real-time probe any allocation,
// file access or lock taken by the plug-in while processing is counted.
#pragma once

#include "plugin/vst/aeffect.h"
#include "support/HostCallbacks.h"
#include "support/RealtimeProbe.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace testhost {

using Bytes = std::vector<uint8_t>;

typedef AEffect* (*EntryProc)(audioMasterCallback);

// The plug-in library, every symbol bound at load time.
class Library {
public:
    // Opened once per process and never closed: instances may outlive any test scope.
    static Library& shared()
    {
        static Library* library = new Library();
        return *library;
    }
    explicit Library(const std::string& path = ZORVAN_PLUGIN_PATH)
    {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            error = dlerror();
            return;
        }
        entry = reinterpret_cast<EntryProc>(symbol("VSTPluginMain"));
        if (!entry)
            error = "no VSTPluginMain";
    }
    ~Library() { close(); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool valid() const { return entry != nullptr; }
    // A raw instance as the entry point answers it (null when it refuses).
    AEffect* create(audioMasterCallback callback = recordingCallback) const
    {
        return entry ? entry(callback) : nullptr;
    }
    void* symbol(const char* name) const { return handle ? dlsym(handle, name) : nullptr; }
    // Unloads the library; the result of the system's unload (0 for success).
    int close()
    {
        const int rc = handle ? dlclose(handle) : 0;
        handle = nullptr;
        entry = nullptr;
        return rc;
    }

    void* handle = nullptr;
    EntryProc entry = nullptr;
    std::string error; // why the library or its entry point could not be found
};

// One instance, closed on destruction.
class Plugin {
public:
    // An instance from the shared library; valid() tells whether the entry point gave one.
    explicit Plugin(audioMasterCallback callback = plainCallback)
    {
        Library& library = Library::shared();
        if (library.entry)
            effect = library.entry(callback);
    }
    // An instance from a library the test opened; there must be one.
    explicit Plugin(const Library& library, audioMasterCallback callback = recordingCallback)
    {
        if (!library.entry)
            throw std::runtime_error("library not loaded: " + library.error);
        effect = library.entry(callback);
        if (!effect)
            throw std::runtime_error("the entry point returned no instance");
    }
    ~Plugin() { close(); }
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    bool valid() const { return effect != nullptr; }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.f)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    void close()
    {
        if (effect)
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.f);
        effect = nullptr;
    }

    void set(int32_t index, float value) { effect->setParameter(effect, index, value); }
    float get(int32_t index) { return effect->getParameter(effect, index); }
    void setParameter(int32_t index, float value) { set(index, value); }
    float getParameter(int32_t index) { return get(index); }
    template <size_t N>
    void setAll(const float (&values)[N])
    {
        for (size_t i = 0; i < N; ++i)
            set(static_cast<int32_t>(i), values[i]);
    }
    std::string text(int32_t opcode, int32_t index = 0)
    {
        char buffer[256] = {};
        dispatch(opcode, index, 0, buffer);
        return buffer;
    }

    void suspend() { dispatch(effMainsChanged, 0, 0); }
    void resume() { dispatch(effMainsChanged, 0, 1); }
    // A host's usual rate change: off, new rate, on.
    void setRate(float rate)
    {
        suspend();
        dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        resume();
    }

    void process(double** ins, double** outs, int32_t frames)
    {
        rtprobe::Scope inside;
        effect->processDoubleReplacing(effect, ins, outs, frames);
    }
    void process(float** ins, float** outs, int32_t frames)
    {
        rtprobe::Scope inside;
        effect->processReplacing(effect, ins, outs, frames);
    }
    // One call over whole vectors (two channels in, two out).
    template <typename T>
    void process(std::vector<T>& in0, std::vector<T>& in1, std::vector<T>& out0, std::vector<T>& out1)
    {
        T* ins[2] = {in0.data(), in1.data()};
        T* outs[2] = {out0.data(), out1.data()};
        process(ins, outs, static_cast<int32_t>(in0.size()));
    }

    // Runs left/right through the plug-in in blocks of `block` frames and returns
    // the first output; the second must carry the very same samples.
    template <typename T>
    std::vector<T> run(const std::vector<T>& left, const std::vector<T>& right, int block = 64)
    {
        std::vector<T> in0(left), in1(right), out0(left.size()), out1(left.size());
        for (size_t pos = 0; pos < left.size(); pos += static_cast<size_t>(block)) {
            const int32_t n = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(block), left.size() - pos));
            T* ins[2] = {in0.data() + pos, in1.data() + pos};
            T* outs[2] = {out0.data() + pos, out1.data() + pos};
            process(ins, outs, n);
        }
        EXPECT_EQ(std::memcmp(out0.data(), out1.data(), out0.size() * sizeof(T)), 0) << "the two outputs differ";
        return out0;
    }
    // Mono host: the signal on the left input only.
    template <typename T>
    std::vector<T> run(const std::vector<T>& left, int block = 64)
    {
        return run(left, std::vector<T>(left.size(), T(0)), block);
    }

    Bytes chunk(bool preset)
    {
        void* data = nullptr;
        const intptr_t size = dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
        if (size <= 0 || !data)
            return {};
        const auto* bytes = static_cast<const uint8_t*>(data);
        return Bytes(bytes, bytes + size);
    }
    intptr_t setChunk(Bytes bytes, bool preset)
    {
        return dispatch(effSetChunk, preset ? 1 : 0, static_cast<intptr_t>(bytes.size()), bytes.data());
    }

    AEffect* effect = nullptr;
};

} // namespace testhost
