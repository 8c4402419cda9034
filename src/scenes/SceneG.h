// Scene G, the show's finale: a particle cloud over the flickering
// background image, under the common plane fan, noise strips and dark
// pulsing overlay. By the music position it closes the show: from 250 s the
// background image darkens, from 255.2 s the noise strips cover the image
// quad instead of the plane fan, and from 256 s a closing picture fades in
// in place of the fan and the overlay, and from 266 s out again.
#pragma once

#include <cstdint>

#include "scenes/Scene.h"

namespace sunvale {

class CFadeEffect;
class CImageQuadEffect;

class SceneG : public Scene {
public:
    static constexpr int kTextureCount = 9;
    static constexpr int kCloudEffect = 4;
    static constexpr int kClosingTexture = 8;  // stuff.jpg

    // The class's animation state. Levels are brightness 0 to 1, rates
    // brightness per tick, times in ticks.
    struct AnimationState {
        BackgroundFlicker background = {0, 4, 4, 7};
        float backgroundLevel = 1.0f;  // background image, once past 250 s
        float backgroundRate = 0.005f;
        float closingLevel = 0.0f;            // closing picture
        float closingRate = 0.005f;           // -0.005 once past 266 s
        float previousBackgroundTime = 0.0f;  // t at the end of the background pass
        float previousMainTime = 0.0f;        // t at the end of the main pass
    };

    // Loads the nine textures (loading bar at 0.99 before, 1.0 after),
    // creates the six effects and generates the cloud; needs the OpenGL
    // context current. Takes the cloud's random numbers.
    SceneG();

    void Render(float time, float startTime) override;

    // The class's shared state, for tests that inspect or reset it.
    static AnimationState& ClassState();

private:
    static AnimationState state_;

    void DrawBackground(float t);
    void DrawClosingPicture(float t, float m);

    CImageQuadEffect* backgroundImage_ = nullptr;  // effect 5
};

}  // namespace sunvale
