// The fade overlay: one quad 13 units in front of the eye, large enough to
// cover every frustum the scenes use, blended over the source's picture.
#include "effects/CFadeEffect.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace sunvale {

float CFadeEffect::Alpha(float t) const
{
    if (speed < 0.0f) {
        const float alpha = 1.0f + t * speed;
        return alpha < 0.0f ? 0.0f : alpha;
    }
    const float s = static_cast<float>(std::sin(static_cast<double>(t * speed)));
    const float alpha = strongPulse != 0 ? s * 0.8f + 0.2f : s * 0.4f + 0.2f;
    return std::clamp(alpha, 0.0f, 1.0f);
}

void CFadeEffect::Draw(float) {}

// Sets: current matrix = identity * translate (0, 0, -6); depth writes off;
// blending on with (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); depth test off;
// colour (`color`, Alpha(t)); 2D texturing off with texture 0 bound.
// Leaves all of that, except blending off and depth writes on again. The
// depth test stays off.
void CFadeEffect::DrawOver(float t, Effect* source)
{
    if (source != nullptr) {
        source->Draw(t);
    }

    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -6.0f);

    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);

    glColor4f(color[0], color[1], color[2], Alpha(t));
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);

    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-15.0f, 15.0f, -7.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(15.0f, 15.0f, -7.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(15.0f, -15.0f, -7.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-15.0f, -15.0f, -7.0f);
    glEnd();

    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}

}  // namespace sunvale
