// A block of a thousand untextured grey boxes in grey linear fog, seen by a
// camera that circles above the block and rolls. The boxes rise and sink
// together with a sine of time, each by its own whole-number factor, so the
// block breathes.
//
// The boxes stand on a 10 x 10 grid of places, 2.5 units apart; ten boxes
// share each place and differ only in their factor, so up to five distinct
// boxes are visible at a place.
#pragma once

#include <array>
#include <cstdint>

#include "effects/Effect.h"

namespace sunvale {

class CBoxFieldEffect : public Effect {
public:
    static constexpr int kBoxCount = 1000;
    static constexpr int kPlacesPerSide = 10;
    static constexpr int kBoxesPerPlace = 10;

    struct Vec3 {
        float x, y, z;
    };

    // Face shading (0.2, 0.3, 0.6) of the pairs facing +-z, +-x, +-y, laid
    // out by component: the three reds, the three greens, the three blues,
    // the three alphas.
    static constexpr std::array<float, 12> kFaceColors = {0.2f, 0.3f, 0.6f, 0.2f, 0.3f, 0.6f,
                                                          0.2f, 0.3f, 0.6f, 0.2f, 0.3f, 0.6f};

    // Takes 1 + 1000 numbers from the show's generator and reseeds it in
    // between: srand(rand() % 81), then heights[n] = rand() % 5 for n in
    // drawing order. Every later random sequence of the show follows from
    // that reseed.
    CBoxFieldEffect();

    // Camera of the field at time t (ticks): a = 0.02 t; the eye circles at
    // (5 sin a, 5, 5 cos a) and looks at (5, -5, 5); the up vector
    // (sin 2a, cos 2a, 1) is not normalised (gluLookAt does that).
    [[nodiscard]] static Vec3 EyeAt(float t);
    [[nodiscard]] static Vec3 UpAt(float t);

    // Common swing of the boxes at time t: sin(0.25 t), in [-1, 1].
    [[nodiscard]] static float Swing(float t);

    // Centre of box n (0..999, n = 100 i + 10 repeat + k) for swing s:
    // (2.5 i - 5, heights[n] s - 5, 2.5 k - 5).
    [[nodiscard]] Vec3 BoxCentre(int n, float s) const;

    void Draw(float time) override;

    // One GL_QUADS block of six faces around the origin, half-extents hx,
    // hy, hz: the faces z = -hz and z = +hz in colour (colors[0], [3], [6],
    // [9]), then x = -hx and x = +hx in (colors[1], [4], [7], [10]), then
    // y = -hy and y = +hy in (colors[2], [5], [8], [11]). colors: 12 floats
    // laid out as kFaceColors. Leaves the current colour at the third one.
    static void DrawBox(float hx, float hy, float hz, const float* colors);

    float faceColors[12];      // as kFaceColors
    float heights[kBoxCount];  // factor per box in drawing order, whole numbers 0..4
};

}  // namespace sunvale
