#include "layout/LiteralOrdering.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <string>

namespace ketterly::test {

namespace {

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

struct State {
    std::vector<std::vector<int>> layers;
    std::vector<int> layerOf;
    std::vector<std::pair<int, int>> segments;
};

long long count(const State& s) {
    return literalCountCrossings(s.layers, s.layerOf, s.segments);
}

// Reorders layer k against layer ref, exactly as described: keys from neighbour positions, then
// a stable sort by key.
void reorder(State& s, int k, int ref, bool median) {
    std::map<int, int> refPosition;
    for (std::size_t i = 0; i < s.layers[std::size_t(ref)].size(); ++i)
        refPosition[s.layers[std::size_t(ref)][i]] = int(i);
    std::vector<std::pair<double, int>> keyed;
    const auto& layer = s.layers[std::size_t(k)];
    for (std::size_t i = 0; i < layer.size(); ++i) {
        const int node = layer[i];
        std::vector<int> positions;
        for (const auto& [u, v] : s.segments) {
            if (u == node && s.layerOf[std::size_t(v)] == ref)
                positions.push_back(refPosition[v]);
            else if (v == node && s.layerOf[std::size_t(u)] == ref)
                positions.push_back(refPosition[u]);
        }
        double key = double(i);
        if (!positions.empty()) {
            if (median) {
                std::sort(positions.begin(), positions.end());
                const std::size_t n = positions.size();
                key =
                    n % 2 ? double(positions[n / 2]) : double(positions[n / 2 - 1] + positions[n / 2]) * 0.5;
            } else {
                double sum = 0;
                for (int p : positions)
                    sum += p;
                key = sum / double(positions.size());
            }
        }
        keyed.emplace_back(key, node);
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        s.layers[std::size_t(k)][i] = keyed[i].second;
}

// Local moves: every candidate recounts the whole layering.
bool localMovesOnLayer(State& s, std::size_t k) {
    auto& layer = s.layers[k];
    long long base = count(s);
    bool moved = false;
    for (std::size_t i = 0; i < layer.size(); ++i) {
        const int node = layer[i];
        long long best = base;
        std::vector<int> choice;
        for (std::size_t j = 0; j < layer.size(); ++j) {
            if (j == i)
                continue;
            const int before = layer[j];
            std::vector<int> candidate = layer;
            candidate.erase(candidate.begin() + long(i));
            candidate.insert(std::find(candidate.begin(), candidate.end(), before), node);
            const std::vector<int> saved = layer;
            layer = candidate;
            const long long c = count(s);
            layer = saved;
            if (c < best) {
                best = c;
                choice = candidate;
            }
        }
        if (!choice.empty()) {
            layer = choice;
            base = best;
            moved = true;
        }
    }
    return moved;
}

} // namespace

long long literalCountCrossings(const std::vector<std::vector<int>>& layers, const std::vector<int>& layerOf,
                                const std::vector<std::pair<int, int>>& segments) {
    std::vector<int> index(layerOf.size(), -1);
    for (const auto& layer : layers)
        for (std::size_t i = 0; i < layer.size(); ++i)
            index[layer[i]] = int(i);
    std::map<std::pair<int, int>, std::vector<std::pair<int, int>>> groups;
    for (const auto& [u, v] : segments) {
        const int lu = layerOf[std::size_t(u)], lv = layerOf[std::size_t(v)];
        int a, b;
        if (lu == lv) {
            a = index[std::size_t(v)];
            b = index[std::size_t(u)];
        } else if (lu < lv) {
            a = index[std::size_t(u)];
            b = index[std::size_t(v)];
        } else {
            a = index[std::size_t(v)];
            b = index[std::size_t(u)];
        }
        groups[{std::min(lu, lv), std::max(lu, lv)}].emplace_back(a, b);
    }
    long long crossings = 0;
    for (const auto& [key, pairs] : groups)
        for (std::size_t p = 0; p < pairs.size(); ++p)
            for (std::size_t q = p + 1; q < pairs.size(); ++q) {
                const auto [a1, b1] = pairs[p];
                const auto [a2, b2] = pairs[q];
                if ((a1 < a2 && b2 < b1) || (a2 < a1 && b1 < b2))
                    ++crossings;
            }
    return crossings;
}

std::vector<std::vector<int>> literalOrderLayers(const std::vector<std::vector<int>>& layers,
                                                 const std::vector<TableSchema>& tables,
                                                 LayoutRandom& random) {
    if (layers.size() < 2)
        return layers;
    const int n = int(tables.size());
    std::map<std::string, int> nameIndex;
    for (int i = 0; i < n; ++i)
        nameIndex.emplace(lower(tables[std::size_t(i)].name), i);

    State s;
    s.layers = layers;
    s.layerOf.assign(std::size_t(n), -1);
    for (std::size_t k = 0; k < layers.size(); ++k)
        for (int node : layers[k])
            s.layerOf[std::size_t(node)] = int(k);
    int nextId = n;
    for (int g = 0; g < n; ++g)
        for (const auto& key : tables[std::size_t(g)].foreignKeys) {
            const auto found = nameIndex.find(lower(key.toTable));
            if (found == nameIndex.end() || found->second == g)
                continue;
            const int t = found->second;
            const int lg = s.layerOf[std::size_t(g)], lt = s.layerOf[std::size_t(t)];
            if (std::abs(lg - lt) <= 1) {
                s.segments.emplace_back(g, t);
                continue;
            }
            const int step = lg < lt ? 1 : -1;
            int previous = g;
            for (int k = lg + step; k != lt; k += step) {
                const int dummy = nextId++;
                s.layerOf.push_back(k);
                s.layers[std::size_t(k)].push_back(dummy);
                s.segments.emplace_back(previous, dummy);
                previous = dummy;
            }
            s.segments.emplace_back(previous, t);
        }

    State best = s;
    long long bestCount = count(s);
    State current = s;
    for (int attempt = 1; attempt <= 3; ++attempt) {
        if (attempt > 1)
            for (auto& layer : current.layers)
                random.shuffle(layer);
        const int last = int(current.layers.size()) - 1;
        for (int r = 0; r < 24; ++r) {
            const bool median = r % 2 == 1;
            for (int k = 1; k <= last; ++k)
                reorder(current, k, k - 1, median);
            for (int k = last; k >= 1; --k)
                reorder(current, k - 1, k, median);
        }
        for (int pass = 0; pass < 3; ++pass) {
            bool moved = false;
            for (std::size_t k = 0; k < current.layers.size(); ++k)
                if (current.layers[k].size() >= 2 && localMovesOnLayer(current, k))
                    moved = true;
            if (!moved)
                break;
        }
        const long long c = count(current);
        if (c < bestCount) {
            bestCount = c;
            best = current;
        }
        if (bestCount == 0)
            break;
    }
    std::vector<std::vector<int>> result;
    for (const auto& layer : best.layers) {
        std::vector<int> kept;
        for (int node : layer)
            if (node < n)
                kept.push_back(node);
        if (!kept.empty())
            result.push_back(kept);
    }
    return result;
}

} // namespace ketterly::test
