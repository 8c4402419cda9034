// Scene C: a particle cloud over the flickering background image, under the
// common plane fan and noise strips. Driven by the music position, a star of
// additive planes opens out from 133 s and closes in again from 145.9 s, and
// from 143 s four pictures flash up, one per second, under the dark pulsing
// overlay. It plays in one entry, whose first five ticks overlap scene B.
#pragma once

#include <cstdint>

#include "scenes/Scene.h"

namespace sunvale {

class CFadeEffect;
class CImageQuadEffect;
class CParticleCloudEffect;
class CPlaneStarEffect;

class SceneC : public Scene {
public:
    static constexpr int kTextureCount = 14;
    static constexpr int kCloudEffect = 4;
    static constexpr int kStarEffect = 6;

    // Scale (grows) and level (darkens) of effect 2 while one picture is
    // chosen, advanced by the frame step in ticks.
    struct PicturePair {
        float scale = 1.0f;
        float level = 1.0f;
    };

    // The class's animation state, shared by all its objects. Music
    // positions in seconds, bounds in frustum units at the near plane.
    struct AnimationState {
        BackgroundFlicker background = {0, 4, 4, 7};
        float previousTime = 0.0f;                        // t of the previous frame
        float openingLower = -0.6f, openingUpper = 0.6f;  // grow to +-3.6
        float closingLower = -3.6f, closingUpper = 3.6f;  // shrink to +-0.6
        bool closingAlphaSet = false;                     // set on the first closing frame
        float closingAlpha = 0.0f;
        int32_t pictureIndex = 10;  // texture given to effect 2
        // One pair for each of textures 2, 10, 11, 12, 13, in that order.
        PicturePair pairs[5];
    };

    // Loads the fourteen textures behind the loading bar (0.59 to 0.74,
    // 0.68 skipped), creates the seven effects and generates the cloud;
    // needs the OpenGL context current. Takes the cloud's random numbers.
    SceneC();

    void Render(float time, float startTime) override;

    // The class's shared state, for tests that inspect or reset it.
    static AnimationState& ClassState();

    // The picture shown at music position m (seconds) and the slot of its
    // pair: texture 2 from 22.5 s to 143 s, the flashes 10 to 13 from 143 s
    // one per second (143.0, 143.9, 144.9, 145.9), texture 10 below 22.5 s;
    // -1 from 146.9 s on, where the picture stays as it was.
    [[nodiscard]] static int32_t PictureFor(float m, int* pairSlot);

private:
    static AnimationState state_;

    void DrawStar(float t, float startTime, float m, float dt);
    void UpdatePicture(float m, float dt);

    CParticleCloudEffect* cloud_ = nullptr;        // effect 4
    CImageQuadEffect* backgroundImage_ = nullptr;  // effect 5
    CPlaneStarEffect* star_ = nullptr;             // effect 6
};

}  // namespace sunvale
