// The blob field and its marching-tetrahedra surface (see header).
#include "effects/BlobField.h"

#include <cmath>

#include "app/Random.h"

namespace sunvale {

namespace {

constexpr float kDegreesToRadians = 0.017453289f;  // one frame is one degree of path
constexpr float kTextureScale = 0.075f;            // texture repeats per unit

// Edges 1..6 for cases 0..7; cases 8..15 mirror them (15 - n), since
// swapping which side of the level counts as inside gives the same surface.
constexpr BlobField::CaseTable MirroredCases()
{
    BlobField::CaseTable table = {{{0, 0, 0, 0},
                                   {3, 5, 6, 0},
                                   {2, 4, 6, 0},
                                   {2, 3, 5, 4},
                                   {1, 4, 5, 0},
                                   {1, 4, 6, 3},
                                   {1, 2, 6, 5},
                                   {1, 2, 3, 0}}};
    for (int n = 0; n < 8; ++n) table[15 - n] = table[n];
    return table;
}

constexpr BlobField::CaseTable kCases = MirroredCases();

// A parameter r * scale + offset for one draw r of the generator; drawn
// again while its magnitude is below minMagnitude (0: never redrawn).
float DrawParameter(float scale, float offset, float minMagnitude)
{
    for (;;) {
        const float value = static_cast<float>(rand()) * scale + offset;
        if (!(std::fabs(value) < minMagnitude)) return value;
    }
}

// Depth of a layer's samples: 1, 0, -1, -2 for layers 0..3.
float LayerZ(int layer) { return static_cast<float>(1 - layer); }

void Interpolate(const float* p, const float* q, float s, float* out)
{
    for (int i = 0; i < 3; ++i) out[i] = p[i] + (q[i] - p[i]) * s;
}

}  // namespace

const BlobField::CaseTable& BlobField::Cases() { return kCases; }

BlobField::BlobField()
{
    for (auto& column : samples) {
        for (auto& point : column) {
            for (Sample& sample : point) sample = Sample{};
        }
    }
}

void BlobField::DrawBlobParameters()
{
    for (Blob& blob : blobs) {
        blob.fx1 = DrawParameter(0.00021542478f, -3.5294118f, 0.1f);
        blob.fy1 = DrawParameter(0.0003051851f, -5.0f, 0.1f);
        blob.Ax1 = DrawParameter(2.6928097e-5f, -0.44117647f, 0.1f);
        blob.Ay1 = DrawParameter(2.3457365e-5f, -0.38431373f, 0.1f);
        blob.fx2 = DrawParameter(0.00029082343f, -2.3823528f, 0.0f);
        blob.fy2 = DrawParameter(0.00014241971f, -1.1666666f, 0.0f);
        blob.Ax2 = DrawParameter(1.51994145e-5f, -0.124509804f, 0.0f) * 0.25f;
        blob.Ay2 = DrawParameter(2.4175448e-5f, -0.19803922f, 0.0f) * 0.25f;
        blob.Bs = DrawParameter(0.00064787007f, 5.0f, 0.0f);
        blob.fs = DrawParameter(0.00042725913f, -8.5f, 0.0f);
        blob.As = DrawParameter(4.6276433e-5f, 0.0f, 0.0f);
    }
    blobs[0].Bs = 35.0f;
}

void BlobField::MoveBlobs(int32_t f)
{
    const float alpha = static_cast<float>(f) * kDegreesToRadians;
    for (Blob& blob : blobs) {
        blob.x =
            (std::sin(alpha * blob.fx1) * blob.Ax1 + std::cos(alpha * blob.fx2) * blob.Ax2 + 0.5f) *
            40.0f;
        blob.y =
            (std::cos(alpha * blob.fy1) * blob.Ay1 + std::sin(alpha * blob.fy2) * blob.Ay2 + 0.5f) *
            40.0f;
        blob.strength = std::sin(alpha * blob.fs) * blob.As + blob.Bs;
        if (blob.strength < 5.0f) blob.strength = 5.0f;
    }
}

float BlobField::FieldAt(int a, int b) const
{
    if (a == 1 || a == kGridSize - 1 || b == 1 || b == kGridSize - 1) return kBorderValue;
    float sum = 0.0f;
    for (const Blob& blob : blobs) {
        const float dx = static_cast<float>(a) - blob.x;
        const float dy = static_cast<float>(b) - blob.y;
        float squared = dx * dx + dy * dy;
        if (squared < kMinSquaredDistance) squared = kMinSquaredDistance;
        sum += blob.strength / squared;
    }
    return sum;
}

void BlobField::Advance()
{
    ++frame;
    MoveBlobs(frame);

    for (int a = 0; a < kGridSize; ++a) {
        for (int b = 0; b < kGridSize; ++b) {
            Sample* point = samples[a][b];
            for (int layer = 0; layer < kLayerCount; ++layer) {
                Sample& sample = point[layer];
                sample.position[0] = static_cast<float>(a - 20);
                sample.position[1] = static_cast<float>(b - 20);
                sample.position[2] = LayerZ(layer);
                sample.value = layer + 1 < kLayerCount ? point[layer + 1].value : FieldAt(a, b);
                sample.level = sample.value <= kLevel ? 1 : 0;
            }
        }
    }

    // Layer numbers grow as z falls, hence the sign of the third component.
    // Points with a or b equal to 0 or 39 keep the normal they had.
    for (int a = 1; a < kGridSize - 1; ++a) {
        for (int b = 1; b < kGridSize - 1; ++b) {
            for (int layer = 1; layer <= 2; ++layer) {
                float* normal = samples[a][b][layer].normal;
                normal[0] =
                    (samples[a + 1][b][layer].value - samples[a - 1][b][layer].value) * 0.5f;
                normal[1] =
                    (samples[a][b + 1][layer].value - samples[a][b - 1][layer].value) * 0.5f;
                normal[2] =
                    -(samples[a][b][layer + 1].value - samples[a][b][layer - 1].value) * 0.5f;
            }
        }
    }
}

int BlobField::PolygoniseTetrahedron(const Sample* const t[4], int32_t frame, Vertex out[6])
{
    const int index = 8 * t[0]->level + 4 * t[1]->level + 2 * t[2]->level + t[3]->level;
    const std::array<int8_t, 4>& entry = kCases[index];
    if (entry[0] == 0) return 0;

    // Intersections on the edges whose corners lie on different sides.
    float positions[6][3];
    float normals[6][3];
    for (int edge = 0; edge < 6; ++edge) {
        const Sample& p = *t[kEdgeCorners[edge][0]];
        const Sample& q = *t[kEdgeCorners[edge][1]];
        if (p.level == q.level) continue;
        const float s = (kLevel - p.value) / (q.value - p.value);
        Interpolate(p.position, q.position, s, positions[edge]);
        Interpolate(p.normal, q.normal, s, normals[edge]);
    }

    const auto emit = [&](int edgeNumber, Vertex* vertex) {
        const float* position = positions[edgeNumber - 1];
        const float* normal = normals[edgeNumber - 1];
        vertex->s = position[0] * kTextureScale;
        vertex->t = (static_cast<float>(frame) - position[2]) * kTextureScale;
        for (int i = 0; i < 3; ++i) {
            vertex->normal[i] = normal[i];
            vertex->position[i] = position[i];
        }
    };
    emit(entry[0], &out[0]);
    emit(entry[1], &out[1]);
    emit(entry[2], &out[2]);
    if (entry[3] == 0) return 3;
    emit(entry[0], &out[3]);
    emit(entry[2], &out[4]);
    emit(entry[3], &out[5]);
    return 6;
}

void BlobField::PolygoniseSlab(std::vector<Vertex>* out) const
{
    const Sample* corners[8];
    Vertex triangles[6];
    for (int a = 1; a < kGridSize - 1; ++a) {
        for (int b = 1; b < kGridSize - 1; ++b) {
            for (int c = 0; c < 8; ++c) {
                corners[c] =
                    &samples[a + kCubeCorners[c][0]][b + kCubeCorners[c][1]][kCubeCorners[c][2]];
            }
            for (const int8_t* tetrahedron : kTetrahedra) {
                const Sample* const t[4] = {corners[tetrahedron[0]], corners[tetrahedron[1]],
                                            corners[tetrahedron[2]], corners[tetrahedron[3]]};
                const int count = PolygoniseTetrahedron(t, frame, triangles);
                out->insert(out->end(), triangles, triangles + count);
            }
        }
    }
}

void BlobField::CameraTarget(float* x, float* y) const
{
    const Blob& blob = blobs[0];
    const float alpha = static_cast<float>(frame - kCameraLagFrames) * kDegreesToRadians;
    *x = (std::cos(alpha * blob.fx2) * blob.Ax2 + std::sin(alpha * blob.fx1) * blob.Ax1) * 40.0f;
    *y = (std::sin(alpha * blob.fy2) * blob.Ay2 + std::cos(alpha * blob.fy1) * blob.Ay1) * 40.0f;
}

}  // namespace sunvale
