#pragma once
// Initial state of the RAR 2.0 cipher: four key words and a 256-byte
// substitution table.
//
// THESE ARE PLACEHOLDER VALUES, NOT THE ONES OF THE ORIGINAL RAR 2.0 CIPHER.
// The original constants are not available to this code base, so archives
// encrypted by RAR itself do not decrypt here. Everything around them (key
// schedule, rounds, key mixing) is complete; replacing the values below with
// the original ones is all it takes. The show itself never decrypts (its
// password is always empty).
#include <array>
#include <cstdint>

namespace sunvale {

inline constexpr std::array<uint32_t, 4> kRarCipherInitialKeys = {
    0x01234567u, 0x89ABCDEFu, 0xFEDCBA98u, 0x76543210u};  // placeholder

// Placeholder substitution table: the permutation i -> (167 * i + 13) mod 256.
inline constexpr std::array<uint8_t, 256> kRarCipherInitialSubst = [] {
    std::array<uint8_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(167u * i + 13u);
    return table;
}();

}  // namespace sunvale
