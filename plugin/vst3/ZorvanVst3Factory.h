// The module's plug-in factory: one class, the processor that is its own
// controller. The factory is a static object of the module; its reference
// count only keeps the interface's rules.
//
// Threads: any thread, no state that changes.
#pragma once

#include "plugin/vst3/Vst3Base.h"

namespace zv3 {

class ZorvanVst3Factory final : public vst3::IPluginFactory2 {
public:
    // The module's one factory.
    static ZorvanVst3Factory& instance();

    vst3::tresult ZV3_API queryInterface(const vst3::TUID iid, void** obj) override;
    uint32_t ZV3_API addRef() override { return 1; }
    uint32_t ZV3_API release() override { return 1; }

    vst3::tresult ZV3_API getFactoryInfo(vst3::PFactoryInfo* info) override;
    int32_t ZV3_API countClasses() override { return 1; }
    vst3::tresult ZV3_API getClassInfo(int32_t index, vst3::PClassInfo* info) override;
    vst3::tresult ZV3_API createInstance(vst3::FIDString cid, vst3::FIDString iid, void** obj) override;
    vst3::tresult ZV3_API getClassInfo2(int32_t index, vst3::PClassInfo2* info) override;

    // The category path hosts sort the plug-in under.
    static constexpr char kSubCategories[] = "Fx|Distortion";

private:
    ZorvanVst3Factory() = default;
    ~ZorvanVst3Factory() = default;
};

} // namespace zv3
