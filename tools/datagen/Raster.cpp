// Floating-point RGBA drawing surface of the data generator: additive light,
// coverage painting, glows and the dithered conversion to 8-bit samples.
#include "Raster.h"

#include "FixedMath.h"

namespace sunvale {
namespace datagen {

namespace {

// 4 × 4 Bayer matrix, thresholds in sixteenths.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

uint8_t Quantise(float v, int x, int y)
{
    float d = (kBayer[y & 3][x & 3] + 0.5f) / 16.0f;
    float q = Clamp01(v) * 255.0f + d;
    int i = static_cast<int>(q);
    return static_cast<uint8_t>(i > 255 ? 255 : i);
}

}  // namespace

Rgba MixColor(const Rgba& a, const Rgba& b, float t)
{
    return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t), Mix(a.a, b.a, t)};
}

Rgba ScaleColor(const Rgba& c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

Raster::Raster(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height)
{}

Rgba& Raster::AtWrapped(int x, int y)
{
    x %= width_;
    y %= height_;
    if (x < 0) x += width_;
    if (y < 0) y += height_;
    return At(x, y);
}

void Raster::Fill(const Rgba& c)
{
    for (auto& p : pixels_) p = c;
}

void Raster::AddLight(int x, int y, const Rgba& c, float weight)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    Rgba& p = At(x, y);
    p.r += c.r * weight;
    p.g += c.g * weight;
    p.b += c.b * weight;
}

void Raster::PaintOver(int x, int y, const Rgba& c, float cover)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || cover <= 0.0f) return;
    Rgba& p = At(x, y);
    float k = Clamp01(cover * c.a);
    p.r = Mix(p.r, c.r, k);
    p.g = Mix(p.g, c.g, k);
    p.b = Mix(p.b, c.b, k);
    p.a = p.a + (1.0f - p.a) * k;
}

void Raster::AddGlow(float cx, float cy, float radius, const Rgba& c, float intensity, float power,
                     bool wrap)
{
    int x0 = static_cast<int>(std::floor(cx - radius)),
        x1 = static_cast<int>(std::ceil(cx + radius));
    int y0 = static_cast<int>(std::floor(cy - radius)),
        y1 = static_cast<int>(std::ceil(cy + radius));
    float inv = 1.0f / (radius * radius);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            float q = 1.0f - (dx * dx + dy * dy) * inv;
            if (q <= 0.0f) continue;
            float w = q;
            for (int i = 1; i < static_cast<int>(power); ++i) w *= q;
            if (wrap) {
                Rgba& p = AtWrapped(x, y);
                p.r += c.r * w * intensity;
                p.g += c.g * w * intensity;
                p.b += c.b * w * intensity;
            } else {
                AddLight(x, y, c, w * intensity);
            }
        }
    }
}

void Raster::Darken(float k)
{
    for (auto& p : pixels_) {
        p.r *= k;
        p.g *= k;
        p.b *= k;
    }
}

void Raster::AlphaFromLight(float gain)
{
    for (auto& p : pixels_) {
        float m = p.r > p.g ? p.r : p.g;
        if (p.b > m) m = p.b;
        p.a = Clamp01(m * gain);
    }
}

std::vector<uint8_t> Raster::ToRgb8() const
{
    std::vector<uint8_t> out(static_cast<size_t>(width_) * height_ * 3);
    size_t o = 0;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const Rgba& p = At(x, y);
            out[o++] = Quantise(p.r, x, y);
            out[o++] = Quantise(p.g, x + 1, y + 2);
            out[o++] = Quantise(p.b, x + 2, y + 1);
        }
    }
    return out;
}

std::vector<uint8_t> Raster::ToRgba8() const
{
    std::vector<uint8_t> out(static_cast<size_t>(width_) * height_ * 4);
    size_t o = 0;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const Rgba& p = At(x, y);
            out[o++] = Quantise(p.r, x, y);
            out[o++] = Quantise(p.g, x + 1, y + 2);
            out[o++] = Quantise(p.b, x + 2, y + 1);
            out[o++] = Quantise(p.a, x + 3, y + 3);
        }
    }
    return out;
}

}  // namespace datagen
}  // namespace sunvale
