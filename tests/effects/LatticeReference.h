// The lattice deformation written the plain way, straight from its
// definition: per vertex, 16 runs of 4 control points along x (every index
// clamped where it is used), 4 along y, 1 along z. Tests and the benchmark
// hold the optimised Lattice::Deform against it.
#pragma once

#include <algorithm>
#include <cstdint>

#include "effects/CLatticeDeformEffect.h"

namespace sunvale {

inline void PlainDeform(Lattice& lattice, float* destination, int32_t stride)
{
    lattice.ComputeBounds();
    const float* lo = lattice.boundsMin;
    const float* hi = lattice.boundsMax;
    const float cx = (hi[0] - lo[0]) / static_cast<float>(lattice.nx - 1);
    const float cy = (hi[1] - lo[1]) / static_cast<float>(lattice.ny - 1);
    const float cz = (hi[2] - lo[2]) / static_cast<float>(lattice.nz - 1);
    const auto point = [&](int x, int y, int z) {
        x = std::clamp(x, 0, lattice.nx - 1);
        y = std::clamp(y, 0, lattice.ny - 1);
        z = std::clamp(z, 0, lattice.nz - 1);
        const auto* base = reinterpret_cast<const unsigned char*>(lattice.controlPoints);
        return reinterpret_cast<const float*>(base + ((z * lattice.ny + y) * lattice.nx + x) *
                                                         lattice.controlStride);
    };
    auto* out = reinterpret_cast<unsigned char*>(destination);
    for (int n = 0; n < lattice.sourceCount; ++n) {
        const float* p = reinterpret_cast<const float*>(
            reinterpret_cast<const unsigned char*>(lattice.source) + n * lattice.sourceStride);
        const float u = (p[0] - lo[0]) / cx, v = (p[1] - lo[1]) / cy, w = (p[2] - lo[2]) / cz;
        const int i = static_cast<int>(u), j = static_cast<int>(v), k = static_cast<int>(w);
        const float fu = u - i, fv = v - j, fw = w - k;
        float alongZ[4][3];
        for (int z = 0; z < 4; ++z) {
            float alongY[4][3];
            for (int y = 0; y < 4; ++y) {
                const float* q[4];
                for (int x = 0; x < 4; ++x) q[x] = point(i - 1 + x, j - 1 + y, k - 1 + z);
                for (int c = 0; c < 3; ++c)
                    alongY[y][c] = Lattice::CatmullRom(q[0][c], q[1][c], q[2][c], q[3][c], fu);
            }
            for (int c = 0; c < 3; ++c)
                alongZ[z][c] =
                    Lattice::CatmullRom(alongY[0][c], alongY[1][c], alongY[2][c], alongY[3][c], fv);
        }
        Lattice::CatmullRom3(alongZ[0], alongZ[1], alongZ[2], alongZ[3], fw,
                             reinterpret_cast<float*>(out));
        out += stride;
    }
}

}  // namespace sunvale
