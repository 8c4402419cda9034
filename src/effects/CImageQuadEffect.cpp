// The image quad: a textured square placed by translate, scale and rotate
// onto an identity matrix, drawn without depth and with a selectable blend.
#include "effects/CImageQuadEffect.h"

#include "effects/EffectTexture.h"

namespace sunvale {

const std::array<CImageQuadEffect::Corner, 4>& CImageQuadEffect::Corners()
{
    static constexpr std::array<Corner, 4> kCorners = {{
        {-15.0f, 15.0f, -7.0f, 0.0f, 0.0f},
        {15.0f, 15.0f, -7.0f, 1.0f, 0.0f},
        {15.0f, -15.0f, -7.0f, 1.0f, 1.0f},
        {-15.0f, -15.0f, -7.0f, 0.0f, 1.0f},
    }};
    return kCorners;
}

bool CImageQuadEffect::BlendFactorsFor(int32_t mode, GLenum* source, GLenum* destination)
{
    switch (mode) {
    case 0:
        *source = GL_ONE;
        *destination = GL_ONE;
        return true;
    case 1:
        *source = GL_SRC_ALPHA;
        *destination = GL_ONE_MINUS_SRC_ALPHA;
        return true;
    case 3:
        *source = GL_SRC_ALPHA;
        *destination = GL_ONE;
        return true;
    case 4:
        *source = GL_ONE_MINUS_SRC_COLOR;
        *destination = GL_ONE;
        return true;
    default:
        return false;
    }
}

// Sets: current matrix = identity * translate(position) * scale(scale) *
// rotate(angle, axis); depth test, face culling and depth writes off;
// blending on or off per `blend`, function per `blendMode`; colour = `color`.
// Leaves all of that in place, with 2D texturing off and texture 0 bound.
// The time value is ignored.
void CImageQuadEffect::Draw(float)
{
    glLoadIdentity();
    glTranslatef(position[0], position[1], position[2]);
    glScalef(scale[0], scale[1], scale[2]);
    glRotatef(angle, axis[0], axis[1], axis[2]);

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_FALSE);

    if (blend != 0) {
        glEnable(GL_BLEND);
    } else {
        glDisable(GL_BLEND);
    }
    GLenum source = GL_ONE;
    GLenum destination = GL_ONE;
    if (BlendFactorsFor(blendMode, &source, &destination)) {
        glBlendFunc(source, destination);
    }

    glColor4f(color[0], color[1], color[2], color[3]);
    BindEffectTexture(texture);

    glBegin(GL_QUADS);
    for (const Corner& corner : Corners()) {
        glTexCoord2f(corner.s, corner.t);
        glVertex3f(corner.x, corner.y, corner.z);
    }
    glEnd();

    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}

void CImageQuadEffect::SetTexture(int32_t handle) { texture = handle; }

}  // namespace sunvale
