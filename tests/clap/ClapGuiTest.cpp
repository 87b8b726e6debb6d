// The CLAP shell's panel and editor link, through the shell's own factory
// linked into the test (so the panel's views can be looked at): embedded in
// an X11 parent under a virtual display, idled by the host's timer and the
// panel's connection, and its edits handed to the host as events.
#include "ClapTestHost.h"

#include "editor/zorvanGUI.h"
#include "plugin/clap/ZorvanClap.h"
#include "plugin/clap/ZorvanClapFactory.h"
#include "toolkit/CControl.h"

#include <gtest/gtest.h>

#include "support/X11HostWindow.h"

using namespace chost;

namespace {

zclap::ZorvanClap& shell(Instance& p)
{
    return *zclap::ZorvanClap::from(p.plugin);
}

clap_window_t x11Window(Window id)
{
    clap_window_t w{};
    w.api = CLAP_WINDOW_API_X11;
    w.x11 = id;
    return w;
}

} // namespace

TEST(ClapGui, EmbeddedInAnX11ParentIdledByTheHostAndDestroyed)
{
    testhost::X11HostWindow parent;
    if (!parent.display)
        GTEST_SKIP() << "no X display";
    Instance p(&zclap::factory());
    ASSERT_NE(p.gui, nullptr);
    EXPECT_TRUE(p.gui->is_api_supported(p.plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(p.gui->is_api_supported(p.plugin, CLAP_WINDOW_API_X11, true));
    EXPECT_FALSE(p.gui->is_api_supported(p.plugin, CLAP_WINDOW_API_WIN32, false));
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(p.gui->get_preferred_api(p.plugin, &api, &floating));
    EXPECT_STREQ(api, CLAP_WINDOW_API_X11);
    EXPECT_FALSE(floating);

    EXPECT_FALSE(p.gui->create(p.plugin, CLAP_WINDOW_API_X11, true));
    ASSERT_TRUE(p.gui->create(p.plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(p.gui->create(p.plugin, CLAP_WINDOW_API_X11, false)); // one panel
    ASSERT_EQ(p.host.timers.size(), 1u);
    EXPECT_EQ(p.host.timers.begin()->second, 30u);
    uint32_t w = 0, h = 0;
    ASSERT_TRUE(p.gui->get_size(p.plugin, &w, &h));
    EXPECT_EQ(w, 600u);
    EXPECT_EQ(h, 230u);
    EXPECT_FALSE(p.gui->can_resize(p.plugin));
    EXPECT_TRUE(p.gui->set_size(p.plugin, 600, 230));
    EXPECT_FALSE(p.gui->set_size(p.plugin, 800, 230));
    EXPECT_FALSE(p.gui->set_scale(p.plugin, 2.0));

    clap_window_t win32{};
    win32.api = CLAP_WINDOW_API_WIN32;
    EXPECT_FALSE(p.gui->set_parent(p.plugin, &win32));
    const clap_window_t window = x11Window(parent.window);
    ASSERT_TRUE(p.gui->set_parent(p.plugin, &window));
    EXPECT_TRUE(p.gui->show(p.plugin));
    ASSERT_NE(parent.child(), 0u);
    XWindowAttributes a{};
    XGetWindowAttributes(parent.display, parent.child(), &a);
    EXPECT_EQ(a.width, 600);
    EXPECT_EQ(a.height, 230);
    EXPECT_EQ(p.host.fds.size(), 1u);

    // Host automation reaches the panel at its next idle, on the main thread.
    zorvanGUI* gui = shell(p).getEditor();
    ASSERT_NE(gui, nullptr);
    EXPECT_FALSE(gui->areIrControlsShown());
    InEvents ext;
    ext.add(kCabinet, 0, 2.0);
    std::thread audio([&] { p.params->flush(p.plugin, ext.list(), OutEvents().list()); });
    audio.join();
    EXPECT_FALSE(gui->areIrControlsShown());
    p.timer->on_timer(p.plugin, p.host.timers.begin()->first);
    EXPECT_TRUE(gui->areIrControlsShown());
    EXPECT_EQ(gui->getParameterControl(kCabinet)->getValue(), 1.0f);
    const auto* fd = p.ext<clap_plugin_posix_fd_support_t>(CLAP_EXT_POSIX_FD_SUPPORT);
    fd->on_fd(p.plugin, *p.host.fds.begin(), CLAP_POSIX_FD_READ);

    EXPECT_TRUE(p.gui->hide(p.plugin));
    p.gui->destroy(p.plugin);
    EXPECT_EQ(parent.child(), 0u);
    EXPECT_TRUE(p.host.timers.empty());
    EXPECT_TRUE(p.host.fds.empty());

    // Created and embedded again, then the instance goes with its panel open.
    ASSERT_TRUE(p.gui->create(p.plugin, CLAP_WINDOW_API_X11, false));
    ASSERT_TRUE(p.gui->set_parent(p.plugin, &window));
    EXPECT_NE(parent.child(), 0u);
}

TEST(ClapGui, RefusedWithoutTheHostsTimer)
{
    Instance p(&zclap::factory(), false);
    ASSERT_NE(p.gui, nullptr);
    EXPECT_FALSE(p.gui->create(p.plugin, CLAP_WINDOW_API_X11, false));
    uint32_t w = 0, h = 0;
    EXPECT_TRUE(p.gui->get_size(p.plugin, &w, &h));
}

TEST(ClapEditorLink, PanelEditsReachTheHostAsGestureAndValueEvents)
{
    Instance p(&zclap::factory());
    ZorvanEditorLink& link = shell(p);
    EXPECT_TRUE(link.beginEdit(kCabinet));
    link.setParameterAutomated(kCabinet, 1.0f);
    EXPECT_TRUE(link.endEdit(kCabinet));
    EXPECT_FALSE(link.beginEdit(9)); // the LOAD button is no parameter
    EXPECT_EQ(p.host.flushRequests, 3);
    // The engine follows the switch at once.
    EXPECT_TRUE(shell(p).getEngine().cabinetExternal());
    EXPECT_EQ(p.value(kCabinet), 2.0);

    // A full list keeps them for the next call; flush hands them over in order.
    OutEvents full;
    full.refuse = true;
    p.params->flush(p.plugin, InEvents().list(), full.list());
    OutEvents out;
    p.params->flush(p.plugin, InEvents().list(), out.list());
    EXPECT_EQ(out.log, (std::vector<std::string>{"begin 8", "value 8 2", "end 8"}));
    OutEvents again;
    p.params->flush(p.plugin, InEvents().list(), again.list());
    EXPECT_TRUE(again.log.empty());

    // While active, process hands them over.
    ASSERT_TRUE(p.activate(44100));
    link.beginEdit(kGain);
    link.setParameterAutomated(kGain, 0.75f);
    link.endEdit(kGain);
    std::vector<float> buffer(64);
    OutEvents processed;
    p.process(buffer.data(), buffer.data(), buffer.data(), buffer.data(), 64, nullptr, &processed);
    EXPECT_EQ(processed.log, (std::vector<std::string>{"begin 2", "value 2 7.5", "end 2"}));

    // A response path is state but no parameter: the project becomes dirty.
    EXPECT_TRUE(link.loadIrPath("/nonexistent/room.wav"));
    EXPECT_EQ(p.host.dirtyMarks, 1);
    EXPECT_STREQ(link.getIrPath(0), "/nonexistent/room.wav");
}
