// Damaged 3DS files: every truncation of a valid file and random byte flips
// must parse or be rejected without reading or writing outside the buffers.
// Built with AddressSanitizer and UndefinedBehaviorSanitizer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "TestScenes.h"
#include "library/moxa/3d/ModelParser.h"

namespace sunvale {
namespace {

// Parses a private heap copy of exactly size bytes, so any read past the end
// hits the sanitizer's redzone, then checks that every reference of the
// model stays inside its pool. Returns whether the file loaded.
bool ParseAndTouch(const uint8_t* data, size_t size)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size + 1]);
    if (size > 0) std::memcpy(copy.get(), data, size);
    std::unique_ptr<Model> model(ParseModel(copy.get(), size, "fuzz"));
    if (!model) return false;
    for (uint32_t o = 0; o < model->objectCount; ++o) {
        const ModelObject& object = model->objects[o];
        EXPECT_LE(object.vertices + object.vertexCount, model->vertices + model->vertexCount);
        for (uint32_t f = 0; f < object.faceCount; ++f)
            for (const ModelVertex* v : object.faces[f].vertex) {
                EXPECT_TRUE(v >= object.vertices && v < object.vertices + object.vertexCount);
            }
        // Hide keys alternate shown/hidden; morph keys name an object or none.
        const KeyTrack& hide = object.hideTrack;
        for (uint32_t k = 0; k < hide.count; ++k)
            EXPECT_EQ(hide.keys[k].state, k % 2 ? 0u : 65535u) << k;
        for (uint32_t k = 0; k < object.morphTrack.count; ++k) {
            const ModelObject* t = object.morphTrack.keys[k].target;
            EXPECT_TRUE(t == nullptr ||
                        (t >= model->objects && t < model->objects + model->objectCount));
        }
    }
    for (uint32_t f = 0; f < model->faceCount; ++f) {
        const ModelMaterial* m = model->faces[f].material;  // null: a list the reader never reached
        EXPECT_TRUE(m == nullptr ||
                    (m >= model->materials && m < model->materials + model->materialCount));
    }
    return true;
}

const std::vector<uint8_t> kValidFile = Write3ds(testscenes::RichScene());

TEST(ModelParserFuzz, EveryTruncationIsSafe)
{
    size_t parsed = 0;
    for (size_t n = 0; n <= kValidFile.size(); ++n) parsed += ParseAndTouch(kValidFile.data(), n);
    EXPECT_TRUE(ParseAndTouch(kValidFile.data(), kValidFile.size()));
    // Cuts inside the keyframer keep the geometry: most truncations load.
    EXPECT_GT(parsed, kValidFile.size() / 2);
}

TEST(ModelParserFuzz, RandomByteFlipsAndExtremeFieldsAreSafe)
{
    uint32_t state = 12345;
    auto next = [&state] { return (state = state * 1664525u + 1013904223u) >> 8; };
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> damaged = kValidFile;
        for (uint32_t i = 0, flips = 1 + next() % 8; i < flips; ++i) {
            // Mostly single-bit changes so that lengths and counts stay plausible.
            uint8_t& b = damaged[next() % damaged.size()];
            b = (next() & 1) ? static_cast<uint8_t>(next())
                             : static_cast<uint8_t>(b ^ (1u << (next() % 8)));
        }
        ParseAndTouch(damaged.data(), damaged.size());
    }
    // Every 16-bit position set to 0, 0xFFFF and 0x8080: lengths, counts
    // and indices at their limits.
    for (size_t at = 0; at + 2 <= kValidFile.size(); ++at)
        for (uint8_t fill : {0x00, 0xFF, 0x80}) {
            std::vector<uint8_t> damaged = kValidFile;
            damaged[at] = damaged[at + 1] = fill;
            ParseAndTouch(damaged.data(), damaged.size());
        }
}

}  // namespace
}  // namespace sunvale
