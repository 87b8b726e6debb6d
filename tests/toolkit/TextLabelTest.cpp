// Text placement of CTextLabel: the panel's file-name label is 12 pixels high,
// less than the font's line, and must still show descenders and underscores.
#include "toolkit/CDrawContext.h"
#include "toolkit/CTextLabel.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdint>
#include <vector>

using namespace VSTGUI;

namespace {

// The text's ink in a label of the given height, cropped to its bounding box,
// as rows of grey levels. Empty when nothing is drawn.
std::vector<std::vector<uint8_t>> inkOf(const char* text, int height)
{
    const int w = 430, h = 60, top = 4;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cairo_t* cr = cairo_create(surface);
    CDrawContext context(cr);
    context.fillRect(CRect(0, 0, w, h), kBlackCColor);
    CTextLabel* label = new CTextLabel(CRect::fromSize(0, top, w, height), text);
    label->setTransparency(true);
    label->setFont(kNormalFontSmall);
    label->setHoriAlign(kRightText);
    label->draw(&context);
    label->forget();
    cairo_destroy(cr);
    cairo_surface_flush(surface);

    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    auto grey = [&](int x, int y) { return data[y * stride + x * 4 + 1]; }; // green of white text
    int x0 = w, x1 = -1, y0 = h, y1 = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (grey(x, y)) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    std::vector<std::vector<uint8_t>> ink;
    for (int y = y0; y <= y1; ++y) {
        ink.emplace_back();
        for (int x = x0; x <= x1; ++x)
            ink.back().push_back(grey(x, y));
    }
    cairo_surface_destroy(surface);
    return ink;
}

} // namespace

// A label too low for the font's whole line keeps the glyphs' tails and
// underscores: the ink is exactly what a label of ample height shows.
TEST(TextLabel, LowLabelShowsDescendersAndUnderscores)
{
    for (const char* text : {"my_cab_57", "gpqy jig", "_", "Hdlk|"}) {
        SCOPED_TRACE(text);
        const auto tall = inkOf(text, 40);
        ASSERT_FALSE(tall.empty());
        const auto low = inkOf(text, 12);
        EXPECT_TRUE(low == tall) << "the 12-pixel label shows " << low.size() << " rows of ink, a tall one "
                                 << tall.size();
    }
    EXPECT_TRUE(inkOf("my_cab_57", 12) != inkOf("my cab 57", 12)) << "underscores drawn";
}
