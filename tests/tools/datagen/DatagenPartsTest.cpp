// Tests of the generator's parts: the deterministic maths, seamless noise
// and repeating textures, the encoders against the show's own decoders, the
// text painter and the head mesh's topology.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <utility>

#include "FigureTextures.h"
#include "FixedMath.h"
#include "HeadModel.h"
#include "ImageEncoder.h"
#include "PatternTextures.h"
#include "TextPainter.h"
#include "TileNoise.h"
#include "TypeTextures.h"
#include "library/moxa/imagelib/ImageLoader.h"

namespace sd = sunvale::datagen;

namespace {

TEST(DatagenFixedMath, MatchesTheLibraryFunctionsClosely)
{
    for (float x = -40.0f; x <= 40.0f; x += 0.0137f) {
        ASSERT_NEAR(sd::Sin(x), std::sin(x), 2e-5f) << x;
        ASSERT_NEAR(sd::Cos(x), std::cos(x), 2e-5f) << x;
    }
    for (float x = -20.0f; x <= 20.0f; x += 0.011f)
        ASSERT_NEAR(sd::Exp(x) / std::exp(x), 1.0f, 1e-5f) << x;
    for (float a = -3.1f; a <= 3.1f; a += 0.01f) {
        float y = std::sin(a), x = std::cos(a);
        ASSERT_NEAR(sd::Atan2(y, x), std::atan2(y, x), 2e-4f) << a;
    }
    EXPECT_EQ(sd::Exp(-100.0f), 0.0f);
}

TEST(DatagenTileNoise, RepeatsWithItsPeriodOnBothAxes)
{
    sd::TileNoise noise(5, 4);
    float halfPeriodChange = 0;
    for (float x = 0.1f; x < 4.0f; x += 0.37f)
        for (float y = 0.05f; y < 4.0f; y += 0.41f) {
            float v = noise.Fractal(x, y, 4, 0.5f);
            EXPECT_NEAR(noise.Fractal(x + 4.0f, y, 4, 0.5f), v, 1e-5f);
            EXPECT_NEAR(noise.Fractal(x, y + 4.0f, 4, 0.5f), v, 1e-5f);
            halfPeriodChange += std::fabs(noise.Fractal(x + 2.0f, y, 4, 0.5f) - v);
            EXPECT_GE(v, 0.0f);
            EXPECT_LE(v, 1.0f);
        }
    EXPECT_GT(halfPeriodChange, 1.0f);  // not a shorter period in disguise
}

// Mean colour difference between two columns (wrapping) of a picture.
float ColumnDifference(const sd::Raster& img, int a, int b)
{
    float sum = 0;
    for (int y = 0; y < img.Height(); ++y) {
        const sd::Rgba &p = img.At(a, y), &q = img.At(b, y);
        sum += std::fabs(p.r - q.r) + std::fabs(p.g - q.g) + std::fabs(p.b - q.b);
    }
    return sum / img.Height();
}

float RowDifference(const sd::Raster& img, int a, int b)
{
    float sum = 0;
    for (int x = 0; x < img.Width(); ++x) {
        const sd::Rgba &p = img.At(x, a), &q = img.At(x, b);
        sum += std::fabs(p.r - q.r) + std::fabs(p.g - q.g) + std::fabs(p.b - q.b);
    }
    return sum / img.Width();
}

TEST(DatagenPatterns, RepeatingTexturesHaveNoSeam)
{
    std::vector<std::pair<const char*, sd::Raster>> pictures;
    pictures.emplace_back("noize", sd::PatternTextures::Noize());
    pictures.emplace_back("ffd", sd::PatternTextures::LatticeGrid());
    for (int n = 1; n <= 4; ++n) pictures.emplace_back("env", sd::PatternTextures::Environment(n));
    for (const auto& [name, img] : pictures) {
        int w = img.Width(), h = img.Height();
        // Across the wrap the picture changes no more than between neighbours inside it.
        float inside =
            (ColumnDifference(img, w / 2, w / 2 + 1) + ColumnDifference(img, w / 3, w / 3 + 1)) *
            0.5f;
        EXPECT_LE(ColumnDifference(img, w - 1, 0), 3.0f * inside + 0.02f) << name;
        float insideRows =
            (RowDifference(img, h / 2, h / 2 + 1) + RowDifference(img, h / 3, h / 3 + 1)) * 0.5f;
        EXPECT_LE(RowDifference(img, h - 1, 0), 3.0f * insideRows + 0.02f) << name;
    }
}

sd::Raster Gradient(int w, int h)
{
    sd::Raster img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.At(x, y) = {x / float(w), y / float(h), 0.5f, (x + y) / float(w + h)};
    return img;
}

TEST(DatagenEncoders, PngRoundTripsExactlyThroughTheShowsDecoder)
{
    sd::Raster img = Gradient(64, 32);
    for (bool alpha : {false, true}) {
        std::vector<uint8_t> file;
        std::string error;
        ASSERT_TRUE(sd::ImageEncoder::EncodePng(img, alpha, &file, &error)) << error;
        std::unique_ptr<sunvale::ImageData> decoded(
            sunvale::ImageLoader::DecodePng(file.data(), static_cast<uint32_t>(file.size())));
        ASSERT_NE(decoded, nullptr);
        EXPECT_EQ(decoded->width, 64u);
        EXPECT_EQ(decoded->height, 32u);
        EXPECT_EQ(decoded->bitsPerPixel, alpha ? 32u : 24u);
        std::vector<uint8_t> expected = alpha ? img.ToRgba8() : img.ToRgb8();
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), decoded->pixels));
    }
}

TEST(DatagenEncoders, JpegIsJfifAndDecodesCloseToTheSource)
{
    sd::Raster img = Gradient(64, 64);
    std::vector<uint8_t> file;
    std::string error;
    ASSERT_TRUE(sd::ImageEncoder::EncodeJpeg(img, 90, &file, &error)) << error;
    ASSERT_GT(file.size(), 20u);
    EXPECT_EQ(sunvale::ImageLoader::DetectFormat(file.data(), static_cast<uint32_t>(file.size())),
              sunvale::ImageLoader::kFormatJpeg);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[6]), 4), "JFIF");
    std::unique_ptr<sunvale::ImageData> decoded(
        sunvale::ImageLoader::DecodeJpeg(file.data(), static_cast<uint32_t>(file.size())));
    ASSERT_NE(decoded, nullptr);
    ASSERT_EQ(decoded->bitsPerPixel, 24u);
    std::vector<uint8_t> expected = img.ToRgb8();
    double error2 = 0;
    for (size_t i = 0; i < expected.size(); ++i)
        error2 += std::abs(int(expected[i]) - int(decoded->pixels[i]));
    EXPECT_LT(error2 / expected.size(), 3.0);
}

TEST(DatagenText, PaintsGlyphsAndReportsAMissingFont)
{
    sd::TextPainter text("/usr/share/fonts/truetype/dejavu");
    std::string error;
    ASSERT_TRUE(text.Ready(&error)) << error;
    sd::Raster img(256, 64);
    img.Fill({0, 0, 0, 1});
    float width = text.Measure(sd::FontFace::Sans, 32, "Sunvale ∫∇");
    EXPECT_GT(width, 100.0f);
    EXPECT_LT(width, 256.0f);
    text.Draw(&img, sd::FontFace::Sans, 32, 4, 44, "Sunvale ∫∇", {1, 1, 1, 1});
    int lit = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 256; ++x) lit += img.At(x, y).r > 0.5f;
    EXPECT_GT(lit, 300);
    sd::TextPainter missing("/nonexistent-font-dir");
    EXPECT_FALSE(missing.Ready(&error));
    EXPECT_NE(error.find("nonexistent-font-dir"), std::string::npos);
}

float Brightness(const sd::Rgba& p) { return (p.r + p.g + p.b) / 3.0f; }

float MeanAbsDifference(const sd::Raster& a, const sd::Raster& b)
{
    float sum = 0;
    for (int y = 0; y < a.Height(); y += 2)
        for (int x = 0; x < a.Width(); x += 2)
            sum += std::fabs(Brightness(a.At(x, y)) - Brightness(b.At(x, y)));
    return sum / (a.Width() / 2 * a.Height() / 2);
}

TEST(DatagenTypeTextures, EveryFormulaAndMessageIsItsOwnPicture)
{
    sd::TextPainter text("/usr/share/fonts/truetype/dejavu");
    ASSERT_TRUE(text.Ready(nullptr));
    sd::TypeTextures type(&text);
    std::vector<sd::Raster> pictures;
    for (int n = 1; n <= sd::TypeTextures::kFormulaCount; ++n) pictures.push_back(type.Formula(n));
    for (int n = 1; n <= sd::TypeTextures::kMessageCount; ++n) pictures.push_back(type.Message(n));
    for (size_t i = 0; i < pictures.size(); ++i)
        for (size_t j = i + 1; j < pictures.size(); ++j)
            EXPECT_GT(MeanAbsDifference(pictures[i], pictures[j]), 0.004f) << i << " and " << j;
    // Messages: large light type in the middle band, black corners (transparent when added).
    for (int n = 1; n <= sd::TypeTextures::kMessageCount; ++n) {
        const sd::Raster& m = pictures[sd::TypeTextures::kFormulaCount + n - 1];
        EXPECT_LT(Brightness(m.At(0, 0)) + Brightness(m.At(511, 511)), 0.01f) << n;
        int lit = 0;
        for (int y = 128; y < 384; ++y)
            for (int x = 0; x < 512; ++x) lit += Brightness(m.At(x, y)) > 0.5f;
        EXPECT_GT(lit, 10000) << n;
    }
}

TEST(DatagenFigures, SeatedFiguresAreOpaqueOnlyWhereTheFigureIs)
{
    for (int n : {1, 6}) {
        sd::Raster figure = sd::FigureTextures::SeatedFigure(n);
        ASSERT_EQ(figure.Width(), 512);
        // The shipped 8-bit alpha is 0 along the whole border.
        std::vector<uint8_t> rgba = figure.ToRgba8();
        for (int i = 0; i < 512; ++i) {
            ASSERT_EQ(rgba[(0 * 512 + i) * 4 + 3], 0) << n;
            ASSERT_EQ(rgba[(511 * 512 + i) * 4 + 3], 0) << n;
            ASSERT_EQ(rgba[(i * 512 + 0) * 4 + 3], 0) << n;
            ASSERT_EQ(rgba[(i * 512 + 511) * 4 + 3], 0) << n;
        }
        EXPECT_GT(figure.At(256, 260).a, 0.5f) << n;  // the chest
        EXPECT_GT(Brightness(figure.At(256, 260)), 0.2f) << n;
    }
    EXPECT_GT(MeanAbsDifference(sd::FigureTextures::Mandala(1), sd::FigureTextures::Mandala(2)),
              0.01f);
}

TEST(DatagenHead, MeshIsClosedConsistentlyWoundAndFacesOutwards)
{
    sd::HeadMesh mesh = sd::HeadModel::BuildMesh();
    size_t vertices = mesh.xyz.size() / 3;
    EXPECT_GE(vertices, 2000u);
    EXPECT_LE(vertices, 8000u);
    // Every directed edge appears once and its reverse once: closed and consistent.
    std::map<std::pair<int, int>, int> edges;
    for (size_t f = 0; f < mesh.corners.size(); f += 3)
        for (int k = 0; k < 3; ++k) ++edges[{mesh.corners[f + k], mesh.corners[f + (k + 1) % 3]}];
    for (const auto& [edge, count] : edges) {
        ASSERT_EQ(count, 1);
        ASSERT_EQ(edges.count({edge.second, edge.first}), 1u);
    }
    // Positive signed volume: the triangles face outwards.
    double volume = 0;
    for (size_t f = 0; f < mesh.corners.size(); f += 3) {
        const float* a = &mesh.xyz[mesh.corners[f] * 3];
        const float* b = &mesh.xyz[mesh.corners[f + 1] * 3];
        const float* c = &mesh.xyz[mesh.corners[f + 2] * 3];
        volume += (a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                   a[2] * (b[0] * c[1] - b[1] * c[0])) /
                  6.0;
    }
    EXPECT_GT(volume, 0.0);
    // The nose is the frontmost point, near the middle in x.
    size_t front = 0;
    for (size_t v = 0; v < vertices; ++v)
        if (mesh.xyz[v * 3 + 2] > mesh.xyz[front * 3 + 2]) front = v;
    EXPECT_NEAR(mesh.xyz[front * 3 + 0], 0.0f, 0.3f);
}

TEST(DatagenHead, FileIsTheSameOnEveryBuild)
{
    sd::HeadMesh mesh = sd::HeadModel::BuildMesh();
    EXPECT_EQ(sd::HeadModel::Write3dsFile(mesh),
              sd::HeadModel::Write3dsFile(sd::HeadModel::BuildMesh()));
}

}  // namespace
