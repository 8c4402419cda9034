// A flat-coloured, alpha-blended quad over the whole view, drawn over a
// source effect: a pulse (flicker or flash following a sine of time) when
// speed is 0 or more, a linear fade-out from fully covering to clear when
// speed is negative.
#pragma once

#include <cstdint>

#include "effects/Effect.h"

namespace sunvale {

class CFadeEffect : public Effect {
public:
    CFadeEffect() = default;

    // Overlay opacity at time t for the current fields:
    //  speed < 0 (fade):   1 + t * speed, not below 0 (no upper clamp);
    //  speed >= 0 (pulse): sin(t * speed) * 0.8 + 0.2 (strongPulse) or
    //                      * 0.4 + 0.2 (weak), clamped to [0, 1].
    // -0.0 is not negative and pulses.
    [[nodiscard]] float Alpha(float t) const;

    // Draws nothing: the fade only draws as an overlay.
    void Draw(float time) override;
    void DrawOver(float time, Effect* source) override;

    float speed = 0.025f;                 // pulse radians / fade alpha per time unit
    float color[3] = {1.0f, 1.0f, 1.0f};  // overlay colour
    int32_t strongPulse = 1;              // non-zero: amplitude 0.8, zero: 0.4
};

}  // namespace sunvale
