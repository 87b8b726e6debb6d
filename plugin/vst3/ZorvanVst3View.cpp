#include "plugin/vst3/ZorvanVst3View.h"

#include "editor/zorvanGUI.h"
#include "plugin/vst3/ZorvanVst3.h"
#include "toolkit/PlatformWindow.h"

#include <cstring>

namespace zv3 {

namespace {

// The platform type of the panel's own window system.
const char* nativePlatformType()
{
    return VSTGUI::kWindowSystem == VSTGUI::WindowSystem::Win32 ? vst3::kPlatformTypeHWND
                                                                : vst3::kPlatformTypeX11EmbedWindowID;
}

} // namespace

ZorvanVst3View::ZorvanVst3View(ZorvanVst3& shell) : shell(shell)
{
    static_cast<vst3::IEditController&>(shell).addRef();
}

ZorvanVst3View::~ZorvanVst3View()
{
    // A host that releases the view without removing it first.
    detach();
    static_cast<vst3::IEditController&>(shell).release();
}

vst3::tresult ZorvanVst3View::queryInterface(const vst3::TUID iid, void** obj)
{
    if (!obj)
        return vst3::kInvalidArgument;
    if (vst3::FUnknown::iid == iid || vst3::IPlugView::iid == iid)
        *obj = static_cast<vst3::IPlugView*>(this);
    else if (vst3::IEventHandler::iid == iid)
        *obj = static_cast<vst3::IEventHandler*>(this);
    else if (vst3::ITimerHandler::iid == iid)
        *obj = static_cast<vst3::ITimerHandler*>(this);
    else {
        *obj = nullptr;
        return vst3::kNoInterface;
    }
    addRef();
    return vst3::kResultOk;
}

uint32_t ZorvanVst3View::addRef()
{
    return refCount.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32_t ZorvanVst3View::release()
{
    const uint32_t left = refCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0)
        delete this;
    return left;
}

vst3::tresult ZorvanVst3View::isPlatformTypeSupported(vst3::FIDString type)
{
    return type && std::strcmp(type, nativePlatformType()) == 0 ? vst3::kResultTrue : vst3::kResultFalse;
}

vst3::tresult ZorvanVst3View::attached(void* parent, vst3::FIDString type)
{
    zorvanGUI* gui = shell.getEditor();
    if (!parent || isPlatformTypeSupported(type) != vst3::kResultTrue || !gui || attachedNow)
        return vst3::kResultFalse;
    // The panel is the shell's one: another view holds it.
    if (gui->getFrame())
        return vst3::kResultFalse;
    // The host's run loop where it has one, else a timer of our own; without
    // either nobody would ever call idle().
    void* loop = nullptr;
    if (frame && frame->queryInterface(vst3::IRunLoop::iid.bytes, &loop) == vst3::kResultOk && loop)
        runLoop = static_cast<vst3::IRunLoop*>(loop);
    else if (!EditorIdleTimer::available())
        return vst3::kResultFalse;
    gui->open(parent);
    attachedNow = true;
    if (runLoop) {
        runLoop->registerTimer(static_cast<vst3::ITimerHandler*>(this), kTimerMilliseconds);
        const int fd = gui->getFrame() ? gui->getFrame()->getEventFd() : -1;
        if (fd >= 0)
            eventHandlerRegistered = runLoop->registerEventHandler(static_cast<vst3::IEventHandler*>(this), fd) ==
                vst3::kResultOk;
    } else if (!ownTimer.start(*gui, kTimerMilliseconds)) {
        detach();
        return vst3::kResultFalse;
    }
    gui->idle();
    return vst3::kResultOk;
}

vst3::tresult ZorvanVst3View::removed()
{
    if (!attachedNow)
        return vst3::kResultFalse;
    detach();
    return vst3::kResultOk;
}

void ZorvanVst3View::detach()
{
    ownTimer.stop();
    if (runLoop) {
        if (eventHandlerRegistered)
            runLoop->unregisterEventHandler(static_cast<vst3::IEventHandler*>(this));
        runLoop->unregisterTimer(static_cast<vst3::ITimerHandler*>(this));
        runLoop->release();
        runLoop = nullptr;
        eventHandlerRegistered = false;
    }
    if (attachedNow) {
        if (zorvanGUI* gui = shell.getEditor())
            gui->close();
        attachedNow = false;
    }
}

vst3::tresult ZorvanVst3View::onKeyDown(vst3::TChar key, int16_t keyCode, int16_t modifiers)
{
    zorvanGUI* gui = shell.getEditor();
    // The key codes and modifier bits are those the panel already speaks.
    VstKeyCode code{static_cast<int32_t>(key), static_cast<unsigned char>(keyCode),
                    static_cast<unsigned char>(modifiers)};
    return attachedNow && gui && gui->onKeyDown(code) ? vst3::kResultTrue : vst3::kResultFalse;
}

vst3::tresult ZorvanVst3View::onKeyUp(vst3::TChar key, int16_t keyCode, int16_t modifiers)
{
    zorvanGUI* gui = shell.getEditor();
    VstKeyCode code{static_cast<int32_t>(key), static_cast<unsigned char>(keyCode),
                    static_cast<unsigned char>(modifiers)};
    return attachedNow && gui && gui->onKeyUp(code) ? vst3::kResultTrue : vst3::kResultFalse;
}

vst3::tresult ZorvanVst3View::getSize(vst3::ViewRect* size)
{
    zorvanGUI* gui = shell.getEditor();
    ERect* rect = nullptr;
    if (!size || !gui || !gui->getRect(&rect) || !rect)
        return vst3::kResultFalse;
    size->left = rect->left;
    size->top = rect->top;
    size->right = rect->right;
    size->bottom = rect->bottom;
    return vst3::kResultOk;
}

vst3::tresult ZorvanVst3View::onSize(vst3::ViewRect* newSize)
{
    // The panel has one size; the host is told so through canResize.
    vst3::ViewRect own{};
    if (!newSize || getSize(&own) != vst3::kResultOk)
        return vst3::kResultFalse;
    return newSize->right - newSize->left == own.right - own.left &&
            newSize->bottom - newSize->top == own.bottom - own.top
        ? vst3::kResultOk
        : vst3::kResultFalse;
}

vst3::tresult ZorvanVst3View::checkSizeConstraint(vst3::ViewRect* rect)
{
    vst3::ViewRect own{};
    if (!rect || getSize(&own) != vst3::kResultOk)
        return vst3::kResultFalse;
    rect->right = rect->left + (own.right - own.left);
    rect->bottom = rect->top + (own.bottom - own.top);
    return vst3::kResultTrue;
}

vst3::tresult ZorvanVst3View::setFrame(vst3::IPlugFrame* newFrame)
{
    frame = newFrame;
    return vst3::kResultOk;
}

void ZorvanVst3View::onFDIsSet(int /*fd*/)
{
    onTimer();
}

void ZorvanVst3View::onTimer()
{
    if (!attachedNow)
        return;
    if (zorvanGUI* gui = shell.getEditor())
        gui->idle();
}

} // namespace zv3
