#include "layout/CrossingCount.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>

namespace ketterly {

std::vector<int> positionsInLayers(const Layering& layering) {
    std::vector<int> position(layering.layerOf.size(), -1);
    for (const auto& layer : layering.layers)
        for (std::size_t i = 0; i < layer.size(); ++i)
            position[static_cast<std::size_t>(layer[i])] = static_cast<int>(i);
    return position;
}

namespace {

// A Fenwick tree over positions: how many recorded values are greater than a given one.
class AccumulatorTree {
  public:
    void reset(std::size_t size) {
        counts_.assign(size + 1, 0);
        total_ = 0;
    }
    void add(int value) {
        for (std::size_t i = static_cast<std::size_t>(value) + 1; i < counts_.size(); i += i & (~i + 1))
            ++counts_[i];
        ++total_;
    }
    long long countGreaterThan(int value) const {
        long long atMost = 0;
        for (std::size_t i = static_cast<std::size_t>(value) + 1; i > 0; i -= i & (~i + 1))
            atMost += counts_[i];
        return total_ - atMost;
    }

  private:
    std::vector<long long> counts_;
    long long total_ = 0;
};

// Sorts keys ascending, 16 bits at a time from the lowest; passes whose digit is the same for
// every key are skipped.
void radixSort(std::vector<std::uint64_t>& keys) {
    std::vector<std::uint64_t> buffer(keys.size());
    std::vector<std::size_t> start(1 << 16);
    for (int shift = 0; shift < 64; shift += 16) {
        std::fill(start.begin(), start.end(), 0);
        for (std::uint64_t key : keys)
            ++start[(key >> shift) & 0xFFFF];
        if (!keys.empty() && start[(keys.front() >> shift) & 0xFFFF] == keys.size())
            continue;
        std::size_t offset = 0;
        for (auto& count : start)
            offset += std::exchange(count, offset);
        for (std::uint64_t key : keys)
            buffer[start[(key >> shift) & 0xFFFF]++] = key;
        keys.swap(buffer);
    }
}

} // namespace

long long countCrossings(const Layering& layering) {
    const std::vector<int> position = positionsInLayers(layering);
    // One key per segment: its pair of layers (the lower one, then whether it runs within it),
    // then a, then b; sorted, each pair of layers is one run ordered by a and then b. (The three
    // fit in 64 bits unless a layer of two million nodes meets a million layers.)
    std::size_t widest = 1;
    for (const auto& layer : layering.layers)
        widest = std::max(widest, layer.size());
    const int indexBits = static_cast<int>(std::bit_width(widest));
    const std::uint64_t indexMask = (std::uint64_t{1} << indexBits) - 1;
    std::vector<std::uint64_t> keys;
    keys.reserve(layering.segments.size());
    for (const auto& [u, v] : layering.segments) {
        const int lu = layering.layerOf[static_cast<std::size_t>(u)];
        const int lv = layering.layerOf[static_cast<std::size_t>(v)];
        const int pu = position[static_cast<std::size_t>(u)];
        const int pv = position[static_cast<std::size_t>(v)];
        if (lu < 0 || lv < 0 || pu < 0 || pv < 0)
            continue;
        const auto low = static_cast<std::uint64_t>(std::min(lu, lv));
        const std::uint64_t group = low * 2 + (lu == lv ? 0 : 1);
        const auto a = static_cast<std::uint64_t>(lu == lv ? pv : lu < lv ? pu : pv);
        const auto b = static_cast<std::uint64_t>(lu == lv ? pu : lu < lv ? pv : pu);
        keys.push_back(group << (2 * indexBits) | a << indexBits | b);
    }
    radixSort(keys);
    // Within a group, sorted by a and then b, a crossing is an earlier pair with a greater b
    // (earlier pairs with an equal a have b no greater, so ties never count).
    long long crossings = 0;
    AccumulatorTree tree;
    std::size_t start = 0;
    while (start < keys.size()) {
        const std::uint64_t group = keys[start] >> (2 * indexBits);
        std::size_t end = start;
        std::uint64_t largestB = 0;
        while (end < keys.size() && keys[end] >> (2 * indexBits) == group) {
            largestB = std::max(largestB, keys[end] & indexMask);
            ++end;
        }
        tree.reset(static_cast<std::size_t>(largestB) + 1);
        for (std::size_t i = start; i < end; ++i) {
            const int b = static_cast<int>(keys[i] & indexMask);
            crossings += tree.countGreaterThan(b);
            tree.add(b);
        }
        start = end;
    }
    return crossings;
}

} // namespace ketterly
