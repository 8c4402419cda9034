// The 250x100 picture at the top left of the configuration dialog: the show's
// title over a dark, warm sunrise in a valley, drawn in code with cairo.
#pragma once

#include <cairo.h>

namespace sunvale {

class ConfigDialogPicture {
public:
    static constexpr int kWidth = 250;   // pixels
    static constexpr int kHeight = 100;  // pixels

    // Draws the picture into cr, covering (0, 0) to (kWidth, kHeight).
    static void Draw(cairo_t* cr);

    // A new ARGB32 image surface of kWidth x kHeight holding the picture;
    // the caller destroys it with cairo_surface_destroy. Never null (cairo
    // returns an error surface when memory runs out).
    static cairo_surface_t* CreateSurface();
};

}  // namespace sunvale
