// The panel as the Linux build draws it offscreen, for the Windows suite's
// screenshot comparison: the cabinet on EXT. (the LOAD button and the file
// name shown) and the about box open.
#include "editor/zorvanGUI.h"
#include "plugin/Zorvan.h"
#include "toolkit/CFrame.h"
#include "toolkit/OffscreenRender.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

intptr_t plainHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

} // namespace

TEST(PlatformRenders, LinuxWritesThePanelPictures)
{
    const std::string dir = ZORVAN_RENDER_DIR;
    std::filesystem::create_directories(dir);
    Zorvan plugin(plainHost);
    plugin.setParameter(8, 1.f);
    auto* gui = static_cast<zorvanGUI*>(plugin.getEditor());
    ASSERT_NE(gui, nullptr);
    ASSERT_TRUE(gui->open(nullptr));
    EXPECT_TRUE(VSTGUI::writeFramePng(*gui->getFrame(), (dir + "/panel-ext.png").c_str()));
    VSTGUI::CPoint info(570, 213);
    gui->getFrame()->onMouseDown(info, VSTGUI::kLButton);
    EXPECT_TRUE(VSTGUI::writeFramePng(*gui->getFrame(), (dir + "/panel-about.png").c_str()));
    gui->close();
}
