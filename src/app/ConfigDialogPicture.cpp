// Draws the configuration dialog's picture: a letterboxed sunrise over a
// valley with the show's title, in the dark, warm colours of the show.
// Everything is vector drawing, so the picture needs no data file.
#include "app/ConfigDialogPicture.h"

#include <cstdint>

namespace sunvale {

namespace {

constexpr double kBar = 6.0;       // letterbox bar height, pixels
constexpr double kHorizon = 66.0;  // y of the far horizon
constexpr double kSunX = 182.0;
constexpr double kSunRadius = 24.0;

void SetRgb(cairo_t* cr, uint32_t rgb, double alpha = 1.0)
{
    cairo_set_source_rgba(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                          (rgb & 0xFF) / 255.0, alpha);
}

void AddStop(cairo_pattern_t* pattern, double offset, uint32_t rgb, double alpha = 1.0)
{
    cairo_pattern_add_color_stop_rgba(pattern, offset, ((rgb >> 16) & 0xFF) / 255.0,
                                      ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha);
}

// Night violet at the top to ember orange at the horizon.
void DrawSky(cairo_t* cr)
{
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, kBar, 0, kHorizon);
    AddStop(sky, 0.00, 0x07040d);
    AddStop(sky, 0.40, 0x2a0b2a);
    AddStop(sky, 0.75, 0x8a2618);
    AddStop(sky, 1.00, 0xe27a26);
    cairo_rectangle(cr, 0, 0, ConfigDialogPicture::kWidth, kHorizon + 10);
    cairo_set_source(cr, sky);
    cairo_fill(cr);
    cairo_pattern_destroy(sky);
}

// A few faint stars in the dark upper sky; fixed positions from a small LCG.
void DrawStars(cairo_t* cr)
{
    uint32_t state = 0x5u;
    for (int i = 0; i < 28; ++i) {
        state = state * 214013u + 2531011u;
        double x = (state >> 16) % ConfigDialogPicture::kWidth;
        state = state * 214013u + 2531011u;
        double y = kBar + 1 + (state >> 16) % 26;
        double alpha = 0.25 + 0.5 * (1.0 - (y - kBar) / 27.0);
        SetRgb(cr, 0xffe8d0, alpha);
        cairo_rectangle(cr, x, y, 1, 1);
        cairo_fill(cr);
    }
}

// Glow, then the sun disc cut by widening horizontal gaps towards the
// horizon, like the show's scanline strips.
void DrawSun(cairo_t* cr)
{
    cairo_pattern_t* glow = cairo_pattern_create_radial(kSunX, kHorizon, 0, kSunX, kHorizon, 90);
    AddStop(glow, 0.0, 0xffb040, 0.55);
    AddStop(glow, 0.5, 0xe0501c, 0.18);
    AddStop(glow, 1.0, 0x800000, 0.0);
    cairo_rectangle(cr, 0, 0, ConfigDialogPicture::kWidth, kHorizon + 10);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);

    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, ConfigDialogPicture::kWidth, kHorizon);
    for (double y = kHorizon - 15, gap = 1.0; y < kHorizon; y += 3.0 + gap, gap += 0.7)
        cairo_rectangle(cr, ConfigDialogPicture::kWidth, y, -ConfigDialogPicture::kWidth, gap);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_clip(cr);
    cairo_pattern_t* disc = cairo_pattern_create_linear(0, kHorizon - kSunRadius, 0, kHorizon);
    AddStop(disc, 0.0, 0xfff0b0);
    AddStop(disc, 0.55, 0xffc050);
    AddStop(disc, 1.0, 0xff6a20);
    cairo_arc(cr, kSunX, kHorizon, kSunRadius, 0, 2 * 3.14159265358979);
    cairo_set_source(cr, disc);
    cairo_fill(cr);
    cairo_pattern_destroy(disc);
    cairo_restore(cr);
}

// Far hills in dusky plum, the valley floor nearly black in front of them.
void DrawHills(cairo_t* cr)
{
    const double w = ConfigDialogPicture::kWidth;
    cairo_move_to(cr, 0, 58);
    cairo_curve_to(cr, 40, 50, 80, 54, 118, 63);
    cairo_curve_to(cr, 150, 70, 210, 70, 226, 60);
    cairo_curve_to(cr, 236, 55, 244, 54, w, 56);
    cairo_line_to(cr, w, 100);
    cairo_line_to(cr, 0, 100);
    cairo_close_path(cr);
    SetRgb(cr, 0x3a1228);
    cairo_fill(cr);

    cairo_move_to(cr, 0, 70);
    cairo_curve_to(cr, 60, 64, 120, 86, 170, 82);
    cairo_curve_to(cr, 200, 80, 230, 70, w, 72);
    cairo_line_to(cr, w, 100);
    cairo_line_to(cr, 0, 100);
    cairo_close_path(cr);
    cairo_pattern_t* floor = cairo_pattern_create_linear(0, 66, 0, 94);
    AddStop(floor, 0.0, 0x1c0812);
    AddStop(floor, 1.0, 0x050205);
    cairo_set_source(cr, floor);
    cairo_fill(cr);
    cairo_pattern_destroy(floor);

    // Sunlight caught on the rim of the near hills.
    cairo_move_to(cr, 120, 80.5);
    cairo_curve_to(cr, 145, 83.5, 160, 82.5, 170, 82);
    cairo_curve_to(cr, 200, 80, 230, 70, w, 72);
    cairo_pattern_t* rim = cairo_pattern_create_linear(120, 0, w, 0);
    AddStop(rim, 0.0, 0xff8a30, 0.0);
    AddStop(rim, 0.5, 0xff8a30, 0.55);
    AddStop(rim, 1.0, 0xff8a30, 0.2);
    cairo_set_source(cr, rim);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    cairo_pattern_destroy(rim);
}

// Draws text with extra space between the letters; returns the end x.
double ShowSpacedText(cairo_t* cr, const char* text, double x, double y, double spacing)
{
    char letter[2] = {0, 0};
    for (const char* p = text; *p; ++p) {
        letter[0] = *p;
        cairo_text_extents_t extents;
        cairo_text_extents(cr, letter, &extents);
        cairo_move_to(cr, x, y);
        cairo_text_path(cr, letter);
        x += extents.x_advance + spacing;
    }
    return x;
}

void DrawTitle(cairo_t* cr)
{
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 25);

    // Soft shadow, then the letters in a gold-to-ember gradient.
    cairo_new_path(cr);
    ShowSpacedText(cr, "SUNVALE", 15.5, 43.5, 2.5);
    SetRgb(cr, 0x000000, 0.6);
    cairo_fill(cr);

    cairo_new_path(cr);
    ShowSpacedText(cr, "SUNVALE", 14, 42, 2.5);
    cairo_pattern_t* gold = cairo_pattern_create_linear(0, 24, 0, 42);
    AddStop(gold, 0.0, 0xfff2c0);
    AddStop(gold, 0.5, 0xffc050);
    AddStop(gold, 1.0, 0xe25a1c);
    cairo_set_source(cr, gold);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(gold);
    SetRgb(cr, 0x5a1408, 0.8);
    cairo_set_line_width(cr, 0.6);
    cairo_stroke(cr);

    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 8);
    cairo_new_path(cr);
    ShowSpacedText(cr, "ZENTROPE", 16, 55, 3.2);
    SetRgb(cr, 0xf0b070, 0.85);
    cairo_fill(cr);
}

void DrawLetterbox(cairo_t* cr)
{
    SetRgb(cr, 0x000000);
    cairo_rectangle(cr, 0, 0, ConfigDialogPicture::kWidth, kBar);
    cairo_rectangle(cr, 0, ConfigDialogPicture::kHeight - kBar, ConfigDialogPicture::kWidth, kBar);
    cairo_fill(cr);
}

}  // namespace

void ConfigDialogPicture::Draw(cairo_t* cr)
{
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, kWidth, kHeight);
    cairo_clip(cr);
    DrawSky(cr);
    DrawStars(cr);
    DrawSun(cr);
    DrawHills(cr);
    DrawTitle(cr);
    DrawLetterbox(cr);
    cairo_restore(cr);
}

cairo_surface_t* ConfigDialogPicture::CreateSurface()
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    cairo_t* cr = cairo_create(surface);
    Draw(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return surface;
}

}  // namespace sunvale
