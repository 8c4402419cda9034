// Painters of the repeating and abstract textures: the plane-fan cells, the
// scanline noise, the environment maps, the particle sprites, the lattice
// grid of the star and the dawn picture under the dark pulse.
#pragma once

#include "Raster.h"

namespace sunvale {
namespace datagen {

class PatternTextures {
public:
    static Raster Tessel();            // 256², repeating light cells
    static Raster Noize();             // 256², repeating streaky noise
    static Raster DawnPicture();       // 512², "no.jpg": sun over the vale
    static Raster Particle(int n);     // 256², n = 1 round glow, 2 four-ray star
    static Raster Environment(int n);  // 256², n = 1..4, repeating
    static Raster LatticeGrid();       // 256², "ffd.png", repeating
};

}  // namespace datagen
}  // namespace sunvale
