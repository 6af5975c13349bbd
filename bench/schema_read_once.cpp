// Reads a database's schema once, as the loader does (open, table list, four queries per table),
// and exits: the program the shell comparison times. With --generate N PATH it writes the
// benchmark database instead.

#include "GeneratedDatabase.h"
#include "schema/SchemaLoader.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    using namespace ketterly;
    if (argc == 4 && std::string(argv[1]) == "--generate") {
        bench::writeGeneratedDatabase(argv[3], std::stoi(argv[2]));
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: schema_read_once DB | --generate N DB\n");
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
    std::printf("%zu tables\n", tables->size());
    return 0;
}
