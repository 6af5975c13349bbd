// Opening a models folder reads, parses, colours and lays out every model before the diagram shows,
// so a large app's folder must stay well under a second. The folder is generated at start: 200
// files of 10 models each, written the way apps write them.

#include "layout/LayoutRandom.h"
#include "schema/SwiftModelParser.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using namespace ketterly;

namespace {

constexpr int fileCount = 200;
constexpr int modelsPerFile = 10;
constexpr std::uint64_t layoutSeed = 7;

std::string modelName(int file, int model) {
    static const char* const nouns[] = {"Trip",    "Order", "Customer", "Invoice", "Note",
                                        "Project", "Task",  "Tag",      "Account", "Payment"};
    return std::string(nouns[model]) + std::to_string(file);
}

// One file: a module of ten models. Each model refers to one or two earlier models of its file
// (some with the inverse to-many property, as relationships are usually declared), every fifth
// to a model of the first file, which makes a few hubs; enums, computed properties, initialisers
// and attributes on their own lines or on the property's line are mixed in.
std::string moduleSource(int file, std::mt19937& random) {
    std::string text = "import Foundation\nimport SwiftData\n\n";
    text +=
        "enum Status" + std::to_string(file) + ": String, Codable {\n    case open\n    case closed\n}\n\n";
    std::vector<std::string> inverses(modelsPerFile);
    std::vector<std::string> bodies(modelsPerFile);
    for (int m = 0; m < modelsPerFile; ++m) {
        std::string& body = bodies[m];
        body += "    @Attribute(.unique) var code: String\n";
        body += "    var title: String\n    var createdAt: Date = .now\n    var count: Int = 0\n";
        body += "    var status: Status" + std::to_string(file) + " = .open\n";
        if (random() % 3 == 0)
            body += "    var note: String?\n";
        const int references = m == 0 ? 0 : 1 + static_cast<int>(random() % 2);
        for (int r = 0; r < references; ++r) {
            const int target = static_cast<int>(random() % static_cast<unsigned>(m));
            const std::string property = "ref" + std::to_string(r);
            body += "    var " + property + ": " + modelName(file, target) + "?\n";
            if (random() % 2 == 0)
                inverses[target] += "    @Relationship(deleteRule: .cascade, inverse: \\" +
                                    modelName(file, m) + "." + property + ") var children" +
                                    std::to_string(m) + "x" + std::to_string(r) + ": [" + modelName(file, m) +
                                    "] = []\n";
        }
        if (file > 0 && m % 5 == 0)
            body += "    var owner: " + modelName(0, static_cast<int>(random() % 4)) + "?\n";
        body += "    var summary: String { title + \" (\" + String(count) + \")\" }\n";
    }
    for (int m = 0; m < modelsPerFile; ++m) {
        text += m % 3 == 0 ? "@Model final class " + modelName(file, m) + " {\n"
                           : "@Model\nfinal class " + modelName(file, m) + " {\n";
        text += bodies[m] + inverses[m];
        text += "\n    init(code: String, title: String) {\n        self.code = code\n"
                "        self.title = title\n    }\n}\n\n";
    }
    return text;
}

class ModelsFolder {
  public:
    ModelsFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/ketterly-models-bench-XXXXXX";
        if (!mkdtemp(pattern.data()))
            return;
        path_ = pattern;
        std::mt19937 random(20240611);
        for (int f = 0; f < fileCount; ++f)
            std::ofstream(path_ + "/Module" + std::to_string(f) + ".swift") << moduleSource(f, random);
    }
    ~ModelsFolder() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

const ModelsFolder& folder() {
    static const ModelsFolder generated;
    return generated;
}

// The whole open: read 200 files, parse, colour, lay out.
void BM_ParseModelsFolder(benchmark::State& state) {
    const SwiftModelParser parser;
    {
        LayoutRandom random(layoutSeed);
        auto schema =
            parser.parseModelsFolder(folder().path(), LayoutDirection::topToBottom, 180, 60, random);
        if (!schema) {
            state.SkipWithError(schema.error().description().c_str());
            return;
        }
        // A parser that dropped models or relationships would only look fast.
        if (schema->tables.size() != fileCount * modelsPerFile) {
            state.SkipWithError(
                ("expected 2000 tables, got " + std::to_string(schema->tables.size())).c_str());
            return;
        }
        state.counters["tables"] = static_cast<double>(schema->tables.size());
        state.counters["relationships"] = static_cast<double>(schema->relationships.size());
    }
    for (auto _ : state) {
        state.PauseTiming();
        LayoutRandom random(layoutSeed);
        state.ResumeTiming();
        auto schema =
            parser.parseModelsFolder(folder().path(), LayoutDirection::topToBottom, 180, 60, random);
        benchmark::DoNotOptimize(schema);
    }
}

// Parsing alone, from texts already read: what the whole open spends outside the layout.
void BM_ParseModelsOnly(benchmark::State& state) {
    const SwiftModelParser parser;
    std::vector<std::string> texts;
    for (int f = 0; f < fileCount; ++f) {
        std::ifstream in(folder().path() + "/Module" + std::to_string(f) + ".swift");
        texts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (auto _ : state) {
        std::size_t models = 0;
        for (const auto& text : texts)
            models += parser.parseModels(text).size();
        benchmark::DoNotOptimize(models);
    }
}

} // namespace

BENCHMARK(BM_ParseModelsFolder)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParseModelsOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
