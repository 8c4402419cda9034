// Seeded value noise that repeats with a whole-number period, for textures
// that must tile without seams; fractal sums of several octaves.
#pragma once

#include <cstdint>

namespace sunvale {
namespace datagen {

class TileNoise {
public:
    // `period` cells across one repeat of the base octave.
    TileNoise(uint32_t seed, int period) : seed_(seed), period_(period) {}

    // Smooth noise in [0, 1] at (x, y) in cells of the base octave.
    float Value(float x, float y, int octave) const;
    // Sum of `octaves` octaves, each twice the frequency and gain times the
    // amplitude of the last; normalised to [0, 1]. Repeats every `period` cells.
    float Fractal(float x, float y, int octaves, float gain) const;

private:
    float Lattice(int ix, int iy, int period, int octave) const;
    uint32_t seed_;
    int period_;
};

}  // namespace datagen
}  // namespace sunvale
