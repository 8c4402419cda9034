// Scene F, the short flash between the longer scenes of the show's middle
// part: a star of additive planes turning slowly while it fades out, over
// the flickering background image and under the common plane fan, noise
// strips and dark pulsing overlay. It plays in four timeline entries, each
// with its own object; the background flicker is shared by the four, the
// star's fade-out is not.
#pragma once

#include <cstdint>
#include <optional>

#include "scenes/Scene.h"

namespace sunvale {

class CFadeEffect;
class CImageQuadEffect;
class CPlaneStarEffect;

class SceneF : public Scene {
public:
    static constexpr int kTextureCount = 8;
    static constexpr int kStarEffect = 4;

    // Loads the eight textures (loading bar at 0.99 before, 1.0 after) and
    // creates the effects; needs the OpenGL context current.
    SceneF();

    void Render(float time, float startTime) override;

    // Depth of the star for the entry that starts at startTime: -300 or
    // -250 for the four entries; no value (no translation) after them.
    [[nodiscard]] static std::optional<float> StarDistance(float startTime);

    // The star's opacity: 0.4 at construction, 0.005 less every frame.
    [[nodiscard]] float StarAlpha() const { return starAlpha_; }

    // The class's shared background state, for tests that inspect or reset it.
    static BackgroundFlicker& ClassBackground();

private:
    // Scene F's per-class animation state: shared by every object of the
    // class and carried from one of its entries to the next. Initial values
    // in SceneF.cpp: flicker count 0, image index 4, cycle 4 to 7.
    static BackgroundFlicker background_;

    CPlaneStarEffect* star_ = nullptr;             // effect 4
    CImageQuadEffect* backgroundImage_ = nullptr;  // effect 5
    float starAlpha_ = 0.4f;
};

}  // namespace sunvale
