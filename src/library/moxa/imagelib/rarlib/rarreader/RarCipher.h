#pragma once
// RAR 2.0 block cipher: 16-byte blocks, 32 Feistel-like rounds over four
// 32-bit little-endian words, keys re-mixed after every block.
#include <array>
#include <cstdint>

namespace sunvale {

class RarCipher {
public:
    RarCipher();

    // Key schedule from a password (at most the first 255 bytes are used;
    // null counts as empty).
    void InitCipher(const char* password);
    // Encrypts one 16-byte block in place, then mixes the keys with the result.
    void EncryptBlock(uint8_t block[16]);
    // Decrypts one 16-byte block in place, then mixes the keys with the input.
    void DecryptBlock(uint8_t block[16]);
    // key[k] ^= CRC[b[i + k]] for i = 0, 4, 8, 12.
    void MixKeys(const uint8_t block[16]);

    const std::array<uint32_t, 4>& Keys() const { return key; }
    const std::array<uint8_t, 256>& SubstTable() const { return substTable; }

private:
    uint32_t Sub32(uint32_t x) const;

    std::array<uint32_t, 4> key;
    std::array<uint8_t, 256> substTable;
};

}  // namespace sunvale
