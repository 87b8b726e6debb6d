// Shared pieces of the editor tests: the recording host callback, a fixture
// holding a plug-in with its editor, synthetic mouse input on the panel and
// exact pixel comparison of offscreen renders.
#pragma once

#include "editor/zorvanGUI.h"
#include "plugin/Zorvan.h"
#include "support/HostCallbacks.h"
#include "toolkit/CFrame.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <string>
#include <vector>

namespace edtest {

struct HostCall {
    int32_t opcode;
    int32_t index;
    float opt;
    bool operator==(const HostCall& o) const { return opcode == o.opcode && index == o.index && opt == o.opt; }
};
void PrintTo(const HostCall& c, std::ostream* os);

// Host callback of every plug-in in these tests; calls are kept until taken.
constexpr audioMasterCallback recordingHost = testhost::recordingCallback;
std::vector<HostCall> takeHostCalls();

struct EditorFixture : ::testing::Test {
    Zorvan plugin{recordingHost};
    zorvanGUI* gui = static_cast<zorvanGUI*>(plugin.getEditor());

    void SetUp() override { takeHostCalls(); }
    void TearDown() override { gui->close(); }

    void openPanel()
    {
        ASSERT_NE(gui, nullptr);
        ASSERT_TRUE(gui->open(nullptr));
        takeHostCalls();
    }
    VSTGUI::CFrame* frame() const { return gui->getFrame(); }
    VSTGUI::CMouseEventResult press(int x, int y, int32_t buttons = VSTGUI::kLButton);
    void moveTo(int x, int y, int32_t buttons = VSTGUI::kLButton);
    void release(int x, int y);
    void click(int x, int y, int32_t buttons = VSTGUI::kLButton)
    {
        press(x, y, buttons);
        release(x, y);
    }
};

// Runs idle passes until no child process of ours is left, zombie or running
// (at most 3 s); false if one is.
bool noChildrenLeft(zorvanGUI* gui);

// Offscreen render of the open panel; the caller destroys it.
cairo_surface_t* renderPanel(zorvanGUI& gui);

// The look a film-strip view must have: the panel picture's area r with frame
// `frame` of `strip` drawn over it.
cairo_surface_t* expectedStripArea(const char* strip, int frame, int frameHeight, const VSTGUI::CRect& r);
// The panel picture's area r alone.
cairo_surface_t* backgroundArea(const VSTGUI::CRect& r);

// Exact comparison of w x h pixels at (ax, ay) in a and (bx, by) in b.
::testing::AssertionResult sameArea(cairo_surface_t* a, int ax, int ay, cairo_surface_t* b, int bx, int by, int w,
                                    int h);

// A folder of stand-in programs put first on PATH for the lifetime of the object.
class StandInPath {
public:
    StandInPath();
    ~StandInPath();
    // Writes an executable /bin/sh script named name with body after the shebang.
    void addScript(const std::string& name, const std::string& body) const;
    const std::string& dir() const { return folder; }
    // Replaces PATH by the folder alone (no system programs found).
    void isolate() const;
    static std::string readFile(const std::string& path);

private:
    std::string folder;  // the stand-ins
    std::string oldPath; // PATH before
};

} // namespace edtest
