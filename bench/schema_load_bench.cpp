// The loader's own reading of a 1,000-table schema, and the working copy of a large file.

#include "GeneratedDatabase.h"
#include "schema/SchemaLoader.h"
#include "schema/WorkingCopy.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

using namespace ketterly;

namespace {

std::filesystem::path scratch() {
    static const auto dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "ketterly-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        return std::filesystem::path(pattern);
    }();
    return dir;
}

void LoaderReading(benchmark::State& state) {
    const std::string path = (scratch() / "thousand.db").string();
    bench::writeGeneratedDatabase(path, static_cast<int>(state.range(0)));
    const SchemaLoader loader(path, LayoutConfiguration{});
    for (auto _ : state) {
        auto connection = loader.openReadOnly();
        auto tables = loader.loadTables(*connection);
        if (!tables || tables->size() != static_cast<std::size_t>(state.range(0)))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(tables);
    }
}
BENCHMARK(LoaderReading)->Arg(1000)->Unit(benchmark::kMillisecond);

// The working copy of a 1 GiB file (KETTERLY_BENCH_LARGE=1): the kernel's copy, a clone where
// the filesystem supports it.
void WorkingCopyOfOneGigabyte(benchmark::State& state) {
    if (!std::getenv("KETTERLY_BENCH_LARGE")) {
        state.SkipWithError("set KETTERLY_BENCH_LARGE=1 to copy 1 GiB");
        return;
    }
    const auto source = scratch() / "large.db";
    if (!std::filesystem::exists(source)) {
        std::ofstream out(source, std::ios::binary);
        std::vector<char> block(1 << 20);
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 31);
        for (int i = 0; i < 1024; ++i)
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    const auto target = scratch() / "copy";
    std::filesystem::create_directories(target);
    for (auto _ : state) {
        auto copy = copyDatabaseToDirectory(source.string(), target.string());
        if (!copy)
            state.SkipWithError(copy.error().description().c_str());
    }
}
BENCHMARK(WorkingCopyOfOneGigabyte)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(scratch());
}
