// Scene B, the tunnel and the message pictures: a textured tunnel rushes
// past behind the flickering background image; over the common plane fan
// and noise strips one message picture changes its behaviour in windows of
// music time (flickering and turning, bouncing sideways, flying away,
// receding, popping up at random places), and a second picture under a dark
// pulsing overlay shows a zooming slide show, a plain picture, and a
// jittering, growing picture at the end.
#pragma once

#include <cstdint>

#include "scenes/Scene.h"

namespace sunvale {

class CFadeEffect;
class CImageQuadEffect;

// Scene B's animation state: one instance for the class, never reset. The
// initial values are those of SceneB::kInitialState. Fields marked "at
// first use" are set when their step first runs (the `started` flags).
struct SceneBState {
    // W1: pictures 17..24 flickering and turning in quarter turns.
    struct TurningWindow {
        bool started;
        float lastSwitch;   // music seconds; m at first use
        float angle;        // degrees
        float targetAngle;  // degrees
    };
    // W2, W4: a message sliding sideways and bouncing at x = +-200.
    struct BouncingWindow {
        bool started;
        float position[3];  // set at first use
        float direction;    // +1 right, -1 left
    };
    // W3, W5: message 28 flying away or receding while it fades.
    struct FadingWindow {
        bool started;
        float position[3];  // set at first use
        float angle;        // degrees; W5 only, set at first use
        float colour[4];    // red, green, blue, alpha; 0..1
    };
    // W6: messages popping up at random places and growing.
    struct PopUpWindow {
        bool started;
        float lastSwitch;   // music seconds; m at first use
        float position[3];  // set at first use
        float scale;
    };
    // Effect 2 up to 75 s: pictures 9..16 zooming and darkening.
    struct SlideShow {
        bool started;
        int32_t pictureIndex;  // texture index, 9..16
        float lastSwitch;      // music seconds; m at first use
        float position[3];     // set at first use
        float scale;
        float brightness;  // not clamped; goes below 0
    };
    // Effect 2 from 99 s: texture 9 jittering and growing, then darkening.
    struct FinalPicture {
        float position[3];
        float scale;
        float scaleRate;       // per tick
        float brightness;      // not clamped
        float brightnessRate;  // per tick
    };

    BackgroundFlicker background;  // image index cycles 3..6
    float previousTime;            // ticks, t of the last main pass
    int32_t messageIndex;          // texture of effect 4
    TurningWindow w1;
    BouncingWindow w2;
    FadingWindow w3;
    BouncingWindow w4;
    FadingWindow w5;
    PopUpWindow w6;
    SlideShow slideShow;
    FinalPicture finalPicture;
};

class SceneB : public Scene {
public:
    static constexpr int kTextureCount = 31;
    static constexpr int kMessageEffect = 4;
    static constexpr int kTunnelEffect = 6;

    // Which behaviour the message picture has at music position m (seconds).
    enum class Window { W1, W2, W3, W4, W5, W6 };
    // What effect 2 shows at music position m.
    enum class SecondImage { SlideShow, FinalPicture, PlainPicture };

    static const SceneBState kInitialState;

    // The windows, tested in order with inclusive bounds: W1 for m <= 57 or
    // 78..85, W2 for m <= 64 or 85..92, W3 to 72, W4 to 74, W5 to 78, W6
    // above (up to 105 and beyond).
    [[nodiscard]] static Window WindowAt(float m);
    // Slide show for m <= 75, final picture for 99..105, else plain.
    [[nodiscard]] static SecondImage SecondImageAt(float m);
    // Both passes are skipped above 105.0 s, only while a stream plays
    // (without one m stays 0).
    [[nodiscard]] static bool SkipsPasses(bool streamHeld, float m);

    // Loads the 31 textures (loading bar 0.27 to 0.58) and creates the
    // seven effects; needs the OpenGL context current.
    SceneB();

    // startTime is not used.
    void Render(float time, float startTime) override;

    // The class's shared state, for tests that inspect or reset it.
    static SceneBState& ClassState();

private:
    void DrawBackground(float t);
    void DrawMainPass(float t);

    // Window steps: advance the window's state by frame step d (ticks) at
    // music position m and place the message picture.
    void UpdateW1(float m, float d);
    void UpdateW2(float m, float d);
    void UpdateW3(float m, float d);
    void UpdateW4(float m, float d);
    void UpdateW5(float m, float d);
    void UpdateW6(float m, float d);

    // Second-image steps: place effect 2 and give it its texture.
    void UpdateSlideShow(float m, float d);
    void UpdateFinalPicture(float m, float d);
    void ShowPlainPicture();

    static SceneBState state_;

    CImageQuadEffect* message_ = nullptr;          // effect 4
    CImageQuadEffect* backgroundImage_ = nullptr;  // effect 5
};

}  // namespace sunvale
