// The 3DS parser: the file's root chunk, whatever its id, holds the editor
// chunk (materials and geometry) and the keyframer chunk; each is read by its
// own pass over the memory buffer, without copying chunks.
#include "library/moxa/3d/ModelParser.h"

#include <memory>
#include <new>

#include "library/moxa/3d/Chunk3ds.h"
#include "library/moxa/3d/GeometryReader.h"
#include "library/moxa/3d/KeyframerReader.h"

namespace sunvale {

namespace {

constexpr uint16_t kChunkEditor = 0x3D3D;
constexpr uint16_t kChunkKeyframer = 0xB000;

}  // namespace

Model* ParseModel(const uint8_t* data, size_t size, const char* name)
{
    Chunk3ds root;
    if (!Chunk3ds::Root(data, size, root)) return nullptr;
    std::unique_ptr<Model> model(new (std::nothrow) Model());
    if (!model) return nullptr;
    model->name = name != nullptr ? name : "";

    Chunk3ds editor;
    const bool hasEditor = root.FindChild(kChunkEditor, 0, kChunkHeaderSize, editor);
    GeometryReader geometry(*model);
    if (!geometry.ReadMaterials(hasEditor ? &editor : nullptr)) return nullptr;
    if (hasEditor && !geometry.ReadGeometry(editor)) return nullptr;

    Chunk3ds keyframer;
    if (root.FindChild(kChunkKeyframer, 0, kChunkHeaderSize, keyframer)) {
        KeyframerReader reader(*model);
        if (!reader.Read(keyframer)) return nullptr;
    }

    model->playbackFrame = 0;
    model->playbackFlags = 0;
    model->playbackRate = 60.0f;
    return model.release();
}

}  // namespace sunvale
