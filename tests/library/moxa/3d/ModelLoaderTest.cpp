// The 3DS loader on files built by the 3DS writer: every chunk kind, the axis
// exchange, keyframer nodes and tracks, and damaged files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "TestScenes.h"
#include "library/moxa/3d/ModelLoader.h"
#include "library/moxa/3d/writer/Writer3ds.h"

namespace sunvale {
namespace {

using testscenes::Key;
using testscenes::Quad;
using testscenes::RichScene;

using ModelPtr = std::unique_ptr<Model>;

ModelPtr Parse(const std::vector<uint8_t>& bytes) {
    return ModelPtr(ParseModel(bytes.data(), bytes.size(), "data/model/test.3ds"));
}

ModelPtr Parse(const Writer3dsScene& scene) {
    return Parse(Write3ds(scene));
}

uint32_t FloatBits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

std::vector<uint8_t> Bytes(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
std::vector<uint8_t> U16(uint16_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
std::vector<uint8_t> U32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
std::vector<uint8_t> F32(float f) { return U32(FloatBits(f)); }
std::vector<uint8_t> Text(const std::string& s) {
    std::vector<uint8_t> out(s.begin(), s.end());
    out.push_back(0);
    return out;
}
std::vector<uint8_t> Chunk(uint16_t id, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> out;
    Append3dsChunk(out, id, payload);
    return out;
}

TEST(ModelLoader, RichSceneMaterialsAndAmbient) {
    ModelPtr model = Parse(RichScene());
    ASSERT_TRUE(model);
    EXPECT_EQ(model->name, "data/model/test.3ds");
    ASSERT_EQ(model->materialCount, 3u);
    const ModelMaterial& def = model->materials[0];
    EXPECT_STREQ(def.name, "default");
    EXPECT_EQ(def.color[0], 240);
    EXPECT_EQ(def.color[3], 0);
    EXPECT_EQ(def.diffuse[1], 1.0f);
    const ModelMaterial& skin = model->materials[1];
    EXPECT_STREQ(skin.name, "skin");
    EXPECT_EQ(skin.color[0], 0);
    EXPECT_FLOAT_EQ(skin.ambient[0], 1.0f);
    EXPECT_FLOAT_EQ(skin.diffuse[1], 0.2f);
    EXPECT_FLOAT_EQ(skin.specular[2], 0.4f);
    EXPECT_EQ(skin.twoSided, 1u);
    EXPECT_EQ(skin.wire, 0u);
    EXPECT_EQ(skin.textureMap.fileName, "data/texture/skin.jpg");
    EXPECT_EQ(skin.bumpMap.fileName, "bump.png");
    EXPECT_FALSE(skin.opacityMap.Present());
    EXPECT_EQ(model->materials[2].wire, 1u);
    EXPECT_EQ(model->ambient[0], 10.0f);
    EXPECT_EQ(model->frameCount, 101);
    EXPECT_EQ(model->playbackRate, 60.0f);
}

TEST(ModelLoader, RichSceneGeometryWithAxisExchangeAndMeshMatrix) {
    ModelPtr model = Parse(RichScene());
    ASSERT_TRUE(model);
    ASSERT_EQ(model->objectCount, 2u);
    EXPECT_EQ(model->vertexCount, 8u);
    EXPECT_EQ(model->faceCount, 4u);
    const ModelObject& head = model->objects[0];
    EXPECT_STREQ(head.name, "head");
    EXPECT_EQ(head.vertices, model->vertices);
    EXPECT_EQ(model->objects[1].vertices, model->vertices + 4);
    EXPECT_EQ(model->objects[1].faces, model->faces + 2);
    // File (1, 1, 0) is stored as (1, 0, 1); the mesh matrix moved the
    // object to x = 1, so local positions move back by 1.
    const ModelVertex& v3 = head.vertices[3];
    EXPECT_EQ(v3.position[0], 1.0f);
    EXPECT_EQ(v3.position[1], 0.0f);
    EXPECT_EQ(v3.position[2], 1.0f);
    EXPECT_EQ(v3.local[0], 0.0f);
    EXPECT_EQ(v3.local[2], 1.0f);
    EXPECT_EQ(head.boundsMin[0], -1.0f);
    EXPECT_EQ(head.boundsMax[0], 0.0f);
    EXPECT_EQ(head.boundsMax[2], 1.0f);
    EXPECT_EQ(head.faces[0].normal[1], -1.0f);
    EXPECT_EQ(head.faces[0].corners, 3u);
    EXPECT_EQ(head.faces[0].objectMatrix, head.localMatrix);
    EXPECT_EQ(head.localMatrix[9], -1.0f);
    EXPECT_EQ(head.smooth, 1u);
    EXPECT_EQ(model->objects[1].smooth, 0u);
    // Mapping before the faces: (u, 1 - v), vertex flag cleared.
    EXPECT_EQ(head.faces[1].uv[1][0], 1.0f);
    EXPECT_EQ(head.faces[1].uv[1][1], 0.0f);
    EXPECT_EQ(v3.unmapped, 0u);
    // Material group names face 1 only.
    EXPECT_EQ(head.faces[0].material, &model->materials[0]);
    EXPECT_EQ(head.faces[1].material, &model->materials[2]);
    // The lattice effect's view: face corners as indices from the first vertex.
    EXPECT_EQ(head.faces[1].vertex[1] - head.vertices, 3);
}

TEST(ModelLoader, UWrapExampleFromTheFile) {
    ModelPtr model = Parse(RichScene());
    ASSERT_TRUE(model);
    const ModelObject& jaw = model->objects[1];
    EXPECT_FLOAT_EQ(jaw.faces[0].uv[0][0], 0.2f);
    EXPECT_FLOAT_EQ(jaw.faces[0].uv[1][0], -0.5f);
    EXPECT_FLOAT_EQ(jaw.faces[0].uv[2][0], 0.4f);
    EXPECT_EQ(jaw.faces[0].flags, 8u);
    EXPECT_FLOAT_EQ(jaw.faces[1].uv[0][0], 6.5f);  // unflagged face untouched
    for (int i = 0; i < 12; ++i) EXPECT_EQ(jaw.localMatrix[i], (i % 4 == 0 && i < 9) ? 1.0f : 0.0f);
}

TEST(ModelLoader, MappingAfterFaceListIsNotUsed) {
    Writer3dsScene scene;
    Writer3dsMesh mesh = Quad("m");
    mesh.uv = {0.9f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f};
    mesh.mappingAfterFaces = true;
    scene.meshes.push_back(mesh);
    ModelPtr model = Parse(scene);
    ASSERT_TRUE(model);
    // Every vertex normal is (0, -1, 0): uv = (0.5, 0).
    for (uint32_t f = 0; f < 2; ++f)
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(model->faces[f].uv[c][0], 0.5f);
            EXPECT_EQ(model->faces[f].uv[c][1], 0.0f);
        }
    EXPECT_EQ(model->vertices[0].unmapped, 1u);
}

TEST(ModelLoader, LightsAndCameraWithBankInRadians) {
    ModelPtr model = Parse(RichScene());
    ASSERT_TRUE(model);
    ASSERT_EQ(model->lightCount, 2u);
    const ModelLight& omni = model->lights[0];
    EXPECT_STREQ(omni.name, "omni");
    EXPECT_EQ(omni.position[1], 3.0f);
    EXPECT_EQ(omni.position[2], 2.0f);
    EXPECT_EQ(omni.color, 0x00FF7F3Fu);
    EXPECT_EQ(omni.colorScaled[1], 127.0f);
    EXPECT_EQ(omni.spot, 0);
    EXPECT_EQ(model->lights[1].spot, 1);
    EXPECT_EQ(model->lights[1].target[2], 5.0f);
    ASSERT_EQ(model->cameraCount, 1u);
    const ModelCamera& cam = model->cameras[0];
    EXPECT_FLOAT_EQ(cam.bank, 0.7853982f);
    EXPECT_EQ(cam.lens, 50.0f);
    EXPECT_EQ(cam.position[2], -10.0f);
    EXPECT_EQ(cam.target[1], 4.0f);
    EXPECT_EQ(cam.nearRange, FloatBits(1.0f));
    EXPECT_EQ(cam.farRange, FloatBits(1000.0f));
}

TEST(ModelLoader, NodesDummiesAndKinds) {
    ModelPtr model = Parse(RichScene());
    ASSERT_TRUE(model);
    ASSERT_EQ(model->nodeCount, 9u);
    ASSERT_EQ(model->dummyCount, 2u);
    EXPECT_STREQ(model->dummies[0].name, "a");
    EXPECT_STREQ(model->dummies[1].name, "b");
    EXPECT_EQ(model->dummies[0].smooth, 1u);
    EXPECT_EQ(model->dummies[1].parent, 1u);
    EXPECT_EQ(model->dummies[1].positionTrack.keys[0].value[3], 2.0f);  // file y lands in z
    EXPECT_EQ(model->dummies[0].positionTrack.keys[0].value[3], 1.0f);
    const uint32_t kinds[9] = {1, 1, 1, 2, 4, 3, 3, 5, 1};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(model->nodes[i].kind, kinds[i]) << i;
    EXPECT_EQ(model->nodes[0].AsObject(), &model->objects[0]);
    EXPECT_EQ(model->nodes[1].AsObject(), &model->dummies[0]);
    EXPECT_EQ(model->nodes[2].AsObject(), &model->dummies[1]);
    EXPECT_EQ(model->nodes[4].AsCamera(), &model->cameras[0]);
    EXPECT_EQ(model->nodes[6].AsLight(), &model->lights[1]);
    EXPECT_EQ(model->nodes[8].record, nullptr);
    EXPECT_EQ(model->objects[0].parent, 65535u);
    EXPECT_EQ(model->cameras[0].targetParent, 7u);
    EXPECT_EQ(model->objects[0].pivot[0], -1.0f);
    EXPECT_EQ(model->objects[0].pivot[1], -3.0f);
    EXPECT_EQ(model->objects[0].pivot[2], -2.0f);
}

TEST(ModelLoader, TracksWithSplineFlagsAndPreparedTangents) {
    ModelPtr model = Parse(RichScene());
    ASSERT_TRUE(model);
    const ModelObject& head = model->objects[0];
    ASSERT_EQ(head.positionTrack.count, 3u);
    const TrackKey* pos = head.positionTrack.keys.get();
    EXPECT_EQ(pos[0].value[1], 1.0f);
    EXPECT_EQ(pos[0].value[2], 3.0f);
    EXPECT_EQ(pos[0].value[3], 2.0f);
    EXPECT_EQ(pos[1].frame, 10u);
    EXPECT_EQ(pos[1].tension, 0.25f);
    EXPECT_EQ(pos[1].continuity, -0.5f);
    EXPECT_EQ(pos[1].bias, 0.5f);
    EXPECT_EQ(pos[1].easeTo, 0.1f);
    EXPECT_EQ(pos[1].easeFrom, 0.2f);
    EXPECT_EQ(pos[1].value[1], 4.0f);  // the float of flag bit 6 was read past
    EXPECT_EQ(pos[2].value[3], 8.0f);
    EXPECT_NE(pos[1].tangentIn[1], 0.0f);
    EXPECT_FLOAT_EQ(pos[0].tangentOut[1], ((4 - 1 - 3.0f) * 1.5f + (0.75f - 10.0f / 60.0f) * 6) * 1.0f);

    ASSERT_EQ(head.rotationTrack.count, 2u);
    const float* q0 = head.rotationTrack.keys[0].value;
    const float* q1 = head.rotationTrack.keys[1].value;
    EXPECT_FLOAT_EQ(q0[0], std::cos(0.7853982f));
    EXPECT_FLOAT_EQ(q0[2], -std::sin(0.7853982f));
    EXPECT_NEAR(q1[0], 0.0f, 1e-7f);
    EXPECT_NEAR(q1[1], 0.0f, 1e-7f);
    EXPECT_NEAR(q1[2], -1.0f, 1e-7f);
    EXPECT_NEAR(q1[3], 0.0f, 1e-7f);
    // Two keys: tangents are the value difference.
    EXPECT_FLOAT_EQ(head.rotationTrack.keys[0].tangentOut[2], q1[2] - q0[2]);

    ASSERT_EQ(head.scaleTrack.count, 1u);
    EXPECT_EQ(head.scaleTrack.keys[0].tangentOut[1], 0.0f);

    ASSERT_EQ(head.hideTrack.count, 3u);
    EXPECT_EQ(head.hideTrack.keys[0].state, 65535u);
    EXPECT_EQ(head.hideTrack.keys[1].state, 0u);
    EXPECT_EQ(head.hideTrack.keys[2].state, 65535u);
    EXPECT_EQ(head.hideTrack.keys[2].frame, 12u);

    ASSERT_EQ(head.morphTrack.count, 2u);
    EXPECT_EQ(head.morphTrack.keys[0].target, &model->objects[1]);
    EXPECT_EQ(head.morphTrack.keys[1].target, nullptr);
    EXPECT_EQ(head.morphTrack.keys[1].frame, 4u);

    const ModelCamera& cam = model->cameras[0];
    ASSERT_EQ(cam.fovTrack.count, 2u);
    EXPECT_FLOAT_EQ(cam.fovTrack.keys[0].value[0], 90.0f * 0.017453292f);
    EXPECT_FLOAT_EQ(cam.rollTrack.keys[0].value[0], 3.1415927f);
    EXPECT_EQ(cam.targetTrack.keys[0].value[2], 3.0f);
    EXPECT_FLOAT_EQ(model->lights[0].colorTrack.keys[0].value[1], 0.1f);
    EXPECT_FLOAT_EQ(model->lights[0].colorTrack.keys[0].value[2], 0.2f);
    const ModelLight& spot = model->lights[1];
    EXPECT_EQ(spot.hotspotTrack.keys[0].value[0], 30.0f);
    EXPECT_EQ(spot.falloffTrack.keys[0].value[0], 45.0f);
    EXPECT_FLOAT_EQ(spot.rollTrack.keys[0].value[0], 1.5707964f);
    EXPECT_EQ(spot.targetTrack.count, 1u);
}

TEST(ModelLoader, RootIdOtherThan4D4DIsRead) {
    Writer3dsScene scene = RichScene();
    scene.rootId = 0x1234;
    ModelPtr model = Parse(scene);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->objectCount, 2u);
    EXPECT_EQ(model->nodeCount, 9u);
}

TEST(ModelLoader, FileWithoutEditorOrKeyframer) {
    Writer3dsScene scene = RichScene();
    scene.hasEditor = false;
    ModelPtr model = Parse(scene);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->materialCount, 1u);
    EXPECT_STREQ(model->materials[0].name, "default");
    EXPECT_EQ(model->objectCount, 0u);
    EXPECT_EQ(model->objects, nullptr);
    EXPECT_EQ(model->vertices, nullptr);
    EXPECT_EQ(model->nodeCount, 9u);       // nodes remain, naming nothing but dummies
    EXPECT_EQ(model->nodes[0].record, nullptr);
    EXPECT_EQ(model->dummyCount, 2u);
    scene = RichScene();
    scene.hasKeyframer = false;
    model = Parse(scene);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->nodeCount, 0u);
    EXPECT_EQ(model->frameCount, 0);
    EXPECT_EQ(model->objects[0].positionTrack.count, 0u);
}

TEST(ModelLoader, TooShortBufferIsRejected) {
    EXPECT_EQ(ParseModel(nullptr, 0, "x"), nullptr);
    const uint8_t tiny[5] = {0x4D, 0x4D, 5, 0, 0};
    EXPECT_EQ(ParseModel(tiny, sizeof tiny, "x"), nullptr);
    const uint8_t badLength[6] = {0x4D, 0x4D, 3, 0, 0, 0};
    EXPECT_EQ(ParseModel(badLength, sizeof badLength, "x"), nullptr);
    EXPECT_EQ(LoadModel("/nonexistent/data.rar", "data/model/thead.3ds"), nullptr);
}

TEST(ModelLoader, FaceNamingVertexBeyondItsObjectRejectsTheFile) {
    Writer3dsScene scene;
    Writer3dsMesh mesh = Quad("m");
    mesh.faces[5] = 4;  // only vertices 0..3 exist
    scene.meshes.push_back(mesh);
    EXPECT_EQ(Parse(scene), nullptr);
}

TEST(ModelLoader, MaterialGroupEntriesOutsideTheObjectOrNamingNothingAreSkipped) {
    Writer3dsScene scene;
    Writer3dsMaterial mat;
    mat.name = "red";
    scene.materials.push_back(mat);
    Writer3dsMesh a = Quad("a");
    a.groups.push_back({"red", {7, 1, 60000}});
    a.groups.push_back({"missing", {0}});
    scene.meshes.push_back(a);
    scene.meshes.push_back(Quad("b"));
    ModelPtr model = Parse(scene);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->faces[0].material, &model->materials[0]);
    EXPECT_EQ(model->faces[1].material, &model->materials[1]);
    EXPECT_EQ(model->faces[2].material, &model->materials[0]);  // object b's faces untouched
    EXPECT_EQ(model->faces[3].material, &model->materials[0]);
}

TEST(ModelLoader, MoreThan255MaterialsKeepsTheFirst255) {
    Writer3dsScene scene;
    for (int i = 0; i < 300; ++i) {
        Writer3dsMaterial m;
        m.name = "m" + std::to_string(i);
        scene.materials.push_back(m);
    }
    Writer3dsMesh mesh = Quad("q");
    mesh.groups.push_back({"m254", {0}});
    mesh.groups.push_back({"m299", {1}});
    scene.meshes.push_back(mesh);
    ModelPtr model = Parse(scene);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->materialCount, 256u);
    EXPECT_STREQ(model->materials[255].name, "m254");
    EXPECT_EQ(model->faces[0].material, &model->materials[255]);
    EXPECT_EQ(model->faces[1].material, &model->materials[0]);
}

TEST(ModelLoader, LongNamesAreCutTo19AndStillMatchTheirNodes) {
    const std::string longName = "a_very_long_object_name_of_31ch";
    Writer3dsScene scene;
    scene.meshes.push_back(Quad(longName));
    Writer3dsNode node;
    node.name = longName;
    node.parent = 3;
    scene.nodes.push_back(node);
    ModelPtr model = Parse(scene);
    ASSERT_TRUE(model);
    EXPECT_EQ(std::string(model->objects[0].name), longName.substr(0, 19));
    EXPECT_EQ(model->nodes[0].record, &model->objects[0]);
    EXPECT_EQ(model->objects[0].parent, 3u);
}

TEST(ModelLoader, MoreThan8192NodesKeepsTheFirst8192) {
    Writer3dsScene scene;
    scene.meshes.push_back(Quad("q"));
    Writer3dsNode node;
    node.name = "q";
    scene.nodes.assign(8200, node);
    scene.nodes.back().parent = 42;  // beyond the limit: not applied
    ModelPtr model = Parse(scene);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->nodeCount, 8192u);
    EXPECT_EQ(model->objects[0].parent, 65535u);
}

TEST(ModelLoader, CountsBeyondTheirDataAreCut) {
    // Vertex list claiming 1000 vertices but holding 3; face list claiming
    // 500 faces but holding 1; a track claiming 60000 keys holding 1.
    std::vector<uint8_t> verts = Bytes({U16(1000), F32(0), F32(0), F32(0), F32(1), F32(0), F32(0),
                                        F32(0), F32(1), F32(0)});
    std::vector<uint8_t> faces = Bytes({U16(500), U16(0), U16(1), U16(2), U16(0)});
    std::vector<uint8_t> mesh = Bytes({Chunk(0x4110, verts), Chunk(0x4120, faces)});
    std::vector<uint8_t> editor = Chunk(0x3D3D, Chunk(0x4000, Bytes({Text("tri"), Chunk(0x4100, mesh)})));
    std::vector<uint8_t> track = Bytes({U16(0), U32(0), U32(0), U32(60000), U32(3), U16(0), F32(1), F32(2),
                                        F32(3)});
    std::vector<uint8_t> node = Chunk(0xB002, Bytes({Chunk(0xB010, Bytes({Text("tri"), U16(0), U16(0),
                                                                            U16(0xFFFF)})),
                                                     Chunk(0xB020, track)}));
    std::vector<uint8_t> file = Chunk(0x4D4D, Bytes({editor, Chunk(0xB000, node)}));
    ModelPtr model = Parse(file);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->vertexCount, 3u);
    EXPECT_EQ(model->faceCount, 1u);
    EXPECT_EQ(model->objects[0].positionTrack.count, 1u);
    EXPECT_EQ(model->objects[0].positionTrack.keys[0].frame, 3u);
    EXPECT_EQ(model->objects[0].positionTrack.keys[0].value[2], 3.0f);
}

TEST(ModelLoader, ChunkRunningPastItsParentEndsThatParent) {
    // Second named object's length runs past the editor chunk: it is ignored,
    // the first object and the keyframer after the editor still load.
    std::vector<uint8_t> good = Write3ds([] {
        Writer3dsScene s;
        s.meshes.push_back(Quad("ok"));
        s.hasKeyframer = false;
        return s;
    }());
    // good = root{version, editor{...}}: append a broken sub-chunk to the editor.
    std::vector<uint8_t> broken = Chunk(0x4000, Bytes({Text("bad"), Chunk(0x4100, {})}));
    broken[2] = 0xFF;  // length far beyond
    broken[3] = 0xFF;
    const size_t editorAt = 6 + 10;  // after root header and version chunk
    std::vector<uint8_t> file(good.begin(), good.end());
    file.insert(file.end(), broken.begin(), broken.end());
    auto patch = [&](size_t at, uint32_t add) {
        uint32_t len = file[at + 2] | file[at + 3] << 8 | file[at + 4] << 16 | uint32_t(file[at + 5]) << 24;
        len += add;
        for (int i = 0; i < 4; ++i) file[at + 2 + i] = uint8_t(len >> (8 * i));
    };
    patch(0, static_cast<uint32_t>(broken.size()));
    patch(editorAt, static_cast<uint32_t>(broken.size()));
    ASSERT_EQ(file[editorAt], 0x3D);
    ASSERT_EQ(file[editorAt + 1], 0x3D);
    ModelPtr model = Parse(file);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->objectCount, 1u);
    EXPECT_STREQ(model->objects[0].name, "ok");

    // A root whose length exceeds the buffer is cut to the buffer.
    std::vector<uint8_t> truncated = Write3ds(RichScene());
    truncated.resize(truncated.size() - 3);
    ModelPtr partial = Parse(truncated);
    ASSERT_TRUE(partial);
    EXPECT_EQ(partial->objectCount, 2u);
}

}  // namespace
}  // namespace sunvale
