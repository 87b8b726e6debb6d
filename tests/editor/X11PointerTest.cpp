// Real pointer events on the embedded editor: the X server moves the pointer
// and presses the button (XTest), as a player's mouse would, and the host's
// callback must see the edit gesture and the automation.
// Skipped when DISPLAY is not set or the server lacks the XTest extension.
#include "support/VstHost.h"

#include "plugin/Parameters.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

// Xlib's macros (None, Bool, Status...) must come after the test framework's templates.
#include "support/X11HostWindow.h"
#include "support/XTestPointer.h"

using namespace testhost;

namespace {

struct PointerFixture : ::testing::Test {
    std::unique_ptr<X11HostWindow> hostWindow;
    Display* display = nullptr;
    Window host = 0;
    std::unique_ptr<Library> library;
    std::unique_ptr<Plugin> plug;
    XTestPointer pointer{nullptr, [this] { plug->dispatch(effEditIdle); }};

    void SetUp() override
    {
        hostWindow = std::make_unique<X11HostWindow>();
        if (!(display = hostWindow->display))
            GTEST_SKIP() << "no X display";
        if (!XTestPointer::available(display))
            GTEST_SKIP() << "no XTest extension";
        pointer.attach(display);
        host = hostWindow->window;
        library = std::make_unique<Library>();
        plug = std::make_unique<Plugin>(*library);
        ASSERT_EQ(plug->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host)), 1);
        idle(5);
        const Window editorWindow = hostWindow->child();
        ASSERT_NE(editorWindow, 0u) << "the editor's window inside the host's";
        pointer.setOrigin(editorWindow);
        CallLog::instance().take();
    }
    void TearDown() override
    {
        if (plug) {
            plug->dispatch(effEditClose);
            plug.reset();
        }
        hostWindow.reset();
    }
    void idle(int passes) { pointer.idle(passes); }
    void moveTo(int x, int y) { pointer.moveTo(x, y); }
    void button(bool down) { pointer.button(down); }
    static std::vector<HostCall> callsFor(const std::vector<HostCall>& calls, int32_t index)
    {
        std::vector<HostCall> out;
        for (const HostCall& c : calls)
            if (c.index == index)
                out.push_back(c);
        return out;
    }
};

} // namespace

TEST_F(PointerFixture, DraggingGainUpAutomatesTheHostWithinOneGesture)
{
    // GAIN sits at 168,146, 36 x 36; 200 pixels of movement cover the range.
    moveTo(186, 164);
    button(true);
    for (int dy = 5; dy <= 40; dy += 5)
        moveTo(186, 164 - dy);
    button(false);

    const std::vector<HostCall> calls = callsFor(CallLog::instance().take(), kGain);
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls.back().opcode, audioMasterEndEdit);
    float last = 0.5f;
    int automations = 0;
    for (size_t i = 1; i + 1 < calls.size(); ++i) {
        ASSERT_EQ(calls[i].opcode, audioMasterAutomate) << "only automation inside the gesture";
        EXPECT_GT(calls[i].opt, last) << "moving up raises the value";
        last = calls[i].opt;
        ++automations;
    }
    EXPECT_GE(automations, 2);
    EXPECT_NEAR(plug->getParameter(kGain), 0.7f, 0.011f);
    EXPECT_EQ(plug->getParameter(kGain), last);
}

TEST_F(PointerFixture, ClickingTheCabinetSwitchBottomBandSelectsExt)
{
    // The switch is 525,145, 31 x 39: three bands of 13 pixels.
    moveTo(540, 178);
    button(true);
    button(false);
    const std::vector<HostCall> calls = callsFor(CallLog::instance().take(), kCabinet);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls[1].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[1].opt, 1.0f);
    EXPECT_EQ(calls[2].opcode, audioMasterEndEdit);
    EXPECT_EQ(plug->getParameter(kCabinet), 1.0f);

    moveTo(540, 151); // top band: INT.
    button(true);
    button(false);
    EXPECT_EQ(plug->getParameter(kCabinet), 0.0f);
}
