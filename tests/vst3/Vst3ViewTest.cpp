// The VST3 view on a real X display (Xvfb in CI): attached to a host window
// with a run loop of ours, idled through its timer and its X11 connection,
// removed again; and the panel's edits reported to the host's handler.
// The window tests are skipped when DISPLAY is not set.
#include "Vst3TestHost.h"

#include "plugin/vst3/ZorvanVst3.h"

#include <gtest/gtest.h>
// After the test framework: Xlib defines None and Bool as macros.
#include "support/X11HostWindow.h"

#include <sys/select.h>

#include <cstdlib>
#include <map>

using namespace v3host;

namespace {

// The host's frame, which on Linux also hands out the run loop.
class HostFrame : public IPlugFrame, public IRunLoop {
public:
    tresult ZV3_API queryInterface(const TUID iid, void** obj) override
    {
        if (FUnknown::iid == iid || IPlugFrame::iid == iid)
            *obj = static_cast<IPlugFrame*>(this);
        else if (IRunLoop::iid == iid)
            *obj = static_cast<IRunLoop*>(this);
        else {
            *obj = nullptr;
            return kNoInterface;
        }
        ++refs;
        return kResultOk;
    }
    uint32_t ZV3_API addRef() override { return ++refs; }
    uint32_t ZV3_API release() override { return --refs; }
    tresult ZV3_API resizeView(IPlugView*, ViewRect*) override { return kResultFalse; }
    tresult ZV3_API registerEventHandler(IEventHandler* h, int fd) override
    {
        handlers[h] = fd;
        return kResultOk;
    }
    tresult ZV3_API unregisterEventHandler(IEventHandler* h) override
    {
        return handlers.erase(h) ? kResultOk : kInvalidArgument;
    }
    tresult ZV3_API registerTimer(ITimerHandler* t, uint64_t ms) override
    {
        timers[t] = ms;
        return kResultOk;
    }
    tresult ZV3_API unregisterTimer(ITimerHandler* t) override
    {
        return timers.erase(t) ? kResultOk : kInvalidArgument;
    }

    // One turn of the host's loop: handlers whose descriptor is readable, then every timer.
    void turn()
    {
        for (auto& h : handlers) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(h.second, &set);
            timeval none{0, 10000};
            if (select(h.second + 1, &set, nullptr, nullptr, &none) > 0)
                h.first->onFDIsSet(h.second);
        }
        for (auto& t : timers)
            t.first->onTimer();
    }

    int refs = 0;
    std::map<IEventHandler*, int> handlers;
    std::map<ITimerHandler*, uint64_t> timers;

protected:
    virtual ~HostFrame() = default;
};

class Frame final : public HostFrame {};

struct ViewFixture : ::testing::Test {
    testhost::X11HostWindow hostWindow;
    Display* display = hostWindow.display;
    Window host = hostWindow.window;

    void SetUp() override
    {
        if (!display)
            GTEST_SKIP() << "no X display";
    }
    // The host window's children and the size of the first.
    unsigned children(int* width = nullptr, int* height = nullptr)
    {
        XSync(display, False);
        Window root, parent, *list = nullptr;
        unsigned n = 0;
        XQueryTree(display, host, &root, &parent, &list, &n);
        if (n > 0 && width && height) {
            XWindowAttributes a{};
            XGetWindowAttributes(display, list[0], &a);
            *width = a.width;
            *height = a.height;
        }
        if (list)
            XFree(list);
        return n;
    }
    void* parent() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(host)); }
};

} // namespace

TEST_F(ViewFixture, AttachedToAnX11ParentOnTheHostsRunLoopAndRemoved)
{
    Plugin p;
    Frame frame;
    IPlugView* view = p.controller->createView("editor");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(p.controller->createView("settings"), nullptr);
    EXPECT_EQ(view->isPlatformTypeSupported("X11EmbedWindowID"), kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported("HWND"), kResultFalse);
    ViewRect size{};
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.right - size.left, 600);
    EXPECT_EQ(size.bottom - size.top, 230);
    EXPECT_EQ(view->canResize(), kResultFalse);

    // Without a frame (and so without a run loop) the panel would never idle.
    EXPECT_EQ(view->attached(parent(), "X11EmbedWindowID"), kResultFalse);
    ASSERT_EQ(view->setFrame(&frame), kResultOk);
    EXPECT_EQ(view->attached(parent(), "HWND"), kResultFalse);
    ASSERT_EQ(view->attached(parent(), "X11EmbedWindowID"), kResultOk);
    int w = 0, h = 0;
    ASSERT_EQ(children(&w, &h), 1u);
    EXPECT_EQ(w, 600);
    EXPECT_EQ(h, 230);
    ASSERT_EQ(frame.timers.size(), 1u);
    ASSERT_EQ(frame.handlers.size(), 1u);
    EXPECT_GE(frame.handlers.begin()->second, 0);
    for (int i = 0; i < 5; ++i)
        frame.turn();

    // One panel: a second view cannot take it while the first shows it.
    IPlugView* second = p.controller->createView("editor");
    ASSERT_NE(second, nullptr);
    second->setFrame(&frame);
    EXPECT_EQ(second->attached(parent(), "X11EmbedWindowID"), kResultFalse);
    second->release();

    ASSERT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(children(), 0u);
    EXPECT_TRUE(frame.timers.empty());
    EXPECT_TRUE(frame.handlers.empty());
    EXPECT_EQ(frame.refs, 0);

    // Attached again, and released without removed(): the view cleans up.
    ASSERT_EQ(view->attached(parent(), "X11EmbedWindowID"), kResultOk);
    EXPECT_EQ(children(), 1u);
    frame.turn();
    view->release();
    EXPECT_EQ(children(), 0u);
    EXPECT_TRUE(frame.timers.empty());
}

namespace {

// The host's edit receiver, recording what the panel reports.
class Handler final : public HostObject<IComponentHandler> {
public:
    tresult ZV3_API beginEdit(ParamID id) override
    {
        log.push_back("begin " + std::to_string(id));
        return kResultOk;
    }
    tresult ZV3_API performEdit(ParamID id, ParamValue v) override
    {
        log.push_back("perform " + std::to_string(id) + " " + std::to_string(v));
        return kResultOk;
    }
    tresult ZV3_API endEdit(ParamID id) override
    {
        log.push_back("end " + std::to_string(id));
        return kResultOk;
    }
    tresult ZV3_API restartComponent(int32_t) override { return kResultOk; }
    std::vector<std::string> log;
};

} // namespace

TEST(Vst3EditorLink, PanelEditsReachTheHostAsBeginPerformEnd)
{
    auto* shell = new zv3::ZorvanVst3();
    Handler handler;
    IEditController* controller = shell;
    controller->setComponentHandler(&handler);
    ZorvanEditorLink& link = *shell;

    EXPECT_TRUE(link.beginEdit(kCabinet));
    link.setParameterAutomated(kCabinet, 1.0f);
    EXPECT_TRUE(link.endEdit(kCabinet));
    // The LOAD button's gesture is no parameter edit for a VST3 host.
    EXPECT_FALSE(link.beginEdit(9));
    const std::vector<std::string> expected = {"begin 8", "perform 8 1.000000", "end 8"};
    EXPECT_EQ(handler.log, expected);
    // The engine and the controller follow the knob at once.
    EXPECT_EQ(shell->getEngine().getParameter(kCabinet), 1.0f);
    EXPECT_TRUE(shell->getEngine().cabinetExternal());
    EXPECT_DOUBLE_EQ(controller->getParamNormalized(kCabinet), 1.0);
    EXPECT_EQ(link.getParameter(kCabinet), 1.0f);

    // A host's setParamNormalized is the controller's view only: the engine
    // waits for the value to come through process.
    controller->setParamNormalized(kGain, 0.9);
    EXPECT_FLOAT_EQ(link.getParameter(kGain), 0.9f);
    EXPECT_EQ(shell->getEngine().getParameter(kGain), 0.5f);
    // Its state is what the host set, even before process ran: hosts save then.
    MemoryStream saved;
    ASSERT_EQ(static_cast<IComponent*>(shell)->getState(&saved), kResultOk);
    float gain = 0;
    std::memcpy(&gain, saved.data.data() + 12 + 24 + 4 * kGain, 4);
    EXPECT_FLOAT_EQ(gain, 0.9f);

    controller->setComponentHandler(nullptr);
    controller->release();
}
