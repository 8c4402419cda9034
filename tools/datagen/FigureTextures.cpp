// Figures built from signed distance shapes (circles, ellipses, capsules)
// in unit picture coordinates, shaded with a rim light and a halo; mandalas
// built in polar coordinates with n-fold symmetry.
#include "FigureTextures.h"

#include <cmath>

#include "FixedMath.h"
#include "Palette.h"

namespace sunvale {
namespace datagen {

namespace {

float Circle(float x, float y, float cx, float cy, float r)
{
    float dx = x - cx, dy = y - cy;
    return std::sqrt(dx * dx + dy * dy) - r;
}

// Approximate distance to an axis-aligned ellipse (exact on the axes).
float Ellipse(float x, float y, float cx, float cy, float rx, float ry)
{
    float dx = (x - cx) / rx, dy = (y - cy) / ry;
    float k = std::sqrt(dx * dx + dy * dy);
    float m = rx < ry ? rx : ry;
    return (k - 1.0f) * m;
}

// Distance to the segment (ax, ay)-(bx, by) minus a radius.
float Capsule(float x, float y, float ax, float ay, float bx, float by, float r)
{
    float px = x - ax, py = y - ay, vx = bx - ax, vy = by - ay;
    float h = Clamp01((px * vx + py * vy) / (vx * vx + vy * vy));
    float dx = px - vx * h, dy = py - vy * h;
    return std::sqrt(dx * dx + dy * dy) - r;
}

float Union(float a, float b) { return a < b ? a : b; }

// Smooth union that rounds the joints between limbs.
float Blend(float a, float b, float k)
{
    float h = Clamp01(0.5f + 0.5f * (b - a) / k);
    return Mix(b, a, h) - k * h * (1.0f - h);
}

// The seated figure: head, top knot, torso, arms meeting in the lap, crossed
// legs and a lotus base. `hands` 0 rests both hands in the lap, 1 raises the
// right hand in greeting.
float FigureDistance(float x, float y, int hands)
{
    float head =
        Union(Ellipse(x, y, 0.5f, 0.30f, 0.062f, 0.075f), Circle(x, y, 0.5f, 0.215f, 0.03f));
    float ears = Union(Ellipse(x, y, 0.438f, 0.31f, 0.012f, 0.04f),
                       Ellipse(x, y, 0.562f, 0.31f, 0.012f, 0.04f));
    float neck = Capsule(x, y, 0.5f, 0.36f, 0.5f, 0.40f, 0.035f);
    float torso = Blend(Ellipse(x, y, 0.5f, 0.50f, 0.13f, 0.13f),
                        Ellipse(x, y, 0.5f, 0.44f, 0.16f, 0.05f), 0.04f);
    float leftArm = Union(Capsule(x, y, 0.355f, 0.43f, 0.33f, 0.57f, 0.035f),
                          Capsule(x, y, 0.33f, 0.57f, 0.46f, 0.63f, 0.03f));
    float rightArm = hands == 0 ? Union(Capsule(x, y, 0.645f, 0.43f, 0.67f, 0.57f, 0.035f),
                                        Capsule(x, y, 0.67f, 0.57f, 0.54f, 0.63f, 0.03f))
                                : Union(Capsule(x, y, 0.645f, 0.43f, 0.70f, 0.53f, 0.035f),
                                        Capsule(x, y, 0.70f, 0.53f, 0.69f, 0.40f, 0.03f));
    float legs = Ellipse(x, y, 0.5f, 0.68f, 0.27f, 0.075f);
    float body = Blend(Blend(torso, Union(leftArm, rightArm), 0.02f), legs, 0.03f);
    body = Blend(body, neck, 0.02f);
    return Union(Union(body, head), ears);
}

float LotusDistance(float x, float y)
{
    float d = 1e9f;
    for (int i = -3; i <= 3; ++i)
        d = Union(d, Ellipse(x, y, 0.5f + i * 0.085f, 0.785f - 0.008f * (3 - std::abs(i)), 0.05f,
                             0.035f));
    return Union(d, Ellipse(x, y, 0.5f, 0.815f, 0.34f, 0.02f));
}

}  // namespace

Raster FigureTextures::SeatedFigure(int n)
{
    const int size = 512;
    Raster img(size, size);
    img.Fill({0, 0, 0, 0});
    bool roseSet = n > 4;
    Rgba body = roseSet ? MixColor(kRose, kViolet, 0.25f * ((n - 5) % 2))
                        : MixColor(kAmber, kGold, 0.3f * ((n - 1) % 2));
    Rgba rim = roseSet ? kDawnWhite : kGold;
    Rgba aura = roseSet ? kViolet : kCoral;
    int hands = (n % 4 == 2) ? 1 : 0;
    int rays = 12 + 4 * ((n - 1) % 4);
    float shift = ((n % 4) - 1.5f) * 0.02f;
    float px = 1.0f / size;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float u = (x + 0.5f) * px - shift, v = (y + 0.5f) * px;
            // The figure and its lotus lie inside this box; outside it they are far away.
            bool near = u > 0.15f && u < 0.85f && v > 0.15f && v < 0.9f;
            float d = near ? FigureDistance(u, v, hands) : 1.0f;
            float lotus = near ? LotusDistance(u, v) : 1.0f;
            // Head halo: a bright ring; body aura: rays that fade outwards.
            float hr = Circle(u, v, 0.5f, 0.29f, 0.12f);
            float ring = Exp(-(hr * hr) / (0.006f * 0.006f)) +
                         0.4f * Exp(-(hr + 0.02f) * (hr + 0.02f) / (0.004f * 0.004f));
            float ar = Circle(u, v, 0.5f, 0.5f, 0.0f);
            float angle = Atan2(v - 0.5f, u - 0.5f);
            float ray = 0.5f + 0.5f * Cos(angle * rays);
            float auraGlow = Exp(-ar * ar / (0.3f * 0.3f)) * (0.25f + 0.35f * ray * ray * ray) *
                             SmoothStep(0.05f, 0.25f, ar);
            Rgba c{0, 0, 0, 0};
            c.r = aura.r * auraGlow + rim.r * ring;
            c.g = aura.g * auraGlow + rim.g * ring;
            c.b = aura.b * auraGlow + rim.b * ring;
            float glowA = Clamp01(auraGlow * 1.2f + ring);
            float cover = Clamp01(0.5f - d / (1.5f * px));
            float lotusCover = Clamp01(0.5f - lotus / (1.5f * px));
            if (cover > 0.0f || lotusCover > 0.0f) {
                // Rim light along the silhouette's edge, brighter towards the top.
                float inside = -d;
                float rimK = Exp(-inside / 0.012f) * (1.2f - v);
                Rgba fill =
                    MixColor(ScaleColor(body, 0.55f + 0.45f * (1.0f - v)), rim, Clamp01(rimK));
                float a = 0.75f * cover;
                c = MixColor(c, fill, cover);
                glowA = glowA + (1.0f - glowA) * a;
                Rgba petal = MixColor(kRose, kGold, Clamp01((0.83f - v) * 12.0f));
                c = MixColor(c, petal, lotusCover * (1.0f - cover));
                glowA = glowA + (1.0f - glowA) * 0.7f * lotusCover * (1.0f - cover);
            }
            // Everything fades out before the border so the quad's edge never shows.
            float edge = SmoothStep(0.0f, 0.08f, u + shift) *
                         SmoothStep(0.0f, 0.08f, 1.0f - u - shift) * SmoothStep(0.0f, 0.06f, v) *
                         SmoothStep(0.0f, 0.06f, 1.0f - v);
            c.a = Clamp01(glowA * 0.8f) * edge;
            img.At(x, y) = c;
        }
    }
    return img;
}

Raster FigureTextures::Mandala(int n)
{
    const int size = 512;
    Raster img(size, size);
    int fold = 5 + n;  // 6 .. 13 petals
    float phase = n * 0.37f;
    Rgba inner = (n % 2) ? kGold : kDawnWhite;
    Rgba outer = (n % 3 == 0) ? kViolet : ((n % 3 == 1) ? kRose : kCoral);
    // Centres of the three faces on their ring.
    float faceX[3], faceY[3];
    for (int k = 0; k < 3; ++k) {
        float fa = kTwoPi * k / 3.0f - kPi * 0.5f + phase;
        faceX[k] = 0.14f * Cos(fa);
        faceY[k] = 0.14f * Sin(fa);
    }
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float u = (x + 0.5f) / size * 2.0f - 1.0f, v = (y + 0.5f) / size * 2.0f - 1.0f;
            float r = std::sqrt(u * u + v * v);
            float a = Atan2(v, u) + phase;
            float petal = 0.5f + 0.5f * Cos(a * fold);
            float petal2 = 0.5f + 0.5f * Cos(a * fold * 2 + kPi);
            // Petal outlines at three radii, rings between them.
            float edge1 = 0.30f + 0.12f * petal, edge2 = 0.55f + 0.10f * petal2,
                  edge3 = 0.78f + 0.08f * petal;
            float line = Exp(-((r - edge1) * (r - edge1)) / 0.00012f) +
                         Exp(-((r - edge2) * (r - edge2)) / 0.0001f) +
                         0.8f * Exp(-((r - edge3) * (r - edge3)) / 0.0001f);
            float rings = 0.6f * Exp(-((r - 0.42f) * (r - 0.42f)) / 0.00003f) +
                          0.6f * Exp(-((r - 0.68f) * (r - 0.68f)) / 0.00003f);
            float fill = (r < edge1 ? 0.55f : 0.0f) +
                         (r > edge1 && r < edge2 ? 0.22f * petal2 : 0.0f) +
                         (r > edge2 && r < edge3 ? 0.14f * petal : 0.0f);
            // Three faces on a ring: the many-faced figure at the centre.
            float faces = 0.0f;
            for (int k = 0; k < 3; ++k) {
                float fx = faceX[k], fy = faceY[k];
                float fd = std::sqrt((u - fx) * (u - fx) + (v - fy) * (v - fy));
                faces += Exp(-((fd - 0.07f) * (fd - 0.07f)) / 0.00008f);
            }
            float core = Exp(-r * r / 0.004f);
            float vignette = 1.0f - SmoothStep(0.85f, 1.0f, r);
            Rgba c = ScaleColor(MixColor(inner, outer, Clamp01(r * 1.3f)),
                                (line + rings + fill) * vignette);
            c.r += (faces + core) * inner.r;
            c.g += (faces + core) * inner.g;
            c.b += (faces + core) * inner.b;
            img.At(x, y) = c;
        }
    }
    return img;
}

}  // namespace datagen
}  // namespace sunvale
