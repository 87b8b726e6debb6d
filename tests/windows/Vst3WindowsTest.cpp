// The VST3 module of the Windows build as Windows hosts meet it: its export
// and import tables, and its view attached to an HWND of a test host, idled
// by the message loop alone (Windows hosts hand out no run loop), showing the
// VST 2.4 DLL's panel, and removed again.
#include "WindowsTestHost.h"

#include "vst3/Vst3TestHost.h"

#include "plugin/Parameters.h"

using namespace v3host;
using wintest::differingPixels;
using Vst3View = wintest::PanelReferences;

namespace {

// A Windows host's frame: it offers no IRunLoop.
class Frame final : public HostObject<IPlugFrame> {
public:
    tresult ZV3_API resizeView(IPlugView*, ViewRect*) override { return kResultFalse; }
};

} // namespace

TEST(Vst3Module, ExportsTheFactoryAndTheDllCallsOnly)
{
    wintest::expectModuleTables(ZORVAN_VST3_MODULE_PATH, {"ExitDll", "GetPluginFactory", "InitDll"});
}

TEST_F(Vst3View, AttachedToAnHwndIdledByTheMessageLoopAndRemoved)
{
    Plugin p;
    Frame frame;
    IPlugView* view = p.controller->createView("editor");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->isPlatformTypeSupported("HWND"), kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported("X11EmbedWindowID"), kResultFalse);
    ASSERT_EQ(view->setFrame(&frame), kResultOk);
    EXPECT_EQ(view->attached(host.hwnd, "X11EmbedWindowID"), kResultFalse);
    ASSERT_EQ(view->attached(host.hwnd, "HWND"), kResultOk);
    const HWND panel = host.child();
    ASSERT_NE(panel, nullptr);
    RECT r{};
    GetClientRect(panel, &r);
    EXPECT_EQ(r.right - r.left, 600);
    EXPECT_EQ(r.bottom - r.top, 230);
    wintest::pumpMessages(3, 20);
    EXPECT_EQ(differingPixels(wintest::capture(panel), plain), 0u);

    // A host's change reaches the panel's picture through the view's timer:
    // nobody else idles it.
    ASSERT_EQ(p.controller->setParamNormalized(kCabinet, 1.0), kResultOk);
    wintest::pumpMessages(10, 20);
    EXPECT_EQ(differingPixels(wintest::capture(panel), ext), 0u);

    ASSERT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(host.child(), nullptr);
    // Attached again and released without removed(): the view cleans up.
    ASSERT_EQ(view->attached(host.hwnd, "HWND"), kResultOk);
    wintest::pumpMessages(2, 20);
    view->release();
    EXPECT_EQ(host.child(), nullptr);
    wintest::pumpMessages(3, 20);
}
