// The loader's own reading of a 1,000-table schema, and the working copy of a 1 GiB database:
// the copy alone, and the whole way from the user's file to its tables (copy, open, read).
//
// The 1 GiB cases write about 2 GiB to the temporary directory and take 10 to 20 s; they run
// only with KETTERLY_BENCH_LARGE=1. "warm" has the source in the page cache, as right after the
// user saved it; "cold" drops it from the cache first (posix_fadvise, our file only), as for a
// file nobody has read for a while.

#include "GeneratedDatabase.h"
#include "schema/SchemaLoader.h"
#include "schema/WorkingCopy.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/statfs.h>
#include <unistd.h>

using namespace ketterly;

namespace {

constexpr int tableCount = 1000;
constexpr int largeMebibytes = 1024;

std::filesystem::path scratch() {
    static const auto dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "ketterly-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        return std::filesystem::path(pattern);
    }();
    return dir;
}

// The filesystem the copies land on, for the report: whether it can clone matters most.
std::string filesystemName(const std::filesystem::path& path) {
    struct statfs info {};
    if (::statfs(path.c_str(), &info) != 0)
        return "unknown filesystem";
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:
        return "ext4";
    case 0x9123683EUL:
        return "btrfs";
    case 0x58465342:
        return "xfs";
    case 0x01021994:
        return "tmpfs";
    case 0x794C7630:
        return "overlayfs";
    case 0x2FC12FC1:
        return "zfs";
    default:
        char hex[32];
        std::snprintf(hex, sizeof hex, "filesystem 0x%lx", static_cast<unsigned long>(info.f_type));
        return hex;
    }
}

// "1025 MiB on ext4": what was copied, and where.
std::string largeLabel(const std::string& source, const std::filesystem::path& directory) {
    return std::to_string(std::filesystem::file_size(source) >> 20) + " MiB on " + filesystemName(directory);
}

void dropFromPageCache(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path);
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

// Loads `path` once and checks the reading against SQLite's own counts: a loader that skipped
// tables, keys or indexes would otherwise just look fast.
std::string checkReading(const std::string& path) {
    const SchemaLoader loader(path, LayoutConfiguration{});
    auto connection = loader.openReadOnly();
    if (!connection)
        return connection.error().description();
    auto tables = loader.loadTables(*connection);
    if (!tables)
        return tables.error().description();
    const auto loaded = bench::countsOf(*tables);
    const auto expected = bench::countsInDatabase(path);
    if (loaded != expected)
        return "the loader read " + bench::toString(loaded) + "; SQLite lists " + bench::toString(expected);
    return {};
}

const std::string& thousandTables() {
    static const std::string path = [] {
        const std::string p = (scratch() / "thousand.db").string();
        bench::writeGeneratedDatabase(p, tableCount);
        return p;
    }();
    return path;
}

const std::string& largeDatabase() {
    static const std::string path = [] {
        const std::string p = (scratch() / "large.db").string();
        bench::writeLargeDatabase(p, largeMebibytes);
        return p;
    }();
    return path;
}

void LoaderReading(benchmark::State& state) {
    const std::string& path = thousandTables();
    if (auto problem = checkReading(path); !problem.empty()) {
        state.SkipWithError(problem.c_str());
        return;
    }
    const SchemaLoader loader(path, LayoutConfiguration{});
    for (auto _ : state) {
        auto connection = loader.openReadOnly();
        if (!connection) {
            state.SkipWithError("open failed");
            break;
        }
        auto tables = loader.loadTables(*connection);
        if (!tables || tables->size() != static_cast<std::size_t>(tableCount)) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(tables);
    }
}
BENCHMARK(LoaderReading)->Unit(benchmark::kMillisecond);

enum Cache { warm, cold };

// Between iterations, outside the timing: the previous copy goes, and for "cold" the source
// leaves the page cache.
void prepareIteration(benchmark::State& state, Cache cache, const std::string& source,
                      const std::filesystem::path& target) {
    state.PauseTiming();
    std::filesystem::remove(target);
    if (cache == cold)
        dropFromPageCache(source);
    state.ResumeTiming();
}

void CopyFileOneGiB(benchmark::State& state, Cache cache) {
    const std::string& source = largeDatabase();
    const auto directory = scratch() / "copy";
    std::filesystem::create_directories(directory);
    const auto target = directory / "large.db";
    for (auto _ : state) {
        prepareIteration(state, cache, source, target);
        if (auto copied = copyFile(source, target.string()); !copied) {
            state.SkipWithError(copied.error().description().c_str());
            break;
        }
    }
    if (state.error_occurred())
        return;
    if (std::filesystem::file_size(target) != std::filesystem::file_size(source)) {
        state.SkipWithError("the copy's size differs from the source's");
        return;
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(source)));
    state.SetLabel(largeLabel(source, directory));
    std::filesystem::remove(target);
}

// What opening a 1 GiB file costs before the diagram can be computed: the working copy, the
// read-only open of the copy and the reading of its schema.
void OpenPathOneGiB(benchmark::State& state, Cache cache) {
    const std::string& source = largeDatabase();
    if (auto problem = checkReading(source); !problem.empty()) {
        state.SkipWithError(problem.c_str());
        return;
    }
    const auto directory = scratch() / "open";
    std::filesystem::create_directories(directory);
    const auto target = directory / "large.db";
    for (auto _ : state) {
        prepareIteration(state, cache, source, target);
        auto copy = copyDatabaseToDirectory(source, directory.string());
        if (!copy) {
            state.SkipWithError(copy.error().description().c_str());
            break;
        }
        const SchemaLoader loader(*copy, LayoutConfiguration{});
        auto connection = loader.openReadOnly();
        if (!connection) {
            state.SkipWithError(connection.error().description().c_str());
            break;
        }
        auto tables = loader.loadTables(*connection);
        if (!tables) {
            state.SkipWithError(tables.error().description().c_str());
            break;
        }
        benchmark::DoNotOptimize(tables);
    }
    state.SetLabel(largeLabel(source, directory));
    std::filesystem::remove(target);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // One copy per repetition, each shown: the first copy after the file was written is often the
    // slowest. The median of five is the figure. Wall time, as the work is the kernel's and the
    // disk's.
    if (std::getenv("KETTERLY_BENCH_LARGE")) {
        for (const auto& [name, cache] : {std::pair{"warm", warm}, std::pair{"cold", cold}}) {
            for (const auto& [caseName, run] : {std::pair{"CopyFileOneGiB/", &CopyFileOneGiB},
                                                std::pair{"OpenPathOneGiB/", &OpenPathOneGiB}})
                benchmark::RegisterBenchmark((caseName + std::string(name)).c_str(), run, cache)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime()
                    ->Iterations(1)
                    ->Repetitions(5);
        }
    } else {
        std::fprintf(stderr, "(the 1 GiB cases run with KETTERLY_BENCH_LARGE=1)\n");
    }
    int status = 0;
    try {
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "schema_load_bench: %s\n", error.what());
        status = 1;
    }
    benchmark::Shutdown();
    std::filesystem::remove_all(scratch());
    return status;
}
