#include "tools/render/PluginHost.h"

#include "tools/render/PresetFile.h"
#include "tools/render/ZorvanFacts.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

namespace zrender {
namespace {

typedef AEffect* (*PluginEntryProc)(audioMasterCallback audioMaster);

// What the callback reports back; one instance per process, so plain globals do.
double gHostSampleRate = 44100.0;
int gHostBlockSize = 512;

void copyText(void* ptr, const char* text, size_t limit)
{
    if (!ptr)
        return;
    const size_t n = strnlen(text, limit);
    std::memcpy(ptr, text, n);
    static_cast<char*>(ptr)[n] = 0;
}

} // namespace

intptr_t hostCallback(AEffect* /*effect*/, int32_t opcode, int32_t /*index*/, intptr_t /*value*/, void* ptr,
                      float /*opt*/)
{
    switch (opcode) {
    case audioMasterVersion:
        return kVstVersion;
    case audioMasterGetSampleRate:
        return static_cast<intptr_t>(gHostSampleRate);
    case audioMasterGetBlockSize:
        return gHostBlockSize;
    case audioMasterGetCurrentProcessLevel:
        return 4; // offline rendering
    case audioMasterGetVendorString:
        copyText(ptr, "Zorvan, Inc.", kVstMaxVendorStrLen);
        return 1;
    case audioMasterGetProductString:
        copyText(ptr, "zorvan-render", kVstMaxProductStrLen);
        return 1;
    case audioMasterGetVendorVersion:
        return 1;
    default:
        return 0; // automation, edits, time info, canDo: nothing to say
    }
}

PluginHost::PluginHost(const std::string& modulePath) : modulePath_(modulePath)
{
    const std::string where = "plug-in " + modulePath + ": ";
    // A bare file name means the file here, not a search of the library path.
    const std::string file = modulePath.find('/') == std::string::npos ? "./" + modulePath : modulePath;
    module_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module_) {
        const char* why = dlerror();
        throw RenderError("cannot load plug-in: " + std::string(why ? why : modulePath));
    }
    dlerror();
    auto entry = reinterpret_cast<PluginEntryProc>(dlsym(module_, "VSTPluginMain"));
    if (!entry) {
        dlclose(module_);
        throw RenderError(where + "no VSTPluginMain entry point, not a VST 2 plug-in");
    }
    gHostSampleRate = 44100.0;
    effect_ = entry(hostCallback);
    if (!effect_) {
        dlclose(module_);
        throw RenderError(where + "the entry point returned no effect");
    }
    if (effect_->magic != kEffectMagic || !effect_->dispatcher) {
        // The record cannot be trusted, so it is not closed, and the module that
        // owns it stays loaded.
        effect_ = nullptr;
        module_ = nullptr;
        throw RenderError(where + "bad effect record (magic is not VstP), not a VST 2 plug-in");
    }

    identity_.uniqueId = effect_->uniqueID;
    identity_.version = effect_->version;
    identity_.effectName = dispatchString(effGetEffectName);
    identity_.vendor = dispatchString(effGetVendorString);
    identity_.product = dispatchString(effGetProductString);
    identity_.vendorVersion = static_cast<int32_t>(dispatch(effGetVendorVersion));

    std::string wrong;
    if (identity_.uniqueId != kZorvanUniqueId)
        wrong = "its unique ID is " + fourCharText(identity_.uniqueId) + ", not " + fourCharText(kZorvanUniqueId);
    else if (identity_.effectName != kZorvanEffectName)
        wrong = "its name is \"" + identity_.effectName + "\"";
    else if (effect_->numInputs != 2 || effect_->numOutputs != 2 || effect_->numParams != kNumParams ||
             effect_->numPrograms != kNumPrograms)
        wrong = "it has " + std::to_string(effect_->numInputs) + " in, " + std::to_string(effect_->numOutputs) +
            " out, " + std::to_string(effect_->numParams) + " parameters, " + std::to_string(effect_->numPrograms) +
            " programs";
    else if (!(effect_->flags & effFlagsCanReplacing) || !effect_->processReplacing)
        wrong = "it cannot process replacing";
    else if (!(effect_->flags & effFlagsProgramChunks))
        wrong = "it does not keep its programs as chunks";
    if (!wrong.empty()) {
        close();
        throw RenderError(where + "not " + kZorvanEffectName + ": " + wrong);
    }
    dispatch(effOpen);
}

PluginHost::~PluginHost()
{
    close();
}

void PluginHost::close()
{
    if (effect_) {
        dispatch(effClose);
        effect_ = nullptr;
    }
    // The module stays loaded until the process ends, as most hosts keep it: the
    // libraries it pulled in (the FFT library's planner, for one) keep global
    // state that unloading would strand.
    module_ = nullptr;
}

intptr_t PluginHost::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string PluginHost::dispatchString(int32_t opcode, int32_t index)
{
    // Generous and zeroed: plug-ins overrun the nominal limits more often than not.
    char text[256] = {};
    dispatch(opcode, index, 0, text);
    text[sizeof text - 1] = 0;
    return text;
}

bool PluginHost::canDoubleReplacing() const
{
    return (effect_->flags & effFlagsCanDoubleReplacing) && effect_->processDoubleReplacing;
}

void PluginHost::setSampleRate(double rate)
{
    gHostSampleRate = rate;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
}

void PluginHost::setBlockSize(int frames)
{
    gHostBlockSize = frames;
    dispatch(effSetBlockSize, 0, frames);
}

void PluginHost::setMainsOn(bool on)
{
    dispatch(effMainsChanged, 0, on ? 1 : 0);
}
void PluginHost::startProcess()
{
    dispatch(effStartProcess);
}
void PluginHost::stopProcess()
{
    dispatch(effStopProcess);
}

void PluginHost::setParameter(int index, float value)
{
    effect_->setParameter(effect_, index, value);
}
float PluginHost::getParameter(int index)
{
    return effect_->getParameter(effect_, index);
}
std::string PluginHost::parameterName(int index)
{
    return dispatchString(effGetParamName, index);
}
std::string PluginHost::parameterDisplay(int index)
{
    return dispatchString(effGetParamDisplay, index);
}

int PluginHost::program()
{
    return static_cast<int>(dispatch(effGetProgram));
}
void PluginHost::setProgram(int index)
{
    dispatch(effSetProgram, 0, index);
}
std::string PluginHost::programName(int index)
{
    return dispatchString(effGetProgramNameIndexed, index);
}
std::string PluginHost::currentProgramName()
{
    return dispatchString(effGetProgramName);
}

void PluginHost::setProgramName(const std::string& name)
{
    char text[kVstMaxProgNameLen + 1] = {};
    std::memcpy(text, name.data(), std::min(name.size(), sizeof text - 1));
    dispatch(effSetProgramName, 0, 0, text);
}

std::vector<uint8_t> PluginHost::getChunk(bool preset)
{
    void* data = nullptr;
    const intptr_t size = dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
    if (size <= 0 || !data)
        return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

bool PluginHost::setChunk(const std::vector<uint8_t>& data, bool preset)
{
    // The plug-in may keep reading the buffer while copying; hand it our own copy.
    std::vector<uint8_t> copy = data;
    return dispatch(effSetChunk, preset ? 1 : 0, static_cast<intptr_t>(copy.size()), copy.data()) != 0;
}

void PluginHost::process(float** inputs, float** outputs, int frames)
{
    effect_->processReplacing(effect_, inputs, outputs, frames);
}

void PluginHost::process(double** inputs, double** outputs, int frames)
{
    effect_->processDoubleReplacing(effect_, inputs, outputs, frames);
}

} // namespace zrender
