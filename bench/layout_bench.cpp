// Preparing a schema for the diagram (inference when nothing is declared, colours, the layered
// layout) runs on every open and every re-layout, so it must stay quick on large files.

#include "GeneratedSchema.h"
#include "layout/LayoutRandom.h"
#include "model/LayoutConfiguration.h"
#include "schema/RelationshipInferrer.h"
#include "schema/SchemaPreparation.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <string>
#include <vector>

using namespace ketterly;

namespace {

constexpr std::uint64_t schemaSeed = 20240611;
constexpr std::uint64_t layoutSeed = 7;

// range(0): tables, range(1): keys, range(2): 1 when the keys are left to inference.
void BM_PrepareTables(benchmark::State& state) {
    const bench::SchemaSize size{static_cast<int>(state.range(0)), static_cast<int>(state.range(1))};
    const bool inferred = state.range(2) != 0;
    const std::vector<TableSchema> declared = bench::generateSchema(size, schemaSeed);
    const std::vector<TableSchema> tables = inferred ? bench::withoutDeclaredKeys(declared) : declared;
    if (inferred) {
        // Inference must find exactly the declared keys, or the two paths would lay out different graphs.
        const auto found = inferRelationships(tables);
        for (std::size_t i = 0; i < found.size(); ++i)
            if (found[i].foreignKeys != declared[i].foreignKeys) {
                state.SkipWithError(("inference differs on table " + declared[i].name).c_str());
                return;
            }
    }
    const LayoutConfiguration configuration;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<TableSchema> input = tables;
        LayoutRandom random(layoutSeed);
        state.ResumeTiming();
        auto prepared = prepareTables(std::move(input), configuration, random);
        benchmark::DoNotOptimize(prepared.data());
        benchmark::ClobberMemory();
    }
    state.counters["tables"] = static_cast<double>(size.tables);
    state.counters["keys"] = static_cast<double>(size.keys);
}

void sizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"tables", "keys", "inferred"});
    for (int inferred : {0, 1})
        for (const auto& size : bench::benchmarkSizes)
            b->Args({size.tables, size.keys, inferred});
}

} // namespace

BENCHMARK(BM_PrepareTables)->Apply(sizes)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
