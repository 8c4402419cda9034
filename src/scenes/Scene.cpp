// The scene base: texture loading and release, and the frame steps that all
// scenes share (background flicker pass, main-pass opening, letterbox bars).
#include "scenes/Scene.h"

#include <GL/gl.h>

#include <cmath>
#include <new>

#include "app/DisplaySettings.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CScanlineNoiseEffect.h"
#include "library/moxa/imagelib/CTexManager.h"

namespace sunvale {

Scene::Scene()
{
    for (int32_t& texture : textures) {
        texture = -1;
    }
}

Scene::~Scene()
{
    for (int32_t i = 0; i < textureCount; ++i) {
        g_texManager.ReleaseTexture(textures[i]);
    }
    effects.DestroyAll();
}

bool Scene::AdvanceFlicker(float t, int32_t* flickerCount)
{
    const float phase = 0.7f * t;
    const double s = static_cast<double>(0.4f) * std::sin(static_cast<double>(phase)) +
                     static_cast<double>(0.2f);
    if (s < static_cast<double>(0.01f)) {
        *flickerCount = 0;
        return false;
    }
    const bool trigger = *flickerCount == 0;
    ++*flickerCount;
    return trigger;
}

int32_t Scene::NextImageIndex(int32_t index, int32_t first, int32_t last)
{
    const int32_t next = index + 1;
    return next > last ? first : next;
}

int32_t Scene::TextureAt(int index) const
{
    if (index < 0 || index >= kMaxTextures) {
        return -1;
    }
    return textures[index];
}

void Scene::AddCommonEffects()
{
    effects.Add(new (std::nothrow) CPlaneFanEffect());
    effects.Add(new (std::nothrow) CScanlineNoiseEffect());
    image_ = new (std::nothrow) CImageQuadEffect();
    effects.Add(image_);
    fade_ = new (std::nothrow) CFadeEffect();
    effects.Add(fade_);
    effects.SetTextureAt(textures[0], kFanEffect);
    effects.SetTextureAt(textures[1], kNoiseEffect);
    effects.SetTextureAt(textures[2], kImageEffect);
}

void Scene::LoadSceneTexture(const char* fileName, int wrapMode)
{
    // More files than slots would be a programming error of the class; the
    // extra file is not loaded.
    if (textureCount >= kMaxTextures) {
        return;
    }
    textures[textureCount] = g_texManager.LoadTexture("data.rar", fileName, 0, wrapMode);
    ++textureCount;
}

double Scene::ScreenAspect()
{
    const DisplayMode& mode = g_displaySettings.mode;
    if (mode.pelsHeight == 0) return 1.0;
    return static_cast<double>(mode.pelsWidth) / static_cast<double>(mode.pelsHeight);
}

void Scene::SetFrustum(double left, double right, double bottom, double top, double zNear,
                       double zFar)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(left, right, bottom, top, zNear, zFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Scene::DrawBackgroundPass(float t, BackgroundFlicker* flicker, CImageQuadEffect* placeAt)
{
    SetFrustum(-0.5, 0.5, -0.375, 0.375, 1.0, 1000.0);

    if (AdvanceFlicker(t, &flicker->flickerCount)) {
        flicker->imageIndex =
            NextImageIndex(flicker->imageIndex, flicker->firstImage, flicker->lastImage);
    }

    if (placeAt != nullptr) {
        placeAt->position[0] = 3.0f;
        placeAt->position[1] = 0.0f;
        placeAt->position[2] = -15.0f;
    }
    effects.SetTextureAt(TextureAt(flicker->imageIndex), kBackgroundEffect);
    effects.DrawAt(t, kBackgroundEffect);
}

void Scene::BeginMainPass(float t)
{
    // +-14/15 and +-0.7 as single-precision values, widened.
    const float halfWidth = 0.93333333f;
    const float halfHeight = 0.7f;
    SetFrustum(-halfWidth, halfWidth, -halfHeight, halfHeight, 1.0, 1000.0);
    effects.DrawOverAt(t, kNoiseEffect, kFanEffect);
}

void Scene::DrawLetterboxBars()
{
    glDisable(GL_CULL_FACE);
    g_displaySettings.DrawLetterbox(2.0f, 800, 600);
    glEnable(GL_CULL_FACE);
}

}  // namespace sunvale
