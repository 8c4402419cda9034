// What the scene tests share: the offscreen context a suite draws into (each
// test starts with the mode record at 800 x 600 x 32, the aspect ratio the
// scenes read, and a music position of 0 s that the test moves), the checks
// of a freshly built scene and of the letterbox bars, and probes that stand
// in a scene's effect list for some of its effects.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "app/DisplaySettings.h"
#include "app/MusicPosition.h"
#include "app/Random.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CParticleCloudEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CScanlineNoiseEffect.h"
#include "effects/OffscreenTest.h"
#include "scenes/Scene.h"

namespace sunvale {

// The music position the scenes read while a test stands in for the stream.
inline float g_testMusic = 0;
inline float TestMusic() { return g_testMusic; }

// Ticks where the background flicker is up (sin(0.7 t) = 1) or down (-1).
inline float FlickerUp(int k)
{
    return static_cast<float>((1.5707963267948966 + 6.283185307179586 * k) / 0.7);
}
inline float FlickerDown(int k)
{
    return FlickerUp(k) + static_cast<float>(3.141592653589793 / 0.7);
}

// One frame of a background cycle: after it the class's image index is image.
struct BackgroundFrame {
    Scene* scene;
    float start, t;
    int32_t image;
};

template <int Width = 160, int Height = 120>
class SceneTestContext : public OffscreenTest<Width, Height> {
protected:
    using Base = OffscreenTest<Width, Height>;
    using Base::context_;

    static void TearDownTestSuite()
    {
        SetMusicPositionSource(nullptr);
        Base::TearDownTestSuite();
    }
    void SetUp() override
    {
        Base::SetUp();
        SetMode(800, 600);
        PlayMusicAt(0);
    }
    void TearDown() override { SetMusicPositionSource(nullptr); }

    static void PlayMusicAt(float seconds)
    {
        g_testMusic = seconds;
        SetMusicPositionSource(&TestMusic);
    }
    static void SetMode(uint32_t width, uint32_t height)
    {
        g_displaySettings.mode.pelsWidth = width;
        g_displaySettings.mode.pelsHeight = height;
        g_displaySettings.mode.bitsPerPel = 32;
    }

    // All count textures loaded, the effect list holding effects of exactly
    // the types Effects in order, and the fan, the noise strips and the image
    // quad given textures 0, 1 and 2.
    template <class... Effects>
    static void ExpectBuilt(const Scene& scene, int count)
    {
        EXPECT_EQ(scene.TextureCount(), count);
        for (int i = 0; i < count; ++i)
            EXPECT_GT(scene.TextureAt(i), 0) << "texture " << i << "; no data.rar in the folder?";
        const EffectList& list = scene.Effects();
        std::vector<std::string> kinds;
        for (int i = 0; i < list.count; ++i)
            kinds.push_back(list.effects[i] ? typeid(*list.effects[i]).name() : "none");
        ASSERT_EQ(kinds, (std::vector<std::string>{typeid(Effects).name()...}));
        EXPECT_EQ(static_cast<const CPlaneFanEffect*>(list.effects[0])->texture,
                  scene.TextureAt(0));
        EXPECT_EQ(static_cast<const CScanlineNoiseEffect*>(list.effects[1])->texture,
                  scene.TextureAt(1));
        EXPECT_EQ(static_cast<const CImageQuadEffect*>(list.effects[2])->texture,
                  scene.TextureAt(2));
    }

    // The cloud's groups all hold texture; the scene built after srand(seed)
    // took only the cloud's numbers: a count and three per particle per group.
    static void ExpectOnlyCloudDrew(const CParticleCloudEffect& cloud, int32_t texture,
                                    uint32_t seed)
    {
        int particles = 0;
        for (const ParticleGroup& group : cloud.groups) {
            EXPECT_EQ(group.texture, texture);
            particles += group.count;
        }
        EXPECT_EQ(rand(), ShadowGenerator{seed}.Skip(16 + 3 * particles).Next());
    }

    // Renders the frames in order; after each, *imageIndex is the frame's
    // image and the background quad (effect 5) shows it at (3, 0, -15).
    static void ExpectBackgroundCycle(const std::vector<BackgroundFrame>& frames,
                                      const int32_t* imageIndex)
    {
        for (const BackgroundFrame& f : frames) {
            f.scene->Render(f.t, f.start);
            const auto* quad = static_cast<const CImageQuadEffect*>(
                f.scene->Effects().effects[Scene::kBackgroundEffect]);
            EXPECT_EQ(*imageIndex, f.image) << "t " << f.t;
            EXPECT_EQ(quad->texture, f.scene->TextureAt(f.image)) << "t " << f.t;
            EXPECT_EQ(
                (std::array<float, 3>{quad->position[0], quad->position[1], quad->position[2]}),
                (std::array<float, 3>{3, 0, -15}));
        }
    }

    // Fails on any pixel of the letterbox bars (the top and bottom sixth)
    // that is not black; returns how many pixels between them, in every
    // third column, counts (lit ones unless told otherwise).
    static int CountBetweenBars(const std::function<bool(uint32_t)>& counts = [](uint32_t rgb) {
        return rgb != 0;
    })
    {
        const int width = context_->Width(), height = context_->Height(), bar = height / 6;
        int counted = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; x += 3) {
                const uint32_t rgb = context_->PixelAt(x, y) >> 8;
                if (y >= bar && y < height - bar) {
                    counted += counts(rgb);
                } else if (rgb != 0) {
                    ADD_FAILURE() << "bar pixel " << x << ", " << y << " is " << std::hex << rgb;
                    return -1;
                }
            }
        }
        return counted;
    }
};

// One call that reached a probe: Draw ('D') or DrawOver ('O') of the effect
// at index, its time and source, and the matrices in force.
struct ProbeCall {
    int index;
    char kind;
    float time;
    Effect* source;
    Mat4 modelview, projection;
};

// Scene S with probes in place of the effects at the given indices: each
// records its calls, then hands them on to the real effect when passOn is
// set. Textures and models always reach the real effect, which is deleted
// with the scene.
template <class S>
class Probed : public S {
public:
    explicit Probed(const std::vector<int>& indices, bool passOn = true)
    {
        for (int i : indices) {
            probes_.push_back(std::make_unique<Probe>(this->effects.effects[i], i, passOn, &calls));
            this->effects.effects[i] = probes_.back().get();
        }
    }
    ~Probed() override
    {
        for (const auto& probe : probes_) this->effects.effects[probe->index] = probe->real;
    }
    // The real effect at index.
    template <class E = Effect>
    E* Real(int index) const
    {
        for (const auto& probe : probes_)
            if (probe->index == index) return static_cast<E*>(probe->real);
        return static_cast<E*>(this->effects.effects[index]);
    }
    // The calls so far as "D5 O1 ...".
    std::string Order() const
    {
        std::string out;
        for (const ProbeCall& c : calls)
            out += (out.empty() ? "" : " ") + std::string(1, c.kind) + std::to_string(c.index);
        return out;
    }
    // The last call to the effect at index (a failure and an empty call when none).
    ProbeCall Last(int index) const
    {
        for (auto c = calls.rbegin(); c != calls.rend(); ++c)
            if (c->index == index) return *c;
        ADD_FAILURE() << "no call to effect " << index;
        return {};
    }
    std::vector<ProbeCall> calls;

private:
    struct Probe : Effect {
        Probe(Effect* effect, int at, bool on, std::vector<ProbeCall>* log)
            : real(effect), index(at), passOn(on), calls(log)
        {}
        void Draw(float t) override
        {
            Note('D', t, nullptr);
            if (passOn) real->Draw(t);
        }
        void DrawOver(float t, Effect* source) override
        {
            Note('O', t, source);
            if (passOn) real->DrawOver(t, source);
        }
        void SetTextures(int32_t a, int32_t b) override { real->SetTextures(a, b); }
        void SetTexture(int32_t texture) override { real->SetTexture(texture); }
        void SetModel(Model* model) override { real->SetModel(model); }
        void Note(char kind, float t, Effect* source)
        {
            calls->push_back({index, kind, t, source, GetFloats(GL_MODELVIEW_MATRIX),
                              GetFloats(GL_PROJECTION_MATRIX)});
        }
        Effect* real;
        int index;
        bool passOn;
        std::vector<ProbeCall>* calls;
    };
    std::vector<std::unique_ptr<Probe>> probes_;
};

}  // namespace sunvale
