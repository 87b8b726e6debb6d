// Loads the plug-in module and talks to it exactly as a VST 2.4 host does: dlopen,
// VSTPluginMain with our host callback, then dispatcher requests and the
// processing entries of the AEffect record.
//
// Threads: one thread only. The render host calls everything, including the
// processing entries, from its main thread, so no request overlaps processing.
#pragma once

#include "plugin/vst/aeffect.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zrender {

// A failure the user must hear about; what() is one line without a trailing newline.
struct RenderError : std::runtime_error {
    explicit RenderError(const std::string& message, int exitCode = 1) : std::runtime_error(message), code(exitCode) {}
    int code; // process exit status
};

struct PluginIdentity {
    std::string effectName;
    std::string vendor;
    std::string product;
    int32_t vendorVersion = 0;
    int32_t version = 0; // AEffect.version, the fxVersion of saved files
    int32_t uniqueId = 0;
};

class PluginHost {
public:
    // Loads the module, creates one instance and checks that it is our plug-in.
    // Throws RenderError naming the module on any failure.
    explicit PluginHost(const std::string& modulePath);
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    const PluginIdentity& identity() const { return identity_; }
    const std::string& modulePath() const { return modulePath_; }
    bool canDoubleReplacing() const;

    // Set-up, in a host's usual order: rate and block size, then mains on.
    void setSampleRate(double rate);
    void setBlockSize(int frames);
    void setMainsOn(bool on);
    void startProcess();
    void stopProcess();

    void setParameter(int index, float value);
    float getParameter(int index);
    std::string parameterName(int index);
    std::string parameterDisplay(int index);

    int program();
    void setProgram(int index);
    std::string programName(int index);
    std::string currentProgramName();
    void setProgramName(const std::string& name);

    // Copies of the plug-in's chunk; setChunk returns the plug-in's answer.
    std::vector<uint8_t> getChunk(bool preset);
    bool setChunk(const std::vector<uint8_t>& data, bool preset);

    void process(float** inputs, float** outputs, int frames);
    void process(double** inputs, double** outputs, int frames);

private:
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.f);
    std::string dispatchString(int32_t opcode, int32_t index = 0);
    void close();

    std::string modulePath_;    // as given, for a second instance
    void* module_ = nullptr;    // dlopen handle
    AEffect* effect_ = nullptr; // the instance, closed by close()
    PluginIdentity identity_;
};

// The host callback handed to the plug-in; answers what a plain offline host knows.
intptr_t hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

} // namespace zrender
