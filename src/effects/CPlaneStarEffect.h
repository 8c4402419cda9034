// The still sibling of the plane fan: sixteen additive textured planes
// turned 45 degrees apart about the vertical axis, drawn where the scene has
// placed the current matrix, in a fixed tint.
#pragma once

#include <cstdint>

#include "effects/Effect.h"

namespace sunvale {

class CPlaneStarEffect : public Effect {
public:
    static constexpr int kPlaneCount = 16;
    // Sixteen steps of 45 degrees turn through 720 degrees: each of the four
    // distinct planes is drawn four times and adds up four times as bright.
    static constexpr float kPlaneStepDegrees = 45.0f;

    CPlaneStarEffect() = default;

    void Draw(float time) override;
    void SetTexture(int32_t handle) override;

    int32_t texture = -1;                       // texture of every plane
    float color[4] = {0.3f, 0.3f, 0.3f, 1.0f};  // current colour while drawing
};

}  // namespace sunvale
