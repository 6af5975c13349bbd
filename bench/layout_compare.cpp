// Our layout next to Graphviz dot on the same generated schemas.
//
//   layout_compare --out DIR [--runs N]
//       For each benchmark size: writes DIR/schema_<tables>.dot, times prepareTables (median of up
//       to N runs, default 5; no run starts after 150 s on one size) and counts the crossings of
//       our layout. Prints one tab-separated line per size: tables, keys, median ms, runs,
//       crossings of our layering, crossings of straight edges, path of the DOT file.
//   layout_compare --plain-crossings FILE
//       Counts the crossings of straight edges in a `dot -Tplain` layout.
//
// "Straight edges" is one measure for both programs: ranks are the distinct node centre heights,
// an edge is a straight line between its two node centres, and two edges cross between two
// adjacent ranks when their orders at those ranks are opposite (a shared end or a tie never
// counts). Edges within one rank (self references) are left out. dot bends long edges through
// virtual nodes that -Tplain does not list, and we route ours orthogonally, so for both the
// figure approximates what is drawn.

#include "GeneratedSchema.h"
#include "layout/CrossingCount.h"
#include "layout/DiagramLayout.h"
#include "layout/LayerAssignment.h"
#include "layout/LayerOrdering.h"
#include "layout/LayoutRandom.h"
#include "model/LayoutConfiguration.h"
#include "schema/SchemaPreparation.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

using namespace ketterly;

namespace {

constexpr std::uint64_t schemaSeed = 20240611;
constexpr std::uint64_t layoutSeed = 7;
constexpr double pointsPerInch = 72;

struct Drawing {
    std::unordered_map<std::string, Point> centres;
    std::vector<std::pair<std::string, std::string>> edges; // (referencing, referenced)
};

// Orders of magnitude below any node spacing, so only true ties compare equal.
long long quantised(double value) {
    return std::llround(value * 1e4);
}

// Pairs (a, b) with a earlier and b later where first(a) < first(b) and second(a) > second(b).
long long oppositePairs(std::vector<std::pair<long long, long long>> ends) {
    std::sort(ends.begin(), ends.end());
    std::vector<long long> seconds;
    seconds.reserve(ends.size());
    for (const auto& e : ends)
        seconds.push_back(e.second);
    std::sort(seconds.begin(), seconds.end());
    seconds.erase(std::unique(seconds.begin(), seconds.end()), seconds.end());
    std::vector<long long> tree(seconds.size() + 1, 0); // counts by rank of the second end
    long long inserted = 0, crossings = 0;
    const auto rank = [&](long long v) {
        return static_cast<std::size_t>(std::lower_bound(seconds.begin(), seconds.end(), v) -
                                        seconds.begin()) +
               1;
    };
    for (std::size_t start = 0; start < ends.size();) {
        std::size_t end = start;
        while (end < ends.size() && ends[end].first == ends[start].first)
            ++end;
        for (std::size_t i = start; i < end; ++i) {
            long long atMost = 0;
            for (std::size_t r = rank(ends[i].second); r > 0; r -= r & (~r + 1))
                atMost += tree[r];
            crossings += inserted - atMost;
        }
        for (std::size_t i = start; i < end; ++i) {
            for (std::size_t r = rank(ends[i].second); r < tree.size(); r += r & (~r + 1))
                ++tree[r];
            ++inserted;
        }
        start = end;
    }
    return crossings;
}

long long straightCrossings(const Drawing& drawing) {
    std::vector<long long> heights;
    for (const auto& [name, centre] : drawing.centres)
        heights.push_back(quantised(centre.y));
    std::sort(heights.begin(), heights.end());
    heights.erase(std::unique(heights.begin(), heights.end()), heights.end());
    const auto rankOf = [&](double y) {
        return static_cast<std::size_t>(std::lower_bound(heights.begin(), heights.end(), quantised(y)) -
                                        heights.begin());
    };
    std::vector<double> rankY(heights.size());
    for (const auto& [name, centre] : drawing.centres)
        rankY[rankOf(centre.y)] = centre.y;

    std::vector<std::vector<std::pair<long long, long long>>> gaps(heights.size());
    for (const auto& [from, to] : drawing.edges) {
        const auto a = drawing.centres.find(from), b = drawing.centres.find(to);
        if (a == drawing.centres.end() || b == drawing.centres.end())
            throw std::runtime_error("an edge names a node that is not drawn: " + from + " -> " + to);
        Point top = a->second, bottom = b->second;
        std::size_t low = rankOf(top.y), high = rankOf(bottom.y);
        if (low == high)
            continue;
        if (low > high) {
            std::swap(top, bottom);
            std::swap(low, high);
        }
        const auto xAt = [&](std::size_t r) {
            if (r == low)
                return top.x;
            if (r == high)
                return bottom.x;
            return top.x + (bottom.x - top.x) * (rankY[r] - top.y) / (bottom.y - top.y);
        };
        for (std::size_t r = low; r < high; ++r)
            gaps[r].emplace_back(quantised(xAt(r)), quantised(xAt(r + 1)));
    }
    long long crossings = 0;
    for (auto& gap : gaps)
        crossings += oppositePairs(std::move(gap));
    return crossings;
}

// The crossings of the drawn layering by the layout's own count. The layers are read back from
// the placed centres (one height per layer, left to right within it); the ordering keeps its
// dummy nodes to itself, so each is put where the straight line of its key crosses its layer.
long long layeringCrossings(const std::vector<TableSchema>& prepared) {
    std::map<long long, std::vector<int>> byHeight;
    for (std::size_t i = 0; i < prepared.size(); ++i)
        byHeight[quantised(prepared[i].position.y)].push_back(static_cast<int>(i));
    const auto centre = [&](int node) { return prepared[static_cast<std::size_t>(node)].position; };
    std::vector<std::vector<int>> layers;
    std::vector<double> layerY;
    for (auto& [height, members] : byHeight) {
        std::sort(members.begin(), members.end(), [&](int a, int b) { return centre(a).x < centre(b).x; });
        layerY.push_back(centre(members.front()).y);
        layers.push_back(std::move(members));
    }

    Layering layering = buildLayering(layers, prepared, buildNameIndex(prepared));
    const int tables = layering.tableCount;
    std::vector<int> next(layering.layerOf.size(), -1);
    for (const auto& [u, v] : layering.segments)
        if (u >= tables)
            next[static_cast<std::size_t>(u)] = v;
    std::vector<double> x(layering.layerOf.size());
    for (int node = 0; node < tables; ++node)
        x[static_cast<std::size_t>(node)] = centre(node).x;
    for (const auto& [u, v] : layering.segments) {
        if (u >= tables || v < tables)
            continue; // each chain of dummies once, from the table it leaves
        int last = v;
        while (last >= tables)
            last = next[static_cast<std::size_t>(last)];
        const Point a = centre(u), b = centre(last);
        for (int d = v; d >= tables; d = next[static_cast<std::size_t>(d)]) {
            const double y = layerY[static_cast<std::size_t>(layering.layerOf[static_cast<std::size_t>(d)])];
            x[static_cast<std::size_t>(d)] = a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y);
        }
    }
    for (auto& layer : layering.layers)
        std::stable_sort(layer.begin(), layer.end(), [&](int a, int b) {
            return x[static_cast<std::size_t>(a)] < x[static_cast<std::size_t>(b)];
        });
    return countCrossings(layering);
}

Drawing drawingOf(const std::vector<TableSchema>& prepared) {
    Drawing drawing;
    for (const auto& table : prepared) {
        drawing.centres[table.name] = table.position;
        for (const auto& key : table.foreignKeys)
            drawing.edges.emplace_back(key.fromTable, key.toTable);
    }
    return drawing;
}

void writeDot(const std::vector<TableSchema>& tables, const LayoutConfiguration& configuration,
              const std::filesystem::path& path) {
    std::ofstream out(path);
    out << "digraph schema {\n"
        << "  graph [rankdir=TB, nodesep=" << configuration.nodeSeparation / pointsPerInch
        << ", ranksep=" << configuration.layerSeparation / pointsPerInch << "];\n"
        << "  node [shape=box, fixedsize=true, label=\"\"];\n";
    for (const auto& table : tables) {
        const Size size = nodeSize(table);
        out << "  \"" << table.name << "\" [width=" << size.width / pointsPerInch
            << ", height=" << size.height / pointsPerInch << "];\n";
    }
    for (const auto& table : tables)
        for (const auto& key : table.foreignKeys)
            out << "  \"" << key.fromTable << "\" -> \"" << key.toTable << "\";\n";
    out << "}\n";
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

struct Timing {
    double medianMilliseconds = 0;
    int runs = 0;
};

// Up to `runs` runs, but none started once `budget` is spent, so that the largest size stays
// within the few minutes the comparison may take.
Timing timePreparation(const std::vector<TableSchema>& tables, const LayoutConfiguration& configuration,
                       int runs, std::chrono::seconds budget, std::vector<TableSchema>& prepared) {
    std::vector<double> times;
    const auto begin = std::chrono::steady_clock::now();
    while (static_cast<int>(times.size()) < runs &&
           (times.empty() || std::chrono::steady_clock::now() - begin < budget)) {
        std::vector<TableSchema> input = tables;
        LayoutRandom random(layoutSeed);
        const auto start = std::chrono::steady_clock::now();
        prepared = prepareTables(std::move(input), configuration, random);
        const auto stop = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(times.begin(), times.end());
    const std::size_t middle = times.size() / 2;
    const double median = times.size() % 2 == 1 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
    return {median, static_cast<int>(times.size())};
}

int compare(const std::filesystem::path& directory, int runs, std::chrono::seconds budget) {
    std::filesystem::create_directories(directory);
    const LayoutConfiguration configuration;
    for (const auto& size : bench::benchmarkSizes) {
        const auto tables = bench::generateSchema(size, schemaSeed);
        const auto dotFile = directory / ("schema_" + std::to_string(size.tables) + ".dot");
        writeDot(tables, configuration, dotFile);
        std::vector<TableSchema> prepared;
        const Timing timing = timePreparation(tables, configuration, runs, budget, prepared);
        std::printf("%d\t%d\t%.2f\t%d\t%lld\t%lld\t%s\n", size.tables, bench::keyCount(tables),
                    timing.medianMilliseconds, timing.runs, layeringCrossings(prepared),
                    straightCrossings(drawingOf(prepared)), dotFile.c_str());
        std::fflush(stdout);
    }
    return 0;
}

// `node name x y width height ...` and `edge tail head ...`; names are plain identifiers here,
// quoted or not.
Drawing readPlain(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    const auto unquoted = [](std::string name) {
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        return name;
    };
    Drawing drawing;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind, first, second;
        fields >> kind >> first;
        if (kind == "node") {
            double x = 0, y = 0;
            fields >> x >> y;
            drawing.centres[unquoted(first)] = {x, y};
        } else if (kind == "edge") {
            fields >> second;
            drawing.edges.emplace_back(unquoted(first), unquoted(second));
        }
    }
    if (drawing.centres.empty())
        throw std::runtime_error(path.string() + " holds no nodes");
    return drawing;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        if (args.size() == 2 && args[0] == "--plain-crossings") {
            std::printf("%lld\n", straightCrossings(readPlain(args[1])));
            return 0;
        }
        if ((args.size() == 2 || args.size() == 4) && args[0] == "--out") {
            int runs = 5;
            if (args.size() == 4 && args[2] == "--runs")
                runs = std::max(1, std::stoi(args[3]));
            else if (args.size() == 4)
                throw std::invalid_argument("unknown option " + args[2]);
            return compare(args[1], runs, std::chrono::seconds(150));
        }
        std::cerr << "usage: layout_compare --out DIR [--runs N] | --plain-crossings FILE\n";
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "layout_compare: " << error.what() << "\n";
        return 1;
    }
}
