#pragma once
// A RAR 2.x archive of one large packed entry, coded directly rather than
// through the packer (which holds whole entries in memory): a 64-byte text
// line repeated to the entry's size by matches of 258 bytes. A 2 GiB entry
// packs into about 2 MiB.
#include <cstdint>
#include <string>
#include <vector>

namespace moxatest {

// The entry's bytes at offset `pos` (the line repeats every 64 bytes).
uint8_t LongRunByte(uint64_t pos);

// Archive bytes of one entry `name` of `size` bytes (at most 2^31 - 1).
std::vector<uint8_t> LongRunArchive(const std::string& name, uint32_t size);

}  // namespace moxatest
