// Draws the six pictures of the front panel with cairo, deterministically:
// the same program and fonts give the same PNG files byte for byte.
//
//   zorvan-artwork <output folder>
//
// background.png 600x230  the head: tolex, grille with the logo, control plate
//                          with every legend, the 0-10 scales, the name slot
//                          and the info icon
// silverknob.png 36x3636   101 knob frames, pointer from -150 to +150 degrees
// silverswitch.png 31x117  toggle: lever up, centred, down
// irload.png 28x28         LOAD button at rest, pressed
// logo.png 193x62          the logo on the grille at rest, pressed
// about.png 311x206        the about picture
//
// The control rectangles below are the editor's; the legends line up with them.
#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Knob centres and switch rectangles of the panel (left, top).
struct Knob {
    const char* legend;
    int x, y; // rectangle's top left, 36 x 36
};
const Knob kKnobs[] = {
    {"INPUT", 53, 146}, {"GAIN", 168, 146},   {"BASS", 236, 146},   {"MIDDLE", 293, 146},
    {"TREBLE", 350, 146}, {"PRESENCE", 406, 146}, {"VOLUME", 475, 146},
};
constexpr int kModeSwitchX = 141, kCabSwitchX = 525, kSwitchY = 145;
constexpr double kNutX = 10.0;   // lever pivot inside the switch picture
constexpr double kNutY = 19.5;

// Grille and plate areas of the background.
constexpr double kGrilleL = 12, kGrilleT = 10, kGrilleR = 588, kGrilleB = 108;
constexpr double kPlateL = 12, kPlateT = 117, kPlateR = 588, kPlateB = 224;

// A tiny deterministic noise source (no dependence on the C library's rand).
uint32_t hash(uint32_t x, uint32_t y, uint32_t seed)
{
    uint32_t h = x * 374761393u + y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

double noise(int x, int y, uint32_t seed)
{
    return (hash(static_cast<uint32_t>(x), static_cast<uint32_t>(y), seed) & 0xffff) / 65535.0;
}

void setFontOptions(cairo_t* cr)
{
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, o);
    cairo_font_options_destroy(o);
}

void font(cairo_t* cr, const char* family, bool bold, double size)
{
    cairo_select_font_face(cr, family, CAIRO_FONT_SLANT_NORMAL, bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    setFontOptions(cr);
}

enum class Align { Left, Centre, Right };

// Text with its baseline at y, placed by align around x.
void text(cairo_t* cr, const std::string& s, double x, double y, Align align = Align::Centre)
{
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    double left = x;
    if (align == Align::Centre)
        left = x - e.x_advance / 2.0;
    else if (align == Align::Right)
        left = x - e.x_advance;
    cairo_move_to(cr, left, y);
    cairo_show_text(cr, s.c_str());
}

// Text centred on (x, y) by its ink.
void textCentred(cairo_t* cr, const std::string& s, double x, double y)
{
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    cairo_move_to(cr, x - e.x_bearing - e.width / 2.0, y - e.y_bearing - e.height / 2.0);
    cairo_show_text(cr, s.c_str());
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

// ---------------------------------------------------------------------------
// Surfaces drawn per pixel

// Black tolex: a fine pebbled grain.
void paintTolex(cairo_surface_t* s)
{
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double n = noise(x, y, 1) * 0.6 + noise(x / 2, y / 2, 2) * 0.4;
            const int v = 16 + static_cast<int>(n * 14);
            uint32_t* p = reinterpret_cast<uint32_t*>(data + y * stride) + x;
            *p = 0xff000000u | (v << 16) | (v << 8) | v;
        }
    cairo_surface_mark_dirty(s);
}

// Oxblood grille cloth: two diagonal thread sets woven over and under,
// at absolute panel coordinates so the logo picture can repeat it exactly.
uint32_t grillePixel(int x, int y)
{
    const int u = (x + y) & 7;      // along one diagonal set
    const int v = (x - y + 4096) & 7; // along the other
    const bool cellA = (((x + y) >> 3) + ((x - y + 4096) >> 3)) & 1;
    double thread; // 0 gap .. 1 thread crown
    const int a = cellA ? u : v;
    thread = a < 6 ? std::sin((a + 0.5) / 6.0 * kPi) : 0.0;
    const double grain = noise(x, y, 7) * 0.18;
    const double shade = 0.25 + 0.75 * thread - grain;
    const double r = 118 * shade + 8, g = 38 * shade + 6, b = 36 * shade + 6;
    auto c = [](double c) { return static_cast<uint32_t>(c < 0 ? 0 : (c > 255 ? 255 : c)); };
    return 0xff000000u | (c(r) << 16) | (c(g) << 8) | c(b);
}

void paintGrille(cairo_surface_t* s, int ox, int oy, int x0, int y0, int x1, int y1)
{
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            reinterpret_cast<uint32_t*>(data + y * stride)[x] = grillePixel(x + ox, y + oy);
    cairo_surface_mark_dirty(s);
}

// Brushed champagne plate: horizontal streaks.
void paintPlate(cairo_surface_t* s, int x0, int y0, int x1, int y1)
{
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = y0; y < y1; ++y) {
        const double row = noise(0, y, 11) * 0.5 + noise(1, y / 3, 12) * 0.5;
        for (int x = x0; x < x1; ++x) {
            const double streak = noise(x / 37, y, 13) * 0.35 + noise(x / 9, y, 14) * 0.25 + row * 0.4;
            const double k = 0.9 + 0.1 * streak;
            const double r = 212 * k, g = 196 * k, b = 160 * k;
            reinterpret_cast<uint32_t*>(data + y * stride)[x] =
                0xff000000u | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) |
                static_cast<uint32_t>(b);
        }
    }
    cairo_surface_mark_dirty(s);
}

// ---------------------------------------------------------------------------
// Pieces

// The maker's logo with its baseline centre at (cx, baseline).
void drawLogo(cairo_t* cr, double cx, double baseline, bool pressed)
{
    cairo_save(cr);
    cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    setFontOptions(cr);
    cairo_matrix_t m;
    cairo_matrix_init(&m, 28, 0, -6, 28, 0, 0); // 28 px, leaning right
    cairo_set_font_matrix(cr, &m);
    const char* name = "Zorvan";
    cairo_text_extents_t e;
    cairo_text_extents(cr, name, &e);
    const double x = cx - e.x_advance / 2.0 + 2;
    const double d = pressed ? 1.0 : 0.0;
    // Shadow on the cloth.
    cairo_move_to(cr, x + 1.5 + d, baseline + 1.5 + d);
    cairo_text_path(cr, name);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
    cairo_fill(cr);
    // Gold lettering with a dark rim.
    cairo_move_to(cr, x + d, baseline + d);
    cairo_text_path(cr, name);
    cairo_pattern_t* gold = cairo_pattern_create_linear(0, baseline - 20 + d, 0, baseline + 4 + d);
    const double k = pressed ? 0.78 : 1.0;
    cairo_pattern_add_color_stop_rgb(gold, 0.0, 1.0 * k, 0.93 * k, 0.70 * k);
    cairo_pattern_add_color_stop_rgb(gold, 0.45, 0.86 * k, 0.68 * k, 0.30 * k);
    cairo_pattern_add_color_stop_rgb(gold, 0.55, 0.70 * k, 0.50 * k, 0.18 * k);
    cairo_pattern_add_color_stop_rgb(gold, 1.0, 0.93 * k, 0.80 * k, 0.45 * k);
    cairo_set_source(cr, gold);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(gold);
    cairo_set_source_rgba(cr, 0.18, 0.10, 0.02, 0.9);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    // The underline swash from the Z's foot.
    cairo_move_to(cr, x + 6 + d, baseline + 4.5 + d);
    cairo_curve_to(cr, x + 50 + d, baseline + 2 + d, x + 110 + d, baseline + 7 + d, x + e.x_advance + 6 + d,
                   baseline + 3 + d);
    cairo_set_line_width(cr, 1.6);
    cairo_set_source_rgba(cr, 0.90 * k, 0.74 * k, 0.36 * k, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// A Phillips screw head.
void drawScrew(cairo_t* cr, double x, double y)
{
    cairo_new_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_radial(x - 1, y - 1, 0.5, x, y, 3.5);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.95, 0.95, 0.93);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.45, 0.44, 0.42);
    cairo_arc(cr, x, y, 3.2, 0, 2 * kPi);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    cairo_set_source_rgba(cr, 0.15, 0.13, 0.1, 0.8);
    cairo_set_line_width(cr, 0.6);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 0.9);
    cairo_move_to(cr, x - 1.8, y - 1.8);
    cairo_line_to(cr, x + 1.8, y + 1.8);
    cairo_move_to(cr, x + 1.8, y - 1.8);
    cairo_line_to(cr, x - 1.8, y + 1.8);
    cairo_set_source_rgba(cr, 0.2, 0.18, 0.15, 0.9);
    cairo_stroke(cr);
}

// The 0 to 10 scale around a knob centred at (cx, cy).
void drawScale(cairo_t* cr, double cx, double cy)
{
    font(cr, "DejaVu Sans", false, 6.5);
    for (int k = 0; k <= 10; ++k) {
        const double a = (-150.0 + 30.0 * k) * kPi / 180.0;
        const double sx = std::sin(a), sy = -std::cos(a);
        // Tick between knob and numeral.
        cairo_move_to(cr, cx + sx * 18.4, cy + sy * 18.4);
        cairo_line_to(cr, cx + sx * 20.0, cy + sy * 20.0);
        cairo_set_line_width(cr, 0.9);
        cairo_set_source_rgb(cr, 0.1, 0.08, 0.06);
        cairo_stroke(cr);
        textCentred(cr, std::to_string(k), cx + sx * 24.0, cy + sy * 24.0);
    }
}

// ---------------------------------------------------------------------------
// The six pictures

cairo_surface_t* makeBackground()
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 600, 230);
    paintTolex(s);
    paintGrille(s, 0, 0, static_cast<int>(kGrilleL), static_cast<int>(kGrilleT), static_cast<int>(kGrilleR),
                static_cast<int>(kGrilleB));
    paintPlate(s, static_cast<int>(kPlateL), static_cast<int>(kPlateT), static_cast<int>(kPlateR),
               static_cast<int>(kPlateB));
    cairo_t* cr = cairo_create(s);

    // Grille: shading towards the edges and cream piping around it.
    cairo_pattern_t* vignette = cairo_pattern_create_radial(300, 59, 40, 300, 59, 330);
    cairo_pattern_add_color_stop_rgba(vignette, 0, 0, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(vignette, 1, 0, 0, 0, 0.45);
    cairo_rectangle(cr, kGrilleL, kGrilleT, kGrilleR - kGrilleL, kGrilleB - kGrilleT);
    cairo_set_source(cr, vignette);
    cairo_fill(cr);
    cairo_pattern_destroy(vignette);
    roundedRect(cr, kGrilleL - 1.5, kGrilleT - 1.5, kGrilleR - kGrilleL + 3, kGrilleB - kGrilleT + 3, 3);
    cairo_set_line_width(cr, 2.2);
    cairo_set_source_rgb(cr, 0.86, 0.82, 0.70);
    cairo_stroke(cr);
    roundedRect(cr, kGrilleL - 0.5, kGrilleT - 0.5, kGrilleR - kGrilleL + 1, kGrilleB - kGrilleT + 1, 2);
    cairo_set_line_width(cr, 0.8);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
    cairo_stroke(cr);

    // The logo as the logo button shows it at rest.
    drawLogo(cr, 300.5, 76, false);

    // Plate: bevelled edge and a shadow under its top edge.
    cairo_rectangle(cr, kPlateL + 0.5, kPlateT + 0.5, kPlateR - kPlateL - 1, kPlateB - kPlateT - 1);
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgba(cr, 1, 1, 0.95, 0.55);
    cairo_stroke(cr);
    cairo_move_to(cr, kPlateL, kPlateB - 0.5);
    cairo_line_to(cr, kPlateR - 0.5, kPlateB - 0.5);
    cairo_line_to(cr, kPlateR - 0.5, kPlateT);
    cairo_set_source_rgba(cr, 0.25, 0.2, 0.1, 0.7);
    cairo_stroke(cr);
    drawScrew(cr, 19, 124);
    drawScrew(cr, 581, 124);

    // Knob legends and scales.
    for (const Knob& k : kKnobs) {
        const double cx = k.x + 18, cy = k.y + 18;
        drawScale(cr, cx, cy);
        font(cr, "DejaVu Sans", true, 8);
        cairo_set_source_rgb(cr, 0.1, 0.08, 0.06);
        text(cr, k.legend, cx, 131);
    }

    // Channel switch: positions to its left, top to bottom.
    font(cr, "DejaVu Sans", true, 7);
    cairo_set_source_rgb(cr, 0.1, 0.08, 0.06);
    const double band = 13.0;
    const char* channels[] = {"CLEAN", "RHYTHM", "LEAD"};
    for (int i = 0; i < 3; ++i)
        text(cr, channels[i], kModeSwitchX + 1, kSwitchY + band * i + band / 2 + 2.5, Align::Right);
    // Cabinet switch: legend above, positions to its right.
    font(cr, "DejaVu Sans", true, 8);
    text(cr, "CAB", kCabSwitchX + kNutX, 131);
    font(cr, "DejaVu Sans", true, 7);
    const char* cabinets[] = {"INT.", "OFF", "EXT."};
    for (int i = 0; i < 3; ++i)
        text(cr, cabinets[i], kCabSwitchX + kNutX + 11, kSwitchY + band * i + band / 2 + 2.5, Align::Left);
    // Position marks between switch and legends.
    for (int i = 0; i < 3; ++i) {
        const double y = kSwitchY + band * i + band / 2;
        cairo_new_sub_path(cr);
        cairo_arc(cr, kModeSwitchX + 4, y, 1.1, 0, 2 * kPi);
        cairo_new_sub_path(cr);
        cairo_arc(cr, kCabSwitchX + kNutX + 8, y, 1.1, 0, 2 * kPi);
        cairo_fill(cr);
    }

    // The slot of the impulse-response name and the LOAD button.
    roundedRect(cr, 80.5, 199.5, 471, 20, 3);
    cairo_set_source_rgb(cr, 0.06, 0.05, 0.045);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgba(cr, 0.3, 0.25, 0.15, 0.9);
    cairo_stroke(cr);
    cairo_move_to(cr, 82, 218.5);
    cairo_line_to(cr, 550, 218.5);
    cairo_set_source_rgba(cr, 1, 1, 0.92, 0.5);
    cairo_stroke(cr);

    // The info icon: a lower-case i in a circle, where the info area is.
    cairo_new_path(cr);
    cairo_arc(cr, 571, 214, 6.5, 0, 2 * kPi);
    cairo_set_line_width(cr, 1.2);
    cairo_set_source_rgb(cr, 0.1, 0.08, 0.06);
    cairo_stroke(cr);
    font(cr, "DejaVu Serif", true, 10);
    textCentred(cr, "i", 571, 214.3);

    cairo_destroy(cr);
    return s;
}

void drawKnobFrame(cairo_t* cr, double angleDeg)
{
    const double cx = 18, cy = 18;
    const double a = angleDeg * kPi / 180.0;
    // Soft shadow to the lower right.
    cairo_pattern_t* shadow = cairo_pattern_create_radial(cx + 1.5, cy + 2, 12, cx + 1.5, cy + 2, 17.8);
    cairo_pattern_add_color_stop_rgba(shadow, 0, 0, 0, 0, 0.55);
    cairo_pattern_add_color_stop_rgba(shadow, 1, 0, 0, 0, 0);
    cairo_arc(cr, cx + 1.5, cy + 2, 17.8, 0, 2 * kPi);
    cairo_set_source(cr, shadow);
    cairo_fill(cr);
    cairo_pattern_destroy(shadow);

    // Knurled skirt; the knurls turn with the knob.
    cairo_pattern_t* skirt = cairo_pattern_create_linear(cx - 16, cy - 16, cx + 16, cy + 16);
    cairo_pattern_add_color_stop_rgb(skirt, 0, 0.93, 0.93, 0.92);
    cairo_pattern_add_color_stop_rgb(skirt, 0.5, 0.62, 0.62, 0.62);
    cairo_pattern_add_color_stop_rgb(skirt, 1, 0.30, 0.30, 0.31);
    cairo_arc(cr, cx, cy, 16.2, 0, 2 * kPi);
    cairo_set_source(cr, skirt);
    cairo_fill(cr);
    cairo_pattern_destroy(skirt);
    cairo_set_line_width(cr, 0.7);
    for (int i = 0; i < 48; ++i) {
        const double t = a + i * 2 * kPi / 48;
        cairo_move_to(cr, cx + std::sin(t) * 13.3, cy - std::cos(t) * 13.3);
        cairo_line_to(cr, cx + std::sin(t) * 16.0, cy - std::cos(t) * 16.0);
    }
    cairo_set_source_rgba(cr, 0.12, 0.12, 0.13, 0.45);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy, 16.2, 0, 2 * kPi);
    cairo_set_line_width(cr, 0.8);
    cairo_set_source_rgba(cr, 0.1, 0.1, 0.1, 0.85);
    cairo_stroke(cr);

    // Cap: brushed silver lit from the upper left.
    cairo_pattern_t* cap = cairo_pattern_create_linear(cx - 12, cy - 12, cx + 12, cy + 12);
    cairo_pattern_add_color_stop_rgb(cap, 0, 0.98, 0.98, 0.97);
    cairo_pattern_add_color_stop_rgb(cap, 0.55, 0.78, 0.78, 0.79);
    cairo_pattern_add_color_stop_rgb(cap, 1, 0.50, 0.50, 0.52);
    cairo_arc(cr, cx, cy, 12.3, 0, 2 * kPi);
    cairo_set_source(cr, cap);
    cairo_fill(cr);
    cairo_pattern_destroy(cap);
    // Concentric brushing catches the light on two opposite sectors.
    for (int i = 0; i < 2; ++i) {
        const double mid = -kPi / 4 + i * kPi;
        cairo_move_to(cr, cx, cy);
        cairo_arc(cr, cx, cy, 12.0, mid - 0.35, mid + 0.35);
        cairo_close_path(cr);
        cairo_set_source_rgba(cr, 1, 1, 1, i == 0 ? 0.35 : 0.18);
        cairo_fill(cr);
    }
    cairo_arc(cr, cx, cy, 12.3, 0, 2 * kPi);
    cairo_set_line_width(cr, 0.6);
    cairo_set_source_rgba(cr, 0.25, 0.25, 0.27, 0.9);
    cairo_stroke(cr);
    // Highlight.
    cairo_pattern_t* hl = cairo_pattern_create_radial(cx - 4, cy - 5, 0, cx - 4, cy - 5, 7);
    cairo_pattern_add_color_stop_rgba(hl, 0, 1, 1, 1, 0.75);
    cairo_pattern_add_color_stop_rgba(hl, 1, 1, 1, 1, 0);
    cairo_arc(cr, cx - 4, cy - 5, 7, 0, 2 * kPi);
    cairo_set_source(cr, hl);
    cairo_fill(cr);
    cairo_pattern_destroy(hl);

    // Pointer: engraved black line across cap and skirt.
    const double sx = std::sin(a), sy = -std::cos(a);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, cx + sx * 4.0 + 0.4, cy + sy * 4.0 + 0.4);
    cairo_line_to(cr, cx + sx * 15.2 + 0.4, cy + sy * 15.2 + 0.4);
    cairo_set_line_width(cr, 2.4);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.45);
    cairo_stroke(cr);
    cairo_move_to(cr, cx + sx * 4.0, cy + sy * 4.0);
    cairo_line_to(cr, cx + sx * 15.2, cy + sy * 15.2);
    cairo_set_line_width(cr, 2.2);
    cairo_set_source_rgb(cr, 0.05, 0.05, 0.06);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

cairo_surface_t* makeKnob()
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 36, 36 * 101);
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i <= 100; ++i) {
        cairo_save(cr);
        cairo_rectangle(cr, 0, 36 * i, 36, 36);
        cairo_clip(cr);
        cairo_translate(cr, 0, 36 * i);
        drawKnobFrame(cr, -150.0 + 300.0 * i / 100.0);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    return s;
}

void drawSwitchFrame(cairo_t* cr, int position)
{
    const double cx = kNutX, cy = kNutY;
    // Hex nut.
    cairo_new_path(cr);
    for (int i = 0; i < 6; ++i) {
        const double t = kPi / 6 + i * kPi / 3;
        const double x = cx + 1 + std::cos(t) * 7.0, y = cy + 1.5 + std::sin(t) * 7.0;
        i ? cairo_line_to(cr, x, y) : cairo_move_to(cr, x, y);
    }
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_fill(cr);
    cairo_new_path(cr);
    for (int i = 0; i < 6; ++i) {
        const double t = kPi / 6 + i * kPi / 3;
        const double x = cx + std::cos(t) * 6.8, y = cy + std::sin(t) * 6.8;
        i ? cairo_line_to(cr, x, y) : cairo_move_to(cr, x, y);
    }
    cairo_close_path(cr);
    cairo_pattern_t* nut = cairo_pattern_create_linear(cx - 7, cy - 7, cx + 7, cy + 7);
    cairo_pattern_add_color_stop_rgb(nut, 0, 0.96, 0.96, 0.95);
    cairo_pattern_add_color_stop_rgb(nut, 1, 0.42, 0.42, 0.44);
    cairo_set_source(cr, nut);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(nut);
    cairo_set_line_width(cr, 0.6);
    cairo_set_source_rgba(cr, 0.15, 0.15, 0.15, 0.9);
    cairo_stroke(cr);
    // Threaded bushing.
    cairo_arc(cr, cx, cy, 4.3, 0, 2 * kPi);
    cairo_pattern_t* bush = cairo_pattern_create_linear(cx + 4, cy + 4, cx - 4, cy - 4);
    cairo_pattern_add_color_stop_rgb(bush, 0, 0.92, 0.92, 0.92);
    cairo_pattern_add_color_stop_rgb(bush, 1, 0.35, 0.35, 0.37);
    cairo_set_source(cr, bush);
    cairo_fill(cr);
    cairo_pattern_destroy(bush);
    cairo_arc(cr, cx, cy, 2.6, 0, 2 * kPi);
    cairo_set_source_rgb(cr, 0.12, 0.12, 0.13);
    cairo_fill(cr);

    // Bat lever.
    auto lever = [&](double tipY, double dx, double dy, double alpha, bool chrome) {
        cairo_move_to(cr, cx - 1.6 + dx, cy + dy);
        cairo_line_to(cr, cx - 1.1 + dx, tipY + dy);
        cairo_line_to(cr, cx + 1.1 + dx, tipY + dy);
        cairo_line_to(cr, cx + 1.6 + dx, cy + dy);
        cairo_close_path(cr);
        cairo_new_sub_path(cr);
        cairo_arc(cr, cx + dx, tipY + dy, 2.7, 0, 2 * kPi);
        if (!chrome) {
            cairo_set_source_rgba(cr, 0, 0, 0, alpha);
            cairo_fill(cr);
            return;
        }
        cairo_pattern_t* p = cairo_pattern_create_linear(cx - 2.7, 0, cx + 2.7, 0);
        cairo_pattern_add_color_stop_rgb(p, 0, 0.55, 0.55, 0.57);
        cairo_pattern_add_color_stop_rgb(p, 0.35, 1, 1, 1);
        cairo_pattern_add_color_stop_rgb(p, 1, 0.40, 0.40, 0.42);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
        cairo_arc(cr, cx + dx, tipY + dy, 2.7, 0, 2 * kPi);
        cairo_set_line_width(cr, 0.5);
        cairo_set_source_rgba(cr, 0.1, 0.1, 0.1, 0.8);
        cairo_stroke(cr);
    };
    if (position == 1) {
        // Lever pointing at the viewer: only its ball end shows.
        cairo_arc(cr, cx + 1.2, cy + 1.6, 3.6, 0, 2 * kPi);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.4);
        cairo_fill(cr);
        cairo_pattern_t* p = cairo_pattern_create_radial(cx - 1, cy - 1, 0.3, cx, cy, 3.6);
        cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 1);
        cairo_pattern_add_color_stop_rgb(p, 1, 0.45, 0.45, 0.47);
        cairo_arc(cr, cx, cy, 3.4, 0, 2 * kPi);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
        return;
    }
    const double tipY = position == 0 ? 3.8 : 35.2;
    lever(tipY, 1.8, 2.2, 0.35, false);
    lever(tipY, 0, 0, 1, true);
}

cairo_surface_t* makeSwitch()
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 31, 39 * 3);
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i < 3; ++i) {
        cairo_save(cr);
        cairo_rectangle(cr, 0, 39 * i, 31, 39);
        cairo_clip(cr);
        cairo_translate(cr, 0, 39 * i);
        drawSwitchFrame(cr, i);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    return s;
}

cairo_surface_t* makeLoadButton()
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 28, 28);
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i < 2; ++i) {
        const bool pressed = i == 1;
        cairo_save(cr);
        cairo_translate(cr, 0, 14 * i);
        roundedRect(cr, 0.5, 0.5, 27, 13, 2.5);
        cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, 14);
        if (!pressed) {
            cairo_pattern_add_color_stop_rgb(p, 0, 0.93, 0.92, 0.88);
            cairo_pattern_add_color_stop_rgb(p, 1, 0.58, 0.57, 0.54);
        } else {
            cairo_pattern_add_color_stop_rgb(p, 0, 0.45, 0.44, 0.41);
            cairo_pattern_add_color_stop_rgb(p, 1, 0.70, 0.69, 0.65);
        }
        cairo_set_source(cr, p);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(p);
        cairo_set_line_width(cr, 1);
        cairo_set_source_rgb(cr, 0.08, 0.07, 0.06);
        cairo_stroke(cr);
        font(cr, "DejaVu Sans", true, 7.5);
        cairo_set_source_rgb(cr, 0.08, 0.07, 0.06);
        textCentred(cr, "LOAD", 14 + (pressed ? 0.5 : 0), 7 + (pressed ? 0.5 : 0));
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    return s;
}

cairo_surface_t* makeLogo()
{
    // Opaque, with the grille behind, so pressing it never shows a seam.
    constexpr int kLogoX = 204, kLogoY = 53;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 193, 62);
    paintGrille(s, kLogoX, kLogoY, 0, 0, 193, 31);
    paintGrille(s, kLogoX, kLogoY - 31, 0, 31, 193, 62);
    cairo_t* cr = cairo_create(s);
    for (int i = 0; i < 2; ++i) {
        cairo_save(cr);
        cairo_rectangle(cr, 0, 31 * i, 193, 31);
        cairo_clip(cr);
        // Same vignette as the background, so both frames match the cloth around them.
        cairo_translate(cr, -kLogoX, 31 * i - kLogoY);
        cairo_pattern_t* vignette = cairo_pattern_create_radial(300, 59, 40, 300, 59, 330);
        cairo_pattern_add_color_stop_rgba(vignette, 0, 0, 0, 0, 0);
        cairo_pattern_add_color_stop_rgba(vignette, 1, 0, 0, 0, 0.45);
        cairo_set_source(cr, vignette);
        cairo_paint(cr);
        cairo_pattern_destroy(vignette);
        drawLogo(cr, 300.5, 76, i == 1);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    return s;
}

cairo_surface_t* makeAbout()
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 311, 206);
    cairo_t* cr = cairo_create(s);
    cairo_pattern_t* bg = cairo_pattern_create_linear(0, 0, 0, 206);
    cairo_pattern_add_color_stop_rgb(bg, 0, 0.13, 0.12, 0.11);
    cairo_pattern_add_color_stop_rgb(bg, 1, 0.05, 0.05, 0.05);
    cairo_set_source(cr, bg);
    cairo_paint(cr);
    cairo_pattern_destroy(bg);
    // Header band; the version text goes at 136,3 (80 x 15), right of the name.
    cairo_rectangle(cr, 0, 0, 311, 21);
    cairo_set_source_rgb(cr, 0.03, 0.03, 0.03);
    cairo_fill(cr);
    font(cr, "DejaVu Sans", true, 11);
    cairo_set_source_rgb(cr, 0.93, 0.88, 0.74);
    text(cr, "Ferroharmonic Lite", 132, 15, Align::Right);
    // Gold rules.
    cairo_set_source_rgb(cr, 0.78, 0.62, 0.30);
    cairo_rectangle(cr, 1, 1, 309, 204);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    cairo_move_to(cr, 2, 21.5);
    cairo_line_to(cr, 309, 21.5);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_rectangle(cr, 5.5, 25.5, 300, 175);
    cairo_set_line_width(cr, 0.6);
    cairo_stroke(cr);

    // Title.
    cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    setFontOptions(cr);
    cairo_matrix_t m;
    cairo_matrix_init(&m, 17, 0, -3.5, 17, 0, 0);
    cairo_set_font_matrix(cr, &m);
    cairo_set_source_rgb(cr, 0.95, 0.80, 0.45);
    text(cr, "Zorvan Ferroharmonic Lite", 155.5, 52);
    font(cr, "DejaVu Sans", false, 9);
    cairo_set_source_rgb(cr, 0.85, 0.83, 0.78);
    text(cr, "Guitar amplifier head and speaker cabinet simulator", 155.5, 68);
    text(cr, "VST 2.4 effect plug-in", 155.5, 80);

    font(cr, "DejaVu Sans", true, 8.5);
    cairo_set_source_rgb(cr, 0.95, 0.80, 0.45);
    text(cr, "CREDITS", 155.5, 101);
    font(cr, "DejaVu Sans", false, 8.5);
    cairo_set_source_rgb(cr, 0.85, 0.83, 0.78);
    text(cr, "Circuit modelling and DSP: Zorvan Audio Labs", 155.5, 114);
    text(cr, "Cabinet impulse and panel design: Zorvan Studio", 155.5, 126);

    font(cr, "DejaVu Sans", true, 8.5);
    cairo_set_source_rgb(cr, 0.95, 0.80, 0.45);
    text(cr, "CONTACT", 155.5, 147);
    font(cr, "DejaVu Sans", false, 8.5);
    cairo_set_source_rgb(cr, 0.85, 0.83, 0.78);
    text(cr, "www.zorvan.example", 155.5, 160);
    text(cr, "support@zorvan.example", 155.5, 172);

    font(cr, "DejaVu Sans", false, 7);
    cairo_set_source_rgb(cr, 0.55, 0.53, 0.50);
    text(cr, "Copyright (c) Zorvan, Inc. All rights reserved.", 155.5, 191);
    cairo_destroy(cr);
    return s;
}

bool write(cairo_surface_t* s, const std::string& dir, const char* name)
{
    const std::string path = dir + "/" + name;
    const bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    if (!ok)
        std::fprintf(stderr, "zorvan-artwork: cannot write %s\n", path.c_str());
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zorvan-artwork <output folder>\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = write(makeBackground(), dir, "background.png");
    ok = write(makeKnob(), dir, "silverknob.png") && ok;
    ok = write(makeSwitch(), dir, "silverswitch.png") && ok;
    ok = write(makeLoadButton(), dir, "irload.png") && ok;
    ok = write(makeLogo(), dir, "logo.png") && ok;
    ok = write(makeAbout(), dir, "about.png") && ok;
    return ok ? 0 : 1;
}
