#include "layout/LayerOrdering.h"

#include "layout/LayerAssignment.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

namespace ketterly {

namespace {

constexpr int sweepIterations = 24;
constexpr int localMovePasses = 3;
constexpr int attempts = 3;

using Index = std::size_t;
Index at(int i) {
    return static_cast<Index>(i);
}

} // namespace

Layering buildLayering(const std::vector<std::vector<int>>& layers, const std::vector<TableSchema>& tables,
                       const std::unordered_map<std::string, int>& nameIndex) {
    Layering layering;
    layering.tableCount = static_cast<int>(tables.size());
    layering.layers = layers;
    layering.layerOf.assign(tables.size(), -1);
    for (std::size_t k = 0; k < layers.size(); ++k)
        for (int node : layers[k])
            layering.layerOf[at(node)] = static_cast<int>(k);

    for (int g = 0; g < layering.tableCount; ++g) {
        for (const auto& key : tables[at(g)].foreignKeys) {
            const int t = resolveTable(nameIndex, key.toTable);
            if (t < 0 || t == g)
                continue;
            const int from = layering.layerOf[at(g)], to = layering.layerOf[at(t)];
            if (std::abs(from - to) <= 1) {
                layering.segments.emplace_back(g, t);
                continue;
            }
            const int step = from < to ? 1 : -1;
            int previous = g;
            for (int k = from + step; k != to; k += step) {
                const int dummy = static_cast<int>(layering.layerOf.size());
                layering.layerOf.push_back(k);
                layering.layers[at(k)].push_back(dummy);
                layering.segments.emplace_back(previous, dummy);
                previous = dummy;
            }
            layering.segments.emplace_back(previous, t);
        }
    }
    return layering;
}

std::vector<std::vector<int>> withoutDummies(const Layering& layering) {
    std::vector<std::vector<int>> layers;
    for (const auto& layer : layering.layers) {
        std::vector<int> tables;
        for (int node : layer)
            if (node < layering.tableCount)
                tables.push_back(node);
        if (!tables.empty())
            layers.push_back(std::move(tables));
    }
    return layers;
}

namespace {

// How many ends lie below p and above p; a missing end (-1) counts as neither.
inline void countAgainst(const int* ends, int count, int p, int& below, int& above) {
    if (p < 0)
        return;
    const unsigned up = static_cast<unsigned>(p);
    int lower = 0, higher = 0;
    for (int j = 0; j < count; ++j) {
        lower += static_cast<unsigned>(ends[j]) < up;
        higher += ends[j] > p;
    }
    below += lower;
    above += higher;
}

// Per block: the sum of the signs and the lowest any prefix of them can reach. Returns the
// number of negative signs in all: G(0), the crossings with every node standing after x.
long long sumSignsByBlock(const int* first, int p0, const int* second, int p1, int m, int blockSize,
                          long long* sums, long long* floors) {
    long long negatives = 0;
    for (int lo = 0, b = 0; lo < m; lo += blockSize, ++b) {
        const int hi = std::min(m, lo + blockSize);
        int below = 0, above = 0;
        countAgainst(first + lo, hi - lo, p0, below, above);
        countAgainst(second + lo, hi - lo, p1, below, above);
        sums[b] = above - below;
        floors[b] = -below;
        negatives += below;
    }
    return negatives;
}

// Each node's segment neighbours, with multiplicity, whichever way the segment points, grouped by
// side: those in the layer before the node's, then those in the layer after it. Segments within a
// layer are kept apart (see Orderer::withinLayer_). One flat array, as the sweeps read it for every
// node many times over.
struct Adjacency {
    std::vector<int> start; // node n's neighbours before: [start[2n], start[2n+1]), after: up to start[2n+2]
    std::vector<int> nodes;

    const int* begin(int node, int side) const { return nodes.data() + start[at(2 * node + side)]; }
    const int* end(int node, int side) const { return nodes.data() + start[at(2 * node + side + 1)]; }
    // The one neighbour on a side, -1 for none, -2 for several: most nodes have exactly one, and the
    // sweeps find it in a single lookup.
    std::vector<int> sole;
    bool empty(int node) const { return start[at(2 * node)] == start[at(2 * node + 2)]; }
};

Adjacency adjacencyOf(const Layering& layering) {
    const std::size_t count = layering.layerOf.size();
    Adjacency adjacency;
    adjacency.start.assign(2 * count + 1, 0);
    auto sideOf = [&](int node, int other) {
        const int difference = layering.layerOf[at(other)] - layering.layerOf[at(node)];
        return difference == -1 ? 0 : difference == 1 ? 1 : -1;
    };
    for (const auto& [u, v] : layering.segments)
        for (auto [node, other] : {std::pair{u, v}, std::pair{v, u}})
            if (const int side = sideOf(node, other); side >= 0)
                ++adjacency.start[at(2 * node + side + 1)];
    for (std::size_t i = 1; i < adjacency.start.size(); ++i)
        adjacency.start[i] += adjacency.start[i - 1];
    adjacency.nodes.resize(at(adjacency.start.back()));
    std::vector<int> fill(adjacency.start.begin(), adjacency.start.end() - 1);
    for (const auto& [u, v] : layering.segments)
        for (auto [node, other] : {std::pair{u, v}, std::pair{v, u}})
            if (const int side = sideOf(node, other); side >= 0)
                adjacency.nodes[at(fill[at(2 * node + side)]++)] = other;
    adjacency.sole.resize(2 * count);
    for (std::size_t i = 0; i < 2 * count; ++i) {
        const int neighbours = adjacency.start[i + 1] - adjacency.start[i];
        adjacency.sole[i] = neighbours == 1   ? adjacency.nodes[at(adjacency.start[i])]
                            : neighbours == 0 ? -1
                                              : -2;
    }
    return adjacency;
}

class Orderer {
  public:
    Orderer(Layering& layering, const OrderingSearch& search)
        : layering_(layering), search_(search), adjacency_(adjacencyOf(layering)) {
        sides_[0].first.assign(layering_.layerOf.size(), -1);
        sides_[1].first.assign(layering_.layerOf.size(), -1);
        // Segments that run within one layer, per layer, and each node's share of them.
        withinLayer_.resize(layering_.layers.size());
        withinOf_.resize(layering_.layerOf.size());
        for (std::size_t s = 0; s < layering_.segments.size(); ++s) {
            const auto [u, v] = layering_.segments[s];
            if (layering_.layerOf[at(u)] != layering_.layerOf[at(v)])
                continue;
            auto& list = withinLayer_[at(layering_.layerOf[at(u)])];
            const int slot = static_cast<int>(list.size());
            list.push_back(layering_.segments[s]);
            withinOf_[at(u)].push_back(slot);
            withinOf_[at(v)].push_back(slot);
        }
    }

    // Takes the layers' orders as they now are, forgetting what earlier attempts saw.
    void startAttempt() {
        position_ = positionsInLayers(layering_);
        version_.assign(layering_.layers.size(), 0);
        changes_ = 0;
        unchangedAt_.assign(layering_.layers.size(), {});
        for (auto& entries : unchangedAt_)
            entries.fill({never, never});
        settledAt_.assign(layering_.layers.size(), {never, never, never});
    }

    void sweep(bool median) {
        const int last = static_cast<int>(layering_.layers.size()) - 1;
        for (int k = 1; k <= last; ++k)
            reorder(k, k - 1, median);
        for (int k = last; k >= 1; --k)
            reorder(k - 1, k, median);
    }

    // Up to three passes of local moves over every layer; a pass runs only after one that moved.
    // Returns the crossing count of the layering they leave.
    long long localMoves() {
        // Each applied move changes the count by exactly its computed difference, so the count
        // of the whole layering is taken once and then carried along.
        long long base = countCrossings(layering_);
        for (int pass = 0; pass < localMovePasses; ++pass) {
            bool moved = false;
            for (std::size_t k = 0; k < layering_.layers.size(); ++k) {
                if (layering_.layers[k].size() < 2)
                    continue;
                // A layer where no node moved, seen again with it and its neighbours unchanged,
                // would be tried node by node with exactly the same outcome.
                const int layer = static_cast<int>(k);
                const Versions seen = versionsAround(layer);
                if (settledAt_[k] == seen)
                    continue;
                if (movesInLayer(layer, base))
                    moved = true;
                else
                    settledAt_[k] = seen;
            }
            if (!moved)
                break;
        }
        return base;
    }

  private:
    // The versions of layer k and of the layers before and after it (0 where there is none).
    using Versions = std::array<std::uint64_t, 3>;
    Versions versionsAround(int k) const {
        const int last = static_cast<int>(version_.size()) - 1;
        return {k > 0 ? version_[at(k - 1)] : 0, version_[at(k)], k < last ? version_[at(k + 1)] : 0};
    }

    void changed(int k) { version_[at(k)] = ++changes_; }

    void reorder(int layerIndex, int reference, bool median) {
        auto& layer = layering_.layers[at(layerIndex)];
        const int side = reference < layerIndex ? 0 : 1;
        // The outcome depends only on the two layers' orders and the key: a reordering that left the
        // layer as it was does so again while neither layer has changed.
        auto& unchanged = unchangedAt_[at(layerIndex)][at(2 * side + (median ? 1 : 0))];
        const std::pair inputs{version_[at(layerIndex)], version_[at(reference)]};
        if (unchanged == inputs)
            return;
        // Keys lie between 0 and the larger layer's size, and nearly all are whole or halves (a
        // position, a median of two): twice the key is a bucket of a counting sort. Most nodes have
        // one neighbour on the reference side or none, so their keys come without a branch; the few
        // with several are keyed after, and the rare key that is no half sets its bucket aside.
        const std::size_t m = layer.size();
        bucket_.resize(m);
        several_.clear();
        const int* sole = adjacency_.sole.data();
        const int* position = position_.data();
        int buckets = 1;
        for (std::size_t i = 0; i < m; ++i) {
            const int neighbour = sole[at(2 * layer[i] + side)];
            const int found = position[at(std::max(neighbour, 0))];
            const int key = neighbour >= 0 ? found : static_cast<int>(i);
            bucket_[i] = 2 * key;
            buckets = std::max(buckets, 2 * key + 1);
            if (neighbour == -2)
                several_.push_back(i);
        }
        fractional_.clear();
        for (std::size_t i : several_) {
            const double key = severalKey(layer[i], side, median);
            const int bucket = static_cast<int>(key * 2);
            bucket_[i] = bucket;
            buckets = std::max(buckets, bucket + 1);
            if (bucket != key * 2)
                fractional_.emplace_back(i, key);
        }
        // With whole keys only, the keys themselves are the buckets: half as many to count.
        if (fractional_.empty() &&
            std::none_of(bucket_.begin(), bucket_.end(), [](int b) { return b % 2 != 0; })) {
            for (int& bucket : bucket_)
                bucket /= 2;
            buckets = (buckets + 1) / 2;
        }
        sortByKey(m, buckets);

        bool same = true;
        for (std::size_t i = 0; i < m && same; ++i)
            same = order_[i] == static_cast<int>(i);
        if (same) {
            unchanged = inputs;
            return;
        }
        scratch_.assign(layer.begin(), layer.end());
        for (std::size_t i = 0; i < m; ++i) {
            layer[i] = scratch_[at(order_[i])];
            position_[at(layer[i])] = static_cast<int>(i);
        }
        changed(layerIndex);
    }

    // The barycentre or median of a node's several neighbours on a side.
    double severalKey(int node, int side, bool median) {
        found_.clear();
        for (const int* other = adjacency_.begin(node, side); other != adjacency_.end(node, side); ++other)
            found_.push_back(position_[at(*other)]);
        const std::size_t count = found_.size();
        if (median) {
            std::sort(found_.begin(), found_.end());
            return count % 2 == 1 ? static_cast<double>(found_[count / 2])
                                  : static_cast<double>(found_[count / 2 - 1] + found_[count / 2]) * 0.5;
        }
        double sum = 0;
        for (int p : found_)
            sum += p;
        return sum / static_cast<double>(count);
    }

    // order_ becomes the layer's indices ordered by key, then by index: what a stable sort by key
    // gives. A key is half its bucket, unless fractional_ holds it.
    void sortByKey(std::size_t m, int buckets) {
        order_.resize(m);
        const bool exact = !fractional_.empty();
        if (exact) {
            exactKey_.resize(m);
            for (std::size_t i = 0; i < m; ++i)
                exactKey_[i] = bucket_[i] * 0.5;
            for (const auto& [i, key] : fractional_)
                exactKey_[i] = key;
        }
        const auto byKey = [&](int a, int b) {
            return exact ? exactKey_[at(a)] < exactKey_[at(b)] : bucket_[at(a)] < bucket_[at(b)];
        };
        if (static_cast<std::size_t>(buckets) > 4 * m + 64) {
            // A short layer against a long one: the buckets would cost more than comparing.
            for (std::size_t i = 0; i < m; ++i)
                order_[i] = static_cast<int>(i);
            std::stable_sort(order_.begin(), order_.end(), byKey);
            return;
        }
        bucketStart_.assign(at(buckets) + 1, 0);
        for (std::size_t i = 0; i < m; ++i)
            ++bucketStart_[at(bucket_[i]) + 1];
        for (std::size_t b = 1; b < bucketStart_.size(); ++b)
            bucketStart_[b] += bucketStart_[b - 1];
        // Placing moves each bucket's start to its end, which is where the next bucket starts.
        for (std::size_t i = 0; i < m; ++i)
            order_[at(bucketStart_[at(bucket_[i])]++)] = static_cast<int>(i);
        // A bucket holding a fraction is put in order by the keys themselves; its entries are in
        // index order already, and a stable sort keeps that order among equal keys.
        for (const auto& [i, key] : fractional_) {
            const int bucket = bucket_[i];
            std::stable_sort(order_.begin() + (bucket == 0 ? 0 : bucketStart_[at(bucket) - 1]),
                             order_.begin() + bucketStart_[at(bucket)], byKey);
        }
    }

    // For node x of layer k, G(t) is the number of crossings among segment pairs that involve x
    // when x stands after t of the layer's other nodes; the rest of the count does not depend on
    // where x stands. A candidate's total is then base - G(current) + G(t). G(0) is a constant and
    // G(t + 1) - G(t) the change as x passes the node at slot t; g_ holds those differences (and
    // the constant at 0) where they are not the plain one-end-per-side ones.
    bool movesInLayer(int k, long long& base) {
        auto& layer = layering_.layers[at(k)];
        const int m = static_cast<int>(layer.size());
        collectEnds(k);
        buildPrefixCounts(k);
        if (g_.size() < at(m))
            g_.resize(at(m), 0); // kept all zero between nodes
        bool moved = false;
        for (int i = 0; i < m; ++i) {
            const int x = layer[at(i)];
            if (adjacency_.empty(x) && withinOf_[at(x)].empty())
                continue; // a node without segments crosses nothing wherever it stands
            currentIndex_ = i;
            touched_.clear();
            const bool oneEndPerSide = sides_[0].first[at(x)] < 0 && sides_[1].first[at(x)] < 0;
            const Choice choice = oneEndPerSide ? bestSlotByBlocks(x, i, k) : bestSlotBySlots(x, i, k);
            if (choice.slot < 0)
                continue;
            layer.erase(layer.begin() + i);
            layer.insert(layer.begin() + choice.slot, x);
            movePrefixCounts(i, choice.slot);
            moveEnds(i, choice.slot);
            for (int p = std::min(i, choice.slot); p <= std::max(i, choice.slot); ++p)
                position_[at(layer[at(p)])] = p;
            base += choice.gain;
            moved = true;
            changed(k);
        }
        return moved;
    }

    struct Choice {
        int slot = -1;      // the earliest slot of smallest count, or -1 when none beats the current
        long long gain = 0; // its count minus the current one
    };

    // Every difference written out, one slot at a time: for nodes with several ends on a side.
    Choice bestSlotBySlots(int x, int i, int k) {
        const int m = static_cast<int>(layering_.layers[at(k)].size());
        addAdjacentLayerTerms(x, i, 0);
        addAdjacentLayerTerms(x, i, 1);
        addWithinLayerTerms(x, k);
        // A candidate beats the base exactly when its G is below G at x's own slot, and of equal
        // counts the earliest slot wins: so one pass finds the earliest smallest G, and clears g_
        // for the next node on the way.
        long long running = 0, current = 0, smallest = 0;
        int smallestSlot = -1;
        for (int t = 0; t < m; ++t) {
            running += g_[at(t)];
            g_[at(t)] = 0;
            if (t == i)
                current = running;
            if (t <= m - 2 && (smallestSlot < 0 || running < smallest)) {
                smallest = running;
                smallestSlot = t;
            }
        }
        if (smallest >= current)
            return {};
        return {smallestSlot, smallest - current};
    }

    // For a node with at most one end on each side, passing another node o changes G by
    // sign(q - p) per side, q being o's end and p x's end there. Those are summed per block of the
    // layer, together with how far G can fall inside the block (minus the number of negative
    // signs). Walking the blocks from the left, a block whose floor cannot go below the best count
    // found so far is passed over whole, so only the blocks near good slots are walked node by
    // node. Large layers are first walked by superblocks, whose sums come from the prefix counts
    // in a few lookups; only a superblock that may hold a better slot is split into blocks. Most
    // nodes of a large layering are of this kind.
    Choice bestSlotByBlocks(int x, int i, int k) {
        const int m = static_cast<int>(layering_.layers[at(k)].size());
        const int* first = sides_[0].single.data();
        const int* second = sides_[1].single.data();
        const int p0 = first[i], p1 = second[i];
        addHolderTerms(x, p0, 0);
        addHolderTerms(x, p1, 1);
        addWithinLayerTerms(x, k);

        const int blockSize = search_.blockSize;
        const int blocks = (m + blockSize - 1) / blockSize;
        const bool counted = span_ > 0;
        const int span = counted ? span_ : blocks * blockSize;
        const int superblocks = (m + span - 1) / span;
        blockSum_.resize(at(blocks));
        blockFloor_.resize(at(blocks));
        blockMarked_.assign(at(blocks), 0);
        superblockMarked_.assign(at(superblocks), 0);

        // Blocks holding a slot with a written difference are walked with it.
        std::sort(touched_.begin(), touched_.end());
        touched_.erase(std::unique(touched_.begin(), touched_.end()), touched_.end());
        long long writtenUpToCurrent = 0;
        for (int t : touched_) {
            if (t == 0)
                continue;
            const int index = t < i ? t : t + 1; // the node whose slot is t
            if (index < m) {
                blockMarked_[at(index / blockSize)] = 1;
                superblockMarked_[at(index / span)] = 1;
            }
            if (t <= i)
                writtenUpToCurrent += g_[at(t)];
        }

        // G(0): x before every other node crosses each end below its own.
        const long long start = g_[0] + (counted ? signsBefore(superblocks, p0, p1).below
                                                 : sumSignsByBlock(first, p0, second, p1, m, blockSize,
                                                                   blockSum_.data(), blockFloor_.data()));

        // G at x's own slot: everything before x.
        long long current = start + writtenUpToCurrent;
        const int from = counted ? i / span * span : i / blockSize * blockSize;
        if (counted) {
            current += signsBefore(i / span, p0, p1).sum();
        } else {
            for (int b = 0; b < i / blockSize; ++b)
                current += blockSum_[at(b)];
        }
        int below = 0, above = 0;
        countAgainst(first + from, i - from, p0, below, above);
        countAgainst(second + from, i - from, p1, below, above);
        current += above - below;

        long long running = start, best = current;
        int bestSlot = -1;
        Signs before; // the signs before superblock sb, carried from one to the next
        for (int sb = 0; sb < superblocks; ++sb) {
            const int lo = sb * span, hi = std::min(m, lo + span);
            if (counted) {
                const Signs after = signsBefore(sb + 1, p0, p1);
                const Signs inside = after - std::exchange(before, after);
                if (!superblockMarked_[at(sb)]) {
                    if (running - inside.below >= best) {
                        running += inside.sum();
                        continue;
                    }
                }
                sumSignsByBlock(first + lo, p0, second + lo, p1, hi - lo, blockSize,
                                blockSum_.data() + lo / blockSize, blockFloor_.data() + lo / blockSize);
            }
            for (int b = lo / blockSize; b * blockSize < hi; ++b) {
                if (!blockMarked_[at(b)] && running + blockFloor_[at(b)] >= best) {
                    running += blockSum_[at(b)];
                    continue;
                }
                const int begin = b * blockSize, end = std::min(m, (b + 1) * blockSize);
                const bool written = blockMarked_[at(b)];
                // Nodes before x keep their slot, nodes after it take one less; x is no candidate.
                auto walk = [&](int from, int to, int shift) {
                    for (int j = from; j < to; ++j) {
                        const int t = j - shift;
                        if (written && t > 0)
                            running += g_[at(t)];
                        if (running < best) {
                            best = running;
                            bestSlot = t;
                        }
                        running += sign(first[j], p0) + sign(second[j], p1);
                    }
                };
                if (i >= begin && i < end) {
                    walk(begin, i, 0);
                    walk(i + 1, end, 1);
                } else {
                    walk(begin, end, begin > i ? 1 : 0);
                }
            }
        }
        g_[0] = 0;
        for (int t : touched_)
            g_[at(t)] = 0;
        if (bestSlot < 0)
            return {};
        return {bestSlot, best - current};
    }

    struct Signs {
        long long below = 0, above = 0; // ends below x's, ends above
        long long sum() const { return above - below; }
        Signs operator-(const Signs& other) const { return {below - other.below, above - other.above}; }
    };

    // The ends on both sides, before superblock boundary r, that lie below and above x's ends.
    Signs signsBefore(int r, int p0, int p1) const {
        Signs signs;
        for (int side = 0; side < 2; ++side) {
            const int p = side == 0 ? p0 : p1;
            if (p < 0)
                continue;
            const PrefixCounts& counts = prefixCounts_[side];
            const int* row = counts.row(r);
            signs.below += row[p];
            signs.above += row[counts.width - 1] - row[p + 1];
        }
        return signs;
    }

    // Per side, for each superblock boundary r (r superblocks of span_ nodes, the last one cut at
    // the layer's end): how many of the single ends before it lie below each position v of the
    // neighbouring layer, v from 0 to its size. Built once per layer; a move adjusts the rows it
    // crosses.
    struct PrefixCounts {
        int width = 0; // positions of the neighbouring layer, plus one
        std::vector<int> below;
        const int* row(int r) const { return below.data() + static_cast<std::ptrdiff_t>(r) * width; }
        int* row(int r) { return below.data() + static_cast<std::ptrdiff_t>(r) * width; }
    };

    void buildPrefixCounts(int k) {
        const int m = static_cast<int>(layering_.layers[at(k)].size());
        const int layerCount = static_cast<int>(layering_.layers.size());
        int width = 1;
        for (int other : {k - 1, k + 1})
            if (other >= 0 && other < layerCount)
                width = std::max(width, static_cast<int>(layering_.layers[at(other)].size()) + 1);
        // About superblocksPerLayer superblocks of whole blocks, never fewer blocks than asked for;
        // they grow until the tables fit their bound.
        const int blockSize = search_.blockSize;
        const int wanted =
            (m + blockSize * search_.superblocksPerLayer - 1) / (blockSize * search_.superblocksPerLayer);
        span_ = std::max(search_.blocksPerSuperblock, wanted) * blockSize;
        const auto tableEntries = [&] { return static_cast<long long>(m / span_ + 1) * width; };
        while (span_ < m && tableEntries() > search_.maximumPrefixCounts)
            span_ *= 2;
        const int superblocks = (m + span_ - 1) / span_;
        if (superblocks < 2) {
            span_ = 0;
            return;
        }
        for (int side = 0; side < 2; ++side) {
            const int other = side == 0 ? k - 1 : k + 1;
            PrefixCounts& counts = prefixCounts_[side];
            counts.width = other >= 0 && other < layerCount
                               ? static_cast<int>(layering_.layers[at(other)].size()) + 1
                               : 1;
            counts.below.assign(at(superblocks + 1) * at(counts.width), 0);
            const int* single = sides_[side].single.data();
            histogram_.resize(at(counts.width));
            for (int r = 1; r <= superblocks; ++r) {
                std::fill(histogram_.begin(), histogram_.end(), 0);
                for (int j = (r - 1) * span_; j < std::min(m, r * span_); ++j)
                    if (single[j] >= 0)
                        ++histogram_[at(single[j] + 1)];
                const int* previous = counts.row(r - 1);
                int* row = counts.row(r);
                int cumulative = 0;
                for (int v = 0; v < counts.width; ++v) {
                    cumulative += histogram_[at(v)];
                    row[v] = previous[v] + cumulative;
                }
            }
        }
    }

    // Before the node at `from` moves to index `to`: each boundary between them sees x leave or
    // enter the nodes before it, and one neighbour of the boundary do the opposite.
    void movePrefixCounts(int from, int to) {
        if (span_ == 0 || from == to)
            return;
        const int superblocks =
            static_cast<int>(prefixCounts_[0].below.size() / at(prefixCounts_[0].width)) - 1;
        for (int side = 0; side < 2; ++side) {
            PrefixCounts& counts = prefixCounts_[side];
            const int* single = sides_[side].single.data();
            const int moving = single[from];
            for (int r = std::min(from, to) / span_ + 1; r < superblocks && r * span_ <= std::max(from, to);
                 ++r) {
                const int boundary = r * span_;
                if (from < to)
                    adjustRow(counts, r, single[boundary], moving);
                else
                    adjustRow(counts, r, moving, single[boundary - 1]);
            }
        }
    }

    // One end `entering` more and one end `leaving` fewer before boundary r (-1: no end).
    static void adjustRow(PrefixCounts& counts, int r, int entering, int leaving) {
        int* row = counts.row(r);
        if (entering >= 0)
            for (int v = entering + 1; v < counts.width; ++v)
                ++row[v];
        if (leaving >= 0)
            for (int v = leaving + 1; v < counts.width; ++v)
                --row[v];
    }

    // +1 when x passing an end q (none: -1) to the right of its own end p adds a crossing, -1
    // when it removes one; 0 for equal ends, a missing end, or no end of x's on that side.
    static int sign(int q, int p) {
        // As unsigned, a missing end (-1) is above every position; as signed, below.
        const int present = p >= 0 ? -1 : 0;
        return ((q > p ? 1 : 0) - (static_cast<unsigned>(q) < static_cast<unsigned>(p) ? 1 : 0)) & present;
    }

    // The positions of each node's ends in the layers next to layer k, which stay put while layer
    // k is rearranged. Most nodes have one end on a side (every dummy node has): those sit in
    // `single`, by index in layer k, so the common case is one tight loop; the rest keep sorted
    // lists in `ends`.
    void collectEnds(int k) {
        const auto& layer = layering_.layers[at(k)];
        for (int side = 0; side < 2; ++side) {
            const int other = side == 0 ? k - 1 : k + 1;
            Side& packed = sides_[side];
            packed.single.assign(layer.size(), none);
            packed.ends.clear();
            packed.multiple.clear();
            for (int node : layer)
                packed.first[at(node)] = -1;
            if (other < 0 || other >= static_cast<int>(layering_.layers.size()))
                continue;
            for (std::size_t j = 0; j < layer.size(); ++j) {
                const int node = layer[j];
                const auto begin = static_cast<std::ptrdiff_t>(packed.ends.size());
                for (const int* neighbour = adjacency_.begin(node, side);
                     neighbour != adjacency_.end(node, side); ++neighbour)
                    packed.ends.push_back(position_[at(*neighbour)]);
                const auto count = static_cast<std::ptrdiff_t>(packed.ends.size()) - begin;
                if (count == 1) {
                    packed.single[j] = packed.ends.back();
                    packed.ends.pop_back();
                } else if (count > 1) {
                    std::sort(packed.ends.begin() + begin, packed.ends.end());
                    packed.first[at(node)] = static_cast<int>(packed.multiple.size());
                    packed.multiple.push_back({node, static_cast<int>(begin), static_cast<int>(count)});
                }
            }
        }
    }

    // Keeps the per-index ends in step with a move of the node at `from` to index `to`.
    void moveEnds(int from, int to) {
        for (Side& packed : sides_) {
            const int value = packed.single[at(from)];
            packed.single.erase(packed.single.begin() + from);
            packed.single.insert(packed.single.begin() + to, value);
        }
    }

    // How often x's ends (sorted) and o's ends (sorted) cross with x before o, and with x after o.
    static void crossingsOf(const int* mine, std::size_t count, const int* theirs, std::size_t theirCount,
                            long long& before, long long& after) {
        std::size_t below = 0, atMost = 0;
        for (std::size_t i = 0; i < theirCount; ++i) {
            const int q = theirs[i];
            while (below < count && mine[below] < q)
                ++below;
            while (atMost < count && mine[atMost] <= q)
                ++atMost;
            after += static_cast<long long>(below);
            before += static_cast<long long>(count - atMost);
        }
    }

    // Segments between layer k and a neighbouring layer: x and another node o of layer k cross
    // #(x's ends after o's ends) times when x stands before o, #(before) times when after. x at
    // slot t stands before o exactly when t <= slot(o).
    void addAdjacentLayerTerms(int x, int i, int side) {
        const Side& packed = sides_[side];
        const int m = static_cast<int>(packed.single.size());
        long long* g = g_.data();
        const int* single = packed.single.data();
        const int holder = packed.first[at(x)];
        if (single[i] == none && holder < 0)
            return;

        int one = single[i];
        const int* mine = &one;
        std::size_t count = 1;
        if (holder >= 0) {
            const Holder& self = packed.multiple[at(holder)];
            mine = packed.ends.data() + self.offset;
            count = static_cast<std::size_t>(self.count);
        }

        long long total = 0;
        if (count == 1) {
            const int p = mine[0];
            // Nodes before x keep their slot, nodes after x move one slot down.
            for (int j = 0; j < i; ++j) {
                const int q = single[j];
                const int has = q != none;
                const int before = has & (q < p), after = has & (q > p);
                total += before;
                g[j + 1] += after - before;
            }
            for (int j = i + 1; j < m; ++j) {
                const int q = single[j];
                const int has = q != none;
                const int before = has & (q < p), after = has & (q > p);
                total += before;
                g[j] += after - before;
            }
        } else {
            for (int j = 0; j < m; ++j) {
                if (j == i || single[j] == none)
                    continue;
                long long before = 0, after = 0;
                crossingsOf(mine, count, &single[j], 1, before, after);
                total += before;
                g[(j < i ? j : j - 1) + 1] += after - before;
            }
        }
        for (const Holder& o : packed.multiple) {
            if (o.node == x)
                continue;
            long long before = 0, after = 0;
            crossingsOf(mine, count, packed.ends.data() + o.offset, static_cast<std::size_t>(o.count), before,
                        after);
            total += before;
            g[slotOf(o.node) + 1] += after - before;
        }
        g[0] += total;
    }

    // The terms of the nodes with several ends on a side, for x with its one end p there (none: no
    // end, no terms). Their slots are recorded in touched_.
    void addHolderTerms(int x, int p, int side) {
        if (p == none)
            return;
        const Side& packed = sides_[side];
        long long total = 0;
        for (const Holder& o : packed.multiple) {
            if (o.node == x)
                continue;
            const int* ends = packed.ends.data() + o.offset;
            const int* endsEnd = ends + o.count;
            const long long before = std::lower_bound(ends, endsEnd, p) - ends;
            const long long after = endsEnd - std::upper_bound(ends, endsEnd, p);
            total += before;
            write(slotOf(o.node) + 1, after - before);
        }
        g_[0] += total;
    }

    void write(int t, long long difference) {
        g_[at(t)] += difference;
        touched_.push_back(t);
    }

    // Segments within layer k: a pair's crossing depends on up to two comparisons with x, so it
    // changes value at most twice as x moves along the layer.
    void addWithinLayerTerms(int x, int k) {
        const auto& within = withinLayer_[at(k)];
        const auto& mine = withinOf_[at(x)];
        if (mine.empty())
            return;
        for (std::size_t a = 0; a < mine.size(); ++a) {
            const int s1 = mine[a];
            if (a > 0 && mine[a - 1] == s1)
                continue; // listed once per end
            for (int s2 = 0; s2 < static_cast<int>(within.size()); ++s2) {
                if (s2 == s1)
                    continue;
                const bool s2Mine = std::binary_search(mine.begin(), mine.end(), s2);
                if (s2Mine && s2 < s1)
                    continue; // both involve x: count the pair once
                addPairTerm(x, within[at(s1)], within[at(s2)]);
            }
        }
    }

    void addPairTerm(int x, std::pair<int, int> s1, std::pair<int, int> s2) {
        int breaks[4];
        int count = 0;
        for (int node : {s1.first, s1.second, s2.first, s2.second})
            if (node != x)
                breaks[count++] = slotOf(node) + 1;
        for (int i = 1; i < count; ++i) // at most four: an insertion sort
            for (int j = i; j > 0 && breaks[j] < breaks[j - 1]; --j)
                std::swap(breaks[j], breaks[j - 1]);
        int previousValue = crossesWithXAt(x, 0, s1, s2);
        g_[0] += previousValue;
        for (int b = 0; b < count; ++b) {
            if (b > 0 && breaks[b] == breaks[b - 1])
                continue;
            if (breaks[b] >= static_cast<int>(g_.size()))
                continue;
            const int value = crossesWithXAt(x, breaks[b], s1, s2);
            write(breaks[b], value - previousValue);
            previousValue = value;
        }
    }

    // The rank of a node among the layer's nodes other than x.
    int slotOf(int node) const {
        const int p = position_[at(node)];
        return p > currentIndex_ ? p - 1 : p;
    }

    int indexWithXAt(int x, int slot, int node) const {
        if (node == x)
            return slot;
        const int rank = slotOf(node);
        return rank < slot ? rank : rank + 1;
    }

    int crossesWithXAt(int x, int slot, std::pair<int, int> s1, std::pair<int, int> s2) const {
        // Within a layer a segment (u, v) is the pair (index of v, index of u).
        const int a1 = indexWithXAt(x, slot, s1.second), b1 = indexWithXAt(x, slot, s1.first);
        const int a2 = indexWithXAt(x, slot, s2.second), b2 = indexWithXAt(x, slot, s2.first);
        return ((a1 < a2 && b2 < b1) || (a2 < a1 && b1 < b2)) ? 1 : 0;
    }

    Layering& layering_;
    OrderingSearch search_;
    Adjacency adjacency_;
    std::vector<int> position_;
    std::vector<std::vector<std::pair<int, int>>> withinLayer_;
    std::vector<std::vector<int>> withinOf_;
    std::vector<int> bucket_; // per index of the layer being reordered: twice its key, rounded down
    std::vector<int> order_;  // its indices in their new order
    std::vector<std::pair<std::size_t, double>> fractional_; // the indices whose key is no half
    std::vector<double> exactKey_;
    std::vector<int> found_;
    std::vector<std::size_t> several_; // nodes of the layer being reordered with several neighbours
    std::vector<int> scratch_;
    std::vector<int> bucketStart_;
    struct Holder {
        int node, offset, count; // a node of the layer and where its ends lie in `ends`
    };
    static constexpr int none = -1;
    struct Side {
        std::vector<int> single;      // per index in the layer: the one end's position, or none
        std::vector<int> ends;        // sorted ends of the nodes with several
        std::vector<Holder> multiple; // those nodes
        std::vector<int> first;       // per node id: its index in `multiple`, or -1
    };
    Side sides_[2]; // the layer above and the layer below
    // Every change of a layer's order gives it a new version; records of what left a layer as it
    // was, keyed by the versions it saw, let the sweeps and local moves skip repeating themselves.
    static constexpr std::uint64_t never = ~std::uint64_t{0};
    std::vector<std::uint64_t> version_;
    std::uint64_t changes_ = 0;
    std::vector<std::array<std::pair<std::uint64_t, std::uint64_t>, 4>> unchangedAt_; // per layer: side, key
    std::vector<Versions> settledAt_;
    std::vector<long long> g_;
    std::vector<int> touched_; // slots of g_ written since the last node, besides 0
    std::vector<long long> blockSum_, blockFloor_;
    std::vector<char> blockMarked_, superblockMarked_;
    PrefixCounts prefixCounts_[2];
    std::vector<int> histogram_;
    int span_ = 0;         // nodes per superblock of the layer being moved in; 0: no superblocks
    int currentIndex_ = 0; // index of the node being moved
};

// The same layering with its nodes numbered layer by layer, in order; original[new id] is the
// old one. The sweeps and local moves look up where a layer's neighbours stand, and those
// lookups then fall close together in memory. Nothing in the ordering depends on the ids.
Layering renumberedByLayer(const Layering& layering, std::vector<int>& original) {
    std::vector<int> renumbered(layering.layerOf.size(), -1);
    original.clear();
    Layering result;
    result.tableCount = layering.tableCount;
    result.layers = layering.layers;
    for (auto& layer : result.layers)
        for (int& node : layer) {
            renumbered[at(node)] = static_cast<int>(original.size());
            original.push_back(node);
            node = renumbered[at(node)];
        }
    result.layerOf.resize(original.size());
    for (std::size_t id = 0; id < original.size(); ++id)
        result.layerOf[id] = layering.layerOf[at(original[id])];
    result.segments.reserve(layering.segments.size());
    for (const auto& [u, v] : layering.segments)
        result.segments.emplace_back(renumbered[at(u)], renumbered[at(v)]);
    return result;
}

} // namespace

std::vector<std::vector<int>> orderLayers(const std::vector<std::vector<int>>& layers,
                                          const std::vector<TableSchema>& tables,
                                          const std::unordered_map<std::string, int>& nameIndex,
                                          LayoutRandom& random, const OrderingSearch& search) {
    if (layers.size() < 2)
        return layers;
    std::vector<int> original;
    Layering current = renumberedByLayer(buildLayering(layers, tables, nameIndex), original);
    Layering best = current;
    long long bestCount = countCrossings(best);
    Orderer orderer(current, search);
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0)
            for (auto& layer : current.layers)
                random.shuffle(layer);
        orderer.startAttempt();
        for (int iteration = 0; iteration < sweepIterations; ++iteration)
            orderer.sweep(iteration % 2 == 1);
        const long long count = orderer.localMoves();
        if (count < bestCount) {
            bestCount = count;
            best.layers = current.layers;
        }
        if (bestCount == 0)
            break;
    }
    for (auto& layer : best.layers)
        for (int& node : layer)
            node = original[at(node)];
    return withoutDummies(best);
}

} // namespace ketterly
