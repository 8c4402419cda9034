// A textured tube that the viewer looks down: it narrows with depth, its
// centre line wanders along sums of slow sines and cosines, and its texture
// scrolls towards the viewer. An opaque outer layer and an additive, slightly
// narrower and shorter inner layer with its own texture, which also turns
// slowly about the tube's axis.
#pragma once

#include <cstdint>

#include "effects/Effect.h"

namespace sunvale {

class CTunnelEffect : public Effect {
public:
    static constexpr int kAngleSteps = 17;       // a = 0..16; a = 16 closes the circle
    static constexpr int kDepthSteps = 33;       // d = 0..32, one unit apart, outer layer
    static constexpr int kInnerDepthSteps = 29;  // d = 0..28, inner layer
    static constexpr float kOuterRadius = 3.0f;  // at the mouth (d = 0)
    static constexpr float kInnerRadius = 2.4f;

    struct TexCoord {
        float s, t;
    };

    // Scaled time T = t / 14 (0.071428575 in single precision).
    [[nodiscard]] static float ScaledTime(float t);

    // Centre-line offsets of the mouth at scaled time T:
    // Ox = 2 sin(T/27) + cos(T/13), Oy = 2 cos(T/33) + sin(T/17).
    static void MouthOffset(float scaledTime, float* ox, float* oy);

    // Grid point at angular step a and depth step d for a layer whose mouth
    // has the given radius (narrowing by 1/12 per depth step), after the
    // mouth offset is taken off. z = -d.
    static void TubePoint(float scaledTime, float mouthRadius, int a, int d, float point[3]);

    // Texture coordinate of corner (a, k) of a layer: s = (a - 1 + w) / 16,
    // t = k / 32 + T * scroll. The outer layer scrolls by 0.16666 with w = 0,
    // the inner by 0.1666 with w = t / 120 of the unscaled time.
    [[nodiscard]] static TexCoord OuterTexCoord(float scaledTime, int a, int k);
    [[nodiscard]] static TexCoord InnerTexCoord(float t, int a, int k);

    CTunnelEffect();

    void Draw(float time) override;
    void SetTextures(int32_t first, int32_t second) override;

    int32_t outerTexture = -1;  // opaque outer layer
    int32_t innerTexture = -1;  // additive inner layer

private:
    // Fills grid_ for depth steps 0..depthSteps-1 of a layer.
    void BuildGrid(float scaledTime, float mouthRadius, int depthSteps);

    // Scratch storage rebuilt by every Draw; kept in the object so no frame
    // allocates (561 points). After a Draw it holds the inner layer's points
    // for d = 0..28 and the outer layer's for d = 29..32.
    float grid_[kAngleSteps][kDepthSteps][3];
};

}  // namespace sunvale
