// The blob landscape: the iso-surface of a moving blob field, one slab per
// frame compiled into a ring of 50 display lists and drawn as a lit,
// textured, fogged tunnel that scrolls towards the viewer by one unit per
// rendered frame, while the camera follows the strongest blob's path.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <vector>

#include "effects/BlobField.h"
#include "effects/Effect.h"

namespace sunvale {

class CBlobSurfaceEffect : public Effect {
public:
    static constexpr int kSlabCount = 50;  // display lists in the ring

    // Needs the OpenGL context current. Generates the 50 list names, seeds
    // the shared generator with 81, draws the blob parameters and builds
    // all 50 slabs.
    CBlobSurfaceEffect();
    // Deletes the 50 display lists.
    ~CBlobSurfaceEffect() override;

    // Builds one slab and draws the ring; the time value is ignored, so the
    // flight advances one unit per call.
    void Draw(float time) override;
    void SetTexture(int32_t handle) override;

    // Builds `pending` slabs (advance the field, rotate the ring left by
    // one, compile the newest slab into the name that moved to the end),
    // then sets `pending` to 1.
    void Build();

    [[nodiscard]] const BlobField& Field() const { return field_; }
    [[nodiscard]] BlobField& Field() { return field_; }
    // Display-list names, oldest slab first.
    [[nodiscard]] const std::array<GLuint, kSlabCount>& Lists() const { return lists_; }
    // Vertices of the slab compiled last, as triangles.
    [[nodiscard]] const std::vector<BlobField::Vertex>& LastSlab() const { return slab_; }

    int32_t texture = -1;              // surface texture
    int32_t pending = kSlabCount;      // slabs the next Build makes
    float previousTarget[2] = {0, 0};  // camera target of the previous frame
    float up[3] = {0.0f, 1.0f, 0.0f};  // camera up vector; the scene may set it

private:
    // Compiles slab_ into list: triangles, then one unit deeper.
    void CompileSlab(GLuint list) const;

    BlobField field_;
    std::array<GLuint, kSlabCount> lists_{};
    std::vector<BlobField::Vertex> slab_;
};

}  // namespace sunvale
