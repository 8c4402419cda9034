// Scene D: the blob landscape with message flashes. The pictures swap on
// the music position, so without music they never swap and keep growing.
#include "scenes/SceneD.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <new>

#include "app/DisplaySettings.h"
#include "app/MusicPosition.h"
#include "app/Random.h"
#include "effects/CBlobSurfaceEffect.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CScanlineNoiseEffect.h"

namespace sunvale {

namespace {

constexpr float kPhaseSeconds = 8.0f;  // music time per blob view phase
constexpr float kSwapSeconds = 0.2f;   // music time per picture swap

}  // namespace

SceneD::State SceneD::state_;

SceneD::SceneD()
{
    g_displaySettings.ShowProgress(0.75f);
    LoadSceneTexture("data/texture/tessel.jpg", 1);
    g_displaySettings.ShowProgress(0.76f);
    LoadSceneTexture("data/texture/noize.jpg", 1);
    g_displaySettings.ShowProgress(0.77f);
    LoadSceneTexture("data/texture/no.jpg", 0);
    g_displaySettings.ShowProgress(0.78f);
    LoadSceneTexture("data/texture/env1.jpg", 1);
    g_displaySettings.ShowProgress(0.79f);
    LoadSceneTexture("data/texture/budda5.png", 0);
    g_displaySettings.ShowProgress(0.80f);
    LoadSceneTexture("data/texture/budda6.png", 0);
    g_displaySettings.ShowProgress(0.81f);
    LoadSceneTexture("data/texture/budda7.png", 0);
    g_displaySettings.ShowProgress(0.82f);
    LoadSceneTexture("data/texture/budda8.png", 0);
    g_displaySettings.ShowProgress(0.83f);
    LoadSceneTexture("data/texture/ashura1.jpg", 1);
    g_displaySettings.ShowProgress(0.84f);
    LoadSceneTexture("data/texture/ashura2.jpg", 1);
    g_displaySettings.ShowProgress(0.85f);
    LoadSceneTexture("data/texture/ashura3.jpg", 1);
    g_displaySettings.ShowProgress(0.86f);
    LoadSceneTexture("data/texture/ashura4.jpg", 1);
    g_displaySettings.ShowProgress(0.87f);
    LoadSceneTexture("data/texture/ashura5.jpg", 1);
    g_displaySettings.ShowProgress(0.88f);
    LoadSceneTexture("data/texture/ashura6.jpg", 1);
    g_displaySettings.ShowProgress(0.89f);
    LoadSceneTexture("data/texture/ashura7.jpg", 1);
    g_displaySettings.ShowProgress(0.90f);
    LoadSceneTexture("data/texture/ashura8.jpg", 1);
    g_displaySettings.ShowProgress(0.91f);
    LoadSceneTexture("data/texture/msg1.jpg", 1);
    g_displaySettings.ShowProgress(0.92f);
    LoadSceneTexture("data/texture/msg2.jpg", 1);
    g_displaySettings.ShowProgress(0.93f);
    LoadSceneTexture("data/texture/msg3.jpg", 1);
    g_displaySettings.ShowProgress(0.94f);
    LoadSceneTexture("data/texture/msg4.jpg", 1);
    g_displaySettings.ShowProgress(0.95f);
    LoadSceneTexture("data/texture/msg5.jpg", 1);
    g_displaySettings.ShowProgress(0.96f);
    LoadSceneTexture("data/texture/msg6.jpg", 1);
    g_displaySettings.ShowProgress(0.97f);
    LoadSceneTexture("data/texture/msg7.jpg", 1);
    g_displaySettings.ShowProgress(0.98f);

    AddCommonEffects();
    blobs_ = new (std::nothrow) CBlobSurfaceEffect();
    backgroundImage_ = new (std::nothrow) CImageQuadEffect();
    message_ = new (std::nothrow) CImageQuadEffect();
    effects.Add(blobs_);
    effects.Add(backgroundImage_);
    effects.Add(message_);

    effects.SetTextureAt(textures[3], kBlobEffect);
}

bool SceneD::UpVectorFor(int32_t phase, float t, float up[3])
{
    const float u = 0.03f * t;
    switch (phase) {
    case 0:
        up[0] = std::sin(u);
        up[1] = -std::cos(u);
        up[2] = 0.0f;
        return true;
    case 1:
        up[0] = 0.0f;
        up[1] = 1.0f;
        up[2] = -1.0f;
        return true;
    case 2:
        up[0] = std::sin(u);
        up[1] = std::cos(u);
        up[2] = 1.0f;
        return true;
    default:
        return false;
    }
}

SceneD::State& SceneD::ClassState() { return state_; }

void SceneD::Render(float t, float startTime)
{
    DrawBackground(t);
    DrawMain(t, startTime);
    DrawLetterboxBars();
}

void SceneD::DrawBackground(float t)
{
    const float m = MusicPosition();
    if (!state_.backgroundSeeded) {
        state_.phaseTime = m;
        state_.backgroundSeeded = true;
    }

    const double aspect = ScreenAspect();
    SetFrustum(-aspect, aspect, -1.0, 1.0, 1.0, 2000.0);

    // At most one phase step per frame, however long the gap.
    if (m - state_.phaseTime >= kPhaseSeconds) {
        ++state_.phase;
        state_.phaseTime = m;
    }
    if (blobs_ != nullptr) UpVectorFor(state_.phase, t, blobs_->up);
    effects.DrawAt(t, kBlobEffect);

    DrawBackgroundPass(t, &state_.background, backgroundImage_);
}

void SceneD::DrawMain(float t, float startTime)
{
    const float m = MusicPosition();
    if (!state_.mainSeeded) {
        state_.msgTime = m;
        state_.ashTime = m;
        state_.prevTime = startTime;
        state_.mainSeeded = true;
    }

    BeginMainPass(t);
    SetFrustum(-0.5, 0.5, -0.375, 0.375, 1.0, 1000.0);

    // Message picture: the next of the seven, at a random place, regrown.
    if (m - state_.msgTime >= kSwapSeconds) {
        state_.msgTime = m;
        state_.msgIndex = NextImageIndex(state_.msgIndex, kFirstMessage, kLastMessage);
        const int r1 = rand();
        const int r2 = rand();
        const int r3 = rand();
        const int r4 = rand();
        state_.msgPos[0] = static_cast<float>((r4 % 60) - (r3 % 120));
        state_.msgPos[1] = static_cast<float>((r2 % 60) - (r1 % 120) - 1);
        state_.msgPos[2] = -200.0f;
        state_.msgScale = 1.0f;
    }

    // The whole gap since the class's last frame counts, so the first
    // frame of a later entry draws both pictures hugely scaled.
    const float d = t - state_.prevTime;
    state_.msgScale += d * state_.msgGrowth;

    if (message_ != nullptr) {
        std::copy(state_.msgPos, state_.msgPos + 3, message_->position);
        std::fill(message_->scale, message_->scale + 3, state_.msgScale);
        message_->axis[0] = 0.0f;
        message_->axis[1] = 0.0f;
        message_->axis[2] = 1.0f;
        message_->angle = 0.0f;
        message_->color[0] = 0.3f;
        message_->color[1] = 0.4f;
        message_->color[2] = 0.9f;
    }
    effects.SetTextureAt(TextureAt(state_.msgIndex), kMessageEffect);
    effects.DrawAt(t, kMessageEffect);
    glLoadIdentity();

    // "ashura" picture: the next of the eight, bright again, regrown.
    if (m - state_.ashTime >= kSwapSeconds) {
        state_.ashTime = m;
        state_.ashIndex = NextImageIndex(state_.ashIndex, kFirstAshura, kLastAshura);
        std::fill(state_.ashColor, state_.ashColor + 3, 0.8f);
        state_.ashScale = 1.0f;
    }
    state_.ashScale += d * state_.ashGrowth;
    for (float& channel : state_.ashColor) {
        channel = std::clamp(channel - d * state_.ashFade, 0.0f, 1.0f);
    }

    if (image_ != nullptr) {
        std::copy(state_.ashPos, state_.ashPos + 3, image_->position);
        std::fill(image_->scale, image_->scale + 3, state_.ashScale);
        std::copy(state_.ashColor, state_.ashColor + 3, image_->color);
    }
    effects.SetTextureAt(TextureAt(state_.ashIndex), kImageEffect);

    if (fade_ != nullptr) {
        fade_->speed = 0.25f;
        fade_->color[0] = 0.0f;
        fade_->color[1] = 0.0f;
        fade_->color[2] = 0.0f;
        fade_->strongPulse = 0;
    }
    effects.DrawOverAt(t, kFadeEffect, kImageEffect);

    state_.prevTime = t;
}

}  // namespace sunvale
