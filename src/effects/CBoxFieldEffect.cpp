// The box field: a thousand boxes drawn one by one in immediate mode under a
// rolling look-at camera, fogged towards the grey they are cleared with.
#include "effects/CBoxFieldEffect.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdint>

#include "app/Random.h"

namespace sunvale {

namespace {

// The 24 corners of a box in drawing order, as signs of the half-extents:
// faces z = -hz, z = +hz, x = -hx, x = +hx, y = -hy, y = +hy, four corners
// each. Each pair of opposite faces repeats the same corner order.
constexpr int8_t kBoxCorners[24][3] = {
    {-1, 1, -1},  {1, 1, -1},  {1, -1, -1}, {-1, -1, -1},  // z = -hz
    {-1, 1, 1},   {1, 1, 1},   {1, -1, 1},  {-1, -1, 1},   // z = +hz
    {-1, 1, -1},  {-1, 1, 1},  {-1, -1, 1}, {-1, -1, -1},  // x = -hx
    {1, 1, -1},   {1, 1, 1},   {1, -1, 1},  {1, -1, -1},   // x = +hx
    {-1, -1, -1}, {-1, -1, 1}, {1, -1, 1},  {1, -1, -1},   // y = -hy
    {-1, 1, -1},  {-1, 1, 1},  {1, 1, 1},   {1, 1, -1},    // y = +hy
};

constexpr int kCornersPerFacePair = 8;
constexpr float kPlaceSpacing = 2.5f;  // units between neighbouring places
constexpr float kFieldOffset = -5.0f;  // x, z of the first place and rest height
constexpr float kBoxHalfExtents[3] = {1.0f, 2.0f, 1.0f};

}  // namespace

CBoxFieldEffect::CBoxFieldEffect()
{
    for (int i = 0; i < 12; ++i) {
        faceColors[i] = kFaceColors[static_cast<size_t>(i)];
    }
    srand(static_cast<uint32_t>(rand() % 81));
    for (float& height : heights) {
        height = static_cast<float>(rand() % 5);
    }
}

CBoxFieldEffect::Vec3 CBoxFieldEffect::EyeAt(float t)
{
    const float a = t * 0.02f;  // radians
    return {static_cast<float>(5.0 * std::sin(static_cast<double>(a))), 5.0f,
            static_cast<float>(5.0 * std::cos(static_cast<double>(a)))};
}

CBoxFieldEffect::Vec3 CBoxFieldEffect::UpAt(float t)
{
    const float twoA = 2.0f * (t * 0.02f);  // radians
    return {static_cast<float>(std::sin(static_cast<double>(twoA))),
            static_cast<float>(std::cos(static_cast<double>(twoA))), 1.0f};
}

float CBoxFieldEffect::Swing(float t)
{
    return static_cast<float>(std::sin(static_cast<double>(t * 0.25f)));
}

CBoxFieldEffect::Vec3 CBoxFieldEffect::BoxCentre(int n, float s) const
{
    if (n < 0 || n >= kBoxCount) {
        return {0.0f, 0.0f, 0.0f};
    }
    const int i = n / (kPlacesPerSide * kBoxesPerPlace);
    const int k = n % kPlacesPerSide;
    return {kPlaceSpacing * static_cast<float>(i) + kFieldOffset, heights[n] * s + kFieldOffset,
            kPlaceSpacing * static_cast<float>(k) + kFieldOffset};
}

// Sets: current matrix = identity * look-at view; face culling and blending
// off; depth test and linear fog on (1 to 25, grey (0.5, 0.5, 0.5, 0.1));
// clear colour (0.5, 0.5, 0.5, 0.1), which the frame loop's clear then uses.
// Depth writes and 2D texturing stay as found. Leaves the look-at view
// current, face culling, depth test, blending and fog off (fog parameters as
// set), the clear colour grey and the colour at the third face colour.
void CBoxFieldEffect::Draw(float t)
{
    glLoadIdentity();
    glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_FOG);

    glClearColor(0.5f, 0.5f, 0.5f, 0.1f);
    const GLfloat fogColor[4] = {0.5f, 0.5f, 0.5f, 0.1f};
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 1.0f);
    glFogf(GL_FOG_END, 25.0f);
    glFogfv(GL_FOG_COLOR, fogColor);

    const Vec3 eye = EyeAt(t);
    const Vec3 up = UpAt(t);
    gluLookAt(eye.x, eye.y, eye.z, 5.0, -5.0, 5.0, up.x, up.y, up.z);

    const float s = Swing(t);
    for (int n = 0; n < kBoxCount; ++n) {
        const Vec3 centre = BoxCentre(n, s);
        glPushMatrix();
        glTranslatef(centre.x, centre.y, centre.z);
        DrawBox(kBoxHalfExtents[0], kBoxHalfExtents[1], kBoxHalfExtents[2], faceColors);
        glPopMatrix();
    }

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_FOG);
}

void CBoxFieldEffect::DrawBox(float hx, float hy, float hz, const float* colors)
{
    glBegin(GL_QUADS);
    for (int corner = 0; corner < 24; ++corner) {
        const int pair = corner / kCornersPerFacePair;  // 0: +-z, 1: +-x, 2: +-y
        if (corner % kCornersPerFacePair == 0) {
            glColor4f(colors[pair], colors[3 + pair], colors[6 + pair], colors[9 + pair]);
        }
        const int8_t* sign = kBoxCorners[corner];
        glVertex3f(sign[0] * hx, sign[1] * hy, sign[2] * hz);
    }
    glEnd();
}

}  // namespace sunvale
