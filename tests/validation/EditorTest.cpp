// The editor as hosts treat it on X11: opened inside a window of the host's,
// idled, closed and reopened; opened twice without a close; the instance closed
// while the editor is still open; parameters changed by automation while it
// shows. Needs an X display (the test script provides a virtual one).
#include "ValidationHost.h"

#include "support/X11HostWindow.h"

#include <atomic>
#include <cstdlib>
#include <thread>

using namespace validation;

namespace {

using HostWindow = testhost::X11HostWindow;

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

namespace {

std::atomic<int> gHostErrors{0};

int hostErrorHandler(Display*, XErrorEvent*)
{
    gHostErrors.fetch_add(1);
    return 0;
}

} // namespace

// Editors opened, idled and closed on two threads at once, one of them losing
// its host window before the close: the process's X error handler is still the
// host's afterwards, the host's own errors reach it, and ours never do.
TEST_F(Threads, EditorsOnTwoThreadsLeaveTheHostsErrorHandlerAlone)
{
    if (!haveDisplay())
        GTEST_SKIP() << "no X display";
    XInitThreads();
    XSetErrorHandler(hostErrorHandler);
    gHostErrors = 0;
    auto editorRounds = [](bool destroyHostWindowFirst) {
        for (int round = 0; round < 10; ++round) {
            Plugin plug;
            HostWindow host;
            ASSERT_TRUE(plug.valid() && host.display);
            ASSERT_EQ(plug.dispatch(effEditOpen, 0, 0, host.handle()), 1);
            idle(plug, 5);
            if (destroyHostWindowFirst) {
                host.destroy();
                idle(plug, 5);
            }
            plug.dispatch(effEditClose);
        }
    };
    std::thread a(editorRounds, false), b(editorRounds, true);
    a.join();
    b.join();
    EXPECT_EQ(gHostErrors.load(), 0) << "errors of the plug-in's requests reached the host";

    EXPECT_EQ(XSetErrorHandler(hostErrorHandler), hostErrorHandler);
    HostWindow host;
    XWindowAttributes attributes;
    XGetWindowAttributes(host.display, 0x7ffffff1, &attributes); // no such window
    XSync(host.display, False);
    EXPECT_EQ(gHostErrors.load(), 1) << "the host's own error did not reach its handler";
    XSetErrorHandler(nullptr);
}
