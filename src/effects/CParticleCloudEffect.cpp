// The particle cloud: random particles stored once per group and animated on
// the fly, emitted as billboards that face the camera (the axes come from the
// inverted modelview), one glBegin/glEnd of quads per group.
#include "effects/CParticleCloudEffect.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <new>

#include "app/Random.h"
#include "library/moxa/3d/Matrix4.h"

namespace sunvale {

namespace {

struct GroupLayout {
    Vector3 centre;
    float speed;
};

// Centre and drift speed of each group, in group order.
constexpr std::array<GroupLayout, CParticleCloudEffect::kGroupCount> kGroupLayouts = {{
    {{0.0f, 50.0f, 0.0f}, 300.0f},
    {{0.0f, 0.0f, 0.0f}, 150.0f},
    {{0.0f, 90.0f, 60.0f}, 250.0f},
    {{0.0f, -100.0f, 30.0f}, 160.0f},
    {{0.0f, 50.0f, -100.0f}, 340.0f},
    {{0.0f, -50.0f, 50.0f}, 270.0f},
    {{0.0f, 100.0f, 50.0f}, 180.0f},
    {{0.0f, -30.0f, 90.0f}, 130.0f},
    {{0.0f, 150.0f, 10.0f}, 200.0f},
    {{0.0f, 100.0f, -100.0f}, 210.0f},
    {{0.0f, 190.0f, 160.0f}, 220.0f},
    {{0.0f, -200.0f, 130.0f}, 230.0f},
    {{0.0f, 150.0f, -200.0f}, 240.0f},
    {{0.0f, -150.0f, 250.0f}, 160.0f},
    {{0.0f, 200.0f, 150.0f}, 230.0f},
    {{0.0f, -130.0f, 190.0f}, 250.0f},
}};

// Scales of the random numbers (0 to 32767), single-precision values:
constexpr float kAngleStep = 0.0001917475984802246f;    // 2 pi / 32768, radians
constexpr float kRadiusStep = 0.00047936899620056153f;  // 5 pi / 32768
constexpr float kDepthStep = 0.00030518509f;            // 10 / 32767

constexpr float kHalfSize = 10.0f;  // half the 20 x 20 billboard

Vector3 Scaled(const float* v, float k) { return {v[0] * k, v[1] * k, v[2] * k}; }

}  // namespace

void CParticleCloudEffect::Generate()
{
    for (int g = 0; g < kGroupCount; ++g) {
        const int32_t n = rand() % 75 + 150;
        FillGroup(groups[g], n, texture, kGroupLayouts[g].centre, kGroupLayouts[g].speed);
    }
}

void CParticleCloudEffect::FillGroup(ParticleGroup& group, int32_t n, int32_t texture,
                                     const Vector3& centre, float speed)
{
    group.points.reset(new (std::nothrow) Vector3[n]);
    group.count = group.points ? n : 0;
    group.texture = texture;
    group.speed = speed;
    for (int32_t i = 0; i < n; ++i) {
        // The three numbers are drawn even when the points could not be
        // allocated, so that later users of the generator see the same sequence.
        const int r1 = rand();
        const int r2 = rand();
        const int r3 = rand();
        if (!group.points) continue;
        const float a = static_cast<float>(r1) * kAngleStep;
        const float r = static_cast<float>(r2) * kRadiusStep;
        Vector3& p = group.points[i];
        p.x = std::sin(a) * r * -800.0f - 1150.0f + centre.x;
        p.y = std::cos(a) * r * 10.0f - 20.0f + centre.y;
        p.z = static_cast<float>(r3) * kDepthStep - 20.0f + centre.z;
    }
}

float CParticleCloudEffect::Alpha(float scaledTime) const
{
    const float alpha = scaledTime < fadeOutStart ? 0.25f + 0.5f * scaledTime
                                                  : 1.0f - 0.25f * (scaledTime - fadeOutStart);
    return std::clamp(alpha, 0.0f, 1.0f);
}

Vector3 CParticleCloudEffect::ParticlePosition(const ParticleGroup& group, int index,
                                               float scaledTime)
{
    const Vector3& p = group.points[index];
    const float t7 = 7.0f * scaledTime;
    return {std::fmod(scaledTime * group.speed + p.x, 800.0f) - 400.0f,
            2.0f * std::sin(t7 + p.x) + p.y,
            2.0f * std::cos(3.14f * static_cast<float>(index) + t7) + p.z};
}

std::array<CParticleCloudEffect::Corner, 4> CParticleCloudEffect::BillboardCorners(
    const Vector3& p, const Vector3& right, const Vector3& up)
{
    const auto at = [&](float r, float u) -> Vector3 {
        return {p.x + r * right.x + u * up.x, p.y + r * right.y + u * up.y,
                p.z + r * right.z + u * up.z};
    };
    return {{{at(-1, 1), 0.0f, 0.0f},
             {at(1, 1), 1.0f, 0.0f},
             {at(1, -1), 1.0f, 1.0f},
             {at(-1, -1), 0.0f, 1.0f}}};
}

// Sets: identity modelview, then the cloud's transform (left current); 2D
// texturing and blending on with (GL_SRC_ALPHA, GL_ONE); face culling and
// depth test off; depth writes off; linear fog from 200 to 500 in black with
// alpha 0.5, enabled while the groups draw and disabled afterwards (its
// parameters stay); clear colour (0, 0, 0, 0.5). When a group draws: colour
// (1, 1, 1, Alpha(T)) and its texture bound, so the last drawn group's
// texture stays bound. Time t is scaled by 0.01.
void CParticleCloudEffect::Draw(float t)
{
    const float scaledTime = t * 0.01f;

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);

    glTranslatef(position[0], position[1], position[2] - 300.0f);
    glRotatef(scaledTime * 30.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(std::sin(scaledTime * 0.33333334f) * 30.0f + 10.0f, 0.0f, 0.0f, 1.0f);
    glRotatef(scaledTime * 20.0f, 0.0f, 1.0f, 0.0f);

    const GLfloat fogColour[4] = {0.0f, 0.0f, 0.0f, 0.5f};
    glEnable(GL_FOG);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glFogfv(GL_FOG_COLOR, fogColour);
    glFogf(GL_FOG_START, 200.0f);
    glFogf(GL_FOG_END, 500.0f);
    glFogi(GL_FOG_MODE, GL_LINEAR);

    const float alpha = Alpha(scaledTime);

    // The camera's right and up directions in the cloud's space.
    Matrix4 inverse;
    glGetFloatv(GL_MODELVIEW_MATRIX, inverse.m);
    InvertAffine(inverse);
    const Vector3 right = Scaled(&inverse.m[0], kHalfSize);
    const Vector3 up = Scaled(&inverse.m[4], kHalfSize);

    const int count = std::clamp(groupCount, 0, kGroupCount);
    for (int g = 0; g < count; ++g) DrawGroup(groups[g], scaledTime, right, up, alpha);

    glDisable(GL_FOG);
}

void CParticleCloudEffect::SetTexture(int32_t handle) { texture = handle; }

void CParticleCloudEffect::DrawGroup(const ParticleGroup& group, float scaledTime,
                                     const Vector3& right, const Vector3& up, float alpha)
{
    if (group.texture == -1 || !group.points || group.count <= 0) return;

    glColor4f(1.0f, 1.0f, 1.0f, alpha);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(group.texture));
    glBegin(GL_QUADS);
    for (int i = 0; i < group.count; ++i) {
        const Vector3 p = ParticlePosition(group, i, scaledTime);
        for (const Corner& c : BillboardCorners(p, right, up)) {
            glTexCoord2f(c.s, c.t);
            glVertex3f(c.position.x, c.position.y, c.position.z);
        }
    }
    glEnd();
}

}  // namespace sunvale
