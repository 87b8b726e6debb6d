// The VST3 view of the panel: attaches the shell's zorvanGUI to the host's
// window (an X11 window on Linux, an HWND on Windows) and keeps it idling on
// the host's UI thread. Where the host's IPlugFrame hands out an IRunLoop
// (Linux), a timer and the panel's X11 connection registered with it call the
// panel's idle(), which pumps the window's events and redraws; where it has
// none (Windows, whose hosts deliver the window's messages themselves), a
// timer of our own on the panel's window does.
//
// The shell has one panel; one view at a time can be attached to it.
//
// Threads: every entry runs on the host's UI thread.
#pragma once

#include "plugin/vst3/Vst3Controller.h"
#include "toolkit/EditorIdleTimer.h"

#include <atomic>

namespace zv3 {

class ZorvanVst3;

class ZorvanVst3View final : public vst3::IPlugView, public vst3::IEventHandler, public vst3::ITimerHandler {
public:
    static constexpr uint64_t kTimerMilliseconds = 30; // panel idle rate without events

    explicit ZorvanVst3View(ZorvanVst3& shell);
    virtual ~ZorvanVst3View();
    ZorvanVst3View(const ZorvanVst3View&) = delete;
    ZorvanVst3View& operator=(const ZorvanVst3View&) = delete;

    // FUnknown
    vst3::tresult ZV3_API queryInterface(const vst3::TUID iid, void** obj) override;
    uint32_t ZV3_API addRef() override;
    uint32_t ZV3_API release() override;

    // IPlugView
    vst3::tresult ZV3_API isPlatformTypeSupported(vst3::FIDString type) override;
    vst3::tresult ZV3_API attached(void* parent, vst3::FIDString type) override;
    vst3::tresult ZV3_API removed() override;
    vst3::tresult ZV3_API onWheel(float /*distance*/) override { return vst3::kResultFalse; }
    vst3::tresult ZV3_API onKeyDown(vst3::TChar key, int16_t keyCode, int16_t modifiers) override;
    vst3::tresult ZV3_API onKeyUp(vst3::TChar key, int16_t keyCode, int16_t modifiers) override;
    vst3::tresult ZV3_API getSize(vst3::ViewRect* size) override;
    vst3::tresult ZV3_API onSize(vst3::ViewRect* newSize) override;
    vst3::tresult ZV3_API onFocus(vst3::TBool /*state*/) override { return vst3::kResultOk; }
    vst3::tresult ZV3_API setFrame(vst3::IPlugFrame* frame) override;
    vst3::tresult ZV3_API canResize() override { return vst3::kResultFalse; }
    vst3::tresult ZV3_API checkSizeConstraint(vst3::ViewRect* rect) override;

    // IEventHandler: the panel's X11 connection has input.
    void ZV3_API onFDIsSet(int fd) override;
    // ITimerHandler
    void ZV3_API onTimer() override;

    bool isAttached() const { return attachedNow; }

private:
    void detach();

    std::atomic<uint32_t> refCount{1};
    ZorvanVst3& shell;                   // referenced while the view lives
    vst3::IPlugFrame* frame = nullptr;   // the host's frame, not referenced (as the interface has it)
    vst3::IRunLoop* runLoop = nullptr;   // from the frame while attached, referenced
    bool attachedNow = false;            // the panel is open in the host's window
    bool eventHandlerRegistered = false; // the X11 connection is watched
    EditorIdleTimer ownTimer;            // idles the panel where the host has no run loop
};

} // namespace zv3
