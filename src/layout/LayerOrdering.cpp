#include "layout/LayerOrdering.h"

#include "layout/LayerAssignment.h"

#include <algorithm>
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

// Each node's segment neighbours, with multiplicity, whichever way the segment points.
std::vector<std::vector<int>> neighboursOf(const Layering& layering) {
    std::vector<std::vector<int>> neighbours(layering.layerOf.size());
    for (const auto& [u, v] : layering.segments) {
        neighbours[at(u)].push_back(v);
        neighbours[at(v)].push_back(u);
    }
    return neighbours;
}

class Orderer {
  public:
    explicit Orderer(Layering& layering) : layering_(layering), neighbours_(neighboursOf(layering)) {
        position_ = positionsInLayers(layering_);
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

    void sweep(bool median) {
        const int last = static_cast<int>(layering_.layers.size()) - 1;
        for (int k = 1; k <= last; ++k)
            reorder(k, k - 1, median);
        for (int k = last; k >= 1; --k)
            reorder(k - 1, k, median);
    }

    // Up to three passes of local moves over every layer; a pass runs only after one that moved.
    void localMoves() {
        // Each applied move changes the count by exactly its computed difference, so the count
        // of the whole layering is taken once and then carried along.
        long long base = countCrossings(layering_);
        for (int pass = 0; pass < localMovePasses; ++pass) {
            bool moved = false;
            for (std::size_t k = 0; k < layering_.layers.size(); ++k)
                if (layering_.layers[k].size() >= 2)
                    moved = movesInLayer(static_cast<int>(k), base) || moved;
            if (!moved)
                break;
        }
    }

  private:
    void reorder(int layerIndex, int reference, bool median) {
        auto& layer = layering_.layers[at(layerIndex)];
        keyed_.clear();
        for (std::size_t i = 0; i < layer.size(); ++i) {
            const int node = layer[i];
            found_.clear();
            for (int other : neighbours_[at(node)])
                if (layering_.layerOf[at(other)] == reference)
                    found_.push_back(position_[at(other)]);
            double key = static_cast<double>(i);
            if (!found_.empty()) {
                if (median) {
                    std::sort(found_.begin(), found_.end());
                    const std::size_t count = found_.size();
                    key = count % 2 == 1
                              ? static_cast<double>(found_[count / 2])
                              : static_cast<double>(found_[count / 2 - 1] + found_[count / 2]) * 0.5;
                } else {
                    double sum = 0;
                    for (int p : found_)
                        sum += p;
                    key = sum / static_cast<double>(found_.size());
                }
            }
            keyed_.emplace_back(key, node);
        }
        std::stable_sort(keyed_.begin(), keyed_.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 0; i < layer.size(); ++i) {
            layer[i] = keyed_[i].second;
            position_[at(layer[i])] = static_cast<int>(i);
        }
    }

    // For node x of layer k, g[t] is the number of crossings among segment pairs that involve x
    // when x stands after t of the layer's other nodes; the rest of the count does not depend on
    // where x stands. A candidate's total is then base - g[current] + g[t], found in O(1).
    bool movesInLayer(int k, long long& base) {
        auto& layer = layering_.layers[at(k)];
        const int m = static_cast<int>(layer.size());
        collectEnds(k);
        bool moved = false;
        for (int i = 0; i < m; ++i) {
            const int x = layer[at(i)];
            if (neighbours_[at(x)].empty())
                continue; // a node without segments crosses nothing wherever it stands
            currentIndex_ = i;
            if (g_.size() < at(m))
                g_.resize(at(m), 0); // kept all zero between nodes
            addAdjacentLayerTerms(x, i, 0);
            addAdjacentLayerTerms(x, i, 1);
            addWithinLayerTerms(x, k);
            // g_ holds differences by slot. A candidate beats the base exactly when its g is below
            // g at x's own slot, and of equal counts the earliest slot wins: so one pass finds the
            // earliest smallest g, and clears g_ for the next node on the way.
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
            const int bestSlot = smallest < current ? smallestSlot : -1;
            const long long best = base - current + smallest;
            if (bestSlot < 0)
                continue;
            layer.erase(layer.begin() + i);
            layer.insert(layer.begin() + bestSlot, x);
            moveEnds(i, bestSlot);
            for (int p = std::min(i, bestSlot); p <= std::max(i, bestSlot); ++p)
                position_[at(layer[at(p)])] = p;
            base = best;
            moved = true;
        }
        return moved;
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
                for (int neighbour : neighbours_[at(node)])
                    if (layering_.layerOf[at(neighbour)] == other)
                        packed.ends.push_back(position_[at(neighbour)]);
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
            g_[at(breaks[b])] += value - previousValue;
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
    std::vector<std::vector<int>> neighbours_;
    std::vector<int> position_;
    std::vector<std::vector<std::pair<int, int>>> withinLayer_;
    std::vector<std::vector<int>> withinOf_;
    std::vector<std::pair<double, int>> keyed_;
    std::vector<int> found_;
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
    std::vector<long long> g_;
    int currentIndex_ = 0; // index of the node being moved
};

} // namespace

std::vector<std::vector<int>> orderLayers(const std::vector<std::vector<int>>& layers,
                                          const std::vector<TableSchema>& tables,
                                          const std::unordered_map<std::string, int>& nameIndex,
                                          LayoutRandom& random) {
    if (layers.size() < 2)
        return layers;
    Layering current = buildLayering(layers, tables, nameIndex);
    Layering best = current;
    long long bestCount = countCrossings(best);
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0)
            for (auto& layer : current.layers)
                random.shuffle(layer);
        Orderer orderer(current);
        for (int iteration = 0; iteration < sweepIterations; ++iteration)
            orderer.sweep(iteration % 2 == 1);
        orderer.localMoves();
        const long long count = countCrossings(current);
        if (count < bestCount) {
            bestCount = count;
            best = current;
        }
        if (bestCount == 0)
            break;
    }
    return withoutDummies(best);
}

} // namespace ketterly
