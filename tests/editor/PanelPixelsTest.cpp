// What the offscreen back-end draws: at given parameter values every knob and
// switch rectangle shows exactly its film-strip frame over the panel picture,
// and the LOAD button and file name appear only at cabinet exactly 1.0.
#include "EditorTestSupport.h"

#include "toolkit/CBitmap.h"
#include "toolkit/CDrawContext.h"

using namespace VSTGUI;
using edtest::EditorFixture;
using edtest::expectedStripArea;
using edtest::sameArea;

namespace {

const CRect kKnobRects[9] = {
    CRect::fromSize(53, 146, 36, 36),  CRect(),
    CRect::fromSize(168, 146, 36, 36), CRect::fromSize(236, 146, 36, 36),
    CRect::fromSize(293, 146, 36, 36), CRect::fromSize(350, 146, 36, 36),
    CRect::fromSize(406, 146, 36, 36), CRect::fromSize(475, 146, 36, 36),
    CRect(),
};
// The gain knob overlaps the channel switch's four right columns; those are
// compared as part of the knob only.
const CRect kModeSwitchArea = CRect::fromSize(141, 145, 27, 39);
const CRect kCabSwitchArea = CRect::fromSize(525, 145, 31, 39);

struct Surface {
    cairo_surface_t* s;
    explicit Surface(cairo_surface_t* s) : s(s) {}
    ~Surface() { cairo_surface_destroy(s); }
    operator cairo_surface_t*() const { return s; }
};

::testing::AssertionResult showsFrame(cairo_surface_t* panel, const CRect& r, const char* strip, int frame,
                                      int frameHeight)
{
    Surface expected(expectedStripArea(strip, frame, frameHeight, r));
    return sameArea(panel, r.left, r.top, expected, 0, 0, r.width(), r.height());
}

::testing::AssertionResult showsBackground(cairo_surface_t* panel, const CRect& r)
{
    Surface expected(edtest::backgroundArea(r));
    return sameArea(panel, r.left, r.top, expected, 0, 0, r.width(), r.height());
}

TEST(PanelPixels, NeighbouringKnobFramesDiffer)
{
    // Otherwise the frame checks below could not tell frames apart.
    const CRect r = CRect::fromSize(236, 146, 36, 36);
    Surface a(expectedStripArea("silverknob.png", 49, 36, r));
    Surface b(expectedStripArea("silverknob.png", 50, 36, r));
    Surface c(expectedStripArea("silverknob.png", 99, 36, r));
    Surface d(expectedStripArea("silverknob.png", 100, 36, r));
    EXPECT_FALSE(sameArea(a, 0, 0, b, 0, 0, 36, 36));
    EXPECT_FALSE(sameArea(c, 0, 0, d, 0, 0, 36, 36));
    Surface up(expectedStripArea("silverswitch.png", 0, 39, kCabSwitchArea));
    Surface mid(expectedStripArea("silverswitch.png", 1, 39, kCabSwitchArea));
    Surface down(expectedStripArea("silverswitch.png", 2, 39, kCabSwitchArea));
    EXPECT_FALSE(sameArea(up, 0, 0, mid, 0, 0, 31, 39));
    EXPECT_FALSE(sameArea(mid, 0, 0, down, 0, 0, 31, 39));
}

TEST_F(EditorFixture, KnobsAndSwitchesShowTheirFilmStripFrames)
{
    const float values[9] = {0.5f, 0.5f, 0.999f, 1.0f, 0.f, 0.2f, -0.5f, 0.0099f, 0.9999f};
    const int frames[9] = {50, 1, 99, 100, 0, 20, 0, 0, 2};
    for (int i = 0; i < 9; ++i)
        plugin.setParameter(i, values[i]);
    openPanel();
    Surface panel(edtest::renderPanel(*gui));
    for (int i : {0, 2, 3, 4, 5, 6, 7})
        EXPECT_TRUE(showsFrame(panel, kKnobRects[i], "silverknob.png", frames[i], 36)) << "knob " << i;
    EXPECT_TRUE(showsFrame(panel, kModeSwitchArea, "silverswitch.png", frames[1], 39)) << "lever centred";
    EXPECT_TRUE(showsFrame(panel, kCabSwitchArea, "silverswitch.png", frames[8], 39)) << "lever down";
    // Cabinet at 0.9999 is OFF: no LOAD button and no name.
    EXPECT_TRUE(showsBackground(panel, CRect::fromSize(519, 202, 28, 14)));
    EXPECT_TRUE(showsBackground(panel, CRect::fromSize(85, 203, 430, 12)));
}

TEST_F(EditorFixture, LoadButtonAndNameAppearOnlyAtCabinetExactlyOne)
{
    const CRect load = CRect::fromSize(519, 202, 28, 14);
    const CRect name = CRect::fromSize(85, 203, 430, 12);
    for (float cabinet : {0.f, 0.5f, 0.99999994f, 1.f}) {
        SCOPED_TRACE(cabinet);
        plugin.setParameter(kCabinet, cabinet);
        openPanel();
        Surface panel(edtest::renderPanel(*gui));
        if (cabinet == 1.f) {
            EXPECT_TRUE(showsFrame(panel, load, "irload.png", 0, 14));
            EXPECT_FALSE(showsBackground(panel, name)); // "empty" is written there
            // The name is right-aligned: its last columns carry ink, its first do not.
            EXPECT_TRUE(showsBackground(panel, CRect::fromSize(85, 203, 300, 12)));
            EXPECT_FALSE(showsBackground(panel, CRect::fromSize(475, 203, 40, 12)));
        } else {
            EXPECT_TRUE(showsBackground(panel, load));
            EXPECT_TRUE(showsBackground(panel, name));
        }
        gui->close();
    }
}

TEST_F(EditorFixture, AboutBoxDrawsItsPictureWithTheVersionText)
{
    openPanel();
    press(570, 213);
    ASSERT_NE(frame()->getModalView(), nullptr);
    Surface panel(edtest::renderPanel(*gui));
    const CRect box = CRect::fromSize(144, 12, 311, 206);
    // Outside the version text the box is exactly the about picture.
    Surface about(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 311, 206));
    {
        cairo_t* cr = cairo_create(about);
        CDrawContext context(cr);
        CBitmap picture("about.png");
        context.fillRect(CRect(0, 0, 311, 206), kBlackCColor);
        context.drawBitmap(picture, CRect(0, 0, 311, 206));
        cairo_destroy(cr);
    }
    EXPECT_TRUE(sameArea(panel, box.left, box.top + 20, about, 0, 20, 311, 186));
    EXPECT_TRUE(sameArea(panel, box.left, box.top, about, 0, 0, 136, 20));
    // The version text is drawn in yellow inside 136,3 80 x 15.
    cairo_surface_flush(panel);
    const unsigned char* data = cairo_image_surface_get_data(panel);
    const int stride = cairo_image_surface_get_stride(panel);
    int yellowish = 0;
    for (int y = 3; y < 18; ++y)
        for (int x = 136; x < 216; ++x) {
            const uint32_t p = reinterpret_cast<const uint32_t*>(data + (box.top + y) * stride)[box.left + x];
            const int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
            if (r > 200 && g > 200 && b < 80)
                ++yellowish;
        }
    EXPECT_GT(yellowish, 20);
    // Closing brings the panel back as it was.
    press(300, 100);
    Surface closed(edtest::renderPanel(*gui));
    gui->close();
    openPanel();
    Surface fresh(edtest::renderPanel(*gui));
    EXPECT_TRUE(sameArea(closed, 0, 0, fresh, 0, 0, 600, 230));
}

TEST_F(EditorFixture, IncrementalRedrawMatchesAFullRender)
{
    // The frame's back buffer, updated piecewise at each idle pass, must end
    // up as the full offscreen render: this is what a window shows.
    plugin.setParameter(kCabinet, 1.f);
    openPanel();
    gui->idle();
    plugin.setParameter(kGain, 0.83f);
    plugin.setParameter(kCabinet, 0.5f);
    gui->idle();
    press(570, 213);
    gui->idle();
    press(200, 100);
    plugin.setParameter(kCabinet, 1.f);
    plugin.setParameter(kMode, 1.f);
    gui->idle();
    Surface full(edtest::renderPanel(*gui));
    EXPECT_TRUE(sameArea(frame()->getBackBuffer(), 0, 0, full, 0, 0, 600, 230));
}

} // namespace

namespace {

TEST_F(EditorFixture, LogoButtonAtRestIsSeamlessWithThePanelPicture)
{
    openPanel();
    const CRect logo = CRect::fromSize(204, 53, 193, 31);
    Surface panel(edtest::renderPanel(*gui));
    EXPECT_TRUE(showsFrame(panel, logo, "logo.png", 0, 31));
    EXPECT_TRUE(showsBackground(panel, logo));
    // Held down it shows the pressed frame. (The release starts the web
    // browser: a stand-in that does nothing is found first.)
    edtest::StandInPath standIns;
    standIns.addScript("xdg-open", "exit 0");
    press(300, 70);
    Surface pressed(edtest::renderPanel(*gui));
    EXPECT_TRUE(showsFrame(pressed, logo, "logo.png", 1, 31));
    EXPECT_FALSE(showsBackground(pressed, logo));
    release(300, 70);
    EXPECT_TRUE(edtest::noChildrenLeft(gui));
}

} // namespace
