// Scene G: the particle cloud finale and the closing picture, timed by the
// music position. Without music the closing never starts and the show ends
// on the ordinary scene.
#include "scenes/SceneG.h"

#include <GL/gl.h>

#include <algorithm>

#include "app/DisplaySettings.h"
#include "app/MusicPosition.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CParticleCloudEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CScanlineNoiseEffect.h"

namespace sunvale {

namespace {

// Music positions, seconds.
constexpr float kBackgroundDarkens = 250.0f;
constexpr float kNoiseOverImage = 255.2f;
constexpr float kClosingStarts = 256.0f;
constexpr float kClosingFadesOut = 266.0f;

}  // namespace

SceneG::AnimationState SceneG::state_;

SceneG::SceneG()
{
    g_displaySettings.ShowProgress(0.99f);
    LoadSceneTexture("data/texture/tessel.jpg", 1);
    LoadSceneTexture("data/texture/noize.jpg", 1);
    LoadSceneTexture("data/texture/no.jpg", 0);
    LoadSceneTexture("data/texture/particle2.jpg", 1);
    LoadSceneTexture("data/texture/budda1.png", 0);
    LoadSceneTexture("data/texture/budda2.png", 0);
    LoadSceneTexture("data/texture/budda3.png", 0);
    LoadSceneTexture("data/texture/budda4.png", 0);
    LoadSceneTexture("data/texture/stuff.jpg", 0);
    g_displaySettings.ShowProgress(1.0f);

    AddCommonEffects();
    auto* cloud = new CParticleCloudEffect();
    backgroundImage_ = new CImageQuadEffect();
    effects.Add(cloud);
    effects.Add(backgroundImage_);

    effects.SetTextureAt(textures[3], kCloudEffect);
    cloud->Generate();
    cloud->fadeOutStart = 12.0f;
}

SceneG::AnimationState& SceneG::ClassState() { return state_; }

void SceneG::Render(float t, float startTime)
{
    DrawBackground(t);

    // Main pass: the plane fan under the noise strips until 255.2 s, then
    // the strips over the image quad, and from 256 s neither.
    SetFrustum(-0.93333333f, 0.93333333f, -0.7f, 0.7f, 1.0, 1000.0);
    const float m = MusicPosition();
    if (m < kNoiseOverImage) {
        effects.DrawOverAt(t, kNoiseEffect, kFanEffect);
    } else if (m < kClosingStarts) {
        effects.DrawOverAt(t, kNoiseEffect, kImageEffect);
    }

    // The cloud in the scene's local time, in a frustum of the screen's shape.
    // 0.3 in single precision, scaled by the aspect ratio in double.
    const double aspect = ScreenAspect();
    const double halfHeight = 0.3f;
    SetFrustum(-halfHeight * aspect, halfHeight * aspect, -halfHeight, halfHeight, 1.0, 1000.0);
    effects.DrawAt(t - startTime, kCloudEffect);

    SetFrustum(-0.5, 0.5, -0.375, 0.375, 1.0, 1000.0);
    if (m < kClosingStarts) {
        image_->position[0] = 3.0f;
        image_->position[1] = 0.0f;
        image_->position[2] = -50.0f;
        fade_->speed = 0.25f;
        fade_->color[0] = 0.0f;
        fade_->color[1] = 0.0f;
        fade_->color[2] = 0.0f;
        fade_->strongPulse = 0;
        effects.DrawOverAt(t, kFadeEffect, kImageEffect);
    } else {
        DrawClosingPicture(t, m);
    }
    // Updated on every frame, whichever branch ran, so that each branch's
    // first frame integrates one frame's step only.
    state_.previousMainTime = t;

    DrawLetterboxBars();
}

// The common background pass, with the music read before the flicker
// trigger and the image darkened by 0.005 per tick from 250 s on.
void SceneG::DrawBackground(float t)
{
    SetFrustum(-0.5, 0.5, -0.375, 0.375, 1.0, 1000.0);
    const float m = MusicPosition();
    BackgroundFlicker& flicker = state_.background;
    if (AdvanceFlicker(t, &flicker.flickerCount)) {
        flicker.imageIndex =
            NextImageIndex(flicker.imageIndex, flicker.firstImage, flicker.lastImage);
    }
    backgroundImage_->position[0] = 3.0f;
    backgroundImage_->position[1] = 0.0f;
    backgroundImage_->position[2] = -15.0f;
    if (m >= kBackgroundDarkens) {
        const float step = (t - state_.previousBackgroundTime) * state_.backgroundRate;
        state_.backgroundLevel = std::clamp(state_.backgroundLevel - step, 0.0f, 1.0f);
        backgroundImage_->color[0] = state_.backgroundLevel;
        backgroundImage_->color[1] = state_.backgroundLevel;
        backgroundImage_->color[2] = state_.backgroundLevel;
    }
    effects.SetTextureAt(TextureAt(flicker.imageIndex), kBackgroundEffect);
    effects.DrawAt(t, kBackgroundEffect);
    state_.previousBackgroundTime = t;
}

// The closing picture: brightens by 0.005 per tick up to 1 from 256 s; from
// 266 s the rate turns to -0.005 (from the next frame on) and the level
// falls to black 200 ticks later. Drawn without the overlay.
void SceneG::DrawClosingPicture(float t, float m)
{
    state_.closingLevel += (t - state_.previousMainTime) * state_.closingRate;
    if (m >= kClosingFadesOut) {
        state_.closingRate = -0.005f;
        state_.closingLevel = std::clamp(state_.closingLevel, 0.0f, 1.0f);
    } else {
        state_.closingLevel = std::min(state_.closingLevel, 1.0f);
    }
    image_->position[0] = 0.0f;
    image_->position[1] = 0.0f;
    image_->position[2] = -50.0f;
    image_->color[0] = state_.closingLevel;
    image_->color[1] = state_.closingLevel;
    image_->color[2] = state_.closingLevel;
    effects.SetTextureAt(TextureAt(kClosingTexture), kImageEffect);
    effects.DrawAt(t, kImageEffect);
}

}  // namespace sunvale
