// Tileable value noise: hashed lattice values with quintic interpolation,
// the lattice coordinates wrapped by the octave's period.
#include "TileNoise.h"

#include <cmath>

#include "FixedMath.h"

namespace sunvale {
namespace datagen {

float TileNoise::Lattice(int ix, int iy, int period, int octave) const
{
    ix %= period;
    iy %= period;
    if (ix < 0) ix += period;
    if (iy < 0) iy += period;
    return HashUnit(static_cast<uint32_t>(ix), static_cast<uint32_t>(iy),
                    seed_ * 131u + static_cast<uint32_t>(octave));
}

float TileNoise::Value(float x, float y, int octave) const
{
    int period = period_ << octave;
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * tx * (tx * (tx * 6 - 15) + 10);
    ty = ty * ty * ty * (ty * (ty * 6 - 15) + 10);
    float a = Lattice(ix, iy, period, octave), b = Lattice(ix + 1, iy, period, octave);
    float c = Lattice(ix, iy + 1, period, octave), d = Lattice(ix + 1, iy + 1, period, octave);
    return Mix(Mix(a, b, tx), Mix(c, d, tx), ty);
}

float TileNoise::Fractal(float x, float y, int octaves, float gain) const
{
    float sum = 0, amp = 1, norm = 0, scale = 1;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * Value(x * scale, y * scale, o);
        norm += amp;
        amp *= gain;
        scale *= 2;
    }
    return sum / norm;
}

}  // namespace datagen
}  // namespace sunvale
