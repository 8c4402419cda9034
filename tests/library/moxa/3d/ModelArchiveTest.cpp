// LoadModel through a real archive: files packed with the RAR packer,
// extracted by the reader and parsed, including a head-sized sphere mesh.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "TestScenes.h"
#include "library/moxa/3d/ModelLoader.h"
#include "library/moxa/3d/writer/Writer3ds.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace sunvale {
namespace {

// A UV sphere of radius 2 around the file origin: rings x segments vertices.
Writer3dsMesh Sphere(int rings, int segments) {
    Writer3dsMesh mesh;
    mesh.name = "sphere";
    for (int r = 0; r < rings; ++r) {
        const float theta = 3.1415927f * (r + 0.5f) / rings;
        for (int s = 0; s < segments; ++s) {
            const float phi = 6.2831855f * s / segments;
            mesh.xyz.push_back(2.0f * std::sin(theta) * std::cos(phi));
            mesh.xyz.push_back(2.0f * std::sin(theta) * std::sin(phi));
            mesh.xyz.push_back(2.0f * std::cos(theta));
        }
    }
    for (int r = 0; r + 1 < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const uint16_t a = static_cast<uint16_t>(r * segments + s);
            const uint16_t b = static_cast<uint16_t>(r * segments + (s + 1) % segments);
            const uint16_t c = static_cast<uint16_t>((r + 1) * segments + s);
            const uint16_t d = static_cast<uint16_t>((r + 1) * segments + (s + 1) % segments);
            // Clockwise seen from outside in file axes: the loader's Y/Z
            // exchange mirrors the mesh, so the model's normals point outward.
            mesh.faces.insert(mesh.faces.end(), {a, b, c, 0, b, d, c, 0});
        }
    mesh.smoothing.assign(mesh.faces.size() / 4, 1);
    return mesh;
}

class ModelArchive : public ::testing::Test {
protected:
    void SetUp() override {
        archive_ = ::testing::TempDir() + "moxa_3d_models.rar";
        Writer3dsScene head;
        head.meshes.push_back(Sphere(60, 100));
        std::vector<RarPackEntry> entries = {
            {"data/model/thead.3ds", Write3ds(head), 0},
            {"data/model/rich.3ds", Write3ds(testscenes::RichScene()), 0},
        };
        std::string error;
        ASSERT_TRUE(WriteRarArchive(archive_.c_str(), entries, RarPackOptions(), &error)) << error;
    }
    void TearDown() override { std::remove(archive_.c_str()); }

    std::string archive_;
};

TEST_F(ModelArchive, LoadsEntriesByCaseInsensitiveNameAndMatchesTheParser) {
    std::unique_ptr<Model> rich(LoadModel(archive_.c_str(), "DATA/MODEL/RICH.3DS"));
    ASSERT_TRUE(rich);
    EXPECT_EQ(rich->name, "DATA/MODEL/RICH.3DS");
    const std::vector<uint8_t> bytes = Write3ds(testscenes::RichScene());
    std::unique_ptr<Model> direct(ParseModel(bytes.data(), bytes.size(), "x"));
    ASSERT_TRUE(direct);
    EXPECT_EQ(rich->objectCount, direct->objectCount);
    EXPECT_EQ(rich->nodeCount, direct->nodeCount);
    EXPECT_EQ(rich->objects[0].rotationTrack.keys[1].value[2], direct->objects[0].rotationTrack.keys[1].value[2]);
    EXPECT_EQ(LoadModel(archive_.c_str(), "data/model/missing.3ds"), nullptr);
}

TEST_F(ModelArchive, HeadSizedSphereHasOutwardNormalsAndNormalUvs) {
    std::unique_ptr<Model> model(LoadModel(archive_.c_str(), "data/model/thead.3ds"));
    ASSERT_TRUE(model);
    ASSERT_EQ(model->objectCount, 1u);
    const ModelObject& sphere = model->objects[0];
    EXPECT_EQ(sphere.vertexCount, 6000u);
    EXPECT_EQ(sphere.faceCount, 11800u);
    for (uint32_t v = 0; v < sphere.vertexCount; v += 37) {
        const ModelVertex& vertex = sphere.vertices[v];
        // The averaged face normal points along the position, nearly unit.
        float dot = 0.0f, len = 0.0f;
        for (int j = 0; j < 3; ++j) {
            dot += vertex.normal[j] * vertex.position[j] / 2.0f;
            len += vertex.normal[j] * vertex.normal[j];
        }
        EXPECT_GT(dot, 0.95f) << v;
        EXPECT_NEAR(std::sqrt(len), 1.0f, 0.05f) << v;
        EXPECT_EQ(vertex.localNormal[0], vertex.normal[0]);  // identity mesh matrix
    }
    const ModelFace& face = sphere.faces[500];
    EXPECT_FLOAT_EQ(face.uv[0][0], face.vertex[0]->normal[0] * 0.5f + 0.5f);
    EXPECT_NEAR(sphere.boundsMax[1], 2.0f, 0.01f);
    EXPECT_NEAR(sphere.boundsMin[2], -2.0f, 0.05f);
}

#ifdef MOXA_BINARY
TEST_F(ModelArchive, MoxaModelPrintsTheSummaryLine) {
    const std::string command = std::string(MOXA_BINARY) + " model " + archive_ + " data/model/rich.3ds";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0);
    const std::string first = output.substr(0, output.find('\n'));
    EXPECT_EQ(first, "objects 2 vertices 8 faces 4 materials 3 lights 2 cameras 1 dummies 2 nodes 9 frames 101");
    EXPECT_NE(output.find("dummy 1 \"b\""), std::string::npos);
    EXPECT_NE(output.find("tracks position 3 rotation 2 scale 1 hide 3 morph 2"), std::string::npos);
    EXPECT_NE(output.find("texture data/texture/skin.jpg"), std::string::npos);

    const std::string missing = std::string(MOXA_BINARY) + " model " + archive_ + " nothing.3ds 2>/dev/null";
    EXPECT_NE(std::system(missing.c_str()), 0);
}
#endif

}  // namespace
}  // namespace sunvale
