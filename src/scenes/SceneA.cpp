// Scene A: the opening picture and the deformed head, chosen by the music
// position; one timeline entry from 0 to 2980 ticks.
#include "scenes/SceneA.h"

#include <GL/gl.h>

#include <new>

#include "app/DisplaySettings.h"
#include "app/MusicPosition.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CLatticeDeformEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CScanlineNoiseEffect.h"
#include "library/moxa/3d/Model.h"
#include "library/moxa/3d/ModelLoader.h"

namespace sunvale {

namespace {

void SetXyz(float* target, float x, float y, float z)
{
    target[0] = x;
    target[1] = y;
    target[2] = z;
}

// Index 3's dark pulse over the picture of both main passes.
void SetDarkPulse(CFadeEffect* fade)
{
    if (fade == nullptr) return;
    fade->speed = 0.25f;
    SetXyz(fade->color, 0.0f, 0.0f, 0.0f);
    fade->strongPulse = 0;
}

}  // namespace

SceneAState SceneA::state_;

SceneA::SceneA()
{
    struct TextureFile {
        float progress;
        const char* fileName;
        int wrapMode;
    };
    static constexpr TextureFile kFiles[kTextureCount] = {
        {0.10f, "data/texture/tessel.jpg", 1},    {0.11f, "data/texture/noize.jpg", 1},
        {0.12f, "data/texture/zentrope2.jpg", 0}, {0.13f, "data/texture/particle1.jpg", 1},
        {0.14f, "data/texture/budda1.png", 0},    {0.15f, "data/texture/budda2.png", 0},
        {0.16f, "data/texture/budda3.png", 0},    {0.17f, "data/texture/budda4.png", 0},
        {0.18f, "data/texture/env1.jpg", 1},      {0.19f, "data/texture/env2.jpg", 1},
        {0.20f, "data/texture/no.jpg", 1},        {0.21f, "data/texture/ashura1.jpg", 1},
        {0.22f, "data/texture/ashura2.jpg", 1},   {0.23f, "data/texture/ashura3.jpg", 1},
        {0.24f, "data/texture/ashura4.jpg", 1},
    };
    for (const TextureFile& file : kFiles) {
        g_displaySettings.ShowProgress(file.progress);
        LoadSceneTexture(file.fileName, file.wrapMode);
    }
    g_displaySettings.ShowProgress(0.25f);
    g_displaySettings.ShowProgress(0.26f);
    model_.reset(LoadModel("data.rar", "data/model/thead.3ds"));

    AddCommonEffects();
    blackLayer_ = new (std::nothrow) CFadeEffect();
    backgroundImage_ = new (std::nothrow) CImageQuadEffect();
    head_ = new (std::nothrow) CLatticeDeformEffect();
    effects.Add(blackLayer_);
    effects.Add(backgroundImage_);
    effects.Add(head_);

    effects.SetTexturesAt(textures[8], textures[9], kHeadEffect);
    // A model that failed to load is not handed on: the head is not drawn.
    if (model_ != nullptr) effects.SetModelAt(model_.get(), kHeadEffect);

    if (blackLayer_ != nullptr) {
        blackLayer_->speed = -0.0025f;
        SetXyz(blackLayer_->color, 0.0f, 0.0f, 0.0f);
    }
}

// The head effect only points at the model and never reads it when it is
// deleted, so the model may go before the effect list.
SceneA::~SceneA() = default;

SceneAState& SceneA::ClassState() { return state_; }

void SceneA::Render(float t, float)
{
    const float m = MusicPosition();
    DrawBackgroundPass(t, &state_.background, backgroundImage_);
    if (m < kHeadStart) {
        DrawOpeningPass(t, m);
    } else if (m < kMainPassEnd) {
        DrawHeadPass(t, m);
    }
    DrawLetterboxBars();
}

void SceneA::DrawOpeningPass(float t, float m)
{
    BeginMainPass(t);
    SetFrustum(-0.5, 0.5, -0.375, 0.375, 1.0, 1000.0);

    SceneAState& s = state_;
    if (m >= kZoomStart) {
        const float dt = t - s.previousOpeningTime;
        s.openingZoom += dt * s.openingZoomRate;
        s.openingFade -= dt * s.openingFadeRate;
    }
    if (image_ != nullptr) {
        SetXyz(image_->position, 3.0f, 0.0f, -50.0f);
        SetXyz(image_->scale, s.openingZoom, s.openingZoom, s.openingZoom);
        SetXyz(image_->color, s.openingFade, s.openingFade, s.openingFade);
    }
    effects.SetTextureAt(textures[2], kImageEffect);
    SetDarkPulse(fade_);
    effects.DrawOverAt(t, kFadeEffect, kImageEffect);

    // The black layer over itself: opaque at t = 0, clear from t = 400.
    if (m <= 7.0f) effects.DrawOverAt(t, kBlackLayerEffect, kBlackLayerEffect);

    s.previousOpeningTime = t;
}

void SceneA::DrawHeadPass(float t, float m)
{
    const float aspect = g_displaySettings.AspectRatio();
    const float halfWidth = 0.6f * aspect;
    SetFrustum(-halfWidth, halfWidth, -0.6f, 0.6f, 1.0, 4000.0);
    effects.DrawOverAt(t, kNoiseEffect, kFanEffect);
    glLoadIdentity();
    glDisable(GL_CULL_FACE);

    // Slide in to x = -5 until 50 s, then back out to x = -30, 0.9 a tick.
    SceneAState& s = state_;
    if (!s.headStarted) {
        s.headStarted = true;
        SetXyz(s.headPosition, -30.0f, 0.0f, -15.0f);
        s.previousSlideTime = t;
    }
    const float slideStep = t - s.previousSlideTime;
    if (m < 50.0f) {
        s.headPosition[0] += slideStep * 0.9f;
        if (s.headPosition[0] >= -5.0f) s.headPosition[0] = -5.0f;
    } else {
        s.headPosition[0] -= slideStep * 0.9f;
        if (s.headPosition[0] <= -30.0f) s.headPosition[0] = -30.0f;
    }
    if (head_ != nullptr)
        SetXyz(head_->position, s.headPosition[0], s.headPosition[1], s.headPosition[2]);
    effects.DrawAt(t, kHeadEffect);
    s.previousSlideTime = t;

    SetFrustum(-0.5, 0.5, -0.375, 0.375, 1.0, 1000.0);
    PlaceHeadPassImage(m, t - s.previousImageTime);
    SetDarkPulse(fade_);
    effects.DrawOverAt(t, kFadeEffect, kImageEffect);
    s.previousImageTime = t;
}

void SceneA::PlaceHeadPassImage(float m, float dt)
{
    SceneAState& s = state_;
    if (m < 47.0f) {
        s.imageIndex = 10;
        if (image_ != nullptr) {
            SetXyz(image_->position, s.firstImagePosition[0], s.firstImagePosition[1],
                   s.firstImagePosition[2]);
            SetXyz(image_->scale, 1.0f, 1.0f, 1.0f);
            SetXyz(image_->color, 1.0f, 1.0f, 1.0f);
        }
    } else {
        // Pictures 11 to 14, one per second from 47 s; 14 keeps the place
        // its predecessor left.
        const int slot = m < 48.0f ? 0 : m < 49.0f ? 1 : m < 50.0f ? 2 : 3;
        s.imageIndex = 11 + slot;
        s.imageZoom[slot] += dt * s.imageZoomRate[slot];
        s.imageFade[slot] -= dt * s.imageFadeRate[slot];
        if (image_ != nullptr) {
            if (slot < 3) {
                SetXyz(image_->position, s.imagePosition[slot][0], s.imagePosition[slot][1],
                       s.imagePosition[slot][2]);
            }
            const float zoom = s.imageZoom[slot];
            const float fade = s.imageFade[slot];
            SetXyz(image_->scale, zoom, zoom, zoom);
            SetXyz(image_->color, fade, fade, fade);
        }
    }
    effects.SetTextureAt(textures[s.imageIndex], kImageEffect);
}

}  // namespace sunvale
