// The 3DS loader on files built by the 3DS writer: every chunk kind, the axis
// exchange, keyframer nodes and tracks, and damaged or oversized files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "TestScenes.h"
#include "library/moxa/3d/ModelLoader.h"
#include "library/moxa/3d/TrackPreparation.h"

namespace sunvale {
namespace {

using testscenes::Quad;
using Bytes = std::vector<uint8_t>;
using ModelPtr = std::unique_ptr<Model>;

ModelPtr Parse(const Bytes& bytes)
{
    return ModelPtr(ParseModel(bytes.data(), bytes.size(), "data/model/test.3ds"));
}
ModelPtr Parse(const Writer3dsScene& scene) { return Parse(Write3ds(scene)); }

// Little-endian fields and chunks for hand-made files.
Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes U16(uint16_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
Bytes U32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
Bytes F32(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return U32(b);
}
Bytes Text(const std::string& s) { return Cat({Bytes(s.begin(), s.end()), {0}}); }
Bytes Chunk(uint16_t id, const Bytes& payload)
{
    Bytes out;
    Append3dsChunk(out, id, payload);
    return out;
}

class RichModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        model_ = Parse(testscenes::RichScene());
        ASSERT_TRUE(model_);
    }
    ModelPtr model_;
};

TEST_F(RichModel, MaterialsAfterTheDefaultOneAndAmbient)
{
    const Model& m = *model_;
    ASSERT_EQ(m.materialCount, 3u);
    EXPECT_STREQ(m.materials[0].name, "default");
    const ModelMaterial& skin = m.materials[1];
    EXPECT_FLOAT_EQ(skin.ambient[0], 1.0f);
    EXPECT_FLOAT_EQ(skin.diffuse[1], 0.2f);
    EXPECT_FLOAT_EQ(skin.specular[2], 0.4f);
    EXPECT_EQ(skin.twoSided, 1u);
    EXPECT_EQ(skin.textureMap.fileName, "data/texture/skin.jpg");
    EXPECT_EQ(skin.bumpMap.fileName, "bump.png");
    EXPECT_EQ(m.materials[2].wire, 1u);
    EXPECT_EQ(m.ambient[0], 10.0f);
    EXPECT_EQ(m.frameCount, 101);
}

TEST_F(RichModel, GeometryWithAxisExchangeMeshMatrixMappingAndMaterialGroup)
{
    const Model& m = *model_;
    ASSERT_EQ(m.objectCount, 2u);
    EXPECT_TRUE(m.vertexCount == 8u && m.faceCount == 4u);
    const ModelObject& head = m.objects[0];
    EXPECT_STREQ(head.name, "head");
    EXPECT_EQ(m.objects[1].vertices, m.vertices + 4);
    EXPECT_EQ(m.objects[1].faces, m.faces + 2);
    // File (1, 1, 0) is stored as (1, 0, 1); the mesh matrix moved the
    // object to x = 1, so local positions move back by 1.
    const ModelVertex& v3 = head.vertices[3];
    EXPECT_TRUE(v3.position[0] == 1.0f && v3.position[1] == 0.0f && v3.position[2] == 1.0f);
    EXPECT_TRUE(v3.local[0] == 0.0f && v3.local[2] == 1.0f);
    EXPECT_TRUE(head.boundsMin[0] == -1.0f && head.boundsMax[0] == 0.0f &&
                head.boundsMax[2] == 1.0f);
    EXPECT_EQ(head.faces[0].normal[1], -1.0f);
    EXPECT_EQ(head.localMatrix[9], -1.0f);
    EXPECT_TRUE(head.smooth == 1u && m.objects[1].smooth == 0u);
    // Mapping before the face list: (u, 1 - v), vertex flag cleared.
    EXPECT_EQ(head.faces[1].uv[1][0], 1.0f);
    EXPECT_EQ(head.faces[1].uv[1][1], 0.0f);
    EXPECT_EQ(v3.unmapped, 0u);
    // The material group names face 1 only.
    EXPECT_EQ(head.faces[0].material, &m.materials[0]);
    EXPECT_EQ(head.faces[1].material, &m.materials[2]);
}

TEST_F(RichModel, UWrapExampleMovesTheJumpingCorner)
{
    const ModelObject& jaw = model_->objects[1];
    EXPECT_FLOAT_EQ(jaw.faces[0].uv[0][0], 0.2f);
    EXPECT_FLOAT_EQ(jaw.faces[0].uv[1][0], -0.5f);  // 6.5 - 7
    EXPECT_FLOAT_EQ(jaw.faces[0].uv[2][0], 0.4f);
    EXPECT_FLOAT_EQ(jaw.faces[1].uv[0][0], 6.5f);  // unflagged face untouched
    for (int i = 0; i < 12; ++i) EXPECT_EQ(jaw.localMatrix[i], (i % 4 == 0 && i < 9) ? 1.0f : 0.0f);
}

TEST(ModelLoader, MappingAfterTheFaceListIsNotUsed)
{
    Writer3dsScene scene;
    scene.meshes = {Quad("m")};
    scene.meshes[0].uv.assign(8, 0.9f);
    scene.meshes[0].mappingAfterFaces = true;
    ModelPtr model = Parse(scene);
    ASSERT_TRUE(model);
    // Every vertex normal is (0, -1, 0): uv = (0.5, 0).
    const ModelFace* f = model->faces;
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(f[i / 3].uv[i % 3][0] == 0.5f && f[i / 3].uv[i % 3][1] == 0.0f) << i;
    EXPECT_EQ(model->vertices[0].unmapped, 1u);
}

TEST_F(RichModel, LightsAndCameraWithBankInRadians)
{
    const Model& m = *model_;
    ASSERT_EQ(m.lightCount, 2u);
    const ModelLight& omni = m.lights[0];
    EXPECT_TRUE(omni.position[1] == 3.0f && omni.position[2] == 2.0f);
    EXPECT_EQ(omni.color, 0x00FF7F3Fu);
    EXPECT_TRUE(omni.spot == 0 && m.lights[1].spot == 1);
    EXPECT_EQ(m.lights[1].target[2], 5.0f);
    ASSERT_EQ(m.cameraCount, 1u);
    const ModelCamera& cam = m.cameras[0];
    EXPECT_FLOAT_EQ(cam.bank, 0.7853982f);
    EXPECT_EQ(cam.lens, 50.0f);
    EXPECT_TRUE(cam.position[2] == -10.0f && cam.target[1] == 4.0f);
    EXPECT_EQ(cam.nearRange, 0x3F800000u);  // 1.0f and 1000.0f, bits kept
    EXPECT_EQ(cam.farRange, 0x447A0000u);
}

TEST_F(RichModel, NodesOfEveryKindAndDummiesNamedByInstance)
{
    const Model& m = *model_;
    ASSERT_EQ(m.nodeCount, 9u);
    ASSERT_EQ(m.dummyCount, 2u);
    EXPECT_STREQ(m.dummies[0].name, "a");
    EXPECT_STREQ(m.dummies[1].name, "b");
    EXPECT_EQ(m.dummies[1].parent, 1u);
    EXPECT_EQ(m.dummies[0].positionTrack.keys[0].value[3], 1.0f);  // file y lands in z
    EXPECT_EQ(m.dummies[1].positionTrack.keys[0].value[3], 2.0f);
    const uint32_t kinds[9] = {1, 1, 1, 2, 4, 3, 3, 5, 1};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(m.nodes[i].kind, kinds[i]) << i;
    EXPECT_EQ(m.nodes[0].AsObject(), &m.objects[0]);
    EXPECT_EQ(m.nodes[2].AsObject(), &m.dummies[1]);
    EXPECT_EQ(m.nodes[4].AsCamera(), &m.cameras[0]);
    EXPECT_EQ(m.nodes[6].AsLight(), &m.lights[1]);
    EXPECT_EQ(m.nodes[8].record, nullptr);
    EXPECT_EQ(m.cameras[0].targetParent, 7u);
    const float* pivot = m.objects[0].pivot;
    EXPECT_TRUE(pivot[0] == -1.0f && pivot[1] == -3.0f && pivot[2] == -2.0f);
}

TEST_F(RichModel, TracksReadSplineFlagsAccumulateRotationsAndGetTangents)
{
    const ModelObject& head = model_->objects[0];
    ASSERT_EQ(head.positionTrack.count, 3u);
    const TrackKey* pos = head.positionTrack.keys.get();
    EXPECT_TRUE(pos[0].value[1] == 1.0f && pos[0].value[2] == 3.0f && pos[0].value[3] == 2.0f);
    EXPECT_TRUE(pos[1].frame == 10u && pos[1].tension == 0.25f && pos[1].continuity == -0.5f);
    EXPECT_TRUE(pos[1].bias == 0.5f && pos[1].easeTo == 0.1f && pos[1].easeFrom == 0.2f);
    EXPECT_EQ(pos[1].value[1], 4.0f);  // the float of flag bit 6 was read past
    // Three keys (x = 1, 4, 10 at frames 0, 10, 30): end rules outside,
    // TCB with T 0.25, C -0.5, B 0.5 on the inner key.
    EXPECT_FLOAT_EQ(pos[0].tangentOut[1], 3.0f);
    EXPECT_FLOAT_EQ(pos[2].tangentIn[1], 6.0f);
    EXPECT_FLOAT_EQ(pos[1].tangentIn[1], 2.578125f);
    EXPECT_FLOAT_EQ(pos[1].tangentOut[1], 2.953125f);

    // Two quarter turns about file Z accumulate to a half turn about -Y.
    ASSERT_EQ(head.rotationTrack.count, 2u);
    const float* q0 = head.rotationTrack.keys[0].value;
    const float* q1 = head.rotationTrack.keys[1].value;
    EXPECT_FLOAT_EQ(q0[0], std::cos(0.7853982f));
    EXPECT_FLOAT_EQ(q0[2], -std::sin(0.7853982f));
    const float half[4] = {0, 0, -1, 0};
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(q1[c], half[c], 1e-7f) << c;
    EXPECT_FLOAT_EQ(head.rotationTrack.keys[0].tangentOut[2],
                    q1[2] - q0[2]);  // two keys: the difference
    ASSERT_EQ(head.scaleTrack.count, 1u);
    EXPECT_EQ(head.scaleTrack.keys[0].tangentOut[1], 0.0f);  // one key: none

    ASSERT_EQ(head.hideTrack.count, 3u);
    EXPECT_TRUE(head.hideTrack.keys[0].state == 65535u && head.hideTrack.keys[1].state == 0u);
    EXPECT_EQ(head.hideTrack.keys[2].frame, 12u);
    ASSERT_EQ(head.morphTrack.count, 2u);
    EXPECT_EQ(head.morphTrack.keys[0].target, &model_->objects[1]);
    EXPECT_EQ(head.morphTrack.keys[1].target, nullptr);

    const ModelCamera& cam = model_->cameras[0];
    ASSERT_EQ(cam.fovTrack.count, 2u);
    EXPECT_FLOAT_EQ(cam.fovTrack.keys[0].value[0], 90.0f * 0.017453292f);  // degrees to radians
    EXPECT_FLOAT_EQ(cam.rollTrack.keys[0].value[0], 3.1415927f);
    EXPECT_EQ(cam.targetTrack.keys[0].value[2], 3.0f);
    const ModelLight& spot = model_->lights[1];
    EXPECT_TRUE(spot.hotspotTrack.keys[0].value[0] == 30.0f &&
                spot.falloffTrack.keys[0].value[0] == 45.0f);
    EXPECT_FLOAT_EQ(spot.rollTrack.keys[0].value[0], 1.5707964f);
}

TEST(TrackPreparation, RotationKeysTakeFileAxesAndThePreviousKeyOnTheLeft)
{
    float q[4];
    RotationKeyQuaternion(3.1415927f, 0, 1, 0, q);
    EXPECT_NEAR(q[3], -1.0f, 1e-7f);  // file Y lands on model Z, negated
    const float i[4] = {0, 1, 0, 0}, j[4] = {0, 0, 1, 0};
    MultiplyQuaternion(i, j, q);
    EXPECT_EQ(q[3], 1.0f);  // i * j = k
    MultiplyQuaternion(j, i, q);
    EXPECT_EQ(q[3], -1.0f);
}

TEST(ModelLoader, DamagedFilesAreRejected)
{
    Writer3dsScene outOfRange;
    outOfRange.meshes.push_back(Quad("m"));
    outOfRange.meshes[0].faces[5] = 4;  // only vertices 0..3 exist
    const Bytes files[] = {
        {},                        // nothing
        {0x4D, 0x4D, 5, 0, 0},     // shorter than a chunk header
        {0x4D, 0x4D, 3, 0, 0, 0},  // root length below its own header
        Write3ds(outOfRange),      // face naming a vertex beyond its object
    };
    for (const Bytes& file : files) EXPECT_EQ(Parse(file), nullptr) << file.size() << " bytes";
    EXPECT_EQ(LoadModel("/nonexistent/data.rar", "data/model/thead.3ds"), nullptr);
}

TEST(ModelLoader, LimitsOfMaterialsNodesNamesAndGroupIndices)
{
    Writer3dsScene scene;
    scene.materials.resize(300);
    for (size_t i = 0; i < 300; ++i) scene.materials[i].name = "m" + std::to_string(i);
    const std::string longName = "a_very_long_object_name_of_31ch";
    scene.meshes = {Quad(longName), Quad("b")};
    // Indices 2 and 60000 lie outside object a: skipped (writes past the pool
    // are caught under ASan). "m299" is past the 255 materials kept and
    // "missing" names nothing.
    scene.meshes[0].groups = {{"m254", {0, 2, 60000}}, {"m299", {1}}, {"missing", {1}}};
    scene.nodes.assign(8200, testscenes::Node(kNode3dsObject, longName, {}));
    for (Writer3dsNode& node : scene.nodes) node.parent = 3;
    scene.nodes.back().parent = 42;  // beyond the 8192 nodes kept: not applied
    ModelPtr model = Parse(scene);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->materialCount, 256u);
    EXPECT_STREQ(model->materials[255].name, "m254");
    EXPECT_EQ(model->faces[0].material, &model->materials[255]);
    for (int f = 1; f < 4; ++f) EXPECT_EQ(model->faces[f].material, &model->materials[0]) << f;
    EXPECT_EQ(std::string(model->objects[0].name), longName.substr(0, 19));
    EXPECT_EQ(model->nodeCount, 8192u);
    EXPECT_EQ(model->nodes[0].record, &model->objects[0]);  // the cut name still matches
    EXPECT_EQ(model->objects[0].parent, 3u);
}

TEST(ModelLoader, CountsBeyondTheirDataAreCut)
{
    // 1000 vertices claimed, 3 held; 1000 (u, v) pairs claimed, 1 held;
    // 500 faces claimed, 1 held; 60000 keys claimed, 1 held.
    const Bytes mesh = Cat({Chunk(0x4110, Cat({U16(1000), Bytes(36, 0)})),
                            Chunk(0x4140, Cat({U16(1000), F32(0.25f), F32(0.5f)})),
                            Chunk(0x4120, Cat({U16(500), U16(0), U16(1), U16(2), U16(0)}))});
    const Bytes editor = Chunk(0x3D3D, Chunk(0x4000, Cat({Text("tri"), Chunk(0x4100, mesh)})));
    const Bytes track =
        Cat({U16(0), U32(0), U32(0), U32(60000), U32(3), U16(0), F32(1), F32(2), F32(3)});
    const Bytes header = Chunk(0xB010, Cat({Text("tri"), U16(0), U16(0), U16(0xFFFF)}));
    const Bytes keyframer = Chunk(0xB000, Chunk(0xB002, Cat({header, Chunk(0xB020, track)})));
    ModelPtr model = Parse(Chunk(0x4D4D, Cat({editor, keyframer})));
    ASSERT_TRUE(model);
    EXPECT_EQ(model->vertexCount, 3u);
    EXPECT_EQ(model->faceCount, 1u);
    EXPECT_TRUE(model->faces[0].uv[0][0] == 0.25f && model->faces[0].uv[0][1] == 0.5f);
    EXPECT_EQ(model->vertices[1].unmapped, 1u);
    const KeyTrack& positions = model->objects[0].positionTrack;
    ASSERT_EQ(positions.count, 1u);
    EXPECT_TRUE(positions.keys[0].frame == 3u && positions.keys[0].value[2] == 3.0f);
}

TEST(ModelLoader, ChunkRunningPastItsParentEndsThatParent)
{
    // The second object's length runs far past the editor: it is ignored,
    // the first object and the keyframer after the editor still load.
    const Bytes mesh = Chunk(0x4100, Chunk(0x4110, Cat({U16(1), Bytes(12, 0)})));
    Bytes bad = Chunk(0x4000, Cat({Text("bad"), mesh}));
    bad[2] = bad[3] = 0xFF;
    const Bytes editor = Chunk(0x3D3D, Cat({Chunk(0x4000, Cat({Text("ok"), mesh})), bad}));
    const Bytes header = Chunk(0xB010, Cat({Text("ok"), U16(0), U16(0), U16(5)}));
    const Bytes file = Chunk(0x4D4D, Cat({editor, Chunk(0xB000, Chunk(0xB002, header))}));
    ModelPtr model = Parse(file);
    ASSERT_TRUE(model);
    ASSERT_EQ(model->objectCount, 1u);
    EXPECT_STREQ(model->objects[0].name, "ok");
    EXPECT_EQ(model->objects[0].parent, 5u);
}

TEST(ModelLoader, RootOfAnotherIdThan4D4DIsReadAndCutToTheBuffer)
{
    Writer3dsScene scene = testscenes::RichScene();
    scene.rootId = 0x1234;
    Bytes file = Write3ds(scene);
    ModelPtr model = Parse(file);
    ASSERT_TRUE(model);
    EXPECT_TRUE(model->objectCount == 2u && model->nodeCount == 9u);
    file.resize(file.size() - 3);  // the root's length now runs past the buffer
    model = Parse(file);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->objectCount, 2u);
}

}  // namespace
}  // namespace sunvale
