// The editor as hosts treat it on X11: opened inside a window of the host's,
// idled, closed and reopened; opened twice without a close; the instance closed
// while the editor is still open; parameters changed by automation while it
// shows. Needs an X display (the test script provides a virtual one).
#include "ValidationHost.h"

#include <X11/Xlib.h>

#include <cstdlib>

using namespace validation;

namespace {

// A top-level window of the host, mapped, on its own display connection.
class HostWindow {
public:
    HostWindow()
    {
        display = XOpenDisplay(nullptr);
        if (!display)
            return;
        const int screen = DefaultScreen(display);
        window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 600, 230, 0,
                                     BlackPixel(display, screen), BlackPixel(display, screen));
        XMapWindow(display, window);
        XSync(display, False);
    }
    ~HostWindow()
    {
        if (!display)
            return;
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
    void* handle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }
    Display* display = nullptr;
    Window window = 0;
};

bool haveDisplay()
{
    const char* d = std::getenv("DISPLAY");
    return d && *d;
}

void idle(Plugin& plug, int times)
{
    for (int i = 0; i < times; ++i)
        plug.dispatch(effEditIdle);
}

} // namespace

class Editor : public ValidationTest {
protected:
    void SetUp() override
    {
        ValidationTest::SetUp();
        if (!haveDisplay())
            GTEST_SKIP() << "no X display";
    }
};

TEST_F(Editor, RectangleOpenIdleCloseCycles)
{
    Plugin plug;
    ASSERT_TRUE(plug.effect->flags & effFlagsHasEditor);
    HostWindow host;
    ASSERT_NE(host.display, nullptr);
    for (int round = 0; round < 5; ++round) {
        ERect* rect = nullptr;
        EXPECT_EQ(plug.dispatch(effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->right - rect->left, 600);
        EXPECT_EQ(rect->bottom - rect->top, 230);
        EXPECT_EQ(plug.dispatch(effEditOpen, 0, 0, host.handle()), 1) << "round " << round;
        idle(plug, 5);
        // Automation while the panel shows.
        plug.set(kGain, 0.1f * round);
        plug.set(kCabinet, round % 2 ? kCabExt : kCabInt);
        idle(plug, 5);
        EXPECT_EQ(scan(plug.run(noise(256, 0.5, round))).firstNonFinite, Scan::none);
        plug.dispatch(effEditClose);
        idle(plug, 2); // idle after close is a host habit, too
    }
}

TEST_F(Editor, SecondOpenWithoutClose)
{
    Plugin plug;
    HostWindow first, second;
    ASSERT_NE(first.display, nullptr);
    EXPECT_EQ(plug.dispatch(effEditOpen, 0, 0, first.handle()), 1);
    idle(plug, 3);
    EXPECT_EQ(plug.dispatch(effEditOpen, 0, 0, second.handle()), 1);
    idle(plug, 3);
    plug.dispatch(effEditClose);
    plug.dispatch(effEditClose); // a second close is harmless
}

TEST_F(Editor, InstanceClosedWithTheEditorOpen)
{
    HostWindow host;
    ASSERT_NE(host.display, nullptr);
    for (int round = 0; round < 3; ++round) {
        Plugin plug;
        EXPECT_EQ(plug.dispatch(effEditOpen, 0, 0, host.handle()), 1);
        idle(plug, 3);
        plug.close();
    }
}

TEST_F(Editor, OpenBeforeAnyRequestAndAfterARateChange)
{
    HostWindow host;
    ASSERT_NE(host.display, nullptr);
    Plugin plug;
    EXPECT_EQ(plug.dispatch(effEditOpen, 0, 0, host.handle()), 1);
    idle(plug, 2);
    plug.setRate(96000.f);
    ASSERT_TRUE(loadExternal(plug, cabinetWav()));
    idle(plug, 2);
    Bytes bank = plug.chunk(false);
    EXPECT_EQ(plug.setChunk(bank, false), 1);
    idle(plug, 2);
    plug.dispatch(effEditClose);
}
