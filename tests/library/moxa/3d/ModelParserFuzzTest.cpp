// Damaged 3DS files: every truncation of a valid file and random byte flips
// must parse or be rejected without reading or writing outside the buffers.
// Built with AddressSanitizer and UndefinedBehaviorSanitizer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "TestScenes.h"
#include "library/moxa/3d/ModelParser.h"
#include "library/moxa/3d/writer/Writer3ds.h"

namespace sunvale {
namespace {

// Parses a private heap copy of exactly size bytes, so any read past the end
// hits the sanitizer's redzone, then walks the model's references.
size_t ParseAndTouch(const uint8_t* data, size_t size) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size > 0 ? size : 1]);
    if (size > 0) std::memcpy(copy.get(), data, size);
    std::unique_ptr<Model> model(ParseModel(copy.get(), size, "fuzz"));
    if (!model) return 0;
    size_t touched = 0;
    for (uint32_t o = 0; o < model->objectCount; ++o) {
        const ModelObject& object = model->objects[o];
        for (uint32_t f = 0; f < object.faceCount; ++f)
            for (int c = 0; c < 3; ++c) {
                const ModelVertex* v = object.faces[f].vertex[c];
                // Corners must lie inside their own object's vertex list.
                EXPECT_GE(v, object.vertices);
                EXPECT_LT(v, object.vertices + object.vertexCount);
                touched += v->unmapped;
            }
        EXPECT_LE(object.vertices + object.vertexCount, model->vertices + model->vertexCount);
    }
    for (uint32_t f = 0; f < model->faceCount; ++f) {
        const ModelMaterial* m = model->faces[f].material;
        if (m == nullptr) continue;  // face of a list the reader never reached
        EXPECT_GE(m, model->materials);
        EXPECT_LT(m, model->materials + model->materialCount);
    }
    for (uint32_t i = 0; i < model->objectCount; ++i) {
        const ModelObject& o = model->objects[i];
        for (uint32_t k = 0; k < o.positionTrack.count; ++k) touched += o.positionTrack.keys[k].frame;
        for (uint32_t k = 0; k < o.morphTrack.count; ++k) touched += o.morphTrack.keys[k].target != nullptr;
    }
    return touched + 1;
}

std::vector<uint8_t> ValidFile() {
    return Write3ds(testscenes::RichScene());
}

TEST(ModelParserFuzz, ValidFileParses) {
    const std::vector<uint8_t> file = ValidFile();
    EXPECT_GT(ParseAndTouch(file.data(), file.size()), 0u);
}

TEST(ModelParserFuzz, EveryTruncationIsSafe) {
    const std::vector<uint8_t> file = ValidFile();
    size_t parsed = 0;
    for (size_t n = 0; n <= file.size(); ++n)
        if (ParseAndTouch(file.data(), n) > 0) ++parsed;
    // Cuts inside the keyframer keep the geometry: most truncations load.
    EXPECT_GT(parsed, file.size() / 2);
}

TEST(ModelParserFuzz, RandomByteFlipsAreSafe) {
    const std::vector<uint8_t> file = ValidFile();
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> damaged = file;
        const int flips = 1 + static_cast<int>(next() % 8);
        for (int i = 0; i < flips; ++i) {
            const size_t at = next() % damaged.size();
            // Mostly small changes so that lengths and counts stay plausible.
            damaged[at] = (next() & 1) ? static_cast<uint8_t>(next()) : static_cast<uint8_t>(damaged[at] ^ (1u << (next() % 8)));
        }
        ParseAndTouch(damaged.data(), damaged.size());
    }
}

TEST(ModelParserFuzz, LengthAndCountFieldsAtExtremes) {
    // Every 16- and 32-bit field position set to 0, 0xFF.. and 0x80..: hits
    // chunk lengths, counts and indices at their limits.
    const std::vector<uint8_t> file = ValidFile();
    for (size_t at = 0; at + 2 <= file.size(); ++at) {
        for (uint8_t fill : {uint8_t(0x00), uint8_t(0xFF), uint8_t(0x80)}) {
            std::vector<uint8_t> damaged = file;
            damaged[at] = fill;
            damaged[at + 1] = fill;
            ParseAndTouch(damaged.data(), damaged.size());
        }
    }
}

}  // namespace
}  // namespace sunvale
