#include "layout/CrossingCount.h"

#include <algorithm>
#include <cstdint>

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

struct Pair {
    std::uint64_t group; // which pair of layers
    int a, b;
    bool operator<(const Pair& other) const {
        if (group != other.group)
            return group < other.group;
        if (a != other.a)
            return a < other.a;
        return b < other.b;
    }
};

} // namespace

long long countCrossings(const Layering& layering) {
    const std::vector<int> position = positionsInLayers(layering);
    std::vector<Pair> pairs;
    pairs.reserve(layering.segments.size());
    for (const auto& [u, v] : layering.segments) {
        const int lu = layering.layerOf[static_cast<std::size_t>(u)];
        const int lv = layering.layerOf[static_cast<std::size_t>(v)];
        const int pu = position[static_cast<std::size_t>(u)];
        const int pv = position[static_cast<std::size_t>(v)];
        if (lu < 0 || lv < 0 || pu < 0 || pv < 0)
            continue;
        const int low = std::min(lu, lv), high = std::max(lu, lv);
        const std::uint64_t group =
            (static_cast<std::uint64_t>(low) << 32) | static_cast<std::uint32_t>(high);
        if (lu == lv)
            pairs.push_back({group, pv, pu});
        else if (lu < lv)
            pairs.push_back({group, pu, pv});
        else
            pairs.push_back({group, pv, pu});
    }
    // Within a group, sorted by a and then b, a crossing is an earlier pair with a greater b
    // (earlier pairs with an equal a have b no greater, so ties never count).
    std::sort(pairs.begin(), pairs.end());
    long long crossings = 0;
    AccumulatorTree tree;
    std::size_t start = 0;
    while (start < pairs.size()) {
        std::size_t end = start;
        int largestB = 0;
        while (end < pairs.size() && pairs[end].group == pairs[start].group) {
            largestB = std::max(largestB, pairs[end].b);
            ++end;
        }
        tree.reset(static_cast<std::size_t>(largestB) + 1);
        for (std::size_t i = start; i < end; ++i) {
            crossings += tree.countGreaterThan(pairs[i].b);
            tree.add(pairs[i].b);
        }
        start = end;
    }
    return crossings;
}

} // namespace ketterly
