// The shared light plane of the plane fan and plane star effects.
#include "effects/PlaneGeometry.h"

#include <GL/gl.h>

namespace sunvale {

std::array<PlaneCorner, 4> PlaneCorners(float u, float v)
{
    return {{
        {-300.0f, 300.0f, u, v},
        {300.0f, 300.0f, u + 1.0f, v},
        {300.0f, -300.0f, u + 1.0f, v + 1.0f},
        {-300.0f, -300.0f, u, v + 1.0f},
    }};
}

void DrawPlane(float u, float v)
{
    const std::array<PlaneCorner, 4> corners = PlaneCorners(u, v);
    glBegin(GL_QUADS);
    for (const PlaneCorner& corner : corners) {
        glTexCoord2f(corner.s, corner.t);
        glVertex3f(corner.x, corner.y, 0.0f);
    }
    glEnd();
}

}  // namespace sunvale
