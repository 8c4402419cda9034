// Scene H, the box field: the field of bobbing boxes drawn first under its
// own wide frustum, the flickering background image over it (dimmed to
// black once the music passes 250 s), then the common plane fan, noise
// strips and dark pulsing overlay. It plays in two timeline entries, each
// with its own object; both share the class's state.
#pragma once

#include <cstdint>

#include "scenes/Scene.h"

namespace sunvale {

class CBoxFieldEffect;
class CFadeEffect;
class CImageQuadEffect;

// Scene H's per-class animation state: shared by every object of the class
// and carried from one of its entries to the next.
struct SceneHState {
    BackgroundFlicker background;  // count 0, image 3, cycle 3 to 5 (texture 6 never shows)
    float fadeLevel;               // background brightness, 1 .. 0, used from 250 s of music
    float previousTime;            // t of the previous rendered frame, ticks
};

class SceneH : public Scene {
public:
    static constexpr int kTextureCount = 7;
    static constexpr int kBoxFieldEffect = 4;

    // Background brightness lost per tick once the music passes kDimFrom.
    static constexpr float kFadeRate = 0.005f;
    static constexpr float kDimFrom = 250.0f;  // music seconds

    // The class's state before its first frame.
    static constexpr SceneHState kInitialState = {{0, 3, 3, 5}, 1.0f, 0.0f};

    // Loads the seven textures (loading bar at 0.99 before, 1.0 after) and
    // creates the six effects; needs the OpenGL context current. The box
    // field reseeds the show's generator.
    SceneH();

    // startTime is not used: both entries draw the same way.
    void Render(float time, float startTime) override;

    // The class's shared state, for tests that inspect or reset it.
    static SceneHState& ClassState();

    // Fade level after a frame at music position m that comes dt ticks after
    // the previous one: below kDimFrom unchanged, else level - dt *
    // kFadeRate, kept within 0 .. 1.
    [[nodiscard]] static float NextFadeLevel(float level, float musicSeconds, float dt);

private:
    static SceneHState state_;

    CBoxFieldEffect* boxField_ = nullptr;          // effect 4
    CImageQuadEffect* backgroundImage_ = nullptr;  // effect 5
};

}  // namespace sunvale
