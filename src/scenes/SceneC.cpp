// Scene C: the particle cloud with the opening and closing plane star and
// the four flash pictures, timed by the music position.
#include "scenes/SceneC.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "app/DisplaySettings.h"
#include "app/MusicPosition.h"
#include "app/Random.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CParticleCloudEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CPlaneStarEffect.h"
#include "effects/CScanlineNoiseEffect.h"

namespace sunvale {

namespace {

// Music positions, seconds.
constexpr float kStarOpens = 133.0f;
constexpr float kStarCloses = 145.9f;

constexpr float kScaleRate = 1.0f;   // picture scale gained per tick
constexpr float kLevelRate = 0.05f;  // picture brightness lost per tick
constexpr float kFlashPosition[3] = {0.0f, -1.0f, -50.0f};

// The star's frustum: bounds at the near plane (1), stretched by the aspect
// ratio across, out to 4000.
void SetStarFrustum(float aspect, float lower, float upper)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(aspect * lower, aspect * upper, lower, upper, 1.0, 4000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

}  // namespace

SceneC::AnimationState SceneC::state_;

SceneC::SceneC()
{
    struct TextureFile {
        const char* name;
        int wrapMode;
        float progress;  // loading bar before the load
    };
    static constexpr TextureFile kFiles[kTextureCount] = {
        {"data/texture/tessel.jpg", 1, 0.59f},    {"data/texture/noize.jpg", 1, 0.60f},
        {"data/texture/no.jpg", 0, 0.61f},        {"data/texture/particle1.jpg", 1, 0.62f},
        {"data/texture/budda1.png", 0, 0.63f},    {"data/texture/budda2.png", 0, 0.64f},
        {"data/texture/budda3.png", 0, 0.65f},    {"data/texture/budda4.png", 0, 0.66f},
        {"data/texture/particle2.jpg", 1, 0.67f}, {"data/texture/ffd.png", 1, 0.69f},
        {"data/texture/ashura1.jpg", 1, 0.70f},   {"data/texture/ashura2.jpg", 1, 0.71f},
        {"data/texture/ashura3.jpg", 1, 0.72f},   {"data/texture/ashura4.jpg", 1, 0.73f},
    };
    for (const TextureFile& file : kFiles) {
        g_displaySettings.ShowProgress(file.progress);
        LoadSceneTexture(file.name, file.wrapMode);
    }
    g_displaySettings.ShowProgress(0.74f);

    AddCommonEffects();
    cloud_ = new CParticleCloudEffect();
    backgroundImage_ = new CImageQuadEffect();
    star_ = new CPlaneStarEffect();
    effects.Add(cloud_);
    effects.Add(backgroundImage_);
    effects.Add(star_);

    effects.SetTextureAt(textures[8], kCloudEffect);
    effects.SetTextureAt(textures[9], kStarEffect);
    cloud_->Generate();
    cloud_->fadeOutStart = 15.9f;
}

SceneC::AnimationState& SceneC::ClassState() { return state_; }

int32_t SceneC::PictureFor(float m, int* pairSlot)
{
    int slot = -1;
    int32_t picture = -1;
    if (m >= 22.5f && m < 143.0f) {
        slot = 0, picture = 2;
    } else if (m < 143.9f) {
        slot = 1, picture = 10;
    } else if (m < 144.9f) {
        slot = 2, picture = 11;
    } else if (m < 145.9f) {
        slot = 3, picture = 12;
    } else if (m < 146.9f) {
        slot = 4, picture = 13;
    }
    if (pairSlot != nullptr) *pairSlot = slot;
    return picture;
}

void SceneC::Render(float t, float startTime)
{
    const float dt = t - state_.previousTime;

    DrawBackgroundPass(t, &state_.background, backgroundImage_);

    // The music position is read before the fan and strips draw.
    const float m = MusicPosition();
    BeginMainPass(t);

    // The cloud in the scene's local time, in a frustum of the screen's shape.
    const float aspect = g_displaySettings.AspectRatio();
    const float halfHeight = 0.3f;
    SetFrustum(-halfHeight * aspect, halfHeight * aspect, -halfHeight, halfHeight, 1.0, 1000.0);
    effects.DrawAt(t - startTime, kCloudEffect);

    DrawStar(t, startTime, m, dt);

    SetFrustum(-0.5, 0.5, -0.375, 0.375, 1.0, 1000.0);
    image_->position[0] = 3.0f;
    image_->position[1] = 0.0f;
    image_->position[2] = -50.0f;
    UpdatePicture(m, dt);

    effects.SetTextureAt(TextureAt(state_.pictureIndex), kImageEffect);
    fade_->speed = 0.25f;
    fade_->color[0] = 0.0f;
    fade_->color[1] = 0.0f;
    fade_->color[2] = 0.0f;
    fade_->strongPulse = 0;
    effects.DrawOverAt(t, kFadeEffect, kImageEffect);

    state_.previousTime = t;

    DrawLetterboxBars();
}

// The star: none before 133 s; from there its frustum widens from +-0.6 to
// +-3.6 (the star opens out), and from 145.9 s it narrows from +-3.6 to
// +-0.6 while it fades, both by 0.3 per tick. On the pulse's high half it
// spins fast (and, closing, jumps up and down by a random 0 to 9 units).
void SceneC::DrawStar(float t, float startTime, float m, float dt)
{
    if (m < kStarOpens) return;

    const float aspect = g_displaySettings.AspectRatio();
    const float d = dt * 0.3f;
    const float pulse = 0.8f * std::sin(0.25f * t) + 0.2f;
    float angle = pulse > 0.0f ? 5.0f * t : 0.3f * t;

    if (m < kStarCloses) {
        state_.openingLower = std::max(state_.openingLower - d, -3.6f);
        state_.openingUpper = std::min(state_.openingUpper + d, 3.6f);
        SetStarFrustum(aspect, state_.openingLower, state_.openingUpper);
        glTranslatef(0.0f, -10.0f, -200.0f);
        glRotatef(angle, 0.0f, 1.0f, 0.0f);
        star_->color[3] = 0.2f * std::sin(0.03f * t) + 0.3f;
    } else {
        state_.closingLower = std::min(state_.closingLower + d, -0.6f);
        state_.closingUpper = std::max(state_.closingUpper - d, 0.6f);
        SetStarFrustum(aspect, state_.closingLower, state_.closingUpper);
        if (pulse > 0.0f) {
            const float y = static_cast<float>(rand() % 10 - 10);  // a new jolt every frame
            glTranslatef(0.0f, y, -200.0f);
        } else {
            glTranslatef(0.0f, -10.0f, -200.0f);
        }
        glRotatef(angle, 0.0f, 1.0f, 0.0f);
        if (!state_.closingAlphaSet) {
            state_.closingAlpha = 0.2f * std::sin(0.003f * t) + 0.3f;
            state_.closingAlphaSet = true;
        }
        state_.closingAlpha = std::clamp(state_.closingAlpha - 0.025f, 0.0f, 1.0f);
        star_->color[3] = state_.closingAlpha;
    }
    star_->color[0] = 0.3f;
    star_->color[1] = 0.3f;
    star_->color[2] = 0.3f;
    effects.DrawAt(t - startTime, kStarEffect);
}

// Chooses effect 2's picture by m and advances that picture's own pair by
// the frame step, without clamping: a flash starts at full size and
// brightness when its second begins and is black 20 ticks later.
void SceneC::UpdatePicture(float m, float dt)
{
    int slot = -1;
    const int32_t picture = PictureFor(m, &slot);
    if (picture < 0) return;  // from 146.9 s: the last state stays

    state_.pictureIndex = picture;
    PicturePair& pair = state_.pairs[slot];
    pair.scale += dt * kScaleRate;
    pair.level -= dt * kLevelRate;
    image_->scale[0] = pair.scale;
    image_->scale[1] = pair.scale;
    image_->scale[2] = pair.scale;
    image_->color[0] = pair.level;
    image_->color[1] = pair.level;
    image_->color[2] = pair.level;
    if (picture != 2) {
        image_->position[0] = kFlashPosition[0];
        image_->position[1] = kFlashPosition[1];
        image_->position[2] = kFlashPosition[2];
    }
}

}  // namespace sunvale
