// Draws the show's icon on a 64-unit square scaled to the wanted size: a
// rounded tile of night sky turning to ember at the horizon, a half sun on
// it, and two dark hills forming the valley in front.
#include "app/ShowIcon.h"

#include <cmath>
#include <cstdint>

namespace sunvale {

namespace {

constexpr double kUnits = 64.0;    // drawing square
constexpr double kCorner = 12.0;   // corner radius of the tile
constexpr double kHorizon = 40.0;  // y of the horizon
constexpr double kSunRadius = 15.0;

void AddStop(cairo_pattern_t* pattern, double offset, uint32_t rgb)
{
    cairo_pattern_add_color_stop_rgb(pattern, offset, ((rgb >> 16) & 0xFF) / 255.0,
                                     ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

void SetRgb(cairo_t* cr, uint32_t rgb)
{
    cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                         (rgb & 0xFF) / 255.0);
}

void AddRoundedSquare(cairo_t* cr)
{
    const double r = kCorner;
    cairo_new_sub_path(cr);
    cairo_arc(cr, kUnits - r, r, r, -M_PI / 2, 0);
    cairo_arc(cr, kUnits - r, kUnits - r, r, 0, M_PI / 2);
    cairo_arc(cr, r, kUnits - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, r, r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void DrawSky(cairo_t* cr)
{
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, kHorizon);
    AddStop(sky, 0.00, 0x12081f);
    AddStop(sky, 0.45, 0x3a0f33);
    AddStop(sky, 0.80, 0x9a2c1a);
    AddStop(sky, 1.00, 0xe8862c);
    cairo_rectangle(cr, 0, 0, kUnits, kUnits);
    cairo_set_source(cr, sky);
    cairo_fill(cr);
    cairo_pattern_destroy(sky);
}

void DrawSun(cairo_t* cr)
{
    cairo_pattern_t* glow =
        cairo_pattern_create_radial(kUnits / 2, kHorizon, 2, kUnits / 2, kHorizon, kSunRadius);
    AddStop(glow, 0.0, 0xfff1b8);
    AddStop(glow, 1.0, 0xf5a83a);
    cairo_arc(cr, kUnits / 2, kHorizon, kSunRadius, M_PI, 2 * M_PI);
    cairo_close_path(cr);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
}

// The two slopes meet below the sun, leaving the valley floor between them.
void DrawHills(cairo_t* cr)
{
    SetRgb(cr, 0x2b0d1c);
    cairo_move_to(cr, 0, 30);
    cairo_curve_to(cr, 14, 32, 24, 40, 34, 50);
    cairo_line_to(cr, 34, kUnits);
    cairo_line_to(cr, 0, kUnits);
    cairo_close_path(cr);
    cairo_fill(cr);
    SetRgb(cr, 0x160612);
    cairo_move_to(cr, kUnits, 34);
    cairo_curve_to(cr, 50, 36, 40, 44, 26, kUnits);
    cairo_line_to(cr, kUnits, kUnits);
    cairo_close_path(cr);
    cairo_fill(cr);
}

}  // namespace

void ShowIcon::Draw(cairo_t* cr, int size)
{
    cairo_save(cr);
    cairo_scale(cr, size / kUnits, size / kUnits);
    AddRoundedSquare(cr);
    cairo_clip(cr);
    DrawSky(cr);
    DrawSun(cr);
    DrawHills(cr);
    cairo_restore(cr);
}

cairo_surface_t* ShowIcon::CreateSurface(int size)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    Draw(cr, size);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return surface;
}

}  // namespace sunvale
