// Materials and geometry of a 3DS file: the editor chunk's materials, named
// objects (meshes, lights, cameras) and ambient light. Every point read is
// stored with Y and Z exchanged. Counts are checked against the bytes their
// chunk holds and the pools sized by the counting walk, so a damaged file can
// never lead outside the buffer or the model's arrays.
#include "library/moxa/3d/GeometryReader.h"

#include <cstring>
#include <new>

#include "library/moxa/3d/Matrix4.h"
#include "library/moxa/3d/ModelGeometry.h"

namespace sunvale {

namespace {

enum : uint16_t {
    kChunkColor24 = 0x0011,
    kChunkColorFloat = 0x0010,
    kChunkAmbientLight = 0x2100,
    kChunkNamedObject = 0x4000,
    kChunkTriMesh = 0x4100,
    kChunkVertexList = 0x4110,
    kChunkFaceList = 0x4120,
    kChunkMaterialGroup = 0x4130,
    kChunkMapping = 0x4140,
    kChunkSmoothing = 0x4150,
    kChunkMeshMatrix = 0x4160,
    kChunkLight = 0x4600,
    kChunkSpotlight = 0x4610,
    kChunkCamera = 0x4700,
    kChunkCameraRanges = 0x4720,
    kChunkMaterialName = 0xA000,
    kChunkAmbient = 0xA010,
    kChunkDiffuse = 0xA020,
    kChunkSpecular = 0xA030,
    kChunkTwoSided = 0xA081,
    kChunkWire = 0xA085,
    kChunkTextureMap = 0xA200,
    kChunkOpacityMap = 0xA210,
    kChunkReflectionMap = 0xA220,
    kChunkBumpMap = 0xA230,
    kChunkMapFile = 0xA300,
    kChunkMaterial = 0xAFFF,
};

constexpr uint32_t kMaxMaterials = 255;
constexpr float kByteToUnit = 0.003921569f;  // 1/255
constexpr float kDegToRad = 0.017453292f;    // pi/180

enum { kCountObjects, kCountVertices, kCountFaces, kCountLights, kCountCameras };

// Reads (x, y, z) from the file and stores (x, z, y); false (out untouched)
// when fewer than 12 bytes are left.
bool ReadExchanged(ByteCursor& cur, float out[3])
{
    float v[3];
    if (!cur.Floats(v, 3)) return false;
    out[0] = v[0];
    out[1] = v[2];
    out[2] = v[1];
    return true;
}

// The body of a named object: its name, then its first sub-chunk.
bool NamedObjectBody(const Chunk3ds& object, char name[kModelNameLength + 1], Chunk3ds& body)
{
    ByteCursor cur = object.Data();
    // Rule: the name is zero-terminated inside the chunk; without a
    // terminator there is no body.
    if (!cur.Name(name, kModelNameLength + 1)) return false;
    uint32_t offset = kChunkHeaderSize + static_cast<uint32_t>(cur.Position());
    return object.NextChild(offset, body);
}

// The 16-bit count at the start of a list chunk, cut to the whole entries of
// entrySize bytes that the chunk holds.
uint32_t ListCount(const Chunk3ds& list, uint32_t entrySize, ByteCursor& cur)
{
    cur = list.Data();
    uint16_t n = 0;
    if (!cur.U16(n)) return 0;
    const size_t fit = cur.Left() / entrySize;
    return n < fit ? n : static_cast<uint32_t>(fit);
}

// A colour chunk through its 24-bit sub-chunks; the last one wins.
void ReadByteColor(const Chunk3ds& color, float out[3])
{
    uint32_t offset = kChunkHeaderSize;
    Chunk3ds sub;
    while (color.NextChild(offset, sub)) {
        if (sub.id != kChunkColor24) continue;
        ByteCursor cur = sub.Data();
        uint8_t rgb[3];
        if (!cur.U8(rgb[0]) || !cur.U8(rgb[1]) || !cur.U8(rgb[2])) continue;
        for (int i = 0; i < 3; ++i) out[i] = rgb[i] * kByteToUnit;
    }
}

// A map chunk through its file-name sub-chunk; the last one wins.
void ReadMap(const Chunk3ds& map, MaterialMap& out)
{
    uint32_t offset = kChunkHeaderSize;
    Chunk3ds sub;
    while (map.NextChild(offset, sub)) {
        if (sub.id != kChunkMapFile) continue;
        ByteCursor cur = sub.Data();
        const char* text = reinterpret_cast<const char*>(cur.Here());
        size_t n = 0;
        while (n < cur.Left() && text[n] != '\0') ++n;
        out.fileName.assign(text, n);
    }
}

// Light colour component: value x 255 truncated, kept inside 0..255 (also
// for NaN) so the conversion is always defined.
uint32_t ColorByte(float value)
{
    const float scaled = value * 255.0f;
    if (!(scaled > 0.0f)) return 0;
    if (scaled >= 255.0f) return 255;
    return static_cast<uint32_t>(scaled);
}

}  // namespace

int GeometryReader::ReadMaterials(const Chunk3ds* editor)
{
    uint32_t count = 0;
    Chunk3ds chunk;
    uint32_t offset = kChunkHeaderSize;
    while (editor != nullptr && count < kMaxMaterials && editor->NextChild(offset, chunk))
        if (chunk.id == kChunkMaterial) ++count;

    model_.materials = new (std::nothrow) ModelMaterial[count + 1]();
    if (model_.materials == nullptr) return 0;
    model_.materialCount = count + 1;
    model_.materials[0].SetDefault();

    uint32_t index = 1;
    offset = kChunkHeaderSize;
    while (editor != nullptr && index <= count && editor->NextChild(offset, chunk)) {
        if (chunk.id != kChunkMaterial) continue;
        ModelMaterial& mat = model_.materials[index++];
        uint32_t subOffset = kChunkHeaderSize;
        Chunk3ds sub;
        while (chunk.NextChild(subOffset, sub)) {
            switch (sub.id) {
            case kChunkMaterialName: {
                ByteCursor cur = sub.Data();
                cur.Name(mat.name, sizeof mat.name);
                break;
            }
            case kChunkAmbient:
                ReadByteColor(sub, mat.ambient);
                break;
            case kChunkDiffuse:
                ReadByteColor(sub, mat.diffuse);
                break;
            case kChunkSpecular:
                ReadByteColor(sub, mat.specular);
                break;
            case kChunkTwoSided:
                mat.twoSided = 1;
                break;
            case kChunkWire:
                mat.wire = 1;
                break;
            case kChunkTextureMap:
                ReadMap(sub, mat.textureMap);
                break;
            case kChunkOpacityMap:
                ReadMap(sub, mat.opacityMap);
                break;
            case kChunkReflectionMap:
                ReadMap(sub, mat.reflectionMap);
                break;
            case kChunkBumpMap:
                ReadMap(sub, mat.bumpMap);
                break;
            default:
                break;
            }
        }
    }
    return 1;
}

void GeometryReader::CountObjects(const Chunk3ds& editor, uint32_t counts[5])
{
    uint32_t offset = kChunkHeaderSize;
    Chunk3ds chunk;
    while (editor.NextChild(offset, chunk)) {
        if (chunk.id != kChunkNamedObject) continue;
        char name[kModelNameLength + 1];
        Chunk3ds body;
        if (!NamedObjectBody(chunk, name, body)) continue;
        if (body.id == kChunkTriMesh) {
            ++counts[kCountObjects];
            Chunk3ds list;
            ByteCursor cur;
            if (body.FindChild(kChunkVertexList, 0, kChunkHeaderSize, list))
                counts[kCountVertices] += ListCount(list, 12, cur);
            if (body.FindChild(kChunkFaceList, 0, kChunkHeaderSize, list))
                counts[kCountFaces] += ListCount(list, 8, cur);
        } else if (body.id == kChunkLight) {
            ++counts[kCountLights];
        } else if (body.id == kChunkCamera) {
            ++counts[kCountCameras];
        }
    }
}

int GeometryReader::AllocatePools(const uint32_t counts[5])
{
    if (counts[kCountObjects] > 0) {
        model_.objects = new (std::nothrow) ModelObject[counts[kCountObjects]]();
        if (model_.objects == nullptr) return 0;
    }
    if (counts[kCountVertices] > 0) {
        model_.vertices = new (std::nothrow) ModelVertex[counts[kCountVertices]]();
        if (model_.vertices == nullptr) return 0;
    }
    if (counts[kCountFaces] > 0) {
        model_.faces = new (std::nothrow) ModelFace[counts[kCountFaces]]();
        if (model_.faces == nullptr) return 0;
    }
    if (counts[kCountLights] > 0) {
        model_.lights = new (std::nothrow) ModelLight[counts[kCountLights]]();
        if (model_.lights == nullptr) return 0;
    }
    if (counts[kCountCameras] > 0) {
        model_.cameras = new (std::nothrow) ModelCamera[counts[kCountCameras]]();
        if (model_.cameras == nullptr) return 0;
    }
    vertexCapacity_ = counts[kCountVertices];
    faceCapacity_ = counts[kCountFaces];
    return 1;
}

int GeometryReader::ReadGeometry(const Chunk3ds& editor)
{
    uint32_t counts[5] = {0, 0, 0, 0, 0};
    CountObjects(editor, counts);
    if (!AllocatePools(counts)) return 0;

    uint32_t offset = kChunkHeaderSize;
    Chunk3ds chunk;
    while (editor.NextChild(offset, chunk)) {
        if (chunk.id == kChunkAmbientLight) {
            model_.ambient[0] = model_.ambient[1] = model_.ambient[2] = 10.0f;
            continue;
        }
        if (chunk.id != kChunkNamedObject) continue;
        char name[kModelNameLength + 1];
        Chunk3ds body;
        if (!NamedObjectBody(chunk, name, body)) continue;
        if (body.id == kChunkTriMesh) {
            ModelObject& object = model_.objects[model_.objectCount++];
            std::memcpy(object.name, name, sizeof name);
            if (!ReadMesh(body, object)) return 0;
        } else if (body.id == kChunkLight) {
            ModelLight& light = model_.lights[model_.lightCount++];
            std::memcpy(light.name, name, sizeof name);
            ReadLight(body, light);
        } else if (body.id == kChunkCamera) {
            ModelCamera& camera = model_.cameras[model_.cameraCount++];
            std::memcpy(camera.name, name, sizeof name);
            ReadCamera(body, camera);
        }
    }
    // The pools hold what was read; on a damaged file this may be less than
    // the counting walk reserved.
    model_.vertexCount = nextVertex_;
    model_.faceCount = nextFace_;
    ToLocalSpace(model_);
    ComputeBounds(model_);
    return 1;
}

int GeometryReader::ReadMesh(const Chunk3ds& mesh, ModelObject& object)
{
    const uint8_t* mapping = nullptr;  // remembered for the next face list only
    uint32_t mappingPairs = 0;
    uint32_t offset = kChunkHeaderSize;
    Chunk3ds sub;
    while (mesh.NextChild(offset, sub)) {
        switch (sub.id) {
        case kChunkVertexList: {
            ByteCursor cur;
            const uint32_t n = ListCount(sub, 12, cur);
            // Rule: only a mesh's first vertex list is read (the counting
            // walk reserves for it alone; faces already read point into it).
            if (object.vertices != nullptr || n > vertexCapacity_ - nextVertex_) break;
            object.vertices = model_.vertices + nextVertex_;
            object.vertexCount = n;
            nextVertex_ += n;
            for (uint32_t i = 0; i < n; ++i) {
                ReadExchanged(cur, object.vertices[i].position);
                object.vertices[i].unmapped = 1;
            }
            break;
        }
        case kChunkMapping: {
            ByteCursor cur;
            mappingPairs = ListCount(sub, 8, cur);
            mapping = cur.Here();
            break;
        }
        case kChunkFaceList:
            if (!ReadFaceList(sub, object, mapping, mappingPairs)) return 0;
            mapping = nullptr;
            mappingPairs = 0;
            break;
        case kChunkMeshMatrix: {
            ByteCursor cur = sub.Data();
            float f[12];
            if (!cur.Floats(f, 12)) break;
            float* m = object.localMatrix;
            const float rows[12] = {f[0], f[2], f[1], f[6], f[8],  f[7],
                                    f[3], f[5], f[4], f[9], f[11], f[10]};
            std::memcpy(m, rows, sizeof rows);
            InvertAffineRows(m);
            break;
        }
        default:
            break;
        }
    }
    return 1;
}

int GeometryReader::ReadFaceList(const Chunk3ds& faceList, ModelObject& object,
                                 const uint8_t* mapping, uint32_t mappingPairs)
{
    ByteCursor cur;
    const uint32_t n = ListCount(faceList, 8, cur);
    // Rule: only a mesh's first face list is read (the counting walk
    // reserves for it alone).
    if (object.faces != nullptr || n > faceCapacity_ - nextFace_) return 1;
    object.faces = model_.faces + nextFace_;
    object.faceCount = n;
    nextFace_ += n;
    for (uint32_t i = 0; i < n; ++i) {
        ModelFace& face = object.faces[i];
        uint16_t index[3] = {0, 0, 0}, flags = 0;
        cur.U16(index[0]);
        cur.U16(index[1]);
        cur.U16(index[2]);
        cur.U16(flags);
        for (int c = 0; c < 3; ++c) {
            // Rule: a face names vertices of its own object's list; anything
            // else is a broken file, rejected as a whole.
            if (index[c] >= object.vertexCount) return 0;
            face.vertex[c] = object.vertices + index[c];
        }
        face.objectMatrix = object.localMatrix;
        face.material = model_.materials;
        face.corners = 3;
        face.flags = flags;
        ComputeFaceNormal(face);
    }

    object.smooth = 0;
    uint32_t offset = kChunkHeaderSize + 2 + 8 * n;
    Chunk3ds sub;
    while (faceList.NextChild(offset, sub)) {
        if (sub.id == kChunkMaterialGroup)
            ReadMaterialGroup(sub, object);
        else if (sub.id == kChunkSmoothing)
            object.smooth = 1;
    }
    if (mapping != nullptr) AssignMapping(object, mapping, mappingPairs);
    ComputeVertexNormals(object);
    FixUWrap(object);
    return 1;
}

void GeometryReader::ReadMaterialGroup(const Chunk3ds& group, ModelObject& object)
{
    ByteCursor cur = group.Data();
    char name[kModelNameLength + 1];
    if (!cur.Name(name, sizeof name)) return;
    ModelMaterial* material = FindMaterial(name);
    uint16_t count = 0;
    if (!cur.U16(count)) return;
    for (uint32_t i = 0; i < count; ++i) {
        uint16_t faceIndex;
        if (!cur.U16(faceIndex)) break;               // count beyond the chunk's data
        if (material == nullptr) continue;            // no material of that name: default stays
        if (faceIndex >= object.faceCount) continue;  // face outside this object: skipped
        object.faces[faceIndex].material = material;
    }
}

void GeometryReader::ReadLight(const Chunk3ds& chunk, ModelLight& light)
{
    ByteCursor cur = chunk.Data();
    ReadExchanged(cur, light.position);
    uint32_t offset = kChunkHeaderSize + 12;
    Chunk3ds sub;
    while (chunk.NextChild(offset, sub)) {
        ByteCursor data = sub.Data();
        if (sub.id == kChunkColorFloat) {
            float rgb[3];
            if (!data.Floats(rgb, 3)) continue;
            const uint32_t r = ColorByte(rgb[0]), g = ColorByte(rgb[1]), b = ColorByte(rgb[2]);
            light.color = r << 16 | g << 8 | b;
            light.colorScaled[0] = static_cast<float>(r);
            light.colorScaled[1] = static_cast<float>(g);
            light.colorScaled[2] = static_cast<float>(b);
        } else if (sub.id == kChunkSpotlight) {
            light.spot = 1;
            ReadExchanged(data, light.target);
        }
    }
}

void GeometryReader::ReadCamera(const Chunk3ds& chunk, ModelCamera& camera)
{
    ByteCursor cur = chunk.Data();
    ReadExchanged(cur, camera.position);
    ReadExchanged(cur, camera.target);
    float bank = 0.0f;
    if (cur.F32(bank)) camera.bank = bank * kDegToRad;
    cur.F32(camera.lens);
    // The near and far words sit at offsets 44 and 48 when a ranges chunk is
    // the camera's first sub-chunk.
    uint32_t offset = kChunkHeaderSize + 32;
    Chunk3ds first;
    if (chunk.NextChild(offset, first) && first.id == kChunkCameraRanges) {
        ByteCursor ranges = first.Data();
        uint32_t nearWord = 0, farWord = 0;
        if (ranges.U32(nearWord) && ranges.U32(farWord)) {
            camera.nearRange = nearWord;
            camera.farRange = farWord;
        }
    }
}

ModelMaterial* GeometryReader::FindMaterial(const char* name) const
{
    for (uint32_t i = 0; i < model_.materialCount; ++i)
        if (std::strcmp(model_.materials[i].name, name) == 0) return &model_.materials[i];
    return nullptr;
}

}  // namespace sunvale
