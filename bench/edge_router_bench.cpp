// Routing runs on every drag step, so a large diagram must route well inside one frame.

#include "layout/EdgeRouter.h"

#include <benchmark/benchmark.h>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace ketterly;

namespace {

constexpr std::size_t tableCount = 1000;
constexpr std::size_t relationshipCount = 1500;
constexpr std::size_t gridColumns = 40;

struct Diagram {
    std::vector<TableSchema> tables;
    std::vector<ForeignKeyInfo> relationships;
};

// Tables of 1 to 8 columns on a grid, a few of them nudged off it so that both straight and
// bent routes occur; keys name their tables in other letter cases now and then, and every 50th
// key is a self reference.
Diagram makeDiagram() {
    Diagram diagram;
    diagram.tables.reserve(tableCount);
    for (std::size_t i = 0; i < tableCount; ++i) {
        TableSchema table;
        table.name = "table_" + std::to_string(i);
        for (std::size_t c = 0; c <= i % 8; ++c) {
            ColumnSchema column;
            column.name = "column_" + std::string(c * 3, 'x');
            table.columns.push_back(column);
        }
        const double nudge = i % 3 == 0 ? 0 : static_cast<double>(i % 7) * 10;
        table.position = {static_cast<double>(i % gridColumns) * 320 + nudge,
                          static_cast<double>(i / gridColumns) * 260 - nudge};
        diagram.tables.push_back(std::move(table));
    }
    diagram.relationships.reserve(relationshipCount);
    for (std::size_t k = 0; k < relationshipCount; ++k) {
        const std::size_t from = k % tableCount;
        const std::size_t to = k % 50 == 0 ? from : (k * 7 + 13) % tableCount;
        std::string fromName = diagram.tables[from].name;
        if (k % 4 == 0)
            fromName[0] = 'T';
        const std::string& toName = diagram.tables[to].name;
        ForeignKeyInfo key;
        key.id = foreignKeyId(fromName, "ref_id", toName, "id");
        key.fromTable = fromName;
        key.fromColumn = "ref_id";
        key.toTable = toName;
        key.toColumn = "id";
        diagram.relationships.push_back(std::move(key));
    }
    return diagram;
}

void BM_RouteEdges(benchmark::State& state) {
    const Diagram diagram = makeDiagram();
    const auto direction = state.range(0) == 0 ? LayoutDirection::topToBottom : LayoutDirection::leftToRight;
    for (auto _ : state) {
        auto edges = routeEdges(diagram.relationships, diagram.tables, direction, 8);
        benchmark::DoNotOptimize(edges.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(relationshipCount));
}

} // namespace

BENCHMARK(BM_RouteEdges)->ArgName("leftToRight")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
