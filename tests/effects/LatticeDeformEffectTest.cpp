// The lattice deform effect: the Catmull-Rom spline, the deformation against
// its plain definition (bit for bit, on the generated head and on random
// meshes), clamping at the lattice's border, the model set-up and its
// rejections, and the mesh drawn for real offscreen (feedback-mode vertices,
// pixels, the GL state left behind).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "LatticeReference.h"
#include "OffscreenTest.h"
#include "effects/CLatticeDeformEffect.h"
#include "library/moxa/3d/Model.h"
#include "library/moxa/3d/ModelLoader.h"

namespace sunvale {
namespace {

using Xyz = std::array<float, 3>;

// A one-object model whose pool holds `lead` other vertices before the
// object's own. Only `local` and `localNormal` should be read: `position`
// and `normal` hold decoys.
std::unique_ptr<Model> MakeModel(const std::vector<Xyz>& local, const std::vector<Xyz>& normals,
                                 const std::vector<std::array<int, 3>>& faces, int lead = 2)
{
    auto model = std::make_unique<Model>();
    model->vertexCount = static_cast<uint32_t>(lead + local.size());
    model->vertices = new ModelVertex[model->vertexCount];
    model->faceCount = static_cast<uint32_t>(faces.size());
    model->faces = new ModelFace[faces.size()];
    model->objectCount = 1;
    model->objects = new ModelObject[1];
    ModelObject& object = model->objects[0];
    object.vertices = model->vertices + lead;
    object.vertexCount = static_cast<uint32_t>(local.size());
    object.faces = model->faces;
    object.faceCount = model->faceCount;
    for (size_t v = 0; v < local.size(); ++v) {
        for (int c = 0; c < 3; ++c) {
            object.vertices[v].local[c] = local[v][c];
            object.vertices[v].position[c] = local[v][c] * 3 + 7;
            object.vertices[v].localNormal[c] = normals[v][c];
            object.vertices[v].normal[c] = 9;
        }
    }
    for (size_t f = 0; f < faces.size(); ++f)
        for (int c = 0; c < 3; ++c) model->faces[f].vertex[c] = object.vertices + faces[f][c];
    return model;
}

// A lattice over xyz (3 floats per vertex) with control points cp.
Lattice LatticeOver(const std::vector<float>& xyz, const float* cp, int size = 5)
{
    Lattice lattice;
    lattice.source = xyz.data();
    lattice.sourceStride = 12;
    lattice.sourceCount = static_cast<int32_t>(xyz.size() / 3);
    lattice.controlPoints = cp;
    lattice.controlStride = 12;
    lattice.nx = lattice.ny = lattice.nz = size;
    return lattice;
}

// Control points on the regular grid of the lattice's (enlarged) bounds.
std::vector<float> RestPoints(Lattice& lattice)
{
    lattice.ComputeBounds();
    std::vector<float> cp;
    for (int z = 0; z < 5; ++z)
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x) {
                const int at[3] = {x, y, z};
                for (int c = 0; c < 3; ++c)
                    cp.push_back(lattice.boundsMin[c] +
                                 (lattice.boundsMax[c] - lattice.boundsMin[c]) / 4 * at[c]);
            }
    return cp;
}

// Through the middle points with halfway weights -1/16, 9/16, 9/16, -1/16;
// straight lines stay straight; CatmullRom3 works per component.
TEST(LatticeSpline, PassesThroughTheMiddlePointsAndReproducesStraightLines)
{
    EXPECT_EQ(Lattice::CatmullRom(3, -1.5f, 8, 2, 0), -1.5f);
    EXPECT_NEAR(Lattice::CatmullRom(3, -1.5f, 8, 2, 1), 8, 1e-5f);
    EXPECT_EQ(Lattice::CatmullRom(1, 0, 0, 0, 0.5f), -0.0625f);
    EXPECT_EQ(Lattice::CatmullRom(0, 1, 0, 0, 0.5f), 0.5625f);
    EXPECT_EQ(Lattice::CatmullRom(0, 0, 1, 0, 0.5f), 0.5625f);
    EXPECT_EQ(Lattice::CatmullRom(0, 0, 0, 1, 0.5f), -0.0625f);
    // A quarter of the way: p1 weight 1 - 5/2 s^2 + 3/2 s^3.
    EXPECT_NEAR(Lattice::CatmullRom(0, 1, 0, 0, 0.25f), 0.8671875f, 1e-7f);
    const float p[4][3] = {{0, 10, -2}, {1, 12, -2}, {2, 14, -2}, {3, 16, -2}};
    for (float s = 0; s <= 1; s += 0.125f) {
        EXPECT_NEAR(Lattice::CatmullRom(-4, 1, 6, 11, s), 1 + 5 * s, 1e-5f) << s;
        float out[3];
        Lattice::CatmullRom3(p[0], p[1], p[2], p[3], s, out);
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(out[c], Lattice::CatmullRom(p[0][c], p[1][c], p[2][c], p[3][c], s));
        EXPECT_NEAR(out[1], 12 + 2 * s, 1e-5f);
    }
}

TEST(LatticeDeform, RestLatticeKeepsInnerVerticesAndGridNodes)
{
    // Box from (-2, 1, 0) to (6, 5, 10); inner vertices lie in cells 1 and 2
    // of every axis, where all four points of each run are evenly spaced.
    std::vector<float> xyz = {-2, 1, 0, 6, 5, 10};
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.26f, 0.74f);
    for (int n = 0; n < 200; ++n) {
        xyz.push_back(-2 + 8 * unit(random));
        xyz.push_back(1 + 4 * unit(random));
        xyz.push_back(10 * unit(random));
    }
    xyz.insert(xyz.end(), {2, 3, 5});  // the grid node (2, 2, 2)
    Lattice lattice = LatticeOver(xyz, nullptr);
    const std::vector<float> cp = RestPoints(lattice);
    lattice.controlPoints = cp.data();
    std::vector<float> out(xyz.size(), -99);
    lattice.Deform(out.data(), 12);
    for (size_t n = 6; n < xyz.size(); ++n) EXPECT_NEAR(out[n], xyz[n], 2e-5f) << n;
    // The corners are grid nodes too, 0.0001 inside the enlarged bounds.
    for (int n = 0; n < 6; ++n) EXPECT_NEAR(out[n], xyz[n], 1e-3f) << n;
}

TEST(LatticeDeform, BorderCellsReuseTheClampedBorderPoints)
{
    // Bounds (enlarged) 0..4 on every axis: one unit per cell.
    std::vector<float> xyz = {0.0001f, 0.0001f, 0.0001f, 3.9999f, 3.9999f, 3.9999f,
                              0.5001f, 2.0001f, 2.0001f, 3.5001f, 2.0001f, 2.0001f};
    // The 125 points in the middle of a buffer of NaN: a read outside them
    // would poison the result.
    std::vector<float> buffer(125 * 3 * 3, std::numeric_limits<float>::quiet_NaN());
    float* cp = buffer.data() + 125 * 3;
    Lattice lattice = LatticeOver(xyz, cp);
    const std::vector<float> rest = RestPoints(lattice);
    std::copy(rest.begin(), rest.end(), cp);
    std::vector<float> out(xyz.size());
    lattice.Deform(out.data(), 12);
    for (float value : out) ASSERT_FALSE(std::isnan(value));
    // Corners land on control points (0, 0, 0) and (4, 4, 4).
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(out[c], 0, 1e-3f);
        EXPECT_NEAR(out[3 + c], 4, 1e-3f);
    }
    // Halfway through a border cell the run is (0, 0, 1, 2) or (2, 3, 4, 4):
    // 0.4375 and 3.5625 instead of the straight 0.5 and 3.5.
    EXPECT_NEAR(out[6], 0.4375f, 1e-3f);
    EXPECT_NEAR(out[9], 3.5625f, 1e-3f);
    EXPECT_NEAR(out[7], 2, 1e-3f);
}

TEST(LatticeDeform, MinimumCornerLandsNearControlPointZero)
{
    std::vector<float> xyz = {5, -3, 2, -1, 4, 2.5f, 0, 0, 9, -1, -3, 2};  // last: the minimum
    std::mt19937 random(3);
    std::uniform_real_distribution<float> spread(-10, 10);
    std::vector<float> cp(375);
    for (float& value : cp) value = spread(random);
    Lattice lattice = LatticeOver(xyz, cp.data());
    std::vector<float> out(xyz.size());
    lattice.Deform(out.data(), 12);
    EXPECT_FLOAT_EQ(lattice.boundsMin[0], -1.0001f);
    EXPECT_FLOAT_EQ(lattice.boundsMax[2], 9.0001f);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(out[9 + c], cp[c], 0.02f) << c;
}

// Deform must give the plain loops' results bit for bit, whatever the order
// of vertices through the cells, the strides and the control points.
TEST(LatticeDeform, MatchesThePlainLoopsBitForBit)
{
    std::vector<std::vector<float>> meshes;
    std::mt19937 random(11);
    std::uniform_real_distribution<float> spread(-50, 50);
    for (int count : {1, 2, 1000}) {
        meshes.emplace_back();
        for (int n = 0; n < count * 3; ++n) meshes.back().push_back(spread(random));
    }
#ifdef SUNVALE_DATA_RAR
    // The generated head, in the vertex order of its file.
    std::unique_ptr<Model> head(LoadModel(SUNVALE_DATA_RAR, "data/model/thead.3ds"));
    ASSERT_TRUE(head && head->objectCount > 0) << SUNVALE_DATA_RAR;
    meshes.emplace_back();
    const ModelObject& object = head->objects[0];
    for (uint32_t v = 0; v < object.vertexCount; ++v)
        for (float c : object.vertices[v].local) meshes.back().push_back(c);
    ASSERT_GT(meshes.back().size(), 3000u);
#endif
    CLatticeDeformEffect effect;
    for (const std::vector<float>& xyz : meshes) {
        for (float t : {0.0f, 1234.5f}) {
            effect.AnimateControlPoints(t);
            std::vector<float> wild(375);
            for (float& value : wild) value = spread(random);
            for (const float* cp :
                 {effect.ControlPoints(), static_cast<const float*>(wild.data())}) {
                Lattice fast = LatticeOver(xyz, cp), plain = LatticeOver(xyz, cp);
                // Destination with a 20-byte stride: the gaps stay untouched.
                const size_t n = xyz.size() / 3;
                std::vector<float> a(n * 5, 77), b(n * 5, 77);
                fast.Deform(a.data(), 20);
                PlainDeform(plain, b.data(), 20);
                ASSERT_EQ(std::memcmp(a.data(), b.data(), a.size() * 4), 0)
                    << n << " vertices, t " << t;
                EXPECT_EQ(a[3], 77);
                EXPECT_EQ(a.back(), 77);
            }
        }
    }
}

TEST(LatticeDeform, NothingToDeformWritesNothing)
{
    std::vector<float> xyz;
    float cp[375] = {};
    Lattice lattice = LatticeOver(xyz, cp);
    float out[3] = {5, 5, 5};
    lattice.Deform(out, 12);
    EXPECT_EQ(out[0], 5);
    EXPECT_EQ(lattice.boundsMin[0], 1e30f);  // no vertex lowered it
    Lattice empty;
    empty.Deform(out, 12);
    EXPECT_EQ(out[0], 5);
}

TEST(LatticeEffectModel, TakesTheFirstObjectsNormalsAndRelativeIndices)
{
    const auto model = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
                                 {{0.1f, 0.2f, 0.3f}, {0.4f, 0.5f, 0.6f}, {-1, -2, 0}, {3, 4, 5}},
                                 {{0, 1, 2}, {3, 2, 1}});
    CLatticeDeformEffect effect;
    effect.SetModel(model.get());
    ASSERT_EQ(effect.GetModel(), model.get());
    EXPECT_EQ(effect.VertexCount(), 4);
    EXPECT_EQ(effect.FaceCount(), 2);
    EXPECT_EQ(std::vector<uint32_t>(effect.Indices(), effect.Indices() + 6),
              (std::vector<uint32_t>{0, 1, 2, 3, 2, 1}));
    EXPECT_EQ(std::vector<float>(effect.TexCoords(), effect.TexCoords() + 8),
              (std::vector<float>{0.1f, 0.2f, 0.4f, 0.5f, -1, -2, 3, 4}));

    // A second model replaces the first; a null one changes nothing.
    const auto second = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                                  {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}, {{2, 1, 0}}, 0);
    effect.SetModel(second.get());
    effect.SetModel(nullptr);
    EXPECT_EQ(effect.GetModel(), second.get());
    EXPECT_EQ(effect.VertexCount(), 3);
    EXPECT_EQ(std::vector<uint32_t>(effect.Indices(), effect.Indices() + 3),
              (std::vector<uint32_t>{2, 1, 0}));
}

TEST(LatticeEffectModel, RejectsModelsItCannotDraw)
{
    const auto good = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{}, {}, {}}, {{0, 1, 2}});
    std::vector<std::unique_ptr<Model>> bad;
    bad.push_back(std::make_unique<Model>());                                       // no objects
    bad.push_back(MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{}, {}, {}}, {}));  // no faces
    bad.push_back(MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{}, {}, {}}, {{0, 1, 2}}));
    bad.back()->objects[0].faces[0].vertex[1] -= 2;  // a pool vertex before the object's
    bad.push_back(MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{}, {}, {}}, {{0, 1, 2}}));
    bad.back()->objects[0].faces[0].vertex[2] += 1;  // one past the object's last
    bad.push_back(MakeModel({}, {}, {{0, 1, 2}}));   // no vertices: its faces are not read
    bad.back()->objects[0].faces[0].vertex[0] = nullptr;
    for (size_t b = 0; b < bad.size(); ++b) {
        CLatticeDeformEffect effect;
        effect.SetModel(good.get());
        effect.SetModel(bad[b].get());
        EXPECT_EQ(effect.GetModel(), nullptr) << b;
        EXPECT_EQ(effect.VertexCount(), 0) << b;
        EXPECT_EQ(effect.Positions(), nullptr) << b;
    }
}

// Offscreen: an orthographic box x, y in [-20, 20], z in [-100, 100] on a
// 400 x 400 viewport, identity modelview.
class LatticeEffectRender : public OffscreenTest<400, 400> {
protected:
    void SetUp() override
    {
        OffscreenTest::SetUp();
        if (Ready()) UseOrtho(20, 100);
    }
};

Mat4 ObjectTransform(const float* position, float t)
{
    return MatrixOf([&] {
        glTranslatef(position[0], position[1], position[2]);
        glRotatef(static_cast<float>(5 * std::sin(0.005 * t)), 0, 0, 1);
        glRotatef(0.5f * t, 0, 1, 0);
    });
}

// The control points from their definition, index (z, y, x).
std::vector<float> ExpectedControlPoints(float t)
{
    std::vector<float> cp;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
            for (int k = 0; k < 5; ++k) {
                cp.push_back((4 * k - 8) *
                             static_cast<float>(0.8 + 0.2 * std::sin(0.0533 * t + 4 * j)));
                cp.push_back((4 * j - 8) *
                             static_cast<float>(0.8 + 0.2 * std::cos(10 * k + 0.02 * t)));
                cp.push_back((4 * i - 8) *
                             static_cast<float>(0.8 + 0.2 * std::cos(10 * j + 0.0233 * t)));
            }
    return cp;
}

// A small closed mesh: a tetrahedron-like pyramid.
std::unique_ptr<Model> Pyramid()
{
    return MakeModel({{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {0, 0, 4}},
                     {{0.1f, 0.2f, 0}, {0.3f, 0.4f, 0}, {0.5f, 0.6f, 0}, {0.7f, 0.8f, 0}},
                     {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}});
}

TEST_F(LatticeEffectRender, DrawsTheDeformedMeshWithScrolledNormalsAndRisingAlpha)
{
    const auto model = Pyramid();
    GLuint name = MakeTexture(0xFFFFFFFF);  // texturing on: the texture matrix applies
    CLatticeDeformEffect effect;
    effect.SetModel(model.get());
    effect.SetTextures(-1, static_cast<int32_t>(name));
    effect.position[0] = 1.5f, effect.position[1] = -2;  // z stays -6
    for (float t : {0.0f, 1.0f, 2.0f, 100.0f, 700.0f}) {
        SCOPED_TRACE(testing::Message() << "t " << t);
        glTranslatef(9, 9, 9);  // replaced by the effect's own transform
        const auto vertices = Capture([&] { effect.Draw(t); });
        ASSERT_EQ(vertices.size(), 12u);  // 4 triangles, none culled
        const std::vector<float> cp = ExpectedControlPoints(t);
        std::vector<float> xyz;
        for (int v = 0; v < 4; ++v)
            for (float c : model->objects[0].vertices[v].local) xyz.push_back(c);
        Lattice lattice = LatticeOver(xyz, cp.data());
        std::vector<float> deformed(12);
        PlainDeform(lattice, deformed.data(), 12);
        const Mat4 m = ObjectTransform(effect.position, t);
        const uint32_t corners[12] = {0, 1, 2, 0, 1, 3, 1, 2, 3, 2, 0, 3};
        const float alpha = t >= 2 ? 0.2f : 0.1f * t;
        for (int k = 0; k < 12; ++k) {
            const float* p = &deformed[corners[k] * 3];
            const ModelVertex& source = model->objects[0].vertices[corners[k]];
            const auto e = Apply(m, p[0], p[1], p[2]);
            EXPECT_NEAR(vertices[k].x, e[0], 2e-3f) << "corner " << k;
            EXPECT_NEAR(vertices[k].y, e[1], 2e-3f) << "corner " << k;
            EXPECT_NEAR(vertices[k].z, e[2], 2e-3f) << "corner " << k;
            EXPECT_NEAR(vertices[k].s, source.localNormal[0] + 0.01f * t, 1e-4f);
            EXPECT_NEAR(vertices[k].t, source.localNormal[1] + 0.005f * t, 1e-4f);
            EXPECT_EQ(vertices[k].rgba, (std::array<float, 4>{1, 1, 1, alpha}));
        }
    }
    glDeleteTextures(1, &name);
}

TEST_F(LatticeEffectRender, AddsTheSecondTextureOrPlainWhite)
{
    // A flat square: its single z sits in the lattice's middle plane, so the
    // square stays flat, about 13 units wide at t = 0, facing the view.
    const auto model =
        MakeModel({{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}},
                  {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
    GLuint names[2] = {MakeTexture(0xFA0000FF), MakeTexture(0x007828FF)};
    CLatticeDeformEffect effect;
    effect.SetModel(model.get());
    const std::pair<int32_t, uint32_t> cases[] = {{static_cast<int32_t>(names[1]), 0x007828},
                                                  {-1, 0xFFFFFF}};
    for (const auto& [second, rgb] : cases) {
        effect.SetTextures(static_cast<int32_t>(names[0]), second);
        glClearColor(0, 0, 0.25f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        effect.Draw(0);  // alpha 0 does not matter: the blend adds the colour as it is
        EXPECT_EQ(context_->PixelAt(200, 200) >> 8, rgb | 0x40) << "second " << second;
        EXPECT_EQ(context_->PixelAt(5, 5) >> 8, 0x40u);  // outside the square
    }
    glClearColor(0, 0, 0, 1);
    glDeleteTextures(2, names);
}

TEST_F(LatticeEffectRender, LeavesItsDocumentedStateAndWithoutAModelTouchesNothing)
{
    const auto model = Pyramid();
    GLuint name = 0;
    glGenTextures(1, &name);
    for (bool withModel : {true, false}) {
        CLatticeDeformEffect effect;
        if (withModel) effect.SetModel(model.get());
        effect.SetTextures(-1, static_cast<int32_t>(name));
        effect.position[2] = -20;
        for (bool start : {false, true}) {
            SCOPED_TRACE(testing::Message() << "model " << withModel << " from " << start);
            for (GLenum c : {GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE, GL_TEXTURE_2D})
                start ? glEnable(c) : glDisable(c);
            for (GLenum a : {GL_VERTEX_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_COLOR_ARRAY})
                start ? glEnableClientState(a) : glDisableClientState(a);
            glDepthMask(start ? GL_TRUE : GL_FALSE);
            glBlendFunc(GL_ZERO, GL_ZERO);
            glBindTexture(GL_TEXTURE_2D, name);
            glColor4f(0, 0, 0, 0);
            glMatrixMode(GL_TEXTURE);
            glLoadIdentity();
            glTranslatef(0.5f, 0, 0);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glTranslatef(1, 2, 3);

            effect.Draw(50);

            GLboolean mask = GL_FALSE;
            glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
            const std::array<int, 8> on = {glIsEnabled(GL_BLEND),
                                           glIsEnabled(GL_DEPTH_TEST),
                                           glIsEnabled(GL_CULL_FACE),
                                           glIsEnabled(GL_TEXTURE_2D),
                                           mask,
                                           glIsEnabled(GL_VERTEX_ARRAY),
                                           glIsEnabled(GL_TEXTURE_COORD_ARRAY),
                                           glIsEnabled(GL_COLOR_ARRAY)};
            std::array<GLint, 4> modes{};  // blend source, destination, texture, matrix
            glGetIntegerv(GL_BLEND_SRC, &modes[0]);
            glGetIntegerv(GL_BLEND_DST, &modes[1]);
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &modes[2]);
            glGetIntegerv(GL_MATRIX_MODE, &modes[3]);
            const Mat4 colour = GetFloats(GL_CURRENT_COLOR),
                       modelview = GetFloats(GL_MODELVIEW_MATRIX),
                       texture = GetFloats(GL_TEXTURE_MATRIX);
            if (withModel) {
                EXPECT_EQ(on, (std::array<int, 8>{0, 1, 1, 0, 0, 1, 1, 0}));
                EXPECT_EQ(modes, (std::array<GLint, 4>{GL_ONE, GL_ONE, 0, GL_MODELVIEW}));
                for (int i = 0; i < 4; ++i) EXPECT_NEAR(colour[i], i < 3 ? 1 : 0.2f, 1e-6f);
                const Mat4 expected = ObjectTransform(effect.position, 50);
                for (int i = 0; i < 16; ++i) EXPECT_NEAR(modelview[i], expected[i], 1e-4f);
                for (int i = 0; i < 16; ++i) EXPECT_EQ(texture[i], i % 5 == 0 ? 1 : 0);
            } else {
                const int s = start;
                EXPECT_EQ(on, (std::array<int, 8>{s, s, s, s, s, s, s, s}));
                EXPECT_EQ(modes, (std::array<GLint, 4>{GL_ZERO, GL_ZERO, static_cast<GLint>(name),
                                                       GL_MODELVIEW}));
                EXPECT_EQ(colour[3], 0);
                EXPECT_EQ(modelview[12], 1);
                EXPECT_EQ(texture[12], 0.5f);
            }
        }
    }
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDeleteTextures(1, &name);
}

}  // namespace
}  // namespace sunvale
