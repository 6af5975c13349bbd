// Reads a database's schema once, as the loader does (open, table list, four queries per table),
// and exits: the program bench/compare_shell.sh times. It prints what it read, one line, so that
// the script can check it against SQLite's own counts (--count). With --generate N PATH it writes
// the benchmark database instead.

#include "GeneratedDatabase.h"
#include "schema/SchemaLoader.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    using namespace ketterly;
    try {
        const std::string command = argc > 1 ? argv[1] : "";
        if (argc == 4 && command == "--generate") {
            bench::writeGeneratedDatabase(argv[3], std::stoi(argv[2]));
            return 0;
        }
        if (argc == 3 && command == "--count") {
            std::printf("%s\n", bench::toString(bench::countsInDatabase(argv[2])).c_str());
            return 0;
        }
        if (argc != 2 || command.starts_with("--")) {
            std::fprintf(stderr, "usage: schema_read_once DB | --generate N DB | --count DB\n");
            return 2;
        }
        const SchemaLoader loader(argv[1], LayoutConfiguration{});
        auto connection = loader.openReadOnly();
        if (!connection) {
            std::fprintf(stderr, "%s\n", connection.error().description().c_str());
            return 1;
        }
        auto tables = loader.loadTables(*connection);
        if (!tables) {
            std::fprintf(stderr, "%s\n", tables.error().description().c_str());
            return 1;
        }
        std::printf("%s\n", bench::toString(bench::countsOf(*tables)).c_str());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "schema_read_once: %s\n", error.what());
        return 1;
    }
}
