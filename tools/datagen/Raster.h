// A floating-point RGBA picture that the texture painters draw into before
// it is quantised to 8-bit samples for the JPEG and PNG encoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sunvale {
namespace datagen {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;
};

Rgba MixColor(const Rgba& a, const Rgba& b, float t);
Rgba ScaleColor(const Rgba& c, float k);

class Raster {
public:
    Raster(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }

    Rgba& At(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    const Rgba& At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    // Wraps coordinates around the edges, for repeating textures.
    Rgba& AtWrapped(int x, int y);

    void Fill(const Rgba& c);
    // Adds c × weight to the colour channels (additive light); alpha untouched.
    void AddLight(int x, int y, const Rgba& c, float weight);
    // Paints c over the pixel with coverage `cover` (0..1), colour and alpha.
    void PaintOver(int x, int y, const Rgba& c, float cover);
    // Soft round glow: weight = intensity × (1 − (d/radius)²)^power inside radius.
    void AddGlow(float cx, float cy, float radius, const Rgba& c, float intensity, float power,
                 bool wrap);
    // Multiplies the colour channels of every pixel by k.
    void Darken(float k);
    // Sets every pixel's alpha from its brightest channel × gain, clamped.
    void AlphaFromLight(float gain);

    // 8-bit samples, top row first, with a fixed ordered dither against banding.
    std::vector<uint8_t> ToRgb8() const;
    std::vector<uint8_t> ToRgba8() const;

private:
    int width_;
    int height_;
    std::vector<Rgba> pixels_;
};

}  // namespace datagen
}  // namespace sunvale
