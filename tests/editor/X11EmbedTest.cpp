// The editor inside a host window on a real X display (Xvfb in CI): the
// built plug-in loaded with dlopen, driven by the editor opcodes, its window
// read back with XGetImage and compared with the offscreen render.
// Skipped when DISPLAY is not set.
#include "EditorTestSupport.h"

#include "support/VstHost.h"

#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "support/X11HostWindow.h"

#include <X11/Xutil.h>

using edtest::EditorFixture;

namespace {

struct X11Fixture : ::testing::Test {
    std::unique_ptr<testhost::X11HostWindow> hostWindow;
    std::unique_ptr<testhost::Library> library;
    std::unique_ptr<testhost::Plugin> plug;
    Display* display = nullptr;
    Window host = 0; // 0 once a test destroyed it
    AEffect* effect = nullptr;

    void SetUp() override
    {
        hostWindow = std::make_unique<testhost::X11HostWindow>();
        if (!hostWindow->display)
            GTEST_SKIP() << "no X display";
        display = hostWindow->display;
        host = hostWindow->window;
        library = std::make_unique<testhost::Library>();
        ASSERT_TRUE(library->valid()) << library->error;
        plug = std::make_unique<testhost::Plugin>(*library, testhost::plainCallback);
        effect = plug->effect;
    }
    void TearDown() override
    {
        plug.reset();
        library.reset();
        if (hostWindow)
            hostWindow->window = host;
        hostWindow.reset();
    }
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, 0.f);
    }
    void idleFor(int passes)
    {
        for (int i = 0; i < passes; ++i) {
            dispatch(effEditIdle);
            XSync(display, False);
            usleep(5000);
        }
    }
    // Our editor's window: the host window's only child.
    Window child() { return hostWindow->child(); }
};

TEST_F(X11Fixture, EmbedsAChildWindowThatShowsTheOffscreenRender)
{
    ERect* r = nullptr;
    ASSERT_EQ(dispatch(effEditGetRect, 0, 0, &r), 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->right - r->left, 600);
    EXPECT_EQ(r->bottom - r->top, 230);
    effect->setParameter(effect, kCabinet, 1.f);
    effect->setParameter(effect, kGain, 0.73f);
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
    idleFor(10);
    const Window w = child();
    ASSERT_NE(w, 0u);
    XWindowAttributes wa;
    XGetWindowAttributes(display, w, &wa);
    EXPECT_EQ(wa.width, 600);
    EXPECT_EQ(wa.height, 230);
    EXPECT_EQ(wa.map_state, IsViewable);

    if (DefaultDepth(display, DefaultScreen(display)) != 24) {
        dispatch(effEditClose);
        GTEST_SKIP() << "the pixel comparison needs a 24-bit TrueColor display";
    }
    // The same panel, drawn offscreen by this process's own copy of the code.
    Zorvan reference(edtest::recordingHost);
    reference.setParameter(kCabinet, 1.f);
    reference.setParameter(kGain, 0.73f);
    auto* gui = static_cast<zorvanGUI*>(reference.getEditor());
    gui->open(nullptr);
    cairo_surface_t* expected = edtest::renderPanel(*gui);
    cairo_surface_t* shot = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 600, 230);

    // Other tests' windows on the same display may cover ours for a moment;
    // what they hid is exposed and redrawn afterwards, so look again.
    ::testing::AssertionResult same = ::testing::AssertionFailure();
    for (int attempt = 0; attempt < 30 && !same; ++attempt) {
        if (attempt > 0) {
            XRaiseWindow(display, host);
            idleFor(10);
        }
        XImage* image = XGetImage(display, w, 0, 0, 600, 230, AllPlanes, ZPixmap);
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(image->bits_per_pixel, 32);
        cairo_surface_flush(shot);
        unsigned char* data = cairo_image_surface_get_data(shot);
        const int stride = cairo_image_surface_get_stride(shot);
        for (int y = 0; y < 230; ++y)
            for (int x = 0; x < 600; ++x)
                reinterpret_cast<uint32_t*>(data + y * stride)[x] = static_cast<uint32_t>(XGetPixel(image, x, y));
        cairo_surface_mark_dirty(shot);
        XDestroyImage(image);
        same = edtest::sameArea(shot, 0, 0, expected, 0, 0, 600, 230);
    }
    EXPECT_TRUE(same);
    cairo_surface_destroy(shot);
    cairo_surface_destroy(expected);
    gui->close();

    dispatch(effEditClose);
    XSync(display, False);
    EXPECT_EQ(child(), 0u);
}

TEST_F(X11Fixture, MouseOnTheWindowReachesTheControls)
{
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
    idleFor(3);
    const Window w = child();
    ASSERT_NE(w, 0u);
    // A press and release on the cabinet switch's bottom band, sent as the
    // server would deliver them.
    auto send = [&](int type, int x, int y, unsigned int state) {
        XEvent e{};
        e.xbutton.type = type;
        e.xbutton.display = display;
        e.xbutton.window = w;
        e.xbutton.x = x;
        e.xbutton.y = y;
        e.xbutton.button = Button1;
        e.xbutton.state = state;
        e.xbutton.same_screen = True;
        XSendEvent(display, w, False, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
    };
    send(ButtonPress, 540, 176, 0);
    send(ButtonRelease, 540, 176, Button1Mask);
    XSync(display, False);
    idleFor(5);
    EXPECT_EQ(effect->getParameter(effect, kCabinet), 1.f);
    dispatch(effEditClose);
}

TEST_F(X11Fixture, TwentyOpenCloseCyclesAndABadParentAreHarmless)
{
    for (int i = 0; i < 20; ++i) {
        effect->setParameter(effect, kCabinet, (i % 2) ? 1.f : 0.f);
        ASSERT_EQ(dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
        idleFor(2);
        EXPECT_NE(child(), 0u);
        dispatch(effEditClose);
        XSync(display, False);
        EXPECT_EQ(child(), 0u);
    }
    // A window id that does not exist: open still answers true, no window.
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(0x7ffffff0))), 1);
    idleFor(2);
    dispatch(effEditClose);
}

TEST_F(X11Fixture, HostWindowDestroyedBeforeTheCloseIsHarmless)
{
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
    idleFor(2);
    XDestroyWindow(display, host);
    host = 0;
    XSync(display, False);
    effect->setParameter(effect, kGain, 0.1f);
    idleFor(3); // draws into a window that is gone
    dispatch(effEditClose);
    SUCCEED();
}

TEST(X11NoDisplay, OpenWithoutADisplayStillAnswersTrue)
{
    const char* saved = std::getenv("DISPLAY");
    const std::string keep = saved ? saved : "";
    setenv("DISPLAY", ":987", 1); // no server there
    Zorvan plugin(edtest::recordingHost);
    auto* gui = static_cast<zorvanGUI*>(plugin.getEditor());
    EXPECT_TRUE(gui->open(reinterpret_cast<void*>(static_cast<uintptr_t>(0x400001))));
    EXPECT_NE(gui->getFrame(), nullptr);
    EXPECT_EQ(gui->getFrame()->getSystemWindow(), nullptr);
    gui->idle();
    gui->close();
    if (saved)
        setenv("DISPLAY", keep.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

} // namespace
