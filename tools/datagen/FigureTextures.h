// Painters of the figurative pictures: the seated, haloed figures of the
// flickering background ("budda", with alpha) and the radiant many-armed
// mandalas flashed on the beat ("ashura").
#pragma once

#include "Raster.h"

namespace sunvale {
namespace datagen {

class FigureTextures {
public:
    static Raster SeatedFigure(int n);  // 512², n = 1..8, RGBA; black/clear outside the figure
    static Raster Mandala(int n);       // 512², n = 1..8, RGB on black
};

}  // namespace datagen
}  // namespace sunvale
