#include "cabtools/lzx/LzxHuffman.h"

#include <algorithm>
#include <vector>

namespace cabtools::lzx {

void BuildCodeLengths(const uint32_t* freq, int count, int maxLength, uint8_t* lengths)
{
    std::fill(lengths, lengths + count, uint8_t(0));
    std::vector<int> leaves;
    for (int i = 0; i < count; ++i) {
        if (freq[i] != 0) {
            leaves.push_back(i);
        }
    }
    if (leaves.empty()) {
        return;
    }
    if (leaves.size() == 1) {
        lengths[leaves[0]] = 1;
        lengths[leaves[0] == 0 ? 1 : 0] = 1;
        return;
    }
    // Least frequent first, so the two-queue merge below needs no heap.
    std::sort(leaves.begin(), leaves.end(), [&](int a, int b) {
        return freq[a] != freq[b] ? freq[a] < freq[b] : a < b;
    });
    const int n = int(leaves.size());
    std::vector<uint64_t> weight(2 * n - 1);
    std::vector<int> parent(2 * n - 1, 0);
    for (int i = 0; i < n; ++i) {
        weight[i] = freq[leaves[i]];
    }
    int nextLeaf = 0;
    int nextInner = n;
    for (int node = n; node < 2 * n - 1; ++node) {
        auto take = [&]() {
            if (nextLeaf < n && (nextInner >= node || weight[nextLeaf] <= weight[nextInner])) {
                return nextLeaf++;
            }
            return nextInner++;
        };
        const int a = take();
        const int b = take();
        weight[node] = weight[a] + weight[b];
        parent[a] = node;
        parent[b] = node;
    }
    std::vector<int> depth(2 * n - 1, 0);
    std::vector<int> perLength(n + 1, 0);
    int deepest = 0;
    for (int node = 2 * n - 3; node >= 0; --node) {
        depth[node] = depth[parent[node]] + 1;
        if (node < n) {
            ++perLength[depth[node]];
            deepest = std::max(deepest, depth[node]);
        }
    }
    perLength.resize(std::max(deepest, maxLength) + 1, 0);
    // Over-long codes: move sibling pairs up and split a shorter leaf in their place; each step
    // keeps the tree full, so the result is still a complete prefix code.
    for (int len = deepest; len > maxLength; --len) {
        while (perLength[len] > 0) {
            int shorter = len - 2;
            while (perLength[shorter] == 0) {
                --shorter;
            }
            perLength[len] -= 2;
            perLength[len - 1] += 1;
            perLength[shorter + 1] += 2;
            perLength[shorter] -= 1;
        }
    }
    // The rarest symbols take the longest codes.
    int leaf = 0;
    for (int len = std::min(deepest, maxLength); len >= 1; --len) {
        for (int k = 0; k < perLength[len]; ++k) {
            lengths[leaves[leaf++]] = uint8_t(len);
        }
    }
}

void BuildCanonicalCodes(const uint8_t* lengths, int count, uint16_t* codes)
{
    int perLength[17] = {};
    for (int i = 0; i < count; ++i) {
        ++perLength[lengths[i]];
    }
    perLength[0] = 0;
    uint32_t next[17] = {};
    uint32_t code = 0;
    for (int len = 1; len <= 16; ++len) {
        code = (code + uint32_t(perLength[len - 1])) << 1;
        next[len] = code;
    }
    for (int i = 0; i < count; ++i) {
        codes[i] = lengths[i] ? uint16_t(next[lengths[i]]++) : 0;
    }
}

} // namespace cabtools::lzx
