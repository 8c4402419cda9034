// Derived geometry and track preparation on hand-built model records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "library/moxa/3d/ModelGeometry.h"
#include "library/moxa/3d/TrackPreparation.h"

namespace sunvale {
namespace {

// One object with its own small pools.
struct SmallMesh {
    ModelVertex vertices[4];
    ModelFace faces[2];
    ModelObject object;

    explicit SmallMesh(int faceCount) {
        const float p[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
        for (int i = 0; i < 4; ++i) {
            std::memcpy(vertices[i].position, p[i], sizeof p[i]);
            vertices[i].unmapped = 1;
        }
        const int corners[2][3] = {{0, 1, 2}, {1, 3, 2}};
        for (int f = 0; f < faceCount; ++f) {
            for (int c = 0; c < 3; ++c) faces[f].vertex[c] = &vertices[corners[f][c]];
            ComputeFaceNormal(faces[f]);
        }
        object.vertices = vertices;
        object.vertexCount = 4;
        object.faces = faces;
        object.faceCount = static_cast<uint32_t>(faceCount);
    }
};

TEST(ModelGeometry, FaceNormalIsUnitCrossProductAndDegenerateIsNonFinite) {
    SmallMesh mesh(1);
    EXPECT_EQ(mesh.faces[0].normal[0], 0.0f);
    EXPECT_EQ(mesh.faces[0].normal[1], 0.0f);
    EXPECT_EQ(mesh.faces[0].normal[2], 1.0f);

    ModelFace face;
    face.vertex[0] = face.vertex[1] = face.vertex[2] = &mesh.vertices[3];
    ComputeFaceNormal(face);
    EXPECT_FALSE(std::isfinite(face.normal[2]));
}

TEST(ModelGeometry, UnmappedCornersTakeUvFromVertexNormalAndUnusedVertexIsNonFinite) {
    SmallMesh mesh(1);  // vertex 3 is used by no face
    ComputeVertexNormals(mesh.object);
    EXPECT_EQ(mesh.vertices[0].normal[2], 1.0f);
    EXPECT_FALSE(std::isfinite(mesh.vertices[3].normal[0]));
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(mesh.faces[0].uv[c][0], 0.5f);
        EXPECT_EQ(mesh.faces[0].uv[c][1], 0.5f);
    }
}

TEST(ModelGeometry, VertexNormalAveragesFacesWithoutRenormalising) {
    SmallMesh mesh(2);
    // Tilt the second face's normal: the shared vertices average the two.
    mesh.faces[1].normal[0] = 1.0f;
    mesh.faces[1].normal[2] = 0.0f;
    ComputeVertexNormals(mesh.object);
    EXPECT_EQ(mesh.vertices[1].normal[0], 0.5f);
    EXPECT_EQ(mesh.vertices[1].normal[2], 0.5f);
    EXPECT_EQ(mesh.vertices[0].normal[0], 0.0f);
    EXPECT_EQ(mesh.vertices[3].normal[0], 1.0f);
}

TEST(ModelGeometry, DegenerateFaceSpoilsNormalsOfItsVertices) {
    SmallMesh mesh(2);
    // Second face collapses onto vertex 3.
    for (int c = 0; c < 3; ++c) mesh.faces[1].vertex[c] = &mesh.vertices[3];
    ComputeFaceNormal(mesh.faces[1]);
    ComputeVertexNormals(mesh.object);
    EXPECT_FALSE(std::isfinite(mesh.vertices[3].normal[2]));
    EXPECT_TRUE(std::isfinite(mesh.vertices[0].normal[2]));
}

TEST(ModelGeometry, AssignMappingFlipsVAndIgnoresVerticesBeyondThePairs) {
    SmallMesh mesh(2);
    // Only three (u, v) pairs for four vertices: vertex 3 stays unmapped.
    const float pairs[6] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.75f};
    uint8_t bytes[sizeof pairs];
    std::memcpy(bytes, pairs, sizeof pairs);  // little-endian host
    AssignMapping(mesh.object, bytes, 3);
    EXPECT_FLOAT_EQ(mesh.faces[0].uv[1][0], 0.3f);
    EXPECT_FLOAT_EQ(mesh.faces[0].uv[1][1], 0.6f);
    EXPECT_FLOAT_EQ(mesh.faces[0].uv[2][1], 0.25f);
    EXPECT_EQ(mesh.vertices[0].unmapped, 0u);
    EXPECT_EQ(mesh.vertices[3].unmapped, 1u);
    ComputeVertexNormals(mesh.object);
    EXPECT_FLOAT_EQ(mesh.faces[1].uv[0][0], 0.3f);  // mapped corner kept
    EXPECT_EQ(mesh.faces[1].uv[1][0], 0.5f);        // vertex 3 from its normal
}

TEST(ModelGeometry, FixUWrapMovesByTheWrapConstantsOnFlaggedFacesOnly) {
    SmallMesh mesh(2);
    const float u[3] = {0.2f, 6.5f, 0.4f};
    for (int f = 0; f < 2; ++f)
        for (int c = 0; c < 3; ++c) mesh.faces[f].uv[c][0] = u[c];
    mesh.faces[0].flags = kFaceWrapsU;
    FixUWrap(mesh.object);
    EXPECT_FLOAT_EQ(mesh.faces[0].uv[0][0], 0.2f);
    EXPECT_FLOAT_EQ(mesh.faces[0].uv[1][0], -0.5f);
    EXPECT_FLOAT_EQ(mesh.faces[0].uv[2][0], 0.4f);
    EXPECT_FLOAT_EQ(mesh.faces[1].uv[1][0], 6.5f);
    // A difference of 0.9 (above 0.5 but below 5.6875) stays.
    mesh.faces[0].uv[0][0] = 0.05f;
    mesh.faces[0].uv[1][0] = 0.95f;
    mesh.faces[0].uv[2][0] = 0.5f;
    FixUWrap(mesh.object);
    EXPECT_FLOAT_EQ(mesh.faces[0].uv[1][0], 0.95f);
    // Downward jump: the second corner moves up by 7, and the next pair sees it.
    mesh.faces[0].uv[0][0] = 6.8f;
    mesh.faces[0].uv[1][0] = 0.5f;
    mesh.faces[0].uv[2][0] = 6.9f;
    FixUWrap(mesh.object);
    EXPECT_FLOAT_EQ(mesh.faces[0].uv[1][0], 7.5f);
    EXPECT_FLOAT_EQ(mesh.faces[0].uv[2][0], 6.9f);
    EXPECT_FLOAT_EQ(mesh.faces[0].uv[0][0], 6.8f);
}

TEST(ModelGeometry, LocalSpaceAndBoundsFollowTheLocalMatrix) {
    SmallMesh mesh(2);
    ComputeVertexNormals(mesh.object);
    // Rows: X -> (0,1,0), Y -> (-1,0,0), Z -> (0,0,2), translation (10,0,0).
    const float m[12] = {0, 1, 0, -1, 0, 0, 0, 0, 2, 10, 0, 0};
    std::memcpy(mesh.object.localMatrix, m, sizeof m);
    Model model;
    model.objects = &mesh.object;
    model.objectCount = 1;
    ToLocalSpace(model);
    ComputeBounds(model);
    model.objects = nullptr;  // not owned
    EXPECT_EQ(mesh.vertices[3].local[0], 9.0f);
    EXPECT_EQ(mesh.vertices[3].local[1], 1.0f);
    EXPECT_EQ(mesh.vertices[0].localNormal[2], 2.0f);  // not renormalised
    EXPECT_EQ(mesh.faces[0].normal[2], 2.0f);
    EXPECT_EQ(mesh.object.boundsMin[0], 9.0f);
    EXPECT_EQ(mesh.object.boundsMax[0], 10.0f);
    EXPECT_EQ(mesh.object.boundsMax[1], 1.0f);
}

TEST(ModelGeometry, BoundsOfObjectWithoutVerticesAreTheEmptyBox) {
    ModelObject object;
    object.boundsMin[0] = 0.0f;
    Model model;
    model.objects = &object;
    model.objectCount = 1;
    ComputeBounds(model);
    model.objects = nullptr;
    EXPECT_EQ(object.boundsMin[0], 268435456.0f);
    EXPECT_EQ(object.boundsMax[2], -268435456.0f);
}

TEST(TrackPreparation, RotationKeysAccumulateToHalfTurnAboutNegativeY) {
    float r[4], q[4];
    RotationKeyQuaternion(1.5707964f, 0, 0, 1, r);
    EXPECT_FLOAT_EQ(r[0], std::cos(0.7853982f));
    EXPECT_EQ(r[1], 0.0f);
    EXPECT_FLOAT_EQ(r[2], -std::sin(0.7853982f));
    EXPECT_EQ(r[3], 0.0f);
    MultiplyQuaternion(r, r, q);
    EXPECT_NEAR(q[0], 0.0f, 1e-7f);
    EXPECT_NEAR(q[2], -1.0f, 1e-7f);
    // File Y axis lands on model Z, negated.
    RotationKeyQuaternion(3.1415927f, 0, 1, 0, r);
    EXPECT_NEAR(r[3], -1.0f, 1e-7f);
    // Non-commuting factors: previous key on the left.
    const float a[4] = {0, 1, 0, 0}, b[4] = {0, 0, 1, 0};
    MultiplyQuaternion(a, b, q);
    EXPECT_EQ(q[3], 1.0f);  // i * j = k
    MultiplyQuaternion(b, a, q);
    EXPECT_EQ(q[3], -1.0f);
}

TEST(TrackPreparation, OneKeyNoTangentsTwoKeysTheDifference) {
    TrackKey one[1];
    one[0].value[1] = 5.0f;
    PrepareTrack(one, 1);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(one[0].tangentIn[c], 0.0f);
        EXPECT_EQ(one[0].tangentOut[c], 0.0f);
    }
    TrackKey two[2];
    two[0].value[1] = 1.0f;
    two[1].value[1] = 4.0f;
    two[1].value[0] = -2.0f;
    two[1].frame = 10;
    PrepareTrack(two, 2);
    EXPECT_EQ(two[0].tangentOut[1], 3.0f);
    EXPECT_EQ(two[1].tangentIn[1], 3.0f);
    EXPECT_EQ(two[0].tangentOut[0], -2.0f);
    EXPECT_EQ(two[0].tangentIn[1], 0.0f);
    two[1].tension = 0.5f;
    PrepareTrack(two, 2);
    EXPECT_EQ(two[1].tangentIn[1], 1.5f);
    EXPECT_EQ(two[0].tangentOut[1], 3.0f);
}

TEST(TrackPreparation, ThreeKeysUseTcbInsideAndEndRulesOutside) {
    TrackKey keys[3];
    const uint32_t frames[3] = {0, 10, 30};
    const float values[3] = {0.0f, 10.0f, 20.0f};
    for (int i = 0; i < 3; ++i) {
        keys[i].frame = frames[i];
        keys[i].value[2] = values[i];
    }
    PrepareTrack(keys, 3);
    // Inner key, T = C = B = 0: adjIn = 2*10/30, adjOut = 2*20/30,
    // tangent = adj * (dIn + dOut) / 2 = adj * 10.
    EXPECT_FLOAT_EQ(keys[1].tangentIn[2], 20.0f / 3.0f);
    EXPECT_FLOAT_EQ(keys[1].tangentOut[2], 40.0f / 3.0f);
    // First key: s = 0.75 - 10/60, d = 20: (10 - 10)*1.5 + s*20.
    EXPECT_FLOAT_EQ(keys[0].tangentOut[2], (0.75f - 10.0f / 60.0f) * 20.0f);
    // Last key: s = 0.75 - 20/60, d = 20: (10 - 10)*1.5 + s*20.
    EXPECT_FLOAT_EQ(keys[2].tangentIn[2], (0.75f - 20.0f / 60.0f) * 20.0f);
    EXPECT_EQ(keys[0].tangentIn[2], 0.0f);
    EXPECT_EQ(keys[2].tangentOut[2], 0.0f);

    // Continuity and bias on the inner key.
    keys[1].continuity = -0.5f;
    keys[1].bias = 0.5f;
    keys[1].tension = 0.25f;
    PrepareTrack(keys, 3);
    const float g = 0.5f, T = 0.25f, K = -0.5f, B = 0.5f;
    const float adjIn = g + (1 - g) * 2 * 10.0f / 30.0f;
    const float adjOut = g + (1 - g) * 2 * 20.0f / 30.0f;
    const float in = adjIn * ((1 - T) * (1 - K) * (1 + B) / 2 * 10 + (1 - T) * (1 + K) * (1 - B) / 2 * 10);
    const float out = adjOut * ((1 - T) * (1 + K) * (1 + B) / 2 * 10 + (1 - T) * (1 - K) * (1 - B) / 2 * 10);
    EXPECT_FLOAT_EQ(keys[1].tangentIn[2], in);
    EXPECT_FLOAT_EQ(keys[1].tangentOut[2], out);
}

}  // namespace
}  // namespace sunvale
