// Repeating and abstract textures of the show, painted procedurally in the
// dawn palette. Repeating ones use only periodic functions of the pixel
// position so their edges meet seamlessly.
#include "PatternTextures.h"

#include <cmath>

#include "FixedMath.h"
#include "Palette.h"
#include "TileNoise.h"

namespace sunvale {
namespace datagen {

namespace {

// Night → indigo → rose → amber → gold, t in [0, 1].
Rgba DawnRamp(float t)
{
    static const Rgba stops[5] = {kNight, kIndigo, kRose, kAmber, kGold};
    t = Clamp01(t) * 4.0f;
    int i = static_cast<int>(t);
    if (i >= 4) return stops[4];
    return MixColor(stops[i], stops[i + 1], t - i);
}

float Gauss(float x, float width) { return Exp(-(x * x) / (width * width)); }

}  // namespace

Raster PatternTextures::Tessel()
{
    const int size = 256, cw = 16, ch = 64;
    Raster img(size, size);
    img.Fill(kBlack);
    TileNoise grain(11, 16);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int cx = x / cw, cy = y / ch;
            // Rows are staggered by half a cell so the bars do not line up.
            int sx = (x + (cy & 1) * (cw / 2)) % size;
            cx = sx / cw;
            float lx = (sx % cw + 0.5f) / cw, ly = (y % ch + 0.5f) / ch;
            float level = HashUnit(static_cast<uint32_t>(cx), static_cast<uint32_t>(cy), 7);
            level = level * level;
            float edge = SmoothStep(0.0f, 0.18f, lx) * SmoothStep(0.0f, 0.18f, 1.0f - lx) *
                         SmoothStep(0.0f, 0.06f, ly) * SmoothStep(0.0f, 0.06f, 1.0f - ly);
            float ramp = 0.35f + 0.65f * (1.0f - ly);  // brighter towards the top of each bar
            float n = grain.Fractal(x * 16.0f / size, y * 16.0f / size, 3, 0.5f);
            float v = level * edge * ramp * (0.8f + 0.4f * n);
            Rgba tint = MixColor(kAmber, kRose,
                                 HashUnit(static_cast<uint32_t>(cx), static_cast<uint32_t>(cy), 9));
            Rgba& p = img.At(x, y);
            p.r = tint.r * v + 0.9f * v * v;
            p.g = tint.g * v + 0.7f * v * v;
            p.b = tint.b * v + 0.5f * v * v;
        }
    }
    return img;
}

Raster PatternTextures::Noize()
{
    const int size = 256;
    Raster img(size, size);
    TileNoise cloud(23, 8);
    for (int y = 0; y < size; ++y) {
        float row = HashUnit(static_cast<uint32_t>(y), 0, 31);
        float row2 = HashUnit(static_cast<uint32_t>(y / 4), 1, 31);
        for (int x = 0; x < size; ++x) {
            float c = cloud.Fractal(x * 8.0f / size, y * 8.0f / size, 4, 0.55f);
            float g = HashUnit(static_cast<uint32_t>(x), static_cast<uint32_t>(y), 37);
            float v = 0.45f * c + 0.3f * g * g + 0.15f * row + 0.1f * row2;
            v = Clamp01((v - 0.2f) * 1.6f);
            Rgba& p = img.At(x, y);
            p = MixColor(ScaleColor(kIndigo, v * 2.0f), ScaleColor(kGold, v), v);
        }
    }
    return img;
}

Raster PatternTextures::DawnPicture()
{
    const int size = 512;
    Raster img(size, size);
    TileNoise hills(41, 4), clouds(43, 4);
    const float horizon = 0.64f, sunX = 0.5f, sunY = 0.55f, sunR = 0.17f;
    for (int y = 0; y < size; ++y) {
        float v = (y + 0.5f) / size;
        for (int x = 0; x < size; ++x) {
            float u = (x + 0.5f) / size;
            Rgba c = DawnRamp(0.15f + 0.7f * SmoothStep(0.0f, horizon, v));
            // Thin cloud bands lit from below.
            float cl = clouds.Fractal(u * 4.0f, v * 16.0f, 4, 0.5f);
            float band = SmoothStep(0.55f, 0.8f, cl) * SmoothStep(0.05f, 0.45f, v) *
                         (1.0f - SmoothStep(0.5f, horizon, v));
            c = MixColor(c, kCoral, band * 0.6f);
            // The sun, cut by widening horizontal gaps in its lower half.
            float dx = u - sunX, dy = v - sunY;
            float d = std::sqrt(dx * dx + dy * dy);
            float disc = 1.0f - SmoothStep(sunR - 0.004f, sunR + 0.004f, d);
            if (dy > 0.0f) {
                float k = dy / sunR;
                float stripe = std::fmod(dy * 60.0f, 1.0f);
                if (stripe < 0.15f + 0.6f * k) disc = 0.0f;
            }
            Rgba sun = MixColor(kGold, kRose, Clamp01((dy + sunR) / (2.0f * sunR)));
            c = MixColor(c, sun, disc);
            float halo = Gauss(d, 0.35f) * 0.5f;
            c.r += 0.9f * halo;
            c.g += 0.5f * halo;
            c.b += 0.25f * halo;
            // Three ridges of hills, the nearer the darker, and their mist.
            for (int layer = 0; layer < 3; ++layer) {
                float h =
                    horizon - 0.02f + layer * 0.09f +
                    0.09f * (hills.Fractal(u * 4.0f + layer * 1.7f, layer * 3.0f, 4, 0.5f) - 0.5f) *
                        (3 - layer);
                if (v > h) {
                    float depth = static_cast<float>(layer) / 3.0f;
                    Rgba hill =
                        MixColor(MixColor(kRose, kIndigo, 0.6f), kNight, 0.3f + 0.7f * depth);
                    float mist = Gauss(v - h, 0.05f) * (0.5f - depth * 0.4f);
                    c = MixColor(hill, kAmber, mist);
                }
            }
            img.At(x, y) = c;
        }
    }
    return img;
}

Raster PatternTextures::Particle(int n)
{
    const int size = 256;
    Raster img(size, size);
    img.Fill(kBlack);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float dx = (x + 0.5f) / size * 2.0f - 1.0f, dy = (y + 0.5f) / size * 2.0f - 1.0f;
            float r = std::sqrt(dx * dx + dy * dy);
            float fade = 1.0f - SmoothStep(0.7f, 0.98f, r);  // black before the edge
            float core = Gauss(r, 0.12f), halo = Gauss(r, 0.42f);
            Rgba c;
            if (n == 1) {
                c = {core * 1.0f + halo * 0.95f, core * 0.95f + halo * 0.55f,
                     core * 0.8f + halo * 0.18f, 1};
            } else {
                float rays =
                    Gauss(dx, 0.025f) * Gauss(dy, 0.6f) + Gauss(dy, 0.025f) * Gauss(dx, 0.6f);
                float u = (dx + dy) * 0.7071f, w = (dx - dy) * 0.7071f;
                rays +=
                    0.5f * (Gauss(u, 0.02f) * Gauss(w, 0.3f) + Gauss(w, 0.02f) * Gauss(u, 0.3f));
                float s = core + rays;
                c = {s * 1.0f + halo * 0.85f, s * 0.8f + halo * 0.3f, s * 0.85f + halo * 0.45f, 1};
            }
            img.At(x, y) = ScaleColor(c, fade);
        }
    }
    return img;
}

Raster PatternTextures::Environment(int n)
{
    const int size = 256;
    Raster img(size, size);
    TileNoise noise(60 + n, 4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
            float f = noise.Fractal(u * 4.0f, v * 4.0f, 5, 0.5f);
            Rgba c;
            if (n == 1) {
                // Marble: two integer-frequency waves warped by noise.
                float m = 0.5f + 0.5f * Sin(kTwoPi * (2.0f * u + 1.0f * v) + 9.0f * f);
                c = DawnRamp(0.2f + 0.75f * m * m);
            } else if (n == 2) {
                // Soft warm sheen with rose swirls, bright enough to read additively.
                float s = 0.5f + 0.5f * Sin(kTwoPi * 3.0f * u + 7.0f * f) *
                                     Cos(kTwoPi * 2.0f * v + 5.0f * f);
                c = MixColor(kRose, kGold, s);
                c = ScaleColor(c, 0.35f + 0.65f * f);
            } else if (n == 3) {
                // Panels with glowing seams for the tunnel wall.
                float pu = std::fmod(u * 8.0f, 1.0f), pv = std::fmod(v * 8.0f, 1.0f);
                float seam = Gauss(pu, 0.05f) + Gauss(pu - 1.0f, 0.05f) + Gauss(pv, 0.05f) +
                             Gauss(pv - 1.0f, 0.05f);
                float panel =
                    HashUnit(static_cast<uint32_t>(u * 8.0f), static_cast<uint32_t>(v * 8.0f), 71);
                c = MixColor(kNight, kIndigo, 0.4f + 0.6f * f);
                c = MixColor(c, kViolet, panel * 0.35f);
                c.r += seam * 0.9f;
                c.g += seam * 0.5f;
                c.b += seam * 0.2f;
            } else {
                // Sparse light traces on black for the additive inner layer.
                int lane = y / 8;
                float lv = (y % 8 + 0.5f) / 8.0f;
                float start = HashUnit(static_cast<uint32_t>(lane), 0, 81),
                      len = 0.1f + 0.3f * HashUnit(static_cast<uint32_t>(lane), 1, 81);
                float pos = std::fmod(u - start + 1.0f, 1.0f);
                float trace = (pos < len) ? (pos / len) : 0.0f;
                float on = HashUnit(static_cast<uint32_t>(lane), 2, 81) < 0.6f ? 1.0f : 0.0f;
                float s = on * trace * trace * Gauss(lv - 0.5f, 0.22f) +
                          0.25f * SmoothStep(0.7f, 0.95f, f);
                Rgba tint = MixColor(kRose, kGold, HashUnit(static_cast<uint32_t>(lane), 3, 81));
                c = ScaleColor(tint, s);
            }
            img.At(x, y) = c;
        }
    }
    return img;
}

Raster PatternTextures::LatticeGrid()
{
    const int size = 256, cell = 32;
    Raster img(size, size);
    img.Fill(kBlack);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int half = cell / 2;  // whole pixels
            const int cellX = (x + half) % cell - half, cellY = (y + half) % cell - half;
            float du = static_cast<float>(cellX) + 0.5f;
            float dv = static_cast<float>(cellY) + 0.5f;
            float line =
                Gauss(du, 1.3f) + Gauss(dv, 1.3f) + 0.35f * (Gauss(du, 5.0f) + Gauss(dv, 5.0f));
            float node = Gauss(std::sqrt(du * du + dv * dv), 4.0f);
            Rgba& p = img.At(x, y);
            p.r = line * 0.95f + node * 1.0f;
            p.g = line * 0.5f + node * 0.9f;
            p.b = line * 0.22f + node * 0.7f;
        }
    }
    return img;
}

}  // namespace datagen
}  // namespace sunvale
