// The show's application icon: the dialog picture's sunrise over a valley,
// reduced to a square that still reads at 16 pixels. Drawn in code with
// cairo, at any size, for the desktop's icon theme.
#pragma once

#include <cairo.h>

namespace sunvale {

class ShowIcon {
public:
    // Draws the icon into cr, covering (0, 0) to (size, size); the corners
    // outside the rounded square stay transparent.
    static void Draw(cairo_t* cr, int size);

    // A new ARGB32 image surface of size x size holding the icon; the caller
    // destroys it. Never null (cairo returns an error surface on failure).
    static cairo_surface_t* CreateSurface(int size);
};

}  // namespace sunvale
