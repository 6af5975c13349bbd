#include "schema/SchemaPreparation.h"

namespace ketterly {

std::vector<TableSchema> prepareTables(std::vector<TableSchema> tables, const LayoutConfiguration& configuration) {
    // Inference, domain colours and the layered layout join here as they are built; until then the
    // tables pass through as the file declares them.
    (void)configuration;
    return tables;
}

} // namespace ketterly
