// Scene E: the particle cloud, in two entries with different clocks.
#include "scenes/SceneE.h"

#include <GL/gl.h>

#include "app/DisplaySettings.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CParticleCloudEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CScanlineNoiseEffect.h"

namespace sunvale {

SceneE::AnimationState SceneE::state_;

SceneE::SceneE()
{
    g_displaySettings.ShowProgress(0.99f);
    LoadSceneTexture("data/texture/tessel.jpg", 1);
    LoadSceneTexture("data/texture/noize.jpg", 1);
    LoadSceneTexture("data/texture/no.jpg", 0);
    LoadSceneTexture("data/texture/particle2.jpg", 1);
    LoadSceneTexture("data/texture/budda5.png", 0);
    LoadSceneTexture("data/texture/budda6.png", 0);
    LoadSceneTexture("data/texture/budda7.png", 0);
    LoadSceneTexture("data/texture/budda8.png", 0);
    g_displaySettings.ShowProgress(1.0f);

    AddCommonEffects();
    auto* cloud = new CParticleCloudEffect();
    backgroundImage_ = new CImageQuadEffect();
    effects.Add(cloud);
    effects.Add(backgroundImage_);

    effects.SetTextureAt(textures[3], kCloudEffect);
    cloud->Generate();
    cloud->fadeOutStart = 1e10f;  // never fades out
}

SceneE::AnimationState& SceneE::ClassState() { return state_; }

float SceneE::CloudTime(float t, float startTime, AnimationState* state)
{
    if (startTime < kSecondEntryStart) return t;

    if (!state->lastTimeSet) {
        state->lastTime = t;
        state->lastTimeSet = true;
    }
    if (t - startTime <= kRaceTicks) {
        state->cloudTime = 10.0f * t;  // ten times the show time itself
    } else {
        state->cloudTime += t - state->lastTime;
    }
    state->lastTime = t;
    return state->cloudTime;
}

void SceneE::Render(float t, float startTime)
{
    DrawBackgroundPass(t, &state_.background, backgroundImage_);

    BeginMainPass(t);

    // The cloud, in a frustum of the screen's shape.
    // 0.3 in single precision, scaled by the aspect ratio in double.
    const double aspect = ScreenAspect();
    const double halfHeight = 0.3f;
    SetFrustum(-halfHeight * aspect, halfHeight * aspect, -halfHeight, halfHeight, 1.0, 1000.0);
    effects.DrawAt(CloudTime(t, startTime, &state_), kCloudEffect);

    SetFrustum(-0.5, 0.5, -0.375, 0.375, 1.0, 1000.0);
    image_->position[0] = 3.0f;
    image_->position[1] = 0.0f;
    image_->position[2] = -50.0f;
    fade_->speed = 0.25f;
    fade_->color[0] = 0.0f;
    fade_->color[1] = 0.0f;
    fade_->color[2] = 0.0f;
    fade_->strongPulse = 0;
    effects.DrawOverAt(t, kFadeEffect, kImageEffect);

    DrawLetterboxBars();
}

}  // namespace sunvale
