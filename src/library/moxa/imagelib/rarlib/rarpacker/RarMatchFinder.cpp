// Hash chains: head_ holds the newest position per 4-byte hash, prev_ (a ring
// of up to 1 MiB entries) links each position to the previous one of the same
// hash. A chain is followed while it stays within the window, which also
// guarantees the ring slot has not been reused. Measured on 10 MB inputs,
// 4-byte chains with the two single-candidate tables beside them pack text
// smaller at a quarter of the chain depth that 3-byte chains needed, and
// keep incompressible data from walking long chains of chance hits.
#include "library/moxa/imagelib/rarlib/rarpacker/RarMatchFinder.h"

#include <algorithm>
#include <cstring>

namespace sunvale {

namespace {

// Chain heads: about one bucket per window position, so that chains on
// incompressible data stay near one link long (perf on noise: the chain
// walk was 85% of the packing time with 2^18 heads).
constexpr int kMinHashBits = 12;
constexpr int kMaxHashBits = 20;
constexpr int kHash3Bits = 16;
constexpr int kHashLongBits = 18;
constexpr size_t kRingMax = size_t{1} << 20;
constexpr uint32_t kLongBytes = 16;
constexpr size_t kPrefetchDistance = 24;
// Once a match this long is found, the rest of the chain is cut to a quarter.
constexpr uint32_t kGoodLength = 32;

uint64_t Load64(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

}  // namespace

RarMatchFinder::RarMatchFinder(const uint8_t* data, size_t size, int maxChain, uint32_t niceLength)
    : data_(data), size_(size), maxChain_(maxChain), niceLength_(niceLength)
{
    size_t ring = 1024;
    while (ring < size && ring < kRingMax) ring <<= 1;
    prevMask_ = ring - 1;
    hashBits_ = kMinHashBits;
    while (hashBits_ < kMaxHashBits && (size_t{1} << hashBits_) < size) ++hashBits_;
    head_.assign(size_t{1} << hashBits_, -1);
    prev_.assign(ring, -1);
    head3_.assign(size_t{1} << kHash3Bits, -1);
    headLong_.assign(size_t{1} << kHashLongBits, -1);
    pairHead_.assign(65536, -1);
}

uint32_t RarMatchFinder::Hash3(const uint8_t* p)
{
    const uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                       (static_cast<uint32_t>(p[2]) << 16);
    return (v * 2654435761u) >> (32 - kHash3Bits);
}

uint32_t RarMatchFinder::Hash4(const uint8_t* p) const
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return (v * 2654435761u) >> (32 - hashBits_);
}

uint32_t RarMatchFinder::Hash16(const uint8_t* p)
{
    const uint64_t v = Load64(p) * 0x9E3779B97F4A7C15ull ^ Load64(p + 8) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<uint32_t>((v ^ (v >> 29)) >> (64 - kHashLongBits));
}

void RarMatchFinder::InsertUpTo(size_t end)
{
    end = std::min(end, size_);
    for (; inserted_ < end; ++inserted_) {
        const size_t p = inserted_;
        const int32_t pos = static_cast<int32_t>(p);
        // The table slots of a position a little ahead are random accesses;
        // fetching them early hides most of their latency (noise packs about
        // twice as fast).
        const size_t ahead = p + kPrefetchDistance;
        if (ahead + kLongBytes <= size_) {
            __builtin_prefetch(&head_[Hash4(data_ + ahead)]);
            __builtin_prefetch(&headLong_[Hash16(data_ + ahead)]);
            __builtin_prefetch(&head3_[Hash3(data_ + ahead)]);
        }
        if (p + 1 < size_) pairHead_[data_[p] | (data_[p + 1] << 8)] = pos;
        if (p + 2 < size_) head3_[Hash3(data_ + p)] = pos;
        if (p + 3 < size_) {
            const uint32_t h = Hash4(data_ + p);
            prev_[p & prevMask_] = head_[h];
            head_[h] = pos;
        }
        if (p + kLongBytes <= size_) headLong_[Hash16(data_ + p)] = pos;
    }
}

uint32_t RarMatchFinder::MatchLength(size_t pos, uint32_t distance, uint32_t maxLength) const
{
    const uint8_t* a = data_ + pos;
    const uint8_t* b = a - distance;
    uint32_t len = 0;
    while (len + 8 <= maxLength) {
        const uint64_t diff = Load64(a + len) ^ Load64(b + len);
        if (diff != 0) return len + static_cast<uint32_t>(__builtin_ctzll(diff) >> 3);
        len += 8;
    }
    while (len < maxLength && a[len] == b[len]) ++len;
    return len;
}

uint32_t RarMatchFinder::Find(size_t pos, size_t limit, uint32_t maxDistance,
                              uint32_t* distance) const
{
    *distance = 0;
    if (pos + 3 > limit || pos + 2 >= size_) return 0;
    const uint32_t maxLength = static_cast<uint32_t>(std::min<size_t>(limit - pos, 260));
    const uint32_t window = std::min<uint32_t>(maxDistance, static_cast<uint32_t>(prevMask_));
    uint32_t bestLen = 2;
    // Tries one earlier position; true when the search can stop.
    auto tryCandidate = [&](size_t cand) {
        const size_t d = pos - cand;
        if (data_[cand + bestLen] != data_[pos + bestLen] || data_[cand] != data_[pos])
            return false;
        const uint32_t len = MatchLength(pos, static_cast<uint32_t>(d), maxLength);
        if (len > bestLen) {
            bestLen = len;
            *distance = static_cast<uint32_t>(d);
        }
        return bestLen >= niceLength_ || bestLen >= maxLength;
    };
    auto usable = [&](int32_t cand) {
        return cand >= 0 && static_cast<size_t>(cand) < pos &&
               pos - static_cast<size_t>(cand) <= maxDistance;
    };

    if (pos + kLongBytes <= size_) {
        const int32_t cand = headLong_[Hash16(data_ + pos)];
        if (usable(cand) && tryCandidate(static_cast<size_t>(cand))) return bestLen;
    }
    if (pos + 3 < size_ && pos + 4 <= limit) {
        int32_t cand = head_[Hash4(data_ + pos)];
        // Positions at or after pos are not inserted yet when the caller
        // looks ahead; skip them.
        while (cand >= 0 && static_cast<size_t>(cand) >= pos)
            cand = prev_[static_cast<size_t>(cand) & prevMask_];
        int chain = maxChain_;
        while (cand >= 0 && chain-- > 0) {
            if (pos - static_cast<size_t>(cand) > window) break;
            if (tryCandidate(static_cast<size_t>(cand))) return bestLen;
            if (bestLen >= kGoodLength && chain > maxChain_ / 4) chain = maxChain_ / 4;
            const int32_t next = prev_[static_cast<size_t>(cand) & prevMask_];
            if (next >= cand) break;
            cand = next;
        }
    }
    if (bestLen < 4) {
        const int32_t cand = head3_[Hash3(data_ + pos)];
        if (usable(cand)) tryCandidate(static_cast<size_t>(cand));
    }
    return *distance != 0 ? bestLen : 0;
}

uint32_t RarMatchFinder::RecentPair(size_t pos) const
{
    if (pos + 1 >= size_) return 0;
    const int32_t p = pairHead_[data_[pos] | (data_[pos + 1] << 8)];
    return (p >= 0 && static_cast<size_t>(p) < pos)
               ? static_cast<uint32_t>(pos - static_cast<size_t>(p))
               : 0;
}

}  // namespace sunvale
