// The CLAP module of the Windows build as Windows hosts meet it: its export
// and import tables, and its panel embedded in an HWND of a test host through
// the win32 window API, showing the VST 2.4 DLL's panel, idled by the host's
// timer or, for a host without timer-support, by the message loop alone, and
// destroyed again.
#include "WindowsTestHost.h"

#include "clap/ClapTestHost.h"

#include "plugin/Parameters.h"

using namespace chost;
using wintest::differingPixels;
using ClapGui = wintest::PanelReferences;

TEST(ClapModule, ExportsTheEntryOnly)
{
    wintest::expectModuleTables(ZORVAN_CLAP_PATH, {"clap_entry"});
}

TEST_F(ClapGui, EmbeddedInAnHwndIdledByTheHostsTimerOrItsOwn)
{
    for (const bool hostTimers : {true, false}) {
        SCOPED_TRACE(hostTimers ? "the host's timer" : "a timer of the plug-in's own");
        Instance p(Module::shared().factory, hostTimers);
        ASSERT_NE(p.gui, nullptr);
        EXPECT_TRUE(p.gui->is_api_supported(p.plugin, CLAP_WINDOW_API_WIN32, false));
        EXPECT_FALSE(p.gui->is_api_supported(p.plugin, CLAP_WINDOW_API_X11, false));
        const char* api = nullptr;
        bool floating = true;
        ASSERT_TRUE(p.gui->get_preferred_api(p.plugin, &api, &floating));
        EXPECT_STREQ(api, CLAP_WINDOW_API_WIN32);
        ASSERT_TRUE(p.gui->create(p.plugin, CLAP_WINDOW_API_WIN32, false));
        EXPECT_EQ(p.host.timers.size(), hostTimers ? 1u : 0u);

        clap_window_t x11{};
        x11.api = CLAP_WINDOW_API_X11;
        x11.x11 = 1;
        EXPECT_FALSE(p.gui->set_parent(p.plugin, &x11));
        clap_window_t window{};
        window.api = CLAP_WINDOW_API_WIN32;
        window.win32 = host.hwnd;
        ASSERT_TRUE(p.gui->set_parent(p.plugin, &window));
        EXPECT_TRUE(p.gui->show(p.plugin));
        const HWND panel = host.child();
        ASSERT_NE(panel, nullptr);
        wintest::pumpMessages(3, 20);
        EXPECT_EQ(differingPixels(wintest::capture(panel), plain), 0u);

        // Host automation shows at the panel's next idle: at the host's timer
        // where it has one, else through the message loop alone.
        InEvents cabinet;
        cabinet.add(kCabinet, 0, 2.0);
        p.params->flush(p.plugin, cabinet.list(), OutEvents().list());
        wintest::pumpMessages(10, 20);
        if (hostTimers) {
            EXPECT_EQ(differingPixels(wintest::capture(panel), plain), 0u) << "idled without the host's timer";
            p.timer->on_timer(p.plugin, p.host.timers.begin()->first);
        }
        EXPECT_EQ(differingPixels(wintest::capture(panel), ext), 0u);

        EXPECT_TRUE(p.gui->hide(p.plugin));
        p.gui->destroy(p.plugin);
        EXPECT_EQ(host.child(), nullptr);
        EXPECT_TRUE(p.host.timers.empty());
        wintest::pumpMessages(3, 20);
    }
}
