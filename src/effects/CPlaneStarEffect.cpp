// The plane star: four planes through the vertical axis, each drawn four
// times, additively by alpha, at the scene's current matrix.
#include "effects/CPlaneStarEffect.h"

#include <GL/gl.h>

#include "effects/EffectTexture.h"
#include "effects/PlaneGeometry.h"

namespace sunvale {

// Sets: clear colour (0, 0, 0, 0.5), which the main loop's next clear uses;
// 2D texturing on with `texture`; face culling and depth test off; depth
// writes off; blending on with (GL_SRC_ALPHA, GL_ONE); colour = `color`.
// Leaves the current matrix unchanged, texturing and blending off with
// texture 0 bound, face culling, depth test and depth writes off. The time
// value is ignored.
void CPlaneStarEffect::Draw(float)
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);

    BindEffectTexture(texture);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    glColor4f(color[0], color[1], color[2], color[3]);

    glPushMatrix();
    for (int plane = 0; plane < kPlaneCount; ++plane) {
        DrawPlane(0.0f, 0.0f);
        glRotatef(kPlaneStepDegrees, 0.0f, 1.0f, 0.0f);
    }
    glPopMatrix();

    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

void CPlaneStarEffect::SetTexture(int32_t handle) { texture = handle; }

}  // namespace sunvale
