// Scene F: the plane star flash. Four entries of 101.25 ticks; each object
// fades its own star once, per rendered frame.
#include "scenes/SceneF.h"

#include <GL/gl.h>

#include <algorithm>

#include "app/DisplaySettings.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CPlaneStarEffect.h"
#include "effects/CScanlineNoiseEffect.h"

namespace sunvale {

BackgroundFlicker SceneF::background_ = {0, 4, 4, 7};

SceneF::SceneF()
{
    g_displaySettings.ShowProgress(0.99f);
    LoadSceneTexture("data/texture/tessel.jpg", 1);
    LoadSceneTexture("data/texture/noize.jpg", 1);
    LoadSceneTexture("data/texture/no.jpg", 0);
    LoadSceneTexture("data/texture/ffd.png", 1);
    LoadSceneTexture("data/texture/budda1.png", 0);
    LoadSceneTexture("data/texture/budda2.png", 0);
    LoadSceneTexture("data/texture/budda3.png", 0);
    LoadSceneTexture("data/texture/budda4.png", 0);
    g_displaySettings.ShowProgress(1.0f);

    AddCommonEffects();
    star_ = new CPlaneStarEffect();
    backgroundImage_ = new CImageQuadEffect();
    effects.Add(star_);
    effects.Add(backgroundImage_);

    effects.SetTextureAt(textures[3], kStarEffect);
}

std::optional<float> SceneF::StarDistance(float startTime)
{
    if (startTime < 10361.25f) {
        return -300.0f;
    }
    if (startTime < 10766.25f) {
        return -250.0f;
    }
    if (startTime < 11981.25f) {
        return -300.0f;
    }
    if (startTime < 12386.25f) {
        return -250.0f;
    }
    return std::nullopt;
}

BackgroundFlicker& SceneF::ClassBackground() { return background_; }

void SceneF::Render(float t, float startTime)
{
    DrawBackgroundPass(t, &background_, backgroundImage_);

    BeginMainPass(t);

    // The star's own frustum follows the screen's aspect ratio.
    const float aspect = g_displaySettings.AspectRatio();
    const float extent = 1.6f;
    SetFrustum(-extent * aspect, extent * aspect, -extent, extent, 1.0, 4000.0);
    if (const std::optional<float> z = StarDistance(startTime)) {
        glTranslatef(0.0f, -10.0f, *z);
    }
    glRotatef(t * 0.3f, 0.0f, 1.0f, 0.0f);

    // One step per rendered frame, not per tick.
    starAlpha_ = std::clamp(starAlpha_ - 0.005f, 0.0f, 1.0f);
    star_->color[0] = 0.4f;
    star_->color[1] = 0.4f;
    star_->color[2] = 0.4f;
    star_->color[3] = starAlpha_;
    effects.DrawAt(t - startTime, kStarEffect);

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
