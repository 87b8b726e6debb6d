#include "plugin/vst3/ZorvanVst3Factory.h"

#include "plugin/Identity.h"
#include "plugin/vst3/ZorvanVst3.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace zv3 {

namespace {

// Copies text into a fixed field, cut to fit and NUL-padded.
template <size_t N>
void copyText(char (&field)[N], const char* text)
{
    std::snprintf(field, N, "%s", text);
}

constexpr char kSdkVersion[] = "VST 3.7"; // the interface revision the plug-in follows

} // namespace

ZorvanVst3Factory& ZorvanVst3Factory::instance()
{
    static ZorvanVst3Factory factory;
    return factory;
}

vst3::tresult ZorvanVst3Factory::queryInterface(const vst3::TUID iid, void** obj)
{
    if (!obj)
        return vst3::kInvalidArgument;
    if (vst3::FUnknown::iid == iid || vst3::IPluginFactory::iid == iid || vst3::IPluginFactory2::iid == iid) {
        *obj = static_cast<vst3::IPluginFactory2*>(this);
        return vst3::kResultOk;
    }
    *obj = nullptr;
    return vst3::kNoInterface;
}

vst3::tresult ZorvanVst3Factory::getFactoryInfo(vst3::PFactoryInfo* info)
{
    if (!info)
        return vst3::kInvalidArgument;
    std::memset(info, 0, sizeof(*info));
    copyText(info->vendor, zorvan::kVendorString);
    copyText(info->url, zorvan::kWebAddress);
    info->flags = vst3::PFactoryInfo::kUnicode;
    return vst3::kResultOk;
}

vst3::tresult ZorvanVst3Factory::getClassInfo(int32_t index, vst3::PClassInfo* info)
{
    // The first fields of the longer description.
    vst3::PClassInfo2 full;
    if (!info || getClassInfo2(index, &full) != vst3::kResultOk)
        return vst3::kInvalidArgument;
    std::memset(info, 0, sizeof(*info));
    std::memcpy(info->cid, full.cid, sizeof(info->cid));
    info->cardinality = full.cardinality;
    copyText(info->category, full.category);
    copyText(info->name, full.name);
    return vst3::kResultOk;
}

vst3::tresult ZorvanVst3Factory::getClassInfo2(int32_t index, vst3::PClassInfo2* info)
{
    if (index != 0 || !info)
        return vst3::kInvalidArgument;
    std::memset(info, 0, sizeof(*info));
    std::memcpy(info->cid, kClassId.bytes, sizeof(info->cid));
    info->cardinality = vst3::PClassInfo::kManyInstances;
    copyText(info->category, vst3::kVstAudioEffectClass);
    copyText(info->name, zorvan::kEffectName);
    info->classFlags = 0; // processor and controller are one object: never distributed
    copyText(info->subCategories, kSubCategories);
    copyText(info->vendor, zorvan::kVendorString);
    copyText(info->version, zorvan::kVersionString);
    copyText(info->sdkVersion, kSdkVersion);
    return vst3::kResultOk;
}

vst3::tresult ZorvanVst3Factory::createInstance(vst3::FIDString cid, vst3::FIDString iid, void** obj)
{
    if (!obj)
        return vst3::kInvalidArgument;
    *obj = nullptr;
    if (!(kClassId == cid) || !iid)
        return vst3::kResultFalse;
    try {
        ZorvanVst3* instance = new (std::nothrow) ZorvanVst3();
        if (!instance)
            return vst3::kResultFalse;
        const vst3::tresult result = instance->queryInterface(iid, obj);
        static_cast<vst3::IComponent*>(instance)->release(); // the creator's reference
        return result == vst3::kResultOk ? vst3::kResultOk : vst3::kNoInterface;
    } catch (...) {
        // Nothing may escape into the host.
        return vst3::kResultFalse;
    }
}

} // namespace zv3
