// Binding of an effect's texture handle, with failed loads drawn untextured.
#include "effects/EffectTexture.h"

#include <GL/gl.h>

namespace sunvale {

void BindEffectTexture(int32_t handle)
{
    if (handle > 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(handle));
    } else {
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
}

}  // namespace sunvale
