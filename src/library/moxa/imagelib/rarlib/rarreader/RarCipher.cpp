// RAR 2.0 cipher: key schedule from a password, block encryption and
// decryption, and the key mixing that chains the blocks of one entry.
#include "library/moxa/imagelib/rarlib/rarreader/RarCipher.h"

#include <cstring>

#include "library/moxa/imagelib/rarlib/rarreader/RarCipherConstants.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarCrc32.h"

namespace sunvale {

namespace {

constexpr int kRounds = 32;
constexpr size_t kPasswordBuffer = 256;

uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

uint32_t LoadLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void StoreLe32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

}  // namespace

RarCipher::RarCipher() : key(kRarCipherInitialKeys), substTable(kRarCipherInitialSubst) {}

void RarCipher::InitCipher(const char* password)
{
    key = kRarCipherInitialKeys;
    substTable = kRarCipherInitialSubst;
    uint8_t p[kPasswordBuffer] = {};
    size_t length = 0;
    if (password) {
        // The last byte stays zero: the pair loop below reads p[i + 1].
        while (length < kPasswordBuffer - 1 && password[length]) ++length;
        std::memcpy(p, password, length);
    }
    for (uint32_t j = 0; j < 256; ++j) {
        for (size_t i = 0; i < length; i += 2) {
            uint32_t x = kRarCrcTable[(p[i] - j) & 0xFF] & 0xFF;
            const uint32_t y = kRarCrcTable[(p[i + 1] + j) & 0xFF] & 0xFF;
            for (uint32_t k = 1; x != y; x = (x + 1) & 0xFF, ++k) {
                const uint32_t other = (x + i + k) & 0xFF;
                const uint8_t t = substTable[x];
                substTable[x] = substTable[other];
                substTable[other] = t;
            }
        }
    }
    for (size_t i = 0; i < length; i += 16) EncryptBlock(p + i);
    std::memset(p, 0, sizeof p);
}

uint32_t RarCipher::Sub32(uint32_t x) const
{
    return uint32_t(substTable[x & 0xFF]) | uint32_t(substTable[(x >> 8) & 0xFF]) << 8 |
           uint32_t(substTable[(x >> 16) & 0xFF]) << 16 | uint32_t(substTable[x >> 24]) << 24;
}

void RarCipher::EncryptBlock(uint8_t block[16])
{
    uint32_t a = LoadLe32(block) ^ key[0];
    uint32_t b = LoadLe32(block + 4) ^ key[1];
    uint32_t c = LoadLe32(block + 8) ^ key[2];
    uint32_t d = LoadLe32(block + 12) ^ key[3];
    for (int r = 0; r < kRounds; ++r) {
        const uint32_t k = key[r & 3];
        const uint32_t t = Sub32((c + RotateLeft(d, 11)) ^ k) ^ a;
        const uint32_t u = Sub32((d ^ RotateLeft(c, 17)) + k) ^ b;
        a = c;
        b = d;
        c = t;
        d = u;
    }
    StoreLe32(block, c ^ key[0]);
    StoreLe32(block + 4, d ^ key[1]);
    StoreLe32(block + 8, a ^ key[2]);
    StoreLe32(block + 12, b ^ key[3]);
    MixKeys(block);
}

void RarCipher::DecryptBlock(uint8_t block[16])
{
    uint8_t input[16];
    std::memcpy(input, block, 16);
    uint32_t a = LoadLe32(block) ^ key[0];
    uint32_t b = LoadLe32(block + 4) ^ key[1];
    uint32_t c = LoadLe32(block + 8) ^ key[2];
    uint32_t d = LoadLe32(block + 12) ^ key[3];
    for (int r = kRounds - 1; r >= 0; --r) {
        const uint32_t k = key[r & 3];
        const uint32_t t = Sub32((c + RotateLeft(d, 11)) ^ k) ^ a;
        const uint32_t u = Sub32((d ^ RotateLeft(c, 17)) + k) ^ b;
        a = c;
        b = d;
        c = t;
        d = u;
    }
    StoreLe32(block, c ^ key[0]);
    StoreLe32(block + 4, d ^ key[1]);
    StoreLe32(block + 8, a ^ key[2]);
    StoreLe32(block + 12, b ^ key[3]);
    MixKeys(input);
}

void RarCipher::MixKeys(const uint8_t block[16])
{
    for (int i = 0; i < 16; i += 4) {
        key[0] ^= kRarCrcTable[block[i]];
        key[1] ^= kRarCrcTable[block[i + 1]];
        key[2] ^= kRarCrcTable[block[i + 2]];
        key[3] ^= kRarCrcTable[block[i + 3]];
    }
}

}  // namespace sunvale
