// Base of every scene of the show. The timeline owns the scene objects,
// calls Render on each active one every frame, and deletes them at the end.
//
// The base holds what every scene shares: the effect list (indices 0 to 3
// are the plane fan, the noise strips, an image quad and the fade; index 5
// is the background image quad), the texture handles loaded in the
// constructor, and the steps of the frame layout common to all scenes:
// background pass with a flickering image, the main pass's opening call, and
// the letterbox bars.
#pragma once

#include <cstdint>

#include "effects/EffectList.h"

namespace sunvale {

class CFadeEffect;
class CImageQuadEffect;

// The background pass's per-class state: which image the background quad
// shows and how many consecutive frames the flicker has been up. One
// instance per scene class, shared by all its objects, kept across entries.
struct BackgroundFlicker {
    int32_t flickerCount;  // consecutive frames with s >= 0.01
    int32_t imageIndex;    // texture index shown by effect 5
    int32_t firstImage;    // first value of the image cycle
    int32_t lastImage;     // last value of the image cycle
};

class Scene {
public:
    static constexpr int kMaxTextures = 31;  // the largest scene class's count

    // Effect indices that every scene shares.
    static constexpr int kFanEffect = 0;
    static constexpr int kNoiseEffect = 1;
    static constexpr int kImageEffect = 2;
    static constexpr int kFadeEffect = 3;
    static constexpr int kBackgroundEffect = 5;

    Scene();
    // Releases the scene's textures in load order through the texture
    // manager, then deletes the effects (DestroyAll).
    virtual ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Draws one frame. time: the show time in ticks; startTime: the start of
    // the timeline entry that calls it (time > startTime always).
    virtual void Render(float time, float startTime) = 0;

    // Flicker trigger of the background pass, one call per frame:
    // s = 0.4 * sin(0.7 t) + 0.2 (0.7 applied in single precision, 0.4 and
    // 0.2 as single-precision values used in double). Returns true when s has
    // just risen to 0.01 or above (the first frame of a run of such frames);
    // counts the run in *flickerCount, which drops to 0 when s < 0.01.
    static bool AdvanceFlicker(float t, int32_t* flickerCount);

    // Index after index in the cycle first..last, wrapping to first.
    [[nodiscard]] static int32_t NextImageIndex(int32_t index, int32_t first, int32_t last);

    // Read access for tests and tools.
    [[nodiscard]] const EffectList& Effects() const { return effects; }
    [[nodiscard]] int32_t TextureAt(int index) const;
    [[nodiscard]] int32_t TextureCount() const { return textureCount; }

protected:
    // Creates the effects every scene's list opens with, in list order: the
    // plane fan (0), the noise strips (1), an image quad (2) and the fade (3),
    // and gives 0 to 2 the scene's textures 0 to 2. image_ and fade_ then
    // point at effects 2 and 3 (null when there was no memory for them).
    void AddCommonEffects();

    // Loads fileName from "data.rar" without mipmaps (wrapMode 0 clamp,
    // 1 repeat) into the next texture slot; -1 stays when it failed.
    void LoadSceneTexture(const char* fileName, int wrapMode);

    // Background pass: narrow frustum, identity modelview, flicker trigger,
    // image advance on a trigger, then effect 5 drawn with the current image.
    // placeAt: when not null, effect 5's image quad, placed at (3, 0, -15).
    void DrawBackgroundPass(float t, BackgroundFlicker* flicker, CImageQuadEffect* placeAt);

    // Opening of the main pass: wide frustum, identity modelview, then the
    // plane fan with the noise strips over it.
    void BeginMainPass(float t);

    // Closing of every frame: the letterbox bars of an 800 x 600 space, with
    // face culling off while they draw and on again afterwards.
    static void DrawLetterboxBars();

    // The chosen mode's width / height in double precision (1 without a mode).
    static double ScreenAspect();

    // Loads the projection glFrustum(left..far) and an identity modelview;
    // leaves the modelview matrix current.
    static void SetFrustum(double left, double right, double bottom, double top, double zNear,
                           double zFar);

    EffectList effects;                  // owned; destroyed with the scene
    int32_t textures[kMaxTextures];      // handles in load order, -1 when failed
    int32_t textureCount = 0;            // handles loaded so far
    CImageQuadEffect* image_ = nullptr;  // effect 2, the main pass's closing picture
    CFadeEffect* fade_ = nullptr;        // effect 3, the overlay over it
};

}  // namespace sunvale
