// Scene E: a particle cloud over the flickering background picture, under
// the common plane fan, noise strips and dark pulsing overlay. It plays in
// two entries, each with its own object and cloud. The first entry drives
// the cloud with the show time; the second races it at ten times the show
// time for its first 35 ticks and then lets it run on at normal speed.
#pragma once

#include <cstdint>

#include "scenes/Scene.h"

namespace sunvale {

class CFadeEffect;
class CImageQuadEffect;

class SceneE : public Scene {
public:
    static constexpr int kTextureCount = 8;
    static constexpr int kCloudEffect = 4;
    // Entries that start here or later take the racing cloud.
    static constexpr float kSecondEntryStart = 11070.0f;
    // Local time (ticks) up to which, inclusive, the cloud races.
    static constexpr float kRaceTicks = 35.0f;

    // The class's animation state, shared by both objects, never reset.
    struct AnimationState {
        BackgroundFlicker background = {0, 4, 4, 7};
        float cloudTime = 0.0f;    // time handed to the cloud in the second entry
        bool lastTimeSet = false;  // lastTime starts as the first such frame's t
        float lastTime = 0.0f;     // show time of the previous second-entry frame
    };

    // Loads the eight textures (loading bar at 0.99 before, 1.0 after),
    // creates the six effects and generates the cloud; needs the OpenGL
    // context current. Takes the cloud's random numbers.
    SceneE();

    void Render(float time, float startTime) override;

    // The class's shared state, for tests that inspect or reset it.
    static AnimationState& ClassState();

    // The time handed to the cloud on a frame at show time t of the entry
    // that starts at startTime; advances the second entry's state.
    static float CloudTime(float t, float startTime, AnimationState* state);

private:
    static AnimationState state_;

    CImageQuadEffect* backgroundImage_ = nullptr;  // effect 5
};

}  // namespace sunvale
