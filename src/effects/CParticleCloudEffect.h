// Sixteen groups of camera-facing textured particles (20 x 20 billboards) in
// linear fog: each particle drifts sideways and wraps round, bobs on small
// circles, and the whole cloud turns slowly. The cloud fades in when its
// scaled time T (time * 0.01) starts and fades out from fadeOutStart on.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "effects/Effect.h"
#include "library/moxa/3d/Vector3.h"

namespace sunvale {

// One group: base positions of its particles and their common drift speed.
struct ParticleGroup {
    std::unique_ptr<Vector3[]> points;  // count base positions, owned
    int32_t count = 0;
    int32_t texture = -1;  // -1 or no points: the group draws nothing
    float speed = 0.0f;    // sideways drift per unit of T
};

class CParticleCloudEffect : public Effect {
public:
    static constexpr int kGroupCount = 16;

    // One billboard corner: position in the cloud's space and its texture
    // coordinate.
    struct Corner {
        Vector3 position;
        float s, t;
    };

    CParticleCloudEffect() = default;

    // Fills every group with rand() % 75 + 150 random particles around its
    // centre, taking 1 + 3n numbers per group from the shared generator
    // (n first, then three per particle). Groups take the current texture.
    void Generate();

    // Fills one group with n particles: for each, r1, r2, r3 drawn in that
    // order give an angle, a radius and a depth on a flat ring round the
    // centre (x about -1150 +- 2 * 800 * pi, z -20 to -10).
    static void FillGroup(ParticleGroup& group, int32_t n, int32_t texture, const Vector3& centre,
                          float speed);

    // Opacity at scaled time T: 0.25 + 0.5 T before fadeOutStart,
    // 1 - 0.25 (T - fadeOutStart) from it on, clamped to [0, 1].
    [[nodiscard]] float Alpha(float scaledTime) const;

    // Where particle `index` of group stands at scaled time T: the base
    // position drifted by T * speed along x and wrapped into 800 units
    // (fmod keeps the sign, so a negative sum lands in -1200 .. -400), and
    // bobbed by 2 units in y and z.
    [[nodiscard]] static Vector3 ParticlePosition(const ParticleGroup& group, int index,
                                                  float scaledTime);

    // The four corners of a billboard at p with half-extent axes right and
    // up, in drawing order: p - R + U (0, 0), p + R + U (1, 0),
    // p + R - U (1, 1), p - R - U (0, 1).
    [[nodiscard]] static std::array<Corner, 4> BillboardCorners(const Vector3& p,
                                                                const Vector3& right,
                                                                const Vector3& up);

    void Draw(float time) override;
    void SetTexture(int32_t handle) override;

    int32_t texture = -1;                    // copied into every group by Generate
    float fadeOutStart = 300.0f;             // scaled time at which the fade-out begins
    float position[3] = {0.0f, 0.0f, 0.0f};  // the cloud's centre is position + (0, 0, -300)
    std::array<ParticleGroup, kGroupCount> groups;
    int32_t groupCount = kGroupCount;

private:
    // One glBegin/glEnd of quads for the group at scaled time T.
    static void DrawGroup(const ParticleGroup& group, float scaledTime, const Vector3& right,
                          const Vector3& up, float alpha);
};

}  // namespace sunvale
