// Not a test: the processor cost of one frame's lattice deformation, on the
// generated head (read from data.rar in the working directory, so run it
// from the build folder) and on a 50,000-vertex ellipsoid, each against the
// plain loops of LatticeReference.h.
//   build/tests/effects/lattice_deform_benchmark   (from build/)
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "LatticeReference.h"
#include "effects/CLatticeDeformEffect.h"
#include "library/moxa/3d/Model.h"
#include "library/moxa/3d/ModelLoader.h"

namespace sunvale {
namespace {

// The head's local vertex positions in file order, empty without data.rar.
const std::vector<float>& HeadVertices()
{
    static const std::vector<float> xyz = [] {
        std::vector<float> out;
        std::unique_ptr<Model> head(LoadModel("data.rar", "data/model/thead.3ds"));
        if (head && head->objectCount > 0) {
            const ModelObject& object = head->objects[0];
            for (uint32_t v = 0; v < object.vertexCount; ++v)
                for (float c : object.vertices[v].local) out.push_back(c);
        }
        return out;
    }();
    return xyz;
}

// 250 rings of 200 vertices on an ellipsoid, ring after ring.
const std::vector<float>& EllipsoidVertices()
{
    static const std::vector<float> xyz = [] {
        std::vector<float> out;
        for (int ring = 0; ring < 250; ++ring) {
            const double polar = 3.14159265358979 * (ring + 0.5) / 250;
            for (int segment = 0; segment < 200; ++segment) {
                const double around = 6.28318530717959 * segment / 200;
                out.push_back(static_cast<float>(3 * std::sin(polar) * std::cos(around)));
                out.push_back(static_cast<float>(4 * std::cos(polar)));
                out.push_back(static_cast<float>(2.5 * std::sin(polar) * std::sin(around)));
            }
        }
        return out;
    }();
    return xyz;
}

template <bool kPlain>
void RunDeform(benchmark::State& state, const std::vector<float>& xyz)
{
    if (xyz.empty()) {
        state.SkipWithError("no data.rar with the head in the working directory");
        return;
    }
    CLatticeDeformEffect effect;
    effect.AnimateControlPoints(1000.0f);
    Lattice lattice;
    lattice.source = xyz.data();
    lattice.sourceStride = 12;
    lattice.sourceCount = static_cast<int32_t>(xyz.size() / 3);
    lattice.controlPoints = effect.ControlPoints();
    lattice.controlStride = 12;
    lattice.nx = lattice.ny = lattice.nz = 5;
    std::vector<float> out(xyz.size());
    for (auto _ : state) {
        if (kPlain) {
            PlainDeform(lattice, out.data(), 12);
        } else {
            lattice.Deform(out.data(), 12);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * lattice.sourceCount);
    state.counters["vertices"] = static_cast<double>(lattice.sourceCount);
}

void DeformHead(benchmark::State& state) { RunDeform<false>(state, HeadVertices()); }
void DeformHeadPlain(benchmark::State& state) { RunDeform<true>(state, HeadVertices()); }
void Deform50k(benchmark::State& state) { RunDeform<false>(state, EllipsoidVertices()); }
void Deform50kPlain(benchmark::State& state) { RunDeform<true>(state, EllipsoidVertices()); }

BENCHMARK(DeformHead)->Unit(benchmark::kMicrosecond);
BENCHMARK(DeformHeadPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(Deform50k)->Unit(benchmark::kMicrosecond);
BENCHMARK(Deform50kPlain)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace sunvale

BENCHMARK_MAIN();
