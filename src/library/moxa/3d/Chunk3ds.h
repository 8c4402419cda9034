// Chunk3ds: one chunk of a 3DS file inside the file buffer: id, length
// (header of 6 bytes included) and its bytes. Chunks are only produced by
// Root and NextChild, which guarantee that the chunk lies inside its parent.
#pragma once

#include <cstddef>
#include <cstdint>

#include "library/moxa/3d/ByteCursor.h"

namespace sunvale {

constexpr uint32_t kChunkHeaderSize = 6;

struct Chunk3ds {
    const uint8_t* base = nullptr;  // first header byte
    uint32_t length = 0;            // >= 6, within the parent
    uint16_t id = 0;

    // The file's first chunk, whatever its id. A length beyond the buffer is
    // cut to the buffer (a truncated file keeps its complete chunks); fails on
    // fewer than 6 bytes or a length below 6.
    static bool Root(const uint8_t* data, size_t size, Chunk3ds& out);

    // Sub-chunk walk: the child starting at offset (relative to this chunk's
    // start), then offset advances past it. Fails at the end of this chunk,
    // or when the next child's length is below 6 or runs past this chunk (the
    // rest of this chunk is then ignored).
    bool NextChild(uint32_t& offset, Chunk3ds& child) const;

    // The n-th (from 0) sub-chunk with the given id, walking from offset from.
    bool FindChild(uint16_t childId, int n, uint32_t from, Chunk3ds& out) const;

    // A cursor over this chunk's bytes from offset from (relative to the
    // chunk's start) to its end; empty when from is past the end.
    ByteCursor Data(uint32_t from = kChunkHeaderSize) const;
};

}  // namespace sunvale
