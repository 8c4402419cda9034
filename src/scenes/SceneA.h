// Scene A, the opening of the show (0 to 2980 ticks). Its main pass follows
// the music position, not the tick clock: until 23.0 s the title picture
// over the plane fan, zooming and darkening from 22.5 s, with a black layer
// that clears during the first 400 ticks; from 23.0 s the deformed head
// slides in from the left and a row of pictures flashes over it, the last
// four (47 to 50 s) each zooming out and darkening during its second; from
// 50.5 s no main pass. The flickering background and the letterbox bars
// frame every frame.
#pragma once

#include <cstdint>
#include <memory>

#include "scenes/Scene.h"

namespace sunvale {

class CFadeEffect;
class CImageQuadEffect;
class CLatticeDeformEffect;
struct Model;

// Scene A's per-class animation state: shared by every object of the class
// and kept from frame to frame. Times in ticks, rates per tick.
struct SceneAState {
    BackgroundFlicker background = {0, 4, 4, 7};
    // Opening picture (texture 2): grows and darkens from 22.5 s.
    float openingZoom = 1.0f;
    float openingFade = 1.0f;
    float openingZoomRate = 1.0f;
    float openingFadeRate = 0.05f;
    float previousOpeningTime = 0.0f;
    // The head: placed at (-30, 0, -15) and its slide clock started on the
    // first head pass.
    bool headStarted = false;
    float headPosition[3] = {-30.0f, 0.0f, -15.0f};
    float previousSlideTime = 0.0f;
    // The picture over the head: texture 10 before 47 s, then 11 to 14, one
    // per second; slot 0 of the arrays is picture 11.
    int32_t imageIndex = 10;
    float imageZoom[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float imageFade[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float imageZoomRate[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float imageFadeRate[4] = {0.05f, 0.05f, 0.05f, 0.05f};
    float firstImagePosition[3] = {12.0f, -1.0f, -50.0f};  // picture 10
    float imagePosition[3][3] = {                          // pictures 11, 12, 13
        {0.0f, -1.0f, -50.0f},
        {0.0f, -1.0f, -50.0f},
        {0.0f, -1.0f, -50.0f}};
    float previousImageTime = 0.0f;
};

class SceneA : public Scene {
public:
    static constexpr int kTextureCount = 15;
    static constexpr int kBlackLayerEffect = 4;
    static constexpr int kHeadEffect = 6;

    // Music positions (seconds) where the passes change.
    static constexpr float kZoomStart = 22.5f;
    static constexpr float kHeadStart = 23.0f;
    static constexpr float kMainPassEnd = 50.5f;

    // Loads the fifteen textures (loading bar from 0.10 to 0.26) and the head
    // model, and creates the seven effects; needs the OpenGL context current.
    // Without the model the scene plays without the head.
    SceneA();
    ~SceneA() override;

    void Render(float time, float startTime) override;

    [[nodiscard]] const Model* HeadModel() const { return model_.get(); }

    // The class's shared state, for tests that inspect or reset it.
    static SceneAState& ClassState();

private:
    void DrawOpeningPass(float t, float m);
    void DrawHeadPass(float t, float m);
    // Index 2's picture, place, zoom and tint for the head pass at m.
    void PlaceHeadPassImage(float m, float dt);

    static SceneAState state_;

    std::unique_ptr<Model> model_;                 // the head; null when it failed to load
    CFadeEffect* blackLayer_ = nullptr;            // effect 4
    CImageQuadEffect* backgroundImage_ = nullptr;  // effect 5
    CLatticeDeformEffect* head_ = nullptr;         // effect 6
};

}  // namespace sunvale
