// The plane fan: a transform accumulated onto the scene's current matrix,
// then sixteen planes stepped 6 degrees about X, drawn additively by alpha.
#include "effects/CPlaneFanEffect.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "effects/EffectTexture.h"
#include "effects/PlaneGeometry.h"

namespace sunvale {

float CPlaneFanEffect::SpinDegrees(float t) { return 0.5f * t; }

float CPlaneFanEffect::SwayDegrees(float t)
{
    const float phase = t * 0.005f * 0.33333334f;  // radians
    return static_cast<float>(30.0 * std::sin(static_cast<double>(phase)) + 10.0);
}

float CPlaneFanEffect::TextureOffset(float t) { return 0.001f * t; }

float CPlaneFanEffect::Alpha(float t)
{
    const float s = static_cast<float>(std::sin(static_cast<double>(0.01f * t)));
    const float a = std::clamp(0.1f * s + 0.3f, 0.0f, 1.0f);
    return (0.15f * s + 0.45f) * a;
}

// Sets: 2D texturing on with `texture`; face culling and depth test off;
// depth writes off; blending on with (GL_SRC_ALPHA, GL_ONE); colour
// (1, 1, 1, Alpha(t)). Multiplies translate (0, 0, -400), the spin about X,
// the sway about Z and 180 degrees about Y onto the current matrix (no
// identity is loaded), and leaves that matrix current. Leaves texturing and
// blending off, face culling and depth test on, depth writes off.
void CPlaneFanEffect::Draw(float t)
{
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    glTranslatef(0.0f, 0.0f, -400.0f);
    glRotatef(SpinDegrees(t), 1.0f, 0.0f, 0.0f);
    glRotatef(SwayDegrees(t), 0.0f, 0.0f, 1.0f);
    glRotatef(180.0f, 0.0f, 1.0f, 0.0f);

    glPushMatrix();
    BindEffectTexture(texture);
    glColor4f(1.0f, 1.0f, 1.0f, Alpha(t));

    const float u = TextureOffset(t);
    for (int plane = 0; plane < kPlaneCount; ++plane) {
        DrawPlane(u, 0.0f);
        glRotatef(kPlaneStepDegrees, 1.0f, 0.0f, 0.0f);
    }

    glPopMatrix();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
}

void CPlaneFanEffect::SetTexture(int32_t handle) { texture = handle; }

}  // namespace sunvale
