// Writes 3DS scene files into memory: a chunk tree of (id, length, data)
// records, little-endian, with each chunk's length patched once its
// sub-chunks are complete.
#include "library/moxa/3d/writer/Writer3ds.h"

#include <cstring>

namespace sunvale {

namespace {

// Byte sink with open-chunk bookkeeping.
class ChunkSink {
public:
    explicit ChunkSink(std::vector<uint8_t>& out) : out_(out) {}

    void U8(uint8_t v) { out_.push_back(v); }
    void U16(uint16_t v)
    {
        out_.push_back(static_cast<uint8_t>(v));
        out_.push_back(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void F32(float f)
    {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        U32(bits);
    }
    void Floats(const float* f, int n)
    {
        for (int i = 0; i < n; ++i) F32(f[i]);
    }
    void Name(const std::string& s)
    {
        out_.insert(out_.end(), s.begin(), s.end());
        out_.push_back(0);
    }

    // Opens a chunk; returns its start for Close.
    size_t Open(uint16_t id)
    {
        size_t start = out_.size();
        U16(id);
        U32(0);
        return start;
    }
    void Close(size_t start)
    {
        uint32_t len = static_cast<uint32_t>(out_.size() - start);
        for (int i = 0; i < 4; ++i) out_[start + 2 + i] = static_cast<uint8_t>(len >> (8 * i));
    }

private:
    std::vector<uint8_t>& out_;
};

void WriteByteColor(ChunkSink& s, uint16_t id, const uint8_t rgb[3])
{
    size_t c = s.Open(id);
    size_t b = s.Open(0x0011);
    s.U8(rgb[0]);
    s.U8(rgb[1]);
    s.U8(rgb[2]);
    s.Close(b);
    s.Close(c);
}

void WriteMap(ChunkSink& s, uint16_t id, const std::string& file)
{
    if (file.empty()) return;
    size_t m = s.Open(id);
    size_t pct = s.Open(0x0030);  // map strength, an int percentage; not read
    s.U16(100);
    s.Close(pct);
    size_t n = s.Open(0xA300);
    s.Name(file);
    s.Close(n);
    s.Close(m);
}

void WriteMaterial(ChunkSink& s, const Writer3dsMaterial& mat)
{
    size_t c = s.Open(0xAFFF);
    size_t n = s.Open(0xA000);
    s.Name(mat.name);
    s.Close(n);
    WriteByteColor(s, 0xA010, mat.ambient);
    WriteByteColor(s, 0xA020, mat.diffuse);
    WriteByteColor(s, 0xA030, mat.specular);
    if (mat.twoSided) s.Close(s.Open(0xA081));
    if (mat.wire) s.Close(s.Open(0xA085));
    WriteMap(s, 0xA200, mat.textureMap);
    WriteMap(s, 0xA210, mat.opacityMap);
    WriteMap(s, 0xA220, mat.reflectionMap);
    WriteMap(s, 0xA230, mat.bumpMap);
    s.Close(c);
}

void WriteMapping(ChunkSink& s, const Writer3dsMesh& mesh)
{
    size_t c = s.Open(0x4140);
    s.U16(static_cast<uint16_t>(mesh.uv.size() / 2));
    s.Floats(mesh.uv.data(), static_cast<int>(mesh.uv.size() / 2 * 2));
    s.Close(c);
}

void WriteMesh(ChunkSink& s, const Writer3dsMesh& mesh)
{
    size_t obj = s.Open(0x4000);
    s.Name(mesh.name);
    size_t tri = s.Open(0x4100);

    size_t v = s.Open(0x4110);
    s.U16(static_cast<uint16_t>(mesh.xyz.size() / 3));
    s.Floats(mesh.xyz.data(), static_cast<int>(mesh.xyz.size() / 3 * 3));
    s.Close(v);

    if (!mesh.uv.empty() && !mesh.mappingAfterFaces) WriteMapping(s, mesh);

    if (mesh.hasMatrix) {
        size_t m = s.Open(0x4160);
        s.Floats(mesh.matrix, 12);
        s.Close(m);
    }

    size_t f = s.Open(0x4120);
    size_t faceCount = mesh.faces.size() / 4;
    s.U16(static_cast<uint16_t>(faceCount));
    for (size_t i = 0; i < faceCount * 4; ++i) s.U16(mesh.faces[i]);
    for (const Writer3dsFaceGroup& g : mesh.groups) {
        size_t gc = s.Open(0x4130);
        s.Name(g.material);
        s.U16(static_cast<uint16_t>(g.faces.size()));
        for (uint16_t idx : g.faces) s.U16(idx);
        s.Close(gc);
    }
    if (!mesh.smoothing.empty()) {
        size_t sc = s.Open(0x4150);
        for (uint32_t grp : mesh.smoothing) s.U32(grp);
        s.Close(sc);
    }
    s.Close(f);

    if (!mesh.uv.empty() && mesh.mappingAfterFaces) WriteMapping(s, mesh);

    s.Close(tri);
    s.Close(obj);
}

void WriteLight(ChunkSink& s, const Writer3dsLight& light)
{
    size_t obj = s.Open(0x4000);
    s.Name(light.name);
    size_t l = s.Open(0x4600);
    s.Floats(light.position, 3);
    size_t col = s.Open(0x0010);
    s.Floats(light.color, 3);
    s.Close(col);
    if (light.spot) {
        size_t sp = s.Open(0x4610);
        s.Floats(light.target, 3);
        s.F32(light.hotspot);
        s.F32(light.falloff);
        s.Close(sp);
    }
    s.Close(l);
    s.Close(obj);
}

void WriteCamera(ChunkSink& s, const Writer3dsCamera& cam)
{
    size_t obj = s.Open(0x4000);
    s.Name(cam.name);
    size_t c = s.Open(0x4700);
    s.Floats(cam.position, 3);
    s.Floats(cam.target, 3);
    s.F32(cam.bank);
    s.F32(cam.lens);
    if (cam.hasRanges) {
        size_t r = s.Open(0x4720);
        s.F32(cam.nearRange);
        s.F32(cam.farRange);
        s.Close(r);
    }
    s.Close(c);
    s.Close(obj);
}

// Number of value floats per key of a track id (morph and hide handled apart).
int ValueFloats(uint16_t id)
{
    switch (id) {
    case kTrack3dsRotation:
        return 4;
    case kTrack3dsFov:
    case kTrack3dsRoll:
    case kTrack3dsHotspot:
    case kTrack3dsFalloff:
        return 1;
    default:
        return 3;
    }
}

void WriteTrack(ChunkSink& s, const Writer3dsTrack& track)
{
    size_t c = s.Open(track.id);
    s.U16(track.flags);
    s.U32(0);
    s.U32(0);
    s.U32(static_cast<uint32_t>(track.keys.size()));
    for (const Writer3dsKey& key : track.keys) {
        s.U32(key.frame);
        s.U16(key.splineFlags);
        for (int bit = 0; bit < 16; ++bit)
            if (key.splineFlags & (1u << bit)) s.F32(key.spline[bit]);
        if (track.id == kTrack3dsMorph) {
            s.Name(key.morphTarget);
        } else if (track.id == kTrack3dsHide) {
            s.U32(0);
        } else {
            s.Floats(key.value, ValueFloats(track.id));
        }
    }
    s.Close(c);
}

void WriteNode(ChunkSink& s, const Writer3dsNode& node)
{
    size_t c = s.Open(node.id);
    size_t hdr = s.Open(0xB010);
    s.Name(node.name);
    s.U16(node.flags1);
    s.U16(node.flags2);
    s.U16(node.parent);
    s.Close(hdr);
    if (!node.instance.empty()) {
        size_t in = s.Open(0xB011);
        s.Name(node.instance);
        s.Close(in);
    }
    if (node.hasPivot) {
        size_t p = s.Open(0xB013);
        s.Floats(node.pivot, 3);
        s.Close(p);
    }
    for (const Writer3dsTrack& t : node.tracks) WriteTrack(s, t);
    s.Close(c);
}

}  // namespace

void Append3dsChunk(std::vector<uint8_t>& out, uint16_t id, const std::vector<uint8_t>& payload)
{
    ChunkSink s(out);
    size_t c = s.Open(id);
    out.insert(out.end(), payload.begin(), payload.end());
    s.Close(c);
}

std::vector<uint8_t> Write3ds(const Writer3dsScene& scene)
{
    std::vector<uint8_t> out;
    ChunkSink s(out);
    size_t root = s.Open(scene.rootId);
    size_t ver = s.Open(0x0002);
    s.U32(3);
    s.Close(ver);

    if (scene.hasEditor) {
        size_t ed = s.Open(0x3D3D);
        size_t mv = s.Open(0x3D3E);
        s.U32(3);
        s.Close(mv);
        for (const Writer3dsMaterial& m : scene.materials) WriteMaterial(s, m);
        if (scene.hasAmbient) {
            const uint8_t grey[3] = {26, 26, 26};
            WriteByteColor(s, 0x2100, grey);
        }
        for (const Writer3dsMesh& m : scene.meshes) WriteMesh(s, m);
        for (const Writer3dsLight& l : scene.lights) WriteLight(s, l);
        for (const Writer3dsCamera& c : scene.cameras) WriteCamera(s, c);
        s.Close(ed);
    }

    if (scene.hasKeyframer) {
        size_t kf = s.Open(0xB000);
        if (scene.hasSegment) {
            size_t seg = s.Open(0xB008);
            s.U32(scene.segmentStart);
            s.U32(scene.segmentEnd);
            s.Close(seg);
        }
        for (const Writer3dsNode& n : scene.nodes) WriteNode(s, n);
        s.Close(kf);
    }
    s.Close(root);
    return out;
}

}  // namespace sunvale
