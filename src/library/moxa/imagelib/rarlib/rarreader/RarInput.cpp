// The input side of the reader: packed bytes from the archive file, within
// the entry's packed size, decrypted when needed, into the unpacker's buffer.
#include "library/moxa/imagelib/rarlib/rarreader/RarInput.h"

#include <cstring>

#include "library/moxa/imagelib/rarlib/rarreader/RarLog.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarState.h"

namespace sunvale {

uint32_t ReadInput(RarState& s, uint8_t* destination, uint32_t count)
{
    const uint32_t wanted = count < s.packedLeft ? count : s.packedLeft;
    if (wanted == 0 || !s.archive) return 0;
    const uint32_t got = uint32_t(std::fread(destination, 1, wanted, s.archive));
    s.packedLeft -= got;
    if (s.encryptionVersion != 0) {
        if (s.encryptionVersion < 20) {
            RAR_LOG("Old Crypt() not supported!");
        } else {
            // Whole 16-byte blocks only; a last partial block is left as read.
            for (uint32_t i = 0; i + 16 <= got; i += 16) s.cipher.DecryptBlock(destination + i);
        }
    }
    return got;
}

void RefillInput(RarState& s, bool first)
{
    RarBitInput& in = s.input;
    constexpr uint32_t kKeep = RarBitInput::kOverlap;
    constexpr uint32_t kTail = RarBitInput::kBufferSize - kKeep;  // 8160
    if (first) {
        in.readTop = ReadInput(s, in.buffer, RarBitInput::kBufferSize);
        in.inPos = 0;
        return;
    }
    std::memmove(in.buffer, in.buffer + kTail, kKeep);
    in.inPos &= kKeep - 1;
    const uint32_t got = ReadInput(s, in.buffer + kKeep, kTail);
    // Valid bytes: the kept ones that were valid, plus what was read. (Only a
    // full buffer is ever followed by a successful read.)
    const uint32_t kept = in.readTop > kTail ? in.readTop - kTail : 0;
    in.readTop = got > 0 ? kKeep + got : kept;
}

}  // namespace sunvale
