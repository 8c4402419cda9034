// The moving background light of every scene: sixteen additive textured
// planes fanned 6 degrees apart about one axis, spinning and swaying, with
// the texture slowly scrolling so its bright parts read as rays.
#pragma once

#include <cstdint>

#include "effects/Effect.h"

namespace sunvale {

class CPlaneFanEffect : public Effect {
public:
    static constexpr int kPlaneCount = 16;
    static constexpr float kPlaneStepDegrees = 6.0f;  // between neighbours

    // Motion as a function of t (the scenes pass the show time in ticks).
    [[nodiscard]] static float SpinDegrees(float t);    // about X: 0.5 t
    [[nodiscard]] static float SwayDegrees(float t);    // about Z: -20..40
    [[nodiscard]] static float TextureOffset(float t);  // u offset: 0.001 t
    [[nodiscard]] static float Alpha(float t);          // 0.06..0.24

    CPlaneFanEffect() = default;

    void Draw(float time) override;
    void SetTexture(int32_t handle) override;

    int32_t texture = -1;  // texture of every plane
};

}  // namespace sunvale
