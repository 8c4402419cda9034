// One textured 30 x 30 square with a placement, tint and blend mode that the
// owning scene sets in the public fields before each Draw: the show's
// full-screen and large pictures.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>

#include "effects/Effect.h"

namespace sunvale {

class CImageQuadEffect : public Effect {
public:
    // One corner of the quad: position in the plane z = -7 and its texture
    // coordinate, (0, 0) at the top left.
    struct Corner {
        float x, y, z;
        float s, t;
    };

    // Corners in drawing order.
    static const std::array<Corner, 4>& Corners();

    // Blend factors of a blendMode value (0, 1, 3, 4); false for every other
    // value, which leaves the blend function as it was.
    [[nodiscard]] static bool BlendFactorsFor(int32_t mode, GLenum* source, GLenum* destination);

    CImageQuadEffect() = default;

    void Draw(float time) override;
    void SetTexture(int32_t texture) override;

    int32_t texture = 0;    // bound for the quad
    int32_t blend = 1;      // non-zero: blending on
    int32_t blendMode = 3;  // see BlendFactorsFor
    float position[3] = {0.0f, 0.0f, -100.0f};
    float scale[3] = {1.0f, 1.0f, 1.0f};
    float axis[3] = {0.0f, 1.0f, 0.0f};         // rotation axis
    float angle = 0.0f;                         // degrees about axis
    float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // tint and opacity
};

}  // namespace sunvale
