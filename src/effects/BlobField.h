// The field behind the blob landscape: 25 blobs wandering on Lissajous paths
// over a 40 x 40 grid, their summed inverse-square field kept for four
// consecutive frames (time is the third dimension), and the iso-surface at
// field value 10 between two of those frames extracted by marching
// tetrahedra. Pure computation; CBlobSurfaceEffect compiles and draws it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace sunvale {

class BlobField {
public:
    static constexpr int kGridSize = 40;   // grid points per side, a and b 0..39
    static constexpr int kLayerCount = 4;  // layer k holds the field of 3 - k frames ago
    static constexpr int kBlobCount = 25;
    static constexpr float kLevel = 10.0f;             // iso-surface value
    static constexpr float kBorderValue = -100000.0f;  // rows and columns 1 and 39
    // A blob exactly on a grid point would make that sample infinite; the
    // squared distance never drops below this (0.001 grid units squared), so
    // one sample is at most about 3.5e7 per blob and every sum stays finite.
    static constexpr float kMinSquaredDistance = 1e-6f;
    static constexpr int kCameraLagFrames = 47;

    struct Sample {
        float value;        // field value
        float position[3];  // (a - 20, b - 20, z), z = 1, 0, -1, -2 for layers 0..3
        float normal[3];    // halved central differences of value
        int32_t level;      // 1 when value <= 10, else 0
    };

    struct Blob {
        // Path and strength parameters, drawn once.
        float fx1, fy1, Ax1, Ay1, fx2, fy2, Ax2, Ay2, Bs, fs, As;
        // Centre in grid units and strength for the current frame.
        float x, y, strength;
    };

    // One emitted vertex of the surface.
    struct Vertex {
        float s, t;  // texture coordinate: (x, frame - z) * 0.075
        float normal[3];
        float position[3];
    };

    // Per case (8 * flag(t0) + 4 * flag(t1) + 2 * flag(t2) + flag(t3)):
    // up to four 1-based edge numbers, 0 for none. Entry 15 - n equals entry n.
    using CaseTable = std::array<std::array<int8_t, 4>, 16>;
    [[nodiscard]] static const CaseTable& Cases();

    // Corner pairs of edges 1..6 of a tetrahedron (index edge - 1).
    static constexpr int8_t kEdgeCorners[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
    // Cube corners of the cell at (a, b): a offset, b offset, layer.
    static constexpr int8_t kCubeCorners[8][3] = {{0, 0, 2}, {1, 0, 2}, {1, 1, 2}, {0, 1, 2},
                                                  {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    // The six tetrahedra of a cell, as cube corners t0..t3.
    static constexpr int8_t kTetrahedra[6][4] = {{3, 7, 2, 1}, {3, 0, 4, 1}, {3, 4, 7, 1},
                                                 {1, 4, 5, 7}, {1, 5, 2, 7}, {2, 5, 6, 7}};

    // Samples and normals zero, level flags 0, blobs zero, frame 0.
    BlobField();

    // Draws the 25 blobs' parameters from the shared generator (11 values
    // each, with redraws for the four minimum magnitudes), then sets blob
    // 0's Bs to 35.
    void DrawBlobParameters();

    // One frame: frame + 1, blobs moved, layers shifted up with the new
    // field in layer 3, level flags, normals of layers 1 and 2.
    void Advance();

    // Moves the blobs to their place at frame f.
    void MoveBlobs(int32_t f);

    // The field at grid point (a, b) for the blobs' current centres.
    [[nodiscard]] float FieldAt(int a, int b) const;

    // Triangles of the surface between layers 1 and 2, appended to out as
    // vertex triples; texture coordinates use the current frame.
    void PolygoniseSlab(std::vector<Vertex>* out) const;

    // Triangles of one tetrahedron with corners t[0..3]; writes 0, 3 or 6
    // vertices to out and returns their count.
    static int PolygoniseTetrahedron(const Sample* const t[4], int32_t frame, Vertex out[6]);

    // Blob 0's centre kCameraLagFrames frames ago, in the samples' position
    // coordinates (grid index - 20).
    void CameraTarget(float* x, float* y) const;

    [[nodiscard]] Sample& At(int a, int b, int layer) { return samples[a][b][layer]; }
    [[nodiscard]] const Sample& At(int a, int b, int layer) const { return samples[a][b][layer]; }

    int32_t frame = 0;  // frames advanced so far
    std::array<Blob, kBlobCount> blobs{};
    Sample samples[kGridSize][kGridSize][kLayerCount];
};

}  // namespace sunvale
