// Event logic of the controls, driven by synthetic mouse events on a frame
// without a window: film-strip frame rules, knob drag, switch bands, kick
// button reports, default values, splash screen and modal view.
#include "toolkit/CAnimKnob.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CFrame.h"
#include "toolkit/CKickButton.h"
#include "toolkit/CSplashScreen.h"
#include "toolkit/CVerticalSwitch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace VSTGUI;

namespace {

// Records edit gestures and value reports in one ordered list.
struct Recorder : VSTGUIEditorInterface, CControlListener {
    std::vector<std::string> events;
    int32_t knobMode = kLinearMode;

    void beginEdit(int32_t index) override { events.push_back("begin " + std::to_string(index)); }
    void endEdit(int32_t index) override { events.push_back("end " + std::to_string(index)); }
    int32_t getKnobMode() const override { return knobMode; }
    void valueChanged(CControl* c) override
    {
        char text[64];
        std::snprintf(text, sizeof text, "value %d %g", c->getTag(), c->getValue());
        events.push_back(text);
    }
};

struct ControlFixture : ::testing::Test {
    Recorder rec;
    CFrame* frame = new CFrame(CRect(0, 0, 600, 230), nullptr, &rec);
    ~ControlFixture() override { frame->forget(); }

    CMouseEventResult down(int x, int y, int32_t buttons)
    {
        CPoint p(x, y);
        return frame->onMouseDown(p, buttons);
    }
    void move(int x, int y, int32_t buttons)
    {
        CPoint p(x, y);
        frame->onMouseMoved(p, buttons);
    }
    void up(int x, int y, int32_t buttons)
    {
        CPoint p(x, y);
        frame->onMouseUp(p, buttons);
    }
    CAnimKnob* addKnob(float value, const CRect& r = CRect::fromSize(168, 146, 36, 36))
    {
        CBitmap* strip = new CBitmap("silverknob.png");
        auto* knob = new CAnimKnob(r, &rec, 2, 101, 36, strip);
        strip->forget();
        knob->setDefaultValue(0.5f);
        knob->setValue(value);
        frame->addView(knob);
        return knob;
    }
    CVerticalSwitch* addSwitch(float value)
    {
        CBitmap* strip = new CBitmap("silverswitch.png");
        auto* sw = new CVerticalSwitch(CRect::fromSize(525, 145, 31, 39), &rec, 8, 3, 39, 3, strip);
        strip->forget();
        sw->setValue(value);
        frame->addView(sw);
        return sw;
    }
};

TEST(FilmStrip, KnobFrameIsValueTimes100CutInSinglePrecision)
{
    CBitmap strip("SILVERKNOB.PNG"); // lookup ignores case
    CAnimKnob knob(CRect::fromSize(0, 0, 36, 36), nullptr, 0, 101, 36, &strip);
    ASSERT_EQ(knob.getNumSubPixmaps(), 101);
    EXPECT_EQ(knob.frameForValue(0.f), 0);
    EXPECT_EQ(knob.frameForValue(0.5f), 50);
    EXPECT_EQ(knob.frameForValue(0.999f), 99);
    EXPECT_EQ(knob.frameForValue(1.f), 100);
    EXPECT_EQ(knob.frameForValue(0.2f), 20);
    EXPECT_EQ(knob.frameForValue(0.0099f), 0);
    EXPECT_EQ(knob.frameForValue(-0.3f), 0);
    EXPECT_EQ(knob.frameForValue(7.f), 100);
    EXPECT_EQ(knob.frameForValue(std::numeric_limits<float>::quiet_NaN()), 0);
    // Single precision decides near boundaries: 0.13f x 3600 is 467.99997.
    EXPECT_EQ(knob.frameForValue(0.13f), 12);
    for (int i = 0; i <= 100; ++i)
        EXPECT_EQ(knob.frameForValue((static_cast<float>(i) + 0.001f) / 100.f), i) << i;
}

TEST(FilmStrip, FrameCountComesFromTheBitmap)
{
    CBitmap strip("silverknob.png");
    CAnimKnob knob(CRect::fromSize(0, 0, 36, 36), nullptr, 0, 7, 36, &strip);
    EXPECT_EQ(knob.getNumSubPixmaps(), 101);
}

TEST(FilmStrip, SwitchFrameIsValueTimesTwoPlusHalf)
{
    CVerticalSwitch sw(CRect::fromSize(0, 0, 31, 39), nullptr, 1, 3, 39, 3, nullptr);
    EXPECT_EQ(sw.frameForValue(0.f), 0);
    EXPECT_EQ(sw.frameForValue(0.2499f), 0);
    EXPECT_EQ(sw.frameForValue(0.25f), 1);
    EXPECT_EQ(sw.frameForValue(0.5f), 1);
    EXPECT_EQ(sw.frameForValue(0.7499f), 1);
    EXPECT_EQ(sw.frameForValue(0.75f), 2);
    EXPECT_EQ(sw.frameForValue(0.9999f), 2);
    EXPECT_EQ(sw.frameForValue(1.f), 2);
    EXPECT_EQ(sw.frameForValue(-1.f), 0);
}

TEST(Bitmaps, MissingResourceIsEmptyAndReferencesAreCounted)
{
    const int32_t before = CBitmap::getLiveCount();
    CBitmap* missing = new CBitmap("nothing.png");
    EXPECT_FALSE(missing->isLoaded());
    EXPECT_EQ(missing->getWidth(), 0);
    EXPECT_EQ(missing->getHeight(), 0);
    CBitmap* strip = new CBitmap("silverswitch.png");
    EXPECT_EQ(strip->getWidth(), 31);
    EXPECT_EQ(strip->getHeight(), 117);
    auto* sw = new CVerticalSwitch(CRect::fromSize(0, 0, 31, 39), nullptr, 1, 3, 39, 3, strip);
    EXPECT_EQ(strip->getNbReference(), 2);
    strip->forget();
    missing->forget();
    EXPECT_EQ(CBitmap::getLiveCount(), before + 1); // the switch still holds its strip
    sw->forget();
    EXPECT_EQ(CBitmap::getLiveCount(), before);
}

TEST_F(ControlFixture, LinearKnobDragCovers200PixelsAndReportsInsideAnEdit)
{
    CAnimKnob* knob = addKnob(0.5f);
    EXPECT_EQ(down(180, 160, kLButton), kMouseEventHandled);
    move(230, 160, kLButton); // 50 right
    EXPECT_FLOAT_EQ(knob->getValue(), 0.75f);
    move(230, 140, kLButton); // and 20 up
    EXPECT_FLOAT_EQ(knob->getValue(), 0.85f);
    move(180, 200, kLButton); // 40 down from the press
    EXPECT_FLOAT_EQ(knob->getValue(), 0.3f);
    move(100, 300, kLButton); // far beyond: clamped
    EXPECT_FLOAT_EQ(knob->getValue(), 0.f);
    up(100, 300, 0);
    ASSERT_GE(rec.events.size(), 3u);
    EXPECT_EQ(rec.events.front(), "begin 2");
    EXPECT_EQ(rec.events[1], "value 2 0.75");
    EXPECT_EQ(rec.events.back(), "end 2");
    EXPECT_EQ(frame->getFocusView(), knob);
}

TEST_F(ControlFixture, ShiftSlowsTheDragTo300PixelsWithoutAJump)
{
    CAnimKnob* knob = addKnob(0.f);
    down(180, 160, kLButton | kShift);
    move(330, 160, kLButton | kShift); // 150 of 300
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);
    // Letting go of Shift keeps the knob where it is (the move that notices it
    // still counts at the old speed) and continues at 200 pixels.
    move(331, 160, kLButton);
    EXPECT_NEAR(knob->getValue(), 151.f / 300.f, 1e-5);
    move(351, 160, kLButton);
    EXPECT_NEAR(knob->getValue(), 151.f / 300.f + 0.1f, 1e-5);
    up(351, 160, 0);
}

TEST_F(ControlFixture, AltGivesTheCircularDrag)
{
    CAnimKnob* knob = addKnob(0.5f);
    // Knob centre is (186, 164); straight right of it is +90 degrees.
    down(200, 164, kLButton | kAlt);
    EXPECT_NEAR(knob->getValue(), (90.f + 150.f) / 300.f, 1e-5);
    move(186, 150, kLButton | kAlt); // straight up: the middle
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-5);
    move(184, 180, kLButton | kAlt); // just left of straight down: in the gap, nearer the start
    EXPECT_FLOAT_EQ(knob->getValue(), 0.f);
    up(184, 180, 0);
    // In circular mode Alt gives the linear drag.
    rec.knobMode = kCircularMode;
    down(180, 160, kLButton | kAlt);
    move(280, 160, kLButton | kAlt);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);
    up(280, 160, 0);
}

TEST_F(ControlFixture, ControlClickSetsTheDefaultInsideOneEdit)
{
    CAnimKnob* knob = addKnob(0.9f);
    EXPECT_EQ(down(180, 160, kLButton | kControl), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"begin 2", "value 2 0.5", "end 2"}));
    // Control with another modifier is an ordinary press.
    rec.events.clear();
    knob->setValue(0.9f);
    EXPECT_EQ(down(180, 160, kLButton | kControl | kShift), kMouseEventHandled);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.9f);
    up(180, 160, 0);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"begin 2", "end 2"}));
}

TEST_F(ControlFixture, RightButtonDoesNotTouchControls)
{
    CAnimKnob* knob = addKnob(0.3f);
    EXPECT_EQ(down(180, 160, kRButton), kMouseEventNotHandled);
    move(280, 160, kRButton);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.3f);
    EXPECT_TRUE(rec.events.empty());
}

TEST_F(ControlFixture, SwitchBandsOf13PixelsPickThePosition)
{
    CVerticalSwitch* sw = addSwitch(0.f);
    const int top = 145;
    struct Band {
        int dy;
        float value;
    } bands[] = {{0, 0.f}, {12, 0.f}, {13, 0.5f}, {25, 0.5f}, {26, 1.f}, {38, 1.f}};
    for (const Band& b : bands) {
        down(530, top + b.dy, kLButton);
        up(530, top + b.dy, 0);
        EXPECT_FLOAT_EQ(sw->getValue(), b.value) << "offset " << b.dy;
    }
    // Dragging beyond the switch stays within 0 and 1.
    down(530, top + 20, kLButton);
    move(530, top + 200, kLButton);
    EXPECT_FLOAT_EQ(sw->getValue(), 1.f);
    move(530, top - 100, kLButton);
    EXPECT_FLOAT_EQ(sw->getValue(), 0.f);
    up(530, top - 100, 0);
}

TEST_F(ControlFixture, SwitchReportsOnlyChangesAndControlClickGoesToZero)
{
    CVerticalSwitch* sw = addSwitch(1.f);
    down(530, 145 + 30, kLButton);
    up(530, 145 + 30, 0);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"begin 8", "end 8"}));
    rec.events.clear();
    down(530, 145 + 30, kLButton | kControl);
    EXPECT_FLOAT_EQ(sw->getValue(), 0.f);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"begin 8", "value 8 0", "end 8"}));
}

TEST_F(ControlFixture, KickButtonReportsOneThenZeroOnRelease)
{
    auto* button = new CKickButton(CRect::fromSize(519, 202, 28, 14), &rec, 9, 14, nullptr);
    frame->addView(button);
    down(530, 208, kLButton);
    EXPECT_FLOAT_EQ(button->getValue(), 1.f);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"begin 9"})); // nothing while held
    up(530, 208, 0);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"begin 9", "value 9 1", "value 9 0", "end 9"}));
    EXPECT_FLOAT_EQ(button->getValue(), 0.f);

    // Dragged off before the release: only the report at 0.
    rec.events.clear();
    down(530, 208, kLButton);
    move(400, 100, kLButton);
    EXPECT_FLOAT_EQ(button->getValue(), 0.f);
    move(531, 209, kLButton);
    EXPECT_FLOAT_EQ(button->getValue(), 1.f);
    move(400, 100, kLButton);
    up(400, 100, 0);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"begin 9", "value 9 0", "end 9"}));

    rec.events.clear();
    EXPECT_EQ(down(530, 208, kRButton), kMouseEventNotHandled);
    EXPECT_TRUE(rec.events.empty());
}

// A modal view that closes on any press, like the about box.
struct ClosingBox : CViewContainer {
    CSplashScreen* splash = nullptr;
    int presses = 0;
    ClosingBox() : CViewContainer(CRect::fromSize(144, 12, 311, 206), nullptr) {}
    CMouseEventResult onMouseDown(CPoint&, const int32_t&) override
    {
        ++presses;
        if (splash)
            splash->unSplash();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
};

TEST_F(ControlFixture, SplashScreenShowsItsViewAsModalUntilUnsplashed)
{
    CAnimKnob* knob = addKnob(0.5f, CRect::fromSize(53, 146, 36, 36)); // outside the box
    auto* box = new ClosingBox;
    auto* splash = new CSplashScreen(CRect::fromSize(562, 206, 18, 16), &rec, 11, box);
    box->splash = splash;
    frame->addView(splash);
    const int views = frame->getNbViews();

    EXPECT_EQ(down(570, 212, kRButton), kMouseEventNotHandled);
    EXPECT_EQ(frame->getModalView(), nullptr);

    EXPECT_EQ(down(570, 212, kLButton), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_EQ(frame->getModalView(), box);
    EXPECT_FLOAT_EQ(splash->getValue(), 1.f);
    EXPECT_EQ(frame->getNbViews(), views + 1);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"value 11 1"})); // no edit gesture

    // Presses outside the modal view are ignored.
    rec.events.clear();
    EXPECT_EQ(down(20, 200, kLButton), kMouseEventNotHandled);
    EXPECT_EQ(down(70, 164, kLButton), kMouseEventNotHandled);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.5f);
    EXPECT_TRUE(rec.events.empty());

    // A right press inside closes it.
    down(300, 100, kRButton);
    EXPECT_EQ(box->presses, 1);
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_FLOAT_EQ(splash->getValue(), 0.f);
    EXPECT_EQ(frame->getNbViews(), views);
    // And it opens again.
    down(570, 212, kLButton);
    EXPECT_EQ(frame->getModalView(), box);
}

TEST_F(ControlFixture, ClosingTheFrameReleasesEveryView)
{
    const int32_t views = CView::getLiveCount();
    const int32_t bitmaps = CBitmap::getLiveCount();
    {
        Recorder r;
        CFrame* f = new CFrame(CRect(0, 0, 600, 230), nullptr, &r);
        auto* box = new ClosingBox;
        box->addView(new CView(CRect::fromSize(1, 1, 5, 5)));
        auto* splash = new CSplashScreen(CRect::fromSize(562, 206, 18, 16), &r, 11, box);
        f->addView(splash);
        CBitmap* strip = new CBitmap("silverknob.png");
        f->addView(new CAnimKnob(CRect::fromSize(0, 0, 36, 36), &r, 0, 101, 36, strip));
        strip->forget();
        CPoint p(570, 212);
        f->onMouseDown(p, kLButton); // closed while the modal view shows
        f->forget();
    }
    EXPECT_EQ(CView::getLiveCount(), views);
    EXPECT_EQ(CBitmap::getLiveCount(), bitmaps);
}

} // namespace
