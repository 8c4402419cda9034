// Not a test: one frame of each effect that has no benchmark of its own (the
// blob surface and the lattice deformation have theirs), drawn into a 16 x 12
// offscreen context so that filling pixels costs next to nothing and the
// figure is the processor's work: our code and the driver's handling of the
// calls. Each iteration ends with glFinish so that queued work does not pile
// up. Where an effect computes its geometry apart from drawing it, that part
// is measured alone as well. Textures are a 64 x 64 grey square; the time
// argument steps by one tick per frame, as at 60 frames per second it about
// does.
//   build/tests/effects/effect_frame_benchmark
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "app/OffscreenContext.h"
#include "app/Random.h"
#include "effects/CBoxFieldEffect.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CParticleCloudEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CPlaneStarEffect.h"
#include "effects/CScanlineNoiseEffect.h"
#include "effects/CTunnelEffect.h"

namespace sunvale {
namespace {

std::unique_ptr<OffscreenContext> g_context;
GLuint g_texture = 0;

// The context's state as a scene would start a frame with it: a perspective
// view, identity modelview, client arrays off, a cleared buffer.
bool StartFrames(benchmark::State& state)
{
    if (g_context == nullptr) {
        state.SkipWithError("no offscreen OpenGL context");
        return false;
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1.0, 1.0, -0.75, 0.75, 1.0, 4000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    srand(1);
    return true;
}

int32_t Texture() { return static_cast<int32_t>(g_texture); }

// Draw(t) of an effect once per iteration, t one tick further each time.
template <typename Draw>
void RunFrames(benchmark::State& state, Draw draw)
{
    float t = 100.0f;
    for (auto _ : state) {
        draw(t);
        glFinish();
        t += 1.0f;
    }
}

void BM_ImageQuad(benchmark::State& state)
{
    if (!StartFrames(state)) return;
    CImageQuadEffect effect;
    effect.SetTexture(Texture());
    effect.position[2] = -30.0f;
    RunFrames(state, [&](float t) { effect.Draw(t); });
}
BENCHMARK(BM_ImageQuad)->Unit(benchmark::kMicrosecond);

void BM_PlaneFan(benchmark::State& state)
{
    if (!StartFrames(state)) return;
    CPlaneFanEffect effect;
    effect.SetTexture(Texture());
    RunFrames(state, [&](float t) { effect.Draw(t); });
}
BENCHMARK(BM_PlaneFan)->Unit(benchmark::kMicrosecond);

void BM_PlaneStar(benchmark::State& state)
{
    if (!StartFrames(state)) return;
    CPlaneStarEffect effect;
    effect.SetTexture(Texture());
    RunFrames(state, [&](float t) {
        glLoadIdentity();
        glTranslatef(0.0f, 0.0f, -50.0f);
        effect.Draw(t);
    });
}
BENCHMARK(BM_PlaneStar)->Unit(benchmark::kMicrosecond);

void BM_Fade(benchmark::State& state)
{
    if (!StartFrames(state)) return;
    CFadeEffect effect;
    RunFrames(state, [&](float t) { effect.DrawOver(t, nullptr); });
}
BENCHMARK(BM_Fade)->Unit(benchmark::kMicrosecond);

void BM_ScanlineNoise(benchmark::State& state)
{
    if (!StartFrames(state)) return;
    CScanlineNoiseEffect effect;
    effect.SetTexture(Texture());
    RunFrames(state, [&](float t) { effect.DrawOver(t, nullptr); });
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}
BENCHMARK(BM_ScanlineNoise)->Unit(benchmark::kMicrosecond);

// The 128 strips' vertices, texture rows and indices alone.
void BM_ScanlineNoiseBuildStrips(benchmark::State& state)
{
    auto strips = std::make_unique<CScanlineNoiseEffect::Strips>();
    float amp = 0.0f;
    for (auto _ : state) {
        CScanlineNoiseEffect::BuildStrips(amp, strips.get());
        benchmark::DoNotOptimize(strips->positions);
        amp = amp < 0.5f ? amp + 0.001f : 0.0f;
    }
}
BENCHMARK(BM_ScanlineNoiseBuildStrips)->Unit(benchmark::kMicrosecond);

void BM_BoxField(benchmark::State& state)
{
    if (!StartFrames(state)) return;
    CBoxFieldEffect effect;
    RunFrames(state, [&](float t) { effect.Draw(t); });
    state.counters["boxes"] = CBoxFieldEffect::kBoxCount;
}
BENCHMARK(BM_BoxField)->Unit(benchmark::kMicrosecond);

// The thousand box centres of one frame alone.
void BM_BoxFieldCentres(benchmark::State& state)
{
    srand(1);
    CBoxFieldEffect effect;
    float t = 100.0f;
    for (auto _ : state) {
        const float swing = CBoxFieldEffect::Swing(t);
        float sum = 0.0f;
        for (int n = 0; n < CBoxFieldEffect::kBoxCount; ++n) sum += effect.BoxCentre(n, swing).y;
        benchmark::DoNotOptimize(sum);
        t += 1.0f;
    }
}
BENCHMARK(BM_BoxFieldCentres)->Unit(benchmark::kMicrosecond);

void BM_Tunnel(benchmark::State& state)
{
    if (!StartFrames(state)) return;
    CTunnelEffect effect;
    effect.SetTextures(Texture(), Texture());
    RunFrames(state, [&](float t) { effect.Draw(t); });
}
BENCHMARK(BM_Tunnel)->Unit(benchmark::kMicrosecond);

// Both layers' grid points (17 x 33 and 17 x 29) alone.
void BM_TunnelPoints(benchmark::State& state)
{
    float t = 100.0f;
    for (auto _ : state) {
        const float scaled = CTunnelEffect::ScaledTime(t);
        float point[3] = {0.0f, 0.0f, 0.0f};
        float sum = 0.0f;
        for (int a = 0; a < CTunnelEffect::kAngleSteps; ++a) {
            for (int d = 0; d < CTunnelEffect::kDepthSteps; ++d) {
                CTunnelEffect::TubePoint(scaled, CTunnelEffect::kOuterRadius, a, d, point);
                sum += point[0];
            }
            for (int d = 0; d < CTunnelEffect::kInnerDepthSteps; ++d) {
                CTunnelEffect::TubePoint(scaled, CTunnelEffect::kInnerRadius, a, d, point);
                sum += point[1];
            }
        }
        benchmark::DoNotOptimize(sum);
        t += 1.0f;
    }
}
BENCHMARK(BM_TunnelPoints)->Unit(benchmark::kMicrosecond);

void BM_ParticleCloud(benchmark::State& state)
{
    if (!StartFrames(state)) return;
    CParticleCloudEffect effect;
    effect.SetTexture(Texture());
    effect.Generate();
    int64_t particles = 0;
    for (const ParticleGroup& group : effect.groups) particles += group.count;
    RunFrames(state, [&](float t) { effect.Draw(t); });
    state.counters["particles"] = static_cast<double>(particles);
}
BENCHMARK(BM_ParticleCloud)->Unit(benchmark::kMicrosecond);

// Every particle's position of one frame alone.
void BM_ParticleCloudPositions(benchmark::State& state)
{
    srand(1);
    CParticleCloudEffect effect;
    effect.Generate();
    float t = 100.0f;
    for (auto _ : state) {
        float sum = 0.0f;
        for (const ParticleGroup& group : effect.groups)
            for (int i = 0; i < group.count; ++i)
                sum += CParticleCloudEffect::ParticlePosition(group, i, t * 0.01f).x;
        benchmark::DoNotOptimize(sum);
        t += 1.0f;
    }
}
BENCHMARK(BM_ParticleCloudPositions)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace sunvale

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    sunvale::g_context = std::make_unique<sunvale::OffscreenContext>();
    if (sunvale::g_context->Create(16, 12)) {
        const std::vector<unsigned char> grey(64 * 64 * 3, 128);
        glGenTextures(1, &sunvale::g_texture);
        glBindTexture(GL_TEXTURE_2D, sunvale::g_texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE, grey.data());
    } else {
        std::fprintf(stderr, "no offscreen OpenGL context: %s\n",
                     sunvale::g_context->Error().c_str());
        sunvale::g_context.reset();
    }
    benchmark::RunSpecifiedBenchmarks();
    sunvale::g_context.reset();
    return 0;
}
