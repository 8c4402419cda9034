// The blob field without OpenGL: the case table's symmetry and triangle
// counts, interpolated vertices, the border, closedness of the extracted
// surface, the blob parameters and the generator's state after drawing
// them, finite samples with a blob on a grid point, and the camera target.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "OffscreenTest.h"
#include "app/Random.h"
#include "effects/BlobField.h"

namespace sunvale {
namespace {

using Sample = BlobField::Sample;
using Vertex = BlobField::Vertex;

// A tetrahedron with corners at the unit simplex and the given values.
struct Tetrahedron {
    Sample samples[4];
    const Sample* corners[4];
    explicit Tetrahedron(const std::array<float, 4>& values)
    {
        const float positions[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, -1}};
        for (int i = 0; i < 4; ++i) {
            samples[i] = Sample{};
            samples[i].value = values[i];
            samples[i].level = values[i] <= BlobField::kLevel ? 1 : 0;
            for (int k = 0; k < 3; ++k) {
                samples[i].position[k] = positions[i][k];
                samples[i].normal[k] = positions[i][k] + 1;
            }
            corners[i] = &samples[i];
        }
    }
};

// Vertex positions of the triangles, each triangle as a sorted triple.
std::multiset<std::array<std::array<float, 3>, 3>> TriangleSet(const Vertex* v, int count)
{
    std::multiset<std::array<std::array<float, 3>, 3>> out;
    for (int i = 0; i + 2 < count; i += 3) {
        std::array<std::array<float, 3>, 3> tri;
        for (int k = 0; k < 3; ++k) {
            tri[k] = {v[i + k].position[0], v[i + k].position[1], v[i + k].position[2]};
        }
        std::sort(tri.begin(), tri.end());
        out.insert(tri);
    }
    return out;
}

// Values for case n: corner i on the low side (flag 1) when its bit is set.
std::array<float, 4> ValuesForCase(int n)
{
    std::array<float, 4> values;
    const float low[4] = {2, 4, 6, 8}, high[4] = {30, 25, 20, 15};
    for (int i = 0; i < 4; ++i) values[i] = (n >> (3 - i)) & 1 ? low[i] : high[i];
    return values;
}

TEST(BlobFieldCases, ComplementGivesTheSameTrianglesAndCountsFollowTheDifferingCorners)
{
    for (int n = 0; n < 16; ++n) {
        const std::array<float, 4> values = ValuesForCase(n);
        std::array<float, 4> mirrored;  // every flag flipped, same crossings
        for (int i = 0; i < 4; ++i) mirrored[i] = 2 * BlobField::kLevel - values[i];
        Tetrahedron tetra(values), complement(mirrored);
        Vertex out[6], outComplement[6];
        const int count = BlobField::PolygoniseTetrahedron(tetra.corners, 7, out);
        const int countComplement =
            BlobField::PolygoniseTetrahedron(complement.corners, 7, outComplement);
        EXPECT_EQ(BlobField::Cases()[n], BlobField::Cases()[15 - n]) << "case " << n;
        EXPECT_EQ(count, countComplement) << "case " << n;
        EXPECT_EQ(TriangleSet(out, count), TriangleSet(outComplement, countComplement))
            << "case " << n;

        const int ones = __builtin_popcount(static_cast<unsigned>(n));
        const int differing = std::min(ones, 4 - ones);
        EXPECT_EQ(count, differing * 3) << "case " << n;  // 0, 1 or 2 triangles

        // Every vertex lies on an edge whose ends are on different sides,
        // and every such edge carries a vertex.
        std::set<int> crossed;
        for (int e = 0; e < 6; ++e) {
            const Sample& p = tetra.samples[BlobField::kEdgeCorners[e][0]];
            const Sample& q = tetra.samples[BlobField::kEdgeCorners[e][1]];
            if (p.level == q.level) continue;
            const float s = (BlobField::kLevel - p.value) / (q.value - p.value);
            for (int i = 0; i < count; ++i) {
                bool on = true;
                for (int k = 0; k < 3; ++k) {
                    on = on &&
                         out[i].position[k] == p.position[k] + (q.position[k] - p.position[k]) * s;
                }
                if (on) crossed.insert(e);
            }
        }
        EXPECT_EQ(static_cast<int>(crossed.size()), differing == 0   ? 0
                                                    : differing == 1 ? 3
                                                                     : 4)
            << "case " << n;
    }
}

TEST(BlobFieldCases, VertexInterpolatesPositionNormalAndTexture)
{
    // Only t0 is above the level: the three edges from t0 are cut.
    Tetrahedron tetra({30, 0, 5, 10});
    Vertex out[6];
    ASSERT_EQ(BlobField::PolygoniseTetrahedron(tetra.corners, 12, out), 3);
    // Edge 1 (t0, t1): s = (10 - 30) / (0 - 30) = 2/3 along x.
    const Vertex& v = out[0];
    EXPECT_FLOAT_EQ(v.position[0], 2.0f / 3);
    EXPECT_FLOAT_EQ(v.position[1], 0);
    EXPECT_FLOAT_EQ(v.normal[0], 1 + 2.0f / 3);
    EXPECT_FLOAT_EQ(v.normal[1], 1);
    EXPECT_FLOAT_EQ(v.s, v.position[0] * 0.075f);
    EXPECT_FLOAT_EQ(v.t, (12 - v.position[2]) * 0.075f);
    // Edge 3 (t0, t3): the value 10 is on the level, so t3 is at the cut.
    EXPECT_FLOAT_EQ(out[2].position[2], -1);
    EXPECT_FLOAT_EQ(out[2].t, 13 * 0.075f);
}

// A field whose 25 blobs all stand still at (cx, cy) grid units with
// strength 5 each, or move along x when swing is not 0.
void PlaceBlobs(BlobField* field, float cx, float cy, float swing)
{
    for (BlobField::Blob& blob : field->blobs) {
        blob = BlobField::Blob{};
        blob.fx1 = 10;  // ten degrees of path per frame
        blob.Ax1 = swing;
        blob.Ax2 = cx / 40 - 0.5f;
        blob.Ay1 = cy / 40 - 0.5f;
        blob.Bs = 5;
    }
}

TEST(BlobField, BorderRowsAndColumnsHoldMinus100000AndLieBelowTheLevel)
{
    BlobField field;
    PlaceBlobs(&field, 20.25f, 20.3f, 0);
    for (int i = 0; i < 4; ++i) field.Advance();
    for (int a = 0; a < 40; ++a) {
        for (int layer = 0; layer < 4; ++layer) {
            for (const auto& [pa, pb] : {std::pair{a, 1}, {a, 39}, {1, a}, {39, a}}) {
                const Sample& s = field.At(pa, pb, layer);
                ASSERT_EQ(s.value, -100000.0f) << pa << ", " << pb;
                ASSERT_EQ(s.level, 1);
            }
        }
    }
    // Row 0 is no border: it holds the blobs' field.
    EXPECT_NEAR(field.At(0, 20, 3).value, 125 / (20.25f * 20.25f + 0.09f), 1e-4);
    EXPECT_EQ(field.At(20, 20, 3).level, 0);
    EXPECT_FLOAT_EQ(field.At(5, 7, 2).position[0], -15);
    EXPECT_FLOAT_EQ(field.At(5, 7, 2).position[1], -13);
    EXPECT_FLOAT_EQ(field.At(5, 7, 2).position[2], -1);
}

TEST(BlobField, LayersShiftUpOneFrameAtATime)
{
    BlobField field;
    PlaceBlobs(&field, 20.25f, 20.3f, 0.05f);
    std::vector<float> history;
    for (int i = 0; i < 6; ++i) {
        field.Advance();
        history.push_back(field.At(21, 20, 3).value);
        EXPECT_EQ(field.frame, i + 1);
    }
    for (int layer = 0; layer < 4; ++layer) {
        EXPECT_EQ(field.At(21, 20, layer).value, history[2 + layer]) << "layer " << layer;
    }
    EXPECT_NE(history[4], history[5]);
    // Normal of layer 1: halved differences; z from layers 2 and 0, negated.
    const Sample& n = field.At(21, 20, 1);
    EXPECT_FLOAT_EQ(n.normal[0], (field.At(22, 20, 1).value - field.At(20, 20, 1).value) * 0.5f);
    EXPECT_FLOAT_EQ(n.normal[2], -(history[4] - history[2]) * 0.5f);
}

// Edges of the slab's triangles, vertices merged within 1e-4.
struct EdgeCount {
    std::vector<std::array<float, 3>> points;
    std::map<std::pair<int, int>, int> edges;
    int Index(const float* p)
    {
        for (size_t i = 0; i < points.size(); ++i) {
            if (std::fabs(points[i][0] - p[0]) < 1e-4f && std::fabs(points[i][1] - p[1]) < 1e-4f &&
                std::fabs(points[i][2] - p[2]) < 1e-4f) {
                return static_cast<int>(i);
            }
        }
        points.push_back({p[0], p[1], p[2]});
        return static_cast<int>(points.size()) - 1;
    }
};

TEST(BlobField, SlabOfOneStrongBlobIsClosedInsideTheGrid)
{
    for (float swing : {0.0f, 0.05f}) {  // standing, then moving between the two layers
        BlobField field;
        PlaceBlobs(&field, 20.25f, 20.3f, swing);
        for (int i = 0; i < 4; ++i) field.Advance();
        std::vector<Vertex> slab;
        field.PolygoniseSlab(&slab);
        ASSERT_EQ(slab.size() % 3, 0u);
        ASSERT_GT(slab.size(), 60u);
        EdgeCount count;
        for (size_t i = 0; i < slab.size(); i += 3) {
            int v[3];
            for (int k = 0; k < 3; ++k) {
                const float* p = slab[i + k].position;
                ASSERT_LT(std::fabs(p[0]), 8) << "surface near the border";
                ASSERT_LT(std::fabs(p[1]), 8);
                v[k] = count.Index(p);
            }
            for (int k = 0; k < 3; ++k) {
                ++count.edges[std::minmax(v[k], v[(k + 1) % 3])];
            }
        }
        // Inside the slab every edge joins two triangles; edges lying in the
        // slab's faces z = 0 and z = -1 join one, and form closed rings.
        std::map<int, int> ringDegree;
        for (const auto& [edge, uses] : count.edges) {
            const float za = count.points[edge.first][2], zb = count.points[edge.second][2];
            if (za == zb && (za == 0 || za == -1)) {
                EXPECT_EQ(uses, 1) << "face edge at z " << za;
                ++ringDegree[edge.first];
                ++ringDegree[edge.second];
            } else {
                EXPECT_EQ(uses, 2) << "inner edge " << edge.first << "-" << edge.second;
            }
        }
        ASSERT_FALSE(ringDegree.empty());
        for (const auto& [vertex, degree] : ringDegree) EXPECT_EQ(degree, 2) << vertex;
    }
}

TEST(BlobField, BlobOnAGridPointKeepsSamplesNormalsAndVerticesFinite)
{
    BlobField field;
    PlaceBlobs(&field, 20, 20, 0);  // every centre exactly on grid point (20, 20)
    ASSERT_EQ(field.blobs[0].Ax2, 0.0f);
    for (int i = 0; i < 4; ++i) field.Advance();
    ASSERT_EQ(field.blobs[0].x, 20.0f);
    ASSERT_EQ(field.blobs[0].y, 20.0f);
    for (int a = 0; a < 40; ++a) {
        for (int b = 0; b < 40; ++b) {
            for (int layer = 0; layer < 4; ++layer) {
                const Sample& s = field.At(a, b, layer);
                ASSERT_TRUE(std::isfinite(s.value)) << a << ", " << b;
                for (float c : s.normal) ASSERT_TRUE(std::isfinite(c)) << a << ", " << b;
            }
        }
    }
    EXPECT_GT(field.At(20, 20, 3).value, 1e7f);  // still a peak
    std::vector<Vertex> slab;
    field.PolygoniseSlab(&slab);
    ASSERT_FALSE(slab.empty());
    for (const Vertex& v : slab) {
        for (int k = 0; k < 3; ++k) {
            ASSERT_TRUE(std::isfinite(v.position[k]));
            ASSERT_TRUE(std::isfinite(v.normal[k]));
        }
        ASSERT_TRUE(std::isfinite(v.s) && std::isfinite(v.t));
    }
}

TEST(BlobFieldParameters, DrawnInOrderWithRedrawsAndBlob0StrengthIs35)
{
    // The expected sequence, drawn from an independent generator.
    ShadowGenerator lcg{81};
    int draws = 0;
    const auto next = [&] {
        ++draws;
        return static_cast<float>(lcg.Next());
    };
    const auto atLeast = [&](float scale, float offset) {
        for (;;) {
            const float v = next() * scale - offset;
            if (std::fabs(v) >= 0.1f) return v;
        }
    };
    float blob0[11] = {};
    for (int blob = 0; blob < 25; ++blob) {
        float p[11];
        p[0] = atLeast(0.00021542478f, 3.5294118f);
        p[1] = atLeast(0.0003051851f, 5);
        p[2] = atLeast(2.6928097e-5f, 0.44117647f);
        p[3] = atLeast(2.3457365e-5f, 0.38431373f);
        p[4] = next() * 0.00029082343f - 2.3823528f;
        p[5] = next() * 0.00014241971f - 1.1666666f;
        p[6] = (next() * 1.51994145e-5f - 0.124509804f) * 0.25f;
        p[7] = (next() * 2.4175448e-5f - 0.19803922f) * 0.25f;
        p[8] = next() * 0.00064787007f + 5;
        p[9] = next() * 0.00042725913f - 8.5f;
        p[10] = next() * 4.6276433e-5f;
        if (blob == 0) std::copy(p, p + 11, blob0);
    }
    EXPECT_GT(draws, 275);  // some of the 100 bounded draws fell below 0.1
    const int following = lcg.Next();

    BlobField field;
    srand(81);
    field.DrawBlobParameters();
    EXPECT_EQ(rand(), following) << "the generator is not " << draws << " draws past 81";
    const BlobField::Blob& b = field.blobs[0];
    const float got[11] = {b.fx1, b.fy1, b.Ax1, b.Ay1, b.fx2, b.fy2,
                           b.Ax2, b.Ay2, b.Bs,  b.fs,  b.As};
    for (int i = 0; i < 11; ++i) {
        if (i == 8) continue;
        EXPECT_FLOAT_EQ(got[i], blob0[i]) << "parameter " << i + 1;
    }
    EXPECT_EQ(b.Bs, 35.0f);
    for (const BlobField::Blob& blob : field.blobs) {
        EXPECT_GE(std::fabs(blob.fx1), 0.1f);
        EXPECT_GE(std::fabs(blob.fy1), 0.1f);
        EXPECT_GE(std::fabs(blob.Ax1), 0.1f);
        EXPECT_GE(std::fabs(blob.Ay1), 0.1f);
        EXPECT_GE(blob.Bs, 5.0f);
        EXPECT_LE(blob.Bs, 35.0f);
    }
}

TEST(BlobField, CameraTargetIsBlob0Centre47FramesAgoInPositionCoordinates)
{
    BlobField field;
    srand(81);
    field.DrawBlobParameters();
    for (int i = 0; i < 60; ++i) field.Advance();
    float x = 0, y = 0;
    field.CameraTarget(&x, &y);
    BlobField past = field;
    past.MoveBlobs(60 - 47);
    EXPECT_NEAR(x, past.blobs[0].x - 20, 1e-4);
    EXPECT_NEAR(y, past.blobs[0].y - 20, 1e-4);
    EXPECT_GE(past.blobs[0].strength, 35 - 1.52f);
}

}  // namespace
}  // namespace sunvale
