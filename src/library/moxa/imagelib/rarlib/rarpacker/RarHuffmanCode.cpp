// Huffman code construction for the packer: plain Huffman lengths from a
// two-queue merge, then the overflow fix that keeps every length within the
// limit while the Kraft sum stays exactly one.
#include "library/moxa/imagelib/rarlib/rarpacker/RarHuffmanCode.h"

#include <algorithm>
#include <numeric>

#include "library/moxa/imagelib/rarlib/rarpacker/RarBitWriter.h"

namespace sunvale {

namespace {

// Unlimited Huffman lengths for symbols sorted by ascending frequency
// (sorted[i] indexes freqs). Returns depth per sorted position.
std::vector<int> PlainLengths(const std::vector<uint32_t>& freqs, const std::vector<int>& sorted)
{
    const size_t n = sorted.size();
    // Nodes 0..n-1 are leaves, n.. are merged nodes in creation order.
    std::vector<uint64_t> weight(2 * n);
    std::vector<int> parent(2 * n, -1);
    for (size_t i = 0; i < n; ++i) weight[i] = freqs[sorted[i]];
    size_t leaf = 0, inner = n, next = n;
    auto takeSmallest = [&]() {
        if (leaf < n && (inner >= next || weight[leaf] <= weight[inner]))
            return static_cast<int>(leaf++);
        return static_cast<int>(inner++);
    };
    while (next < 2 * n - 1) {
        const int a = takeSmallest();
        const int b = takeSmallest();
        weight[next] = weight[a] + weight[b];
        parent[a] = parent[b] = static_cast<int>(next);
        ++next;
    }
    std::vector<int> depth(2 * n, 0);
    for (int i = static_cast<int>(2 * n) - 3; i >= 0; --i) depth[i] = depth[parent[i]] + 1;
    return std::vector<int>(depth.begin(), depth.begin() + n);
}

}  // namespace

void RarHuffmanCode::Build(const std::vector<uint32_t>& freqs, int maxLength)
{
    const int count = static_cast<int>(freqs.size());
    std::vector<int> used;
    for (int s = 0; s < count; ++s)
        if (freqs[s] > 0) used.push_back(s);
    lengths_.assign(count, 0);
    if (count == 0) return;
    // A lone symbol still needs a sibling so that the code is complete.
    if (used.size() < 2) {
        for (int s = 0; s < count && used.size() < 2; ++s)
            if (used.empty() || used[0] != s) used.push_back(s);
        std::sort(used.begin(), used.end());
        if (used.size() < 2) {
            lengths_[used[0]] = 1;
            AssignCodes();
            return;
        }
    }
    std::vector<int> sorted = used;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](int a, int b) { return freqs[a] < freqs[b]; });
    const std::vector<int> depth = PlainLengths(freqs, sorted);

    // Count codes per length, fold the too-long ones onto the limit and
    // repair the Kraft sum by lengthening codes just above the limit.
    std::vector<int> perLength(64, 0);
    for (int d : depth) perLength[std::min(d, maxLength)]++;
    uint64_t total = 0;
    for (int len = 1; len <= maxLength; ++len)
        total += static_cast<uint64_t>(perLength[len]) << (maxLength - len);
    const uint64_t full = 1ull << maxLength;
    while (total > full) {
        perLength[maxLength]--;
        for (int len = maxLength - 1; len > 0; --len) {
            if (perLength[len] != 0) {
                perLength[len]--;
                perLength[len + 1] += 2;
                break;
            }
        }
        total--;
    }
    // The rarest symbols (front of sorted) take the longest codes.
    size_t pos = 0;
    for (int len = maxLength; len >= 1; --len)
        for (int k = 0; k < perLength[len]; ++k)
            lengths_[sorted[pos++]] = static_cast<uint8_t>(len);
    AssignCodes();
}

void RarHuffmanCode::SetLengths(const std::vector<uint8_t>& lengths)
{
    lengths_ = lengths;
    AssignCodes();
}

void RarHuffmanCode::AssignCodes()
{
    int count[kMaxLength + 1] = {};
    for (uint8_t len : lengths_) count[len]++;
    count[0] = 0;
    uint32_t next[kMaxLength + 2] = {};
    uint32_t code = 0;
    for (int len = 1; len <= kMaxLength; ++len) {
        code = (code + static_cast<uint32_t>(count[len - 1])) << 1;
        next[len] = code;
    }
    codes_.assign(lengths_.size(), 0);
    for (size_t s = 0; s < lengths_.size(); ++s)
        if (lengths_[s] != 0) codes_[s] = static_cast<uint16_t>(next[lengths_[s]]++);
}

void RarHuffmanCode::Put(RarBitWriter* out, int symbol) const
{
    out->Write(codes_[symbol], lengths_[symbol]);
}

uint64_t RarHuffmanCode::Cost(const std::vector<uint32_t>& freqs) const
{
    uint64_t bits = 0;
    for (size_t s = 0; s < freqs.size() && s < lengths_.size(); ++s)
        bits += static_cast<uint64_t>(freqs[s]) * lengths_[s];
    return bits;
}

}  // namespace sunvale
