// The scanline noise overlay: 128 strips rebuilt every call in the effect's
// own storage and drawn with one indexed call, blended by the framebuffer's
// alpha.
#include "effects/CScanlineNoiseEffect.h"

#include <GL/gl.h>

#include <cmath>

#include "app/Random.h"
#include "effects/EffectTexture.h"

namespace sunvale {

float CScanlineNoiseEffect::Amplitude(int r, float t) { return static_cast<float>(r) * (1.0f - t); }

void CScanlineNoiseEffect::BuildStrips(float amp, Strips* strips)
{
    for (int k = 0; k < kStripCount; ++k) {
        const int i = 4 * k;
        const float w = amp * static_cast<float>(std::sin(i + 1.75));
        const float y0 = static_cast<float>(i) - 0.5f;
        const float y1 = static_cast<float>(i) + 0.5f;
        const float row0 = static_cast<float>(i) / 512.0f;
        const float row1 = static_cast<float>(i + 1) / 512.0f;

        const float corners[4][4] = {
            {-0.5f, y0, w, row0},           // P1
            {1023.5f, y0, w + 1.0f, row0},  // P2
            {1023.5f, y1, w + 1.0f, row1},  // P3
            {-0.5f, y1, w, row1},           // P4
        };
        const int first = 4 * k;
        for (int c = 0; c < 4; ++c) {
            float* position = &strips->positions[(first + c) * 3];
            position[0] = corners[c][0];
            position[1] = corners[c][1];
            position[2] = 0.0f;
            float* texCoord = &strips->texCoords[(first + c) * 2];
            texCoord[0] = corners[c][2];
            texCoord[1] = corners[c][3];
        }

        // Triangles (P1, P3, P2) and (P1, P4, P3).
        uint32_t* index = &strips->indices[6 * k];
        const uint32_t p1 = static_cast<uint32_t>(first);
        index[0] = p1;
        index[1] = p1 + 2;
        index[2] = p1 + 1;
        index[3] = p1;
        index[4] = p1 + 3;
        index[5] = p1 + 2;
    }
}

void CScanlineNoiseEffect::Draw(float) {}

// Sets: current matrix = identity * translate (-240, -140, -240); blending
// on with (GL_SRC_ALPHA, GL_DST_ALPHA); depth writes off; face culling and
// depth test off; colour (1, 1, 1, 0.5); 2D texturing on with `texture`;
// vertex and texture-coordinate arrays enabled and pointed at strips_.
// Leaves blending and texturing off with texture 0 bound, face culling and
// depth test on, depth writes off, and both client arrays still enabled and
// pointed at strips_, valid while the effect exists.
void CScanlineNoiseEffect::DrawOver(float t, Effect* source)
{
    if (source != nullptr) {
        source->Draw(t);
    }

    // One draw per frame from the show's generator, whether or not it shifts.
    const int r = sunvale::rand() % 2;
    BuildStrips(Amplitude(r, t), &strips_);

    glLoadIdentity();
    glTranslatef(-240.0f, -140.0f, -240.0f);

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_DST_ALPHA);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    BindEffectTexture(texture);

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, strips_.positions);
    glTexCoordPointer(2, GL_FLOAT, 0, strips_.texCoords);
    glDrawElements(GL_TRIANGLES, kIndexCount, GL_UNSIGNED_INT, strips_.indices);

    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
}

void CScanlineNoiseEffect::SetTexture(int32_t handle) { texture = handle; }

}  // namespace sunvale
