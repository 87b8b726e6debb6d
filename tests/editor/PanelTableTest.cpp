// The panel as open builds it: every view's kind, rectangle, tag, picture,
// frames and default, the attach order, and the window rectangle.
#include "EditorTestSupport.h"

#include "editor/CAboutContainer.h"
#include "toolkit/CAnimKnob.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CKickButton.h"
#include "toolkit/CSplashScreen.h"
#include "toolkit/CTextLabel.h"
#include "toolkit/CVerticalSwitch.h"

using namespace VSTGUI;
using edtest::EditorFixture;

namespace {

struct ControlRow {
    bool knob;
    CRect rect;
    float defaultValue;
};

const ControlRow kTable[9] = {
    {true, CRect::fromSize(53, 146, 36, 36), 0.2f},  {false, CRect::fromSize(141, 145, 31, 39), 0.f},
    {true, CRect::fromSize(168, 146, 36, 36), 0.5f}, {true, CRect::fromSize(236, 146, 36, 36), 0.5f},
    {true, CRect::fromSize(293, 146, 36, 36), 0.5f}, {true, CRect::fromSize(350, 146, 36, 36), 0.5f},
    {true, CRect::fromSize(406, 146, 36, 36), 0.5f}, {true, CRect::fromSize(475, 146, 36, 36), 0.5f},
    {false, CRect::fromSize(525, 145, 31, 39), 0.f},
};

TEST_F(EditorFixture, RectBeforeTheFirstOpenIsThePanelPicture)
{
    ERect* r = nullptr;
    ASSERT_TRUE(gui->getRect(&r));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->top, 0);
    EXPECT_EQ(r->left, 0);
    EXPECT_EQ(r->bottom, 230);
    EXPECT_EQ(r->right, 600);
    EXPECT_EQ(gui->getFrame(), nullptr);
    EXPECT_EQ(plugin.getAeffect()->flags & effFlagsHasEditor, effFlagsHasEditor);
    EXPECT_EQ(gui->getKnobMode(), kLinearMode);
}

TEST_F(EditorFixture, EveryControlMatchesThePanelTable)
{
    plugin.setParameter(kMode, 0.5f);
    plugin.setParameter(kGain, 1.0f);
    plugin.setParameter(kTreble, 0.999f);
    openPanel();
    CFrame* f = frame();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->getViewSize(), CRect(0, 0, 600, 230));
    EXPECT_EQ(f->getBackgroundColor(), kBlackCColor);
    ASSERT_NE(f->getBackground(), nullptr);
    EXPECT_EQ(f->getBackground()->getWidth(), 600);
    EXPECT_EQ(f->getBackground()->getHeight(), 230);

    for (int tag = 0; tag < 9; ++tag) {
        SCOPED_TRACE(tag);
        CControl* c = gui->getParameterControl(tag);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->getTag(), tag);
        EXPECT_EQ(c->getViewSize(), kTable[tag].rect);
        EXPECT_FLOAT_EQ(c->getDefaultValue(), kTable[tag].defaultValue);
        EXPECT_EQ(c->getValue(), plugin.getParameter(tag));
        EXPECT_EQ(c->getListener(), gui);
        EXPECT_EQ(c->getOffset(), CPoint(0, 0));
        ASSERT_NE(c->getBackground(), nullptr);
        if (kTable[tag].knob) {
            ASSERT_TRUE(c->isTypeOf("CAnimKnob"));
            auto* knob = static_cast<CAnimKnob*>(c);
            EXPECT_EQ(knob->getNumSubPixmaps(), 101);
            EXPECT_EQ(knob->getHeightOfOneImage(), 36);
            EXPECT_EQ(c->getBackground()->getHeight(), 3636);
            EXPECT_EQ(c->getBackground(), gui->getParameterControl(0)->getBackground()); // one shared strip
        } else {
            ASSERT_TRUE(c->isTypeOf("CVerticalSwitch"));
            auto* sw = static_cast<CVerticalSwitch*>(c);
            EXPECT_EQ(sw->getNumSubPixmaps(), 3);
            EXPECT_EQ(sw->getHeightOfOneImage(), 39);
            EXPECT_EQ(sw->getMaxPositions(), 3);
            EXPECT_EQ(c->getBackground()->getHeight(), 117);
        }
    }
    // The plug-in's current values select the frames.
    EXPECT_EQ(static_cast<CVerticalSwitch*>(gui->getParameterControl(kMode))->frameForValue(0.5f), 1);
    EXPECT_EQ(static_cast<CAnimKnob*>(gui->getParameterControl(kGain))->frameForValue(
                  gui->getParameterControl(kGain)->getValue()),
              100);
    EXPECT_EQ(static_cast<CAnimKnob*>(gui->getParameterControl(kTreble))->frameForValue(
                  gui->getParameterControl(kTreble)->getValue()),
              99);
    // Knob strip: one reference per knob, switch strip one per switch; the
    // editor keeps none.
    EXPECT_EQ(gui->getParameterControl(0)->getBackground()->getNbReference(), 7);
    EXPECT_EQ(gui->getParameterControl(1)->getBackground()->getNbReference(), 2);
}

TEST_F(EditorFixture, ButtonsLabelsAndAboutBoxMatchThePanelTable)
{
    openPanel();
    CKickButton* load = gui->getIrLoadButton();
    ASSERT_NE(load, nullptr);
    EXPECT_EQ(load->getViewSize(), CRect::fromSize(519, 202, 28, 14));
    EXPECT_EQ(load->getTag(), kTagIrLoad);
    EXPECT_EQ(load->getHeightOfOneImage(), 14);
    ASSERT_NE(load->getBackground(), nullptr);
    EXPECT_EQ(load->getBackground()->getNbReference(), 1);
    EXPECT_EQ(load->getBackground()->getHeight(), 28);

    CTextLabel* name = gui->getIrNameLabel();
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->getViewSize(), CRect::fromSize(85, 203, 430, 12));
    EXPECT_EQ(name->getBackground(), nullptr);
    EXPECT_EQ(name->getText(), "empty"); // the initial path
    EXPECT_TRUE(name->getTransparency());
    EXPECT_EQ(name->getFontColor(), kWhiteCColor);
    EXPECT_EQ(name->getFont().name, "Arial");
    EXPECT_EQ(name->getFont().size, 11);
    EXPECT_EQ(name->getHoriAlign(), kRightText);

    CKickButton* logo = gui->getLogoButton();
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->getViewSize(), CRect::fromSize(204, 53, 193, 31));
    EXPECT_EQ(logo->getTag(), kTagLogo);
    EXPECT_EQ(logo->getHeightOfOneImage(), 31);
    EXPECT_EQ(logo->getBackground()->getWidth(), 193);
    EXPECT_EQ(logo->getBackground()->getHeight(), 62);

    CSplashScreen* splash = gui->getAboutSplash();
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->getViewSize(), CRect::fromSize(562, 206, 18, 16));
    EXPECT_EQ(splash->getTag(), kTagAbout);
    EXPECT_EQ(splash->getBackground(), nullptr);
    EXPECT_TRUE(splash->getTransparency());
    EXPECT_EQ(splash->getListener(), gui);

    CAboutContainer* box = gui->getAboutBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(splash->getSplashView(), box);
    EXPECT_EQ(box->splashScreen, splash);
    EXPECT_EQ(box->getViewSize(), CRect::fromSize(144, 12, 311, 206));
    EXPECT_EQ(box->getFrame(), frame());
    EXPECT_EQ(box->getBackgroundColor(), kBlackCColor);
    ASSERT_NE(box->getBackground(), nullptr);
    EXPECT_EQ(box->getBackground()->getWidth(), 311);
    EXPECT_EQ(box->getBackground()->getHeight(), 206);
    EXPECT_TRUE(box->isTypeOf("CAboutContainer"));
    EXPECT_TRUE(box->isTypeOf("CViewContainer"));
    EXPECT_TRUE(box->isTypeOf("CView"));
    EXPECT_FALSE(frame()->isChild(box));

    ASSERT_EQ(box->getNbViews(), 1);
    CTextLabel* version = gui->getVersionLabel();
    ASSERT_EQ(box->getView(0), version);
    EXPECT_EQ(version->getViewSize(), CRect::fromSize(136, 3, 80, 15));
    EXPECT_EQ(version->getText(), "(Ver.1.1.3)");
    EXPECT_TRUE(version->getTransparency());
    EXPECT_EQ(version->getFontColor(), kYellowCColor);
    EXPECT_EQ(version->getFont().name, "Arial");
    EXPECT_EQ(version->getFont().size, 11);
    EXPECT_EQ(version->getHoriAlign(), kLeftText);

    CView* copy = box->newCopy();
    ASSERT_TRUE(copy->isTypeOf("CAboutContainer"));
    EXPECT_EQ(static_cast<CAboutContainer*>(copy)->splashScreen, splash);
    EXPECT_EQ(static_cast<CAboutContainer*>(copy)->getNbViews(), 1);
    copy->forget();
}

TEST_F(EditorFixture, AttachOrderWithTheCabinetOnExtAndElsewhere)
{
    for (float cabinet : {0.f, 0.5f, 0.9999f, 1.f}) {
        SCOPED_TRACE(cabinet);
        plugin.setParameter(kCabinet, cabinet);
        openPanel();
        std::vector<CView*> expected;
        for (int tag = 0; tag < 9; ++tag)
            expected.push_back(gui->getParameterControl(tag));
        if (cabinet == 1.f) {
            expected.push_back(gui->getIrLoadButton());
            expected.push_back(gui->getIrNameLabel());
        }
        expected.push_back(gui->getLogoButton());
        expected.push_back(gui->getAboutSplash());
        std::vector<CView*> attached;
        for (int i = 0; i < frame()->getNbViews(); ++i)
            attached.push_back(frame()->getView(i));
        EXPECT_EQ(attached, expected);
        EXPECT_EQ(gui->areIrControlsShown(), cabinet == 1.f);
        // Detached, they still exist.
        EXPECT_NE(gui->getIrLoadButton(), nullptr);
        EXPECT_NE(gui->getIrNameLabel(), nullptr);
        gui->close();
        EXPECT_EQ(gui->getFrame(), nullptr);
        EXPECT_EQ(gui->getIrLoadButton(), nullptr);
    }
}

TEST(IrDisplayName, NameWithoutFoldersAndLastExtension)
{
    EXPECT_EQ(zorvanGUI::irDisplayName("C:\\IRs\\My Cab.old.wav"), "My Cab.old");
    EXPECT_EQ(zorvanGUI::irDisplayName("empty"), "empty");
    EXPECT_EQ(zorvanGUI::irDisplayName("a.b/c"), "c");
    EXPECT_EQ(zorvanGUI::irDisplayName(".wav"), "");
    EXPECT_EQ(zorvanGUI::irDisplayName(""), "");
    EXPECT_EQ(zorvanGUI::irDisplayName(nullptr), "");
    EXPECT_EQ(zorvanGUI::irDisplayName("/home/me/irs/room.wav"), "room");
    EXPECT_EQ(zorvanGUI::irDisplayName("/home/me/irs/"), "");
    EXPECT_EQ(zorvanGUI::irDisplayName("mixed/back\\slash.x.y"), "slash.x");
}

TEST_F(EditorFixture, OpenCloseCyclesLeaveNoViewsOrBitmaps)
{
    const int32_t views = CView::getLiveCount();
    const int32_t bitmaps = CBitmap::getLiveCount();
    gui->close(); // without an open: harmless
    for (int i = 0; i < 20; ++i) {
        plugin.setParameter(kCabinet, (i % 2) ? 1.f : 0.f);
        openPanel();
        if (i % 3 == 0) {
            press(570, 213); // about box shown at the close
            EXPECT_NE(frame()->getModalView(), nullptr);
        }
        gui->close();
        gui->close(); // twice: harmless
        EXPECT_EQ(CView::getLiveCount(), views) << "cycle " << i;
        EXPECT_EQ(CBitmap::getLiveCount(), bitmaps) << "cycle " << i;
    }
    // A second open without a close rebuilds and keeps nothing from the first.
    openPanel();
    const int32_t once = CView::getLiveCount();
    openPanel();
    EXPECT_EQ(CView::getLiveCount(), once);
}

} // namespace
