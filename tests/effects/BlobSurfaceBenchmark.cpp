// Cost of the blob landscape's per-frame work: one slab (field advance and
// marching tetrahedra over 38 x 38 cells x 6 tetrahedra) on the processor
// alone, one slab compiled into its display list, and the constructor's 50.
//
//   build/tests/effects/blob_surface_benchmark
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "app/OffscreenContext.h"
#include "app/Random.h"
#include "effects/BlobField.h"
#include "effects/CBlobSurfaceEffect.h"

namespace {

using sunvale::BlobField;
using sunvale::CBlobSurfaceEffect;

std::unique_ptr<sunvale::OffscreenContext> g_context;

bool HaveContext(benchmark::State& state)
{
    if (g_context != nullptr) return true;
    state.SkipWithError("no offscreen OpenGL context");
    return false;
}

// One slab without OpenGL: advance the field, then polygonise it.
void BM_SlabOnProcessor(benchmark::State& state)
{
    auto field = std::make_unique<BlobField>();
    sunvale::srand(81);
    field->DrawBlobParameters();
    for (int i = 0; i < 50; ++i) field->Advance();
    std::vector<BlobField::Vertex> slab;
    size_t vertices = 0;
    for (auto _ : state) {
        field->Advance();
        slab.clear();
        field->PolygoniseSlab(&slab);
        vertices += slab.size();
        benchmark::DoNotOptimize(slab.data());
    }
    state.counters["triangles/slab"] =
        static_cast<double>(vertices) / 3 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SlabOnProcessor)->Unit(benchmark::kMicrosecond);

// One slab as Draw builds it: the processor's part plus the display list.
void BM_SlabBuild(benchmark::State& state)
{
    if (!HaveContext(state)) return;
    CBlobSurfaceEffect effect;
    for (auto _ : state) {
        effect.Build();
    }
    glFinish();
}
BENCHMARK(BM_SlabBuild)->Unit(benchmark::kMicrosecond);

// The constructor: 50 list names, the blob parameters and 50 slabs.
void BM_Constructor(benchmark::State& state)
{
    if (!HaveContext(state)) return;
    for (auto _ : state) {
        CBlobSurfaceEffect effect;
        benchmark::DoNotOptimize(effect.Lists().data());
    }
    glFinish();
}
BENCHMARK(BM_Constructor)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    g_context = std::make_unique<sunvale::OffscreenContext>();
    if (!g_context->Create(64, 64)) {
        std::fprintf(stderr, "no offscreen OpenGL context: %s\n", g_context->Error().c_str());
        g_context.reset();
    }
    benchmark::RunSpecifiedBenchmarks();
    g_context.reset();
    return 0;
}
