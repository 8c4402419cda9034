// Checks the generated data archive the way the show uses it: every member
// that a scene loads is present and decodes through the show's own image
// loader, model loader and an MP3 decoder; an independent extractor (unar)
// gets the same bytes; and a second run of the generator gives the same file.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "library/moxa/3d/ModelLoader.h"
#include "library/moxa/imagelib/ImageLoader.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"
#include "support/ScopedTempDir.h"

namespace {

const char* kArchive = DATAGEN_ARCHIVE;

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f),
                                std::istreambuf_iterator<char>());
}

// Every texture of the scenes' texture tables, with the bits per pixel its
// file must decode to.
std::vector<std::pair<std::string, uint32_t>> SceneTextures()
{
    std::vector<std::pair<std::string, uint32_t>> names;
    auto jpg = [&](const std::string& n) { names.push_back({"data/texture/" + n + ".jpg", 24}); };
    for (const char* n : {"tessel", "noize", "no", "zentrope2", "particle1", "particle2", "stuff"})
        jpg(n);
    for (int i = 1; i <= 4; ++i) jpg("env" + std::to_string(i));
    for (int i = 1; i <= 8; ++i) jpg("ashura" + std::to_string(i));
    for (int i = 1; i <= 8; ++i) jpg("math" + std::to_string(i));
    for (int i = 1; i <= 7; ++i) jpg("msg" + std::to_string(i));
    for (int i = 1; i <= 8; ++i)
        names.push_back({"data/texture/budda" + std::to_string(i) + ".png", 32});
    names.push_back({"data/texture/ffd.png", 24});
    return names;
}

bool IsPowerOfTwoSide(uint32_t v) { return v >= 256 && v <= 1024 && (v & (v - 1)) == 0; }

TEST(DatagenArchive, EveryTextureDecodesThroughTheShowsLoader)
{
    sunvale::ImageLoader loader;
    for (const auto& [name, bits] : SceneTextures()) {
        SCOPED_TRACE(name);
        sunvale::ImageData* image = loader.LoadImage(name.c_str(), kArchive);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->bitsPerPixel, bits);
        EXPECT_TRUE(IsPowerOfTwoSide(image->width)) << image->width;
        EXPECT_TRUE(IsPowerOfTwoSide(image->height)) << image->height;
        // Not blank: some pixel is clearly lit.
        size_t bytes = static_cast<size_t>(image->width) * image->height * (bits / 8);
        unsigned char brightest = 0;
        for (size_t i = 0; i < bytes; ++i) brightest = std::max(brightest, image->pixels[i]);
        EXPECT_GT(brightest, 128);
        delete image;
    }
}

TEST(DatagenArchive, AdditiveSpritesAreBlackAtTheirEdges)
{
    sunvale::ImageLoader loader;
    for (const char* name : {"data/texture/particle1.jpg", "data/texture/particle2.jpg"}) {
        sunvale::ImageData* image = loader.LoadImage(name, kArchive);
        ASSERT_NE(image, nullptr);
        const unsigned char* corner = image->pixels;
        EXPECT_LE(std::max({corner[0], corner[1], corner[2]}), 8) << name;
        size_t centre =
            (static_cast<size_t>(image->height / 2) * image->width + image->width / 2) * 3;
        EXPECT_GE(image->pixels[centre], 200) << name;
        delete image;
    }
}

TEST(DatagenArchive, HeadModelLoadsAsOneClosedObject)
{
    sunvale::Model* model = sunvale::LoadModel(kArchive, "data/model/thead.3ds");
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->objectCount, 1u);
    const sunvale::ModelObject& head = model->objects[0];
    EXPECT_GE(head.vertexCount, 2000u);
    EXPECT_LE(head.vertexCount, 8000u);
    // A closed triangle mesh of genus 0: F = 2V − 4.
    EXPECT_EQ(head.faceCount, 2 * head.vertexCount - 4);
    EXPECT_EQ(head.smooth, 1u);
    EXPECT_GE(model->materialCount, 2u);
    EXPECT_GE(model->nodeCount, 1u);
    EXPECT_GT(head.rotationTrack.count, 0u);
    // Upright: taller (y) than wide (x) after the loader's axis exchange.
    float height = head.boundsMax[1] - head.boundsMin[1],
          width = head.boundsMax[0] - head.boundsMin[0];
    EXPECT_GT(height, width);
    sunvale::ReleaseModel(model);
}

TEST(DatagenArchive, MusicDecodesToTheWholeShow)
{
    unsigned char* data = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(sunvale::RarExtract(&data, &size, "data/music/marmalux.mp3", kArchive, ""), 1);
    mpg123_init();
    int err = 0;
    mpg123_handle* mh = mpg123_new(nullptr, &err);
    ASSERT_NE(mh, nullptr);
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    ASSERT_EQ(mpg123_open_feed(mh), MPG123_OK);
    ASSERT_EQ(mpg123_feed(mh, data, size), MPG123_OK);
    std::vector<unsigned char> pcm(1 << 16);
    std::vector<int16_t> left;  // the left channel, for the beat check below
    size_t decodedBytes = 0, done = 0;
    long rate = 0;
    int channels = 0, encoding = 0;
    for (;;) {
        int r = mpg123_read(mh, pcm.data(), pcm.size(), &done);
        decodedBytes += done;
        for (size_t i = 0; i + 3 < done; i += 4)
            left.push_back(static_cast<int16_t>(pcm[i] | (pcm[i + 1] << 8)));
        if (r == MPG123_NEW_FORMAT)
            mpg123_getformat(mh, &rate, &channels, &encoding);
        else if (r != MPG123_OK)
            break;
    }
    mpg123_frameinfo info{};
    mpg123_info(mh, &info);
    mpg123_delete(mh);
    std::free(data);
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(info.vbr, MPG123_CBR);
    EXPECT_GE(info.bitrate, 128);
    EXPECT_LE(info.bitrate, 192);
    double seconds = static_cast<double>(decodedBytes) / (2.0 * 2.0 * 44100.0);
    EXPECT_GE(seconds, 274.0);

    // From tick 8640 (146.88 s) the scenes change every 101.25 ticks of 17 ms:
    // each of those downbeats carries a kick, so the 40 ms after it are much
    // louder than the 40 ms before it.
    auto energy = [&](double from, double to) {
        double sum = 0;
        for (size_t i = static_cast<size_t>(from * 44100);
             i < static_cast<size_t>(to * 44100) && i < left.size(); ++i)
            sum += double(left[i]) * left[i];
        return sum;
    };
    for (int bar = 1; bar < 16; ++bar) {
        double downbeat = 8640 * 0.017 + bar * 101.25 * 0.017;
        EXPECT_GT(energy(downbeat, downbeat + 0.04), 2.0 * energy(downbeat - 0.04, downbeat))
            << "bar at " << downbeat << " s";
    }
}

TEST(DatagenArchive, UnarExtractsTheSameBytes)
{
    if (std::system("command -v unar >/dev/null 2>&1") != 0) GTEST_SKIP() << "unar not installed";
    const sunvale::testsupport::ScopedTempDir scratch;
    ASSERT_TRUE(scratch.Valid());
    const std::string out = scratch.File("unar-out");
    std::string cmd = "unar -q -f -o '" + out + "' '" + kArchive + "' >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::vector<std::string> names = {"data/model/thead.3ds", "data/music/marmalux.mp3"};
    for (const auto& t : SceneTextures()) names.push_back(t.first);
    for (const std::string& name : names) {
        std::vector<uint8_t> expected = ReadFile(std::string(DATAGEN_MEMBERS) + "/" + name);
        ASSERT_FALSE(expected.empty()) << name;
        EXPECT_EQ(ReadFile(out + "/" + name), expected) << name;
    }
}

TEST(DatagenArchive, PackingMakesTheArchiveSmallerThanItsMembers)
{
    std::vector<uint8_t> archive = ReadFile(kArchive);
    size_t members = 0;
    for (const auto& t : SceneTextures()) {
        unsigned char* data = nullptr;
        uint32_t size = 0;
        ASSERT_EQ(sunvale::RarExtract(&data, &size, t.first.c_str(), kArchive, ""), 1) << t.first;
        members += size;
        std::free(data);
    }
    // The archive is not much larger than its pictures plus the music and model.
    size_t music = ReadFile(std::string(DATAGEN_MEMBERS) + "/data/music/marmalux.mp3").size();
    size_t model = ReadFile(std::string(DATAGEN_MEMBERS) + "/data/model/thead.3ds").size();
    EXPECT_LT(archive.size(), members + music + model);
    EXPECT_GT(archive.size(), music);
}

TEST(DatagenArchive, TwoRunsGiveIdenticalArchives)
{
    std::vector<uint8_t> first = ReadFile(kArchive), second = ReadFile(DATAGEN_ARCHIVE_AGAIN);
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(first == second) << "sizes " << first.size() << " and " << second.size();
}

}  // namespace
