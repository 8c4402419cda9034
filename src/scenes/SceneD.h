// Scene D, the blob landscape: a lit, fogged marching-tetrahedra surface of
// moving blobs behind the flickering background picture, and in front two
// pictures swapped every 0.2 s of music (a blue-tinted message and a
// fading "ashura" image), each growing while it is shown. It plays in four
// timeline entries, one object each; all animation state is class-wide and
// carries over from one entry to the next.
#pragma once

#include <cstdint>

#include "scenes/Scene.h"

namespace sunvale {

class CBlobSurfaceEffect;
class CFadeEffect;
class CImageQuadEffect;

class SceneD : public Scene {
public:
    static constexpr int kTextureCount = 23;
    static constexpr int kBlobEffect = 4;
    static constexpr int kMessageEffect = 6;
    static constexpr int kFirstAshura = 8, kLastAshura = 15;     // texture indices
    static constexpr int kFirstMessage = 16, kLastMessage = 22;  // texture indices

    // The class's animation state, shared by every SceneD object and never
    // reset by the show. The times marked "seeded" take their value on the
    // class's first frame (music positions in seconds, prevTime the entry's
    // start in ticks).
    struct State {
        int32_t phase = 0;       // blob view phase, one step per 8 s of music
        float phaseTime = 0.0f;  // seeded: music position at the last phase change
        bool backgroundSeeded = false;
        BackgroundFlicker background = {0, 4, 4, 7};
        int32_t msgIndex = kFirstMessage;
        float msgTime = 0.0f;  // seeded: music position of the last message swap
        float msgPos[3] = {0.0f, -1.0f, -200.0f};
        float msgScale = 1.0f;
        float msgGrowth = 1.0f;  // scale gained per tick
        int32_t ashIndex = kFirstAshura;
        float ashTime = 0.0f;  // seeded: music position of the last swap
        float ashPos[3] = {0.0f, -1.0f, -200.0f};
        float ashScale = 1.0f;
        float ashGrowth = 1.0f;  // scale gained per tick
        float ashColor[3] = {0.8f, 0.8f, 0.8f};
        float ashFade = 0.05f;  // colour lost per tick
        float prevTime = 0.0f;  // seeded: time of the previous frame, ticks
        bool mainSeeded = false;
    };

    // Loads the 23 textures (loading bar 0.75 to 0.97 before each, 0.98
    // after) and creates the seven effects; needs the OpenGL context current.
    SceneD();

    void Render(float time, float startTime) override;

    // The blob view's up vector for a phase at time t; false for phase 3
    // and later, which keep the vector as it is.
    static bool UpVectorFor(int32_t phase, float t, float up[3]);

    // The class's shared state, for tests that inspect or reset it.
    static State& ClassState();

private:
    void DrawBackground(float t);
    void DrawMain(float t, float startTime);

    static State state_;

    CBlobSurfaceEffect* blobs_ = nullptr;          // effect 4
    CImageQuadEffect* backgroundImage_ = nullptr;  // effect 5
    CImageQuadEffect* message_ = nullptr;          // effect 6
};

}  // namespace sunvale
