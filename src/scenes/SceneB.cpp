// Scene B: the tunnel and the message pictures. Every step that moves
// advances by the frame step d = t - previous time in ticks; previous time
// starts at 0, so the class's first frame takes a step of about 2980 ticks
// (the slide show's first picture is drawn hugely enlarged and dark, W1's
// picture jumps straight to its first quarter turn). W3 moves per frame, not
// per tick. The random draws come from the show's generator in the order of
// the steps below, after the noise strips' one draw of the frame.
#include "scenes/SceneB.h"

#include <GL/gl.h>

#include <algorithm>
#include <new>

#include "app/DisplaySettings.h"
#include "app/MusicPosition.h"
#include "app/Random.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CScanlineNoiseEffect.h"
#include "effects/CTunnelEffect.h"

namespace sunvale {

namespace {

struct TextureFile {
    const char* name;
    int wrapMode;  // 0 clamp, 1 repeat
    float bar;     // loading bar just before the load
};

constexpr TextureFile kTextureFiles[SceneB::kTextureCount] = {
    {"data/texture/tessel.jpg", 1, 0.27f},  {"data/texture/noize.jpg", 1, 0.28f},
    {"data/texture/no.jpg", 0, 0.29f},      {"data/texture/budda5.png", 0, 0.30f},
    {"data/texture/budda6.png", 0, 0.31f},  {"data/texture/budda7.png", 0, 0.32f},
    {"data/texture/budda8.png", 0, 0.33f},  {"data/texture/env3.jpg", 1, 0.34f},
    {"data/texture/env4.jpg", 1, 0.35f},    {"data/texture/ashura1.jpg", 1, 0.36f},
    {"data/texture/ashura2.jpg", 1, 0.37f}, {"data/texture/ashura3.jpg", 1, 0.38f},
    {"data/texture/ashura4.jpg", 1, 0.39f}, {"data/texture/ashura5.jpg", 1, 0.40f},
    {"data/texture/ashura6.jpg", 1, 0.41f}, {"data/texture/ashura7.jpg", 1, 0.42f},
    {"data/texture/ashura8.jpg", 1, 0.43f}, {"data/texture/math1.jpg", 1, 0.44f},
    {"data/texture/math2.jpg", 1, 0.45f},   {"data/texture/math3.jpg", 1, 0.46f},
    {"data/texture/math4.jpg", 1, 0.47f},   {"data/texture/math5.jpg", 1, 0.48f},
    {"data/texture/math6.jpg", 1, 0.49f},   {"data/texture/math7.jpg", 1, 0.50f},
    {"data/texture/math8.jpg", 1, 0.51f},   {"data/texture/msg1.jpg", 1, 0.52f},
    {"data/texture/msg2.jpg", 1, 0.53f},    {"data/texture/msg3.jpg", 1, 0.54f},
    {"data/texture/msg4.jpg", 1, 0.55f},    {"data/texture/msg5.jpg", 1, 0.56f},
    {"data/texture/msg6.jpg", 1, 0.57f},
};
constexpr float kBarAfterLoads = 0.58f;

constexpr int kOuterTunnelTexture = 7;  // env3
constexpr int kInnerTunnelTexture = 8;  // env4
constexpr int kFirstSlide = 9;          // ashura1..8, also the final picture
constexpr int kLastSlide = 16;
constexpr int kFirstMath = 17;  // math1..8, W1's cycle
constexpr int kLastMath = 24;
constexpr int kFirstMessage = 25;  // msg1..6
constexpr int kLastMessage = 30;
constexpr int kFlyingMessage = 28;  // msg4, W3 and W5

constexpr float kMessageColour[3] = {0.3f, 0.4f, 0.9f};

void SetVector(float out[3], float x, float y, float z)
{
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

// The W2/W4 bounce: moving right and at or past x = 200, or moving left and
// at or past x = -200.
bool ReachedEdge(float direction, float x)
{
    return (direction >= 0.0f && 200.0f * direction <= x) ||
           (direction < 0.0f && 200.0f * direction >= x);
}

// Picture index after index in first..last, wrapping to first.
int32_t NextInCycle(int32_t index, int32_t first, int32_t last)
{
    return index + 1 > last ? first : index + 1;
}

}  // namespace

const SceneBState SceneB::kInitialState = {
    {0, 3, 3, 6},                                                    // background
    0.0f,                                                            // previous time
    17,                                                              // message index
    {false, 0.0f, 0.0f, 90.0f},                                      // W1
    {false, {-50.0f, -40.0f, -200.0f}, 1.0f},                        // W2
    {false, {-50.0f, 0.0f, 0.0f}, 0.0f, {0.3f, 0.4f, 0.9f, 0.7f}},   // W3
    {false, {-50.0f, -60.0f, -200.0f}, 1.0f},                        // W4
    {false, {-50.0f, 0.0f, 0.0f}, 60.0f, {0.3f, 0.4f, 0.9f, 0.7f}},  // W5
    {false, 0.0f, {0.0f, -1.0f, -200.0f}, 1.0f},                     // W6
    {false, 9, 0.0f, {0.0f, -1.0f, -200.0f}, 1.0f, 1.0f},            // slide show
    {{0.0f, 0.0f, 0.0f}, 1.0f, 0.1f, 0.0f, 0.005f},                  // final picture
};

SceneBState SceneB::state_ = SceneB::kInitialState;

SceneBState& SceneB::ClassState() { return state_; }

SceneB::Window SceneB::WindowAt(float m)
{
    if (m <= 57.0f || (78.0f <= m && m <= 85.0f)) return Window::W1;
    if (m <= 64.0f || (85.0f <= m && m <= 92.0f)) return Window::W2;
    if (m <= 72.0f) return Window::W3;
    if (m <= 74.0f) return Window::W4;
    if (m <= 78.0f) return Window::W5;
    return Window::W6;
}

SceneB::SecondImage SceneB::SecondImageAt(float m)
{
    if (m <= 75.0f) return SecondImage::SlideShow;
    if (99.0f <= m && m <= 105.0f) return SecondImage::FinalPicture;
    return SecondImage::PlainPicture;
}

bool SceneB::SkipsPasses(bool streamHeld, float m) { return streamHeld && m > 105.0f; }

SceneB::SceneB()
{
    for (const TextureFile& file : kTextureFiles) {
        g_displaySettings.ShowProgress(file.bar);
        LoadSceneTexture(file.name, file.wrapMode);
    }
    g_displaySettings.ShowProgress(kBarAfterLoads);

    AddCommonEffects();
    message_ = new (std::nothrow) CImageQuadEffect();
    backgroundImage_ = new (std::nothrow) CImageQuadEffect();
    effects.Add(message_);
    effects.Add(backgroundImage_);
    effects.Add(new (std::nothrow) CTunnelEffect());

    effects.SetTexturesAt(textures[kOuterTunnelTexture], textures[kInnerTunnelTexture],
                          kTunnelEffect);
}

void SceneB::Render(float t, float)
{
    const float m = MusicPosition();
    if (!SkipsPasses(MusicStreamHeld(), m)) {
        DrawBackground(t);
        DrawMainPass(t);
    }
    DrawLetterboxBars();
}

// The common background pass with the tunnel drawn first, at five times the
// show time, in the narrow frustum.
void SceneB::DrawBackground(float t)
{
    BackgroundFlicker& background = state_.background;
    if (AdvanceFlicker(t, &background.flickerCount)) {
        background.imageIndex =
            NextImageIndex(background.imageIndex, background.firstImage, background.lastImage);
    }
    SetFrustum(-0.5, 0.5, -0.375, 0.375, 1.0, 1000.0);
    effects.DrawAt(5.0f * t, kTunnelEffect);
    glLoadIdentity();

    if (backgroundImage_ != nullptr) SetVector(backgroundImage_->position, 3.0f, 0.0f, -15.0f);
    effects.SetTextureAt(TextureAt(background.imageIndex), kBackgroundEffect);
    effects.DrawAt(t, kBackgroundEffect);
}

void SceneB::DrawMainPass(float t)
{
    // Opening: wide frustum, the music position read again, fan and noise.
    const float halfWidth = 0.93333333f;
    const float halfHeight = 0.7f;
    SetFrustum(-halfWidth, halfWidth, -halfHeight, halfHeight, 1.0, 1000.0);
    const float m = MusicPosition();
    effects.DrawOverAt(t, kNoiseEffect, kFanEffect);

    SetFrustum(-0.5, 0.5, -0.375, 0.375, 1.0, 1000.0);
    const float d = t - state_.previousTime;

    if (message_ != nullptr) {
        SetVector(message_->scale, 5.0f, 5.0f, 5.0f);
        SetVector(message_->axis, 0.0f, 0.0f, 1.0f);
        message_->angle = 0.0f;
        SetVector(message_->color, kMessageColour[0], kMessageColour[1], kMessageColour[2]);
        switch (WindowAt(m)) {
        case Window::W1:
            UpdateW1(m, d);
            break;
        case Window::W2:
            UpdateW2(m, d);
            break;
        case Window::W3:
            UpdateW3(m, d);
            break;
        case Window::W4:
            UpdateW4(m, d);
            break;
        case Window::W5:
            UpdateW5(m, d);
            break;
        case Window::W6:
            UpdateW6(m, d);
            break;
        }
    }
    effects.SetTextureAt(TextureAt(state_.messageIndex), kMessageEffect);
    effects.DrawAt(t, kMessageEffect);

    if (image_ != nullptr) {
        switch (SecondImageAt(m)) {
        case SecondImage::SlideShow:
            UpdateSlideShow(m, d);
            break;
        case SecondImage::FinalPicture:
            UpdateFinalPicture(m, d);
            break;
        case SecondImage::PlainPicture:
            ShowPlainPicture();
            break;
        }
    }

    if (fade_ != nullptr) {
        fade_->speed = 0.25f;
        SetVector(fade_->color, 0.0f, 0.0f, 0.0f);
        fade_->strongPulse = 0;
    }
    effects.DrawOverAt(t, kFadeEffect, kImageEffect);

    state_.previousTime = t;
}

void SceneB::UpdateW1(float m, float d)
{
    SceneBState::TurningWindow& w = state_.w1;
    state_.messageIndex = NextInCycle(state_.messageIndex, kFirstMath, kLastMath);
    if (!w.started) {
        w.started = true;
        w.lastSwitch = m;
    }
    if (m - w.lastSwitch >= 0.4f) {
        w.lastSwitch = m;
        w.angle = w.targetAngle;
        w.targetAngle += 90.0f;
    }
    w.angle = std::min(w.angle + 15.0f * d, w.targetAngle);  // 15 degrees per tick
    SetVector(message_->position, 50.0f, -50.0f, -200.0f);
    message_->angle = w.angle;
}

void SceneB::UpdateW2(float m, float d)
{
    SceneBState::BouncingWindow& w = state_.w2;
    if (!w.started) {
        w.started = true;
        SetVector(w.position, -50.0f, -40.0f, -200.0f);
    }
    if (ReachedEdge(w.direction, w.position[0])) {
        const int r1 = rand();
        w.direction = -w.direction;
        state_.messageIndex = r1 % 5 + kFirstMessage;
        const int r2 = rand();
        w.position[1] = static_cast<float>(r2 % 100 - 50);
    }
    // Stalls in the middle of the way, except in the last second of each of
    // the window's two spans.
    float step = w.direction * 15.0f;
    if (10.0f <= w.position[0] && w.position[0] < 30.0f) step = w.direction * 0.1f;
    if ((63.0f <= m && m <= 64.0f) || (91.0f <= m && m <= 92.0f)) step = w.direction * 15.0f;
    w.position[0] += step * d;
    SetVector(message_->position, w.position[0], w.position[1], w.position[2]);
}

void SceneB::UpdateW3(float m, float d)
{
    SceneBState::FadingWindow& w = state_.w3;
    state_.messageIndex = kFlyingMessage;
    if (!w.started) {
        w.started = true;
        SetVector(w.position, -50.0f, 0.0f, 0.0f);
    }
    // Per frame, not per tick: the flight depends on the frame rate.
    w.position[2] -= w.position[2] > -400.0f ? 15.0f : 1.0f;
    if (m >= 69.0f) {
        for (float& c : w.colour) c = std::clamp(c - 0.01f * d, 0.0f, 1.0f);
    }
    SetVector(message_->position, w.position[0], w.position[1], w.position[2]);
    message_->angle = 60.0f;
    SetVector(message_->scale, 15.0f, 15.0f, 15.0f);
    SetVector(message_->axis, 0.0f, 1.0f, 0.0f);
    SetVector(message_->color, w.colour[0], w.colour[1], w.colour[2]);
}

void SceneB::UpdateW4(float, float d)
{
    SceneBState::BouncingWindow& w = state_.w4;
    if (!w.started) {
        w.started = true;
        SetVector(w.position, -50.0f, -60.0f, -200.0f);
    }
    if (ReachedEdge(w.direction, w.position[0])) {
        const int r1 = rand();
        w.direction = -w.direction;
        state_.messageIndex = r1 % 5 + kFirstMessage;
        const int r2 = rand();
        w.position[1] = static_cast<float>(r2 % 120 - 60);
    }
    w.position[0] += w.direction * 15.0f * d;
    SetVector(message_->position, w.position[0], w.position[1], w.position[2]);
}

void SceneB::UpdateW5(float m, float d)
{
    SceneBState::FadingWindow& w = state_.w5;
    state_.messageIndex = kFlyingMessage;
    if (!w.started) {
        w.started = true;
        SetVector(w.position, -50.0f, 0.0f, 0.0f);
        w.angle = 60.0f;
    }
    w.position[2] -= 5.0f * d;
    if (m >= 76.0f) {
        const float fade[4] = {0.005f, 0.007f, 0.04f, 0.01f};  // per tick
        for (int i = 0; i < 4; ++i) {
            w.colour[i] = std::clamp(w.colour[i] - fade[i] * d, 0.0f, 1.0f);
        }
    }
    w.angle -= 1.0f * d;
    SetVector(message_->position, w.position[0], w.position[1], w.position[2]);
    SetVector(message_->scale, 25.0f, 25.0f, 25.0f);
    message_->angle = w.angle;
    SetVector(message_->axis, 0.0f, 0.0f, 1.0f);
    SetVector(message_->color, w.colour[0], w.colour[1], w.colour[2]);
}

void SceneB::UpdateW6(float m, float d)
{
    SceneBState::PopUpWindow& w = state_.w6;
    if (!w.started) {
        w.started = true;
        w.lastSwitch = m;
        SetVector(w.position, 0.0f, -1.0f, -200.0f);
    }
    if (m - w.lastSwitch >= 0.2f) {
        w.lastSwitch = m;
        state_.messageIndex = NextInCycle(state_.messageIndex, kFirstMessage, kLastMessage);
        const int r1 = rand() % 120;
        const int r2 = rand() % 60;
        w.position[1] = static_cast<float>((r2 - r1) - 1);
        const int r3 = rand() % 120;
        const int r4 = rand() % 60;
        w.position[0] = static_cast<float>(r4 - r3);
        w.position[2] = -200.0f;
        w.scale = 1.0f;
    }
    w.scale += 1.0f * d;
    SetVector(message_->position, w.position[0], w.position[1], w.position[2]);
    SetVector(message_->scale, w.scale, w.scale, w.scale);
}

void SceneB::UpdateSlideShow(float m, float d)
{
    SceneBState::SlideShow& s = state_.slideShow;
    if (!s.started) {
        s.started = true;
        s.lastSwitch = m;
        SetVector(s.position, 0.0f, -1.0f, -200.0f);
    }
    if (m - s.lastSwitch >= 0.2f) {
        s.lastSwitch = m;
        s.pictureIndex = NextInCycle(s.pictureIndex, kFirstSlide, kLastSlide);
        s.scale = 1.0f;
        s.brightness = 1.0f;
    }
    s.scale += 1.0f * d;
    s.brightness -= 0.05f * d;
    SetVector(image_->position, s.position[0], s.position[1], s.position[2]);
    SetVector(image_->scale, s.scale, s.scale, s.scale);
    SetVector(image_->color, s.brightness, s.brightness, s.brightness);
    effects.SetTextureAt(TextureAt(s.pictureIndex), kImageEffect);
}

void SceneB::UpdateFinalPicture(float m, float d)
{
    SceneBState::FinalPicture& f = state_.finalPicture;
    f.scale += f.scaleRate * d;
    f.brightness += f.brightnessRate * d;
    if (m < 104.7f) {
        const int r1 = rand() % 10;
        const int r2 = rand() % 5;
        const int r3 = rand() % 10;
        const int r4 = rand() % 5;
        SetVector(f.position, static_cast<float>(r4 - r3), -1.0f,
                  static_cast<float>((r2 - r1) - 200));
        if (f.scale >= 7.5f) f.scale = 7.5f;
    } else {
        // From the next frame on the picture grows fast and darkens.
        f.position[0] = 0.0f;
        f.scaleRate = 1.0f;
        f.brightnessRate = -0.1f;
    }
    SetVector(image_->position, f.position[0], f.position[1], f.position[2]);
    SetVector(image_->scale, f.scale, f.scale, f.scale);
    SetVector(image_->color, f.brightness, f.brightness, f.brightness);
    effects.SetTextureAt(TextureAt(kFirstSlide), kImageEffect);
}

void SceneB::ShowPlainPicture()
{
    SetVector(image_->position, 0.0f, -1.0f, -200.0f);
    SetVector(image_->scale, 1.0f, 1.0f, 1.0f);
    SetVector(image_->color, 1.0f, 1.0f, 1.0f);
    effects.SetTextureAt(TextureAt(2), kImageEffect);
}

}  // namespace sunvale
