// Hash-chain match finder over one contiguous byte stream (an entry, or all
// entries of a solid archive one after another). Chains link positions with
// equal 4-byte hashes; beside them, the newest position of each 3-byte hash
// (for short near matches) and of each 16-byte hash (for long repeats far
// back, which a short chain would not reach) is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sunvale {

class RarMatchFinder {
public:
    // data stays owned by the caller and must outlive the finder.
    RarMatchFinder(const uint8_t* data, size_t size, int maxChain, uint32_t niceLength);

    // Adds every position below `end` not yet added to the chains.
    void InsertUpTo(size_t end);
    // Longest match for `pos` among earlier positions within maxDistance,
    // at most maxLength bytes (and never past `limit`). Returns the length
    // (0 when none of 3+ bytes) and its distance.
    uint32_t Find(size_t pos, size_t limit, uint32_t maxDistance, uint32_t* distance) const;
    // Distance to the most recent earlier occurrence of the two bytes at pos
    // (0 when none was seen).
    uint32_t RecentPair(size_t pos) const;
    // Bytes in common at pos and pos - distance, at most maxLength.
    uint32_t MatchLength(size_t pos, uint32_t distance, uint32_t maxLength) const;

private:
    static uint32_t Hash3(const uint8_t* p);
    uint32_t Hash4(const uint8_t* p) const;
    static uint32_t Hash16(const uint8_t* p);

    const uint8_t* data_;
    size_t size_;
    int maxChain_;
    uint32_t niceLength_;
    size_t inserted_ = 0;
    std::vector<int32_t> head_;      // 4-byte hash -> newest position
    std::vector<int32_t> prev_;      // ring: position -> older one, same hash
    std::vector<int32_t> head3_;     // 3-byte hash -> newest position
    std::vector<int32_t> headLong_;  // 16-byte hash -> newest position
    std::vector<int32_t> pairHead_;  // two bytes -> newest position
    size_t prevMask_;
    int hashBits_;  // of the 4-byte chain heads, grows with the input
};

}  // namespace sunvale
