// The blob landscape effect: the field's slabs compiled into a ring of
// display lists, and the lit, fogged flight through them.
#include "effects/CBlobSurfaceEffect.h"

#include <GL/glu.h>

#include <algorithm>

#include "app/Random.h"
#include "effects/EffectTexture.h"

namespace sunvale {

CBlobSurfaceEffect::CBlobSurfaceEffect()
{
    for (GLuint& list : lists_) list = glGenLists(1);
    srand(81);
    field_.DrawBlobParameters();
    Build();
}

CBlobSurfaceEffect::~CBlobSurfaceEffect()
{
    for (GLuint list : lists_) glDeleteLists(list, 1);
}

void CBlobSurfaceEffect::Build()
{
    for (; pending > 0; --pending) {
        field_.Advance();
        std::rotate(lists_.begin(), lists_.begin() + 1, lists_.end());
        slab_.clear();
        field_.PolygoniseSlab(&slab_);
        CompileSlab(lists_.back());
    }
    pending = 1;
}

void CBlobSurfaceEffect::CompileSlab(GLuint list) const
{
    glNewList(list, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    for (const BlobField::Vertex& vertex : slab_) {
        glTexCoord2f(vertex.s, vertex.t);
        glNormal3fv(vertex.normal);
        glVertex3fv(vertex.position);
    }
    glEnd();
    glTranslatef(0.0f, 0.0f, -1.0f);
    glEndList();
}

// Sets: lighting with light 0 at (1, -1, 1, -1) in eye space, normalising,
// depth test, linear fog 5..40 in grey, 2D texturing, blending
// (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), face culling off, material
// diffuse (1, 1, 1, 0.5) and shininess 5 on both faces, clear colour grey.
// Leaves: modelview current = the look-at view moved 50 units along -z;
// lighting, light 0, normalising, fog, depth test, texturing and blending
// off with texture 0 bound; face culling off; clear and fog colour
// (0.5, 0.5, 0.5, 1). Depth writes stay as they were.
void CBlobSurfaceEffect::Draw(float)
{
    static const GLfloat kGrey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    static const GLfloat kLightPosition[4] = {1.0f, -1.0f, 1.0f, -1.0f};
    static const GLfloat kDiffuse[4] = {1.0f, 1.0f, 1.0f, 0.5f};

    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glEnable(GL_FOG);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_CULL_FACE);
    glClearColor(kGrey[0], kGrey[1], kGrey[2], kGrey[3]);
    glFogfv(GL_FOG_COLOR, kGrey);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 5.0f);
    glFogf(GL_FOG_END, 40.0f);

    Build();

    float x = 0.0f;
    float y = 0.0f;
    field_.CameraTarget(&x, &y);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(previousTarget[0], previousTarget[1], -3.0, x, y, -4.0, up[0], up[1], up[2]);
    previousTarget[0] = x;
    previousTarget[1] = y;

    glLightfv(GL_LIGHT0, GL_POSITION, kLightPosition);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kDiffuse);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 5.0f);

    // Oldest slab first and nearest; each list leaves the matrix one unit
    // deeper, so the newest lies 49 units away, in the fog.
    BindEffectTexture(texture);
    for (GLuint list : lists_) glCallList(list);

    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_NORMALIZE);
    glDisable(GL_FOG);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

void CBlobSurfaceEffect::SetTexture(int32_t handle) { texture = handle; }

}  // namespace sunvale
