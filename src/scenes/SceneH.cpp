// Scene H: the box field. Two entries of 303.75 ticks share the background
// flicker, the background's fade level and the previous-frame time.
#include "scenes/SceneH.h"

#include <algorithm>
#include <new>

#include "app/DisplaySettings.h"
#include "app/MusicPosition.h"
#include "effects/CBoxFieldEffect.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CScanlineNoiseEffect.h"

namespace sunvale {

SceneHState SceneH::state_ = SceneH::kInitialState;

SceneH::SceneH()
{
    g_displaySettings.ShowProgress(0.99f);
    LoadSceneTexture("data/texture/tessel.jpg", 1);
    LoadSceneTexture("data/texture/noize.jpg", 1);
    LoadSceneTexture("data/texture/no.jpg", 0);
    LoadSceneTexture("data/texture/budda1.png", 0);
    LoadSceneTexture("data/texture/budda2.png", 0);
    LoadSceneTexture("data/texture/budda3.png", 0);
    LoadSceneTexture("data/texture/budda4.png", 0);
    g_displaySettings.ShowProgress(1.0f);

    // Created in list order: the box field's constructor draws from the
    // show's generator.
    AddCommonEffects();
    boxField_ = new (std::nothrow) CBoxFieldEffect();
    effects.Add(boxField_);
    backgroundImage_ = new (std::nothrow) CImageQuadEffect();
    effects.Add(backgroundImage_);

    effects.SetTextureAt(textures[3], kBoxFieldEffect);  // the box field has no texture
}

SceneHState& SceneH::ClassState() { return state_; }

float SceneH::NextFadeLevel(float level, float musicSeconds, float dt)
{
    if (musicSeconds < kDimFrom) {
        return level;
    }
    return std::clamp(level - dt * kFadeRate, 0.0f, 1.0f);
}

void SceneH::Render(float t, float)
{
    // The field's frustum follows the screen's aspect ratio.
    const double aspect = static_cast<double>(g_displaySettings.AspectRatio());
    SetFrustum(-0.5 * aspect, 0.5 * aspect, -0.5, 0.5, 1.0, 4000.0);
    effects.DrawAt(t, kBoxFieldEffect);

    // The background pass, its image dimmed once the music passes 250 s.
    // The dimming only sets the quad's colour, so it may come before the
    // pass's flicker step.
    const float m = MusicPosition();
    if (m >= kDimFrom) {
        state_.fadeLevel = NextFadeLevel(state_.fadeLevel, m, t - state_.previousTime);
        if (backgroundImage_ != nullptr) {
            backgroundImage_->color[0] = state_.fadeLevel;
            backgroundImage_->color[1] = state_.fadeLevel;
            backgroundImage_->color[2] = state_.fadeLevel;
        }
    }
    DrawBackgroundPass(t, &state_.background, backgroundImage_);
    state_.previousTime = t;

    BeginMainPass(t);

    SetFrustum(-0.5, 0.5, -0.375, 0.375, 1.0, 1000.0);
    if (image_ != nullptr) {
        image_->position[0] = 3.0f;
        image_->position[1] = 0.0f;
        image_->position[2] = -50.0f;
    }
    if (fade_ != nullptr) {
        fade_->speed = 0.25f;
        fade_->color[0] = 0.0f;
        fade_->color[1] = 0.0f;
        fade_->color[2] = 0.0f;
        fade_->strongPulse = 0;
    }
    effects.DrawOverAt(t, kFadeEffect, kImageEffect);

    DrawLetterboxBars();
}

}  // namespace sunvale
