// Walking the chunk tree of a 3DS file without ever leaving the buffer.
#include "library/moxa/3d/Chunk3ds.h"

namespace sunvale {

namespace {

uint32_t ReadLength(const uint8_t* p)
{
    return static_cast<uint32_t>(p[2]) | static_cast<uint32_t>(p[3]) << 8 |
           static_cast<uint32_t>(p[4]) << 16 | static_cast<uint32_t>(p[5]) << 24;
}

}  // namespace

bool Chunk3ds::Root(const uint8_t* data, size_t size, Chunk3ds& out)
{
    if (data == nullptr || size < kChunkHeaderSize) return false;
    uint32_t length = ReadLength(data);
    // Rule: a chunk holds at least its header.
    if (length < kChunkHeaderSize) return false;
    if (length > size) length = static_cast<uint32_t>(size > 0xFFFFFFFFu ? 0xFFFFFFFFu : size);
    out.base = data;
    out.length = length;
    out.id = static_cast<uint16_t>(data[0] | data[1] << 8);
    return true;
}

bool Chunk3ds::NextChild(uint32_t& offset, Chunk3ds& child) const
{
    // Rule: a sub-chunk header must fit in what is left of the parent.
    if (offset > length || length - offset < kChunkHeaderSize) return false;
    const uint8_t* p = base + offset;
    const uint32_t childLength = ReadLength(p);
    // Rule: a sub-chunk holds its header and ends inside its parent.
    if (childLength < kChunkHeaderSize || childLength > length - offset) {
        offset = length;
        return false;
    }
    child.base = p;
    child.length = childLength;
    child.id = static_cast<uint16_t>(p[0] | p[1] << 8);
    offset += childLength;
    return true;
}

bool Chunk3ds::FindChild(uint16_t childId, int n, uint32_t from, Chunk3ds& out) const
{
    uint32_t offset = from;
    Chunk3ds child;
    while (NextChild(offset, child)) {
        if (child.id != childId) continue;
        if (n == 0) {
            out = child;
            return true;
        }
        --n;
    }
    return false;
}

ByteCursor Chunk3ds::Data(uint32_t from) const
{
    if (from >= length) return ByteCursor();
    return ByteCursor(base + from, length - from);
}

}  // namespace sunvale
