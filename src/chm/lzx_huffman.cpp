#include "chm/lzx_huffman.h"

#include <algorithm>
#include <vector>

namespace corvane {

void LzxCodeLengths(const uint32_t* freq, size_t count, unsigned maxLength, uint8_t* lengths) {
    std::fill(lengths, lengths + count, 0);
    std::vector<uint32_t> used;  // symbols, least frequent first
    for (size_t s = 0; s < count; ++s)
        if (freq[s] != 0) used.push_back(static_cast<uint32_t>(s));
    if (used.empty()) return;
    if (used.size() == 1) {
        lengths[used[0]] = 1;
        lengths[used[0] == 0 ? 1 : 0] = 1;
        return;
    }
    std::stable_sort(used.begin(), used.end(),
                     [&](uint32_t a, uint32_t b) { return freq[a] < freq[b]; });

    // Two-queue construction: leaves in order of weight, internal nodes as they are made
    // (their weights never decrease). Node i < n is leaf i; parent[] gives each node's parent.
    const size_t n = used.size();
    std::vector<uint64_t> weight(2 * n - 1);
    std::vector<uint32_t> parent(2 * n - 1, 0);
    for (size_t i = 0; i < n; ++i) weight[i] = freq[used[i]];
    size_t leaf = 0, node = n;
    for (size_t next = n; next < 2 * n - 1; ++next) {
        uint32_t pick[2];
        for (uint32_t& p : pick) {
            if (leaf < n && (node >= next || weight[leaf] <= weight[node]))
                p = static_cast<uint32_t>(leaf++);
            else
                p = static_cast<uint32_t>(node++);
        }
        weight[next] = weight[pick[0]] + weight[pick[1]];
        parent[pick[0]] = parent[pick[1]] = static_cast<uint32_t>(next);
    }
    // Depths, from the root down (parents have higher numbers than their children).
    std::vector<uint32_t> depth(2 * n - 1, 0);
    std::vector<uint32_t> countOf(n + 1, 0);
    for (size_t i = 2 * n - 2; i-- > 0;) depth[i] = depth[parent[i]] + 1;
    unsigned longest = 0;
    for (size_t i = 0; i < n; ++i) {
        ++countOf[depth[i]];
        longest = std::max(longest, depth[i]);
    }
    // Too long: move pairs of the deepest leaves up, each under a leaf made internal one
    // level above the longest it can take; every step keeps the code complete.
    for (unsigned len = longest; len > maxLength; --len) {
        while (countOf[len] > 0) {
            unsigned j = len - 2;
            while (countOf[j] == 0) --j;
            countOf[len] -= 2;
            countOf[len - 1] += 1;
            countOf[j + 1] += 2;
            countOf[j] -= 1;
        }
    }
    // The most frequent symbols take the shortest lengths.
    size_t i = n;
    for (unsigned len = 1; len <= std::min<unsigned>(longest, maxLength); ++len)
        for (uint32_t k = 0; k < countOf[len]; ++k) lengths[used[--i]] = static_cast<uint8_t>(len);
}

void LzxCanonicalCodes(const uint8_t* lengths, size_t count, uint16_t* codes) {
    unsigned countOf[33] = {};
    for (size_t s = 0; s < count; ++s) ++countOf[lengths[s]];
    countOf[0] = 0;
    uint32_t next[33] = {};
    uint32_t code = 0;
    for (unsigned len = 1; len <= 32; ++len) {
        code = (code + countOf[len - 1]) << 1;
        next[len] = code;
    }
    for (size_t s = 0; s < count; ++s)
        codes[s] = lengths[s] ? static_cast<uint16_t>(next[lengths[s]]++) : 0;
}

}  // namespace corvane
