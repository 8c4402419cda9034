// Scanline noise over a source effect: a grille of thin horizontal strips,
// each showing one band of a noise texture. On a random half of the frames
// every strip's texture is shifted sideways by its own time-dependent
// amount, so the strips jitter like a disturbed video signal.
#pragma once

#include <cstdint>

#include "effects/Effect.h"

namespace sunvale {

class CScanlineNoiseEffect : public Effect {
public:
    static constexpr int kStripCount = 128;
    static constexpr int kVertexCount = kStripCount * 4;
    static constexpr int kIndexCount = kStripCount * 6;

    // One frame's geometry, rebuilt on every call.
    struct Strips {
        float positions[kVertexCount * 3];  // x, y, z per vertex
        float texCoords[kVertexCount * 2];  // s, t per vertex
        uint32_t indices[kIndexCount];      // two triangles per strip
    };

    // Sideways amplitude of a frame: r * (1 - t), r the frame's random bit.
    [[nodiscard]] static float Amplitude(int r, float t);

    // Fills strips for amplitude amp. Strip k (i = 4k) spans x -0.5..1023.5
    // and y i-0.5..i+0.5 at z = 0; its texture rows are i/512..(i+1)/512,
    // shifted by w = amp * sin(i + 1.75).
    static void BuildStrips(float amp, Strips* strips);

    CScanlineNoiseEffect() = default;

    // Draws nothing: the noise only draws as an overlay.
    void Draw(float time) override;
    // Draws source, then takes one random number and draws the strips.
    void DrawOver(float time, Effect* source) override;
    void SetTexture(int32_t handle) override;

    int32_t texture = -1;  // the noise texture, loaded with repeat wrapping

private:
    // The last frame's strips. They live as long as the effect, because the
    // vertex and texture-coordinate arrays stay enabled and pointed at them
    // after DrawOver returns.
    Strips strips_{};
};

}  // namespace sunvale
