#include "schema/SchemaPreparation.h"

#include "layout/DiagramLayout.h"
#include "schema/DomainClassifier.h"
#include "schema/RelationshipInferrer.h"

#include <algorithm>

namespace ketterly {

std::vector<TableSchema> prepareTables(std::vector<TableSchema> tables,
                                       const LayoutConfiguration& configuration, LayoutRandom& random) {
    // Inferred keys never mix with declared ones: one declared key anywhere turns inference off.
    const bool declaresNoKey =
        std::all_of(tables.begin(), tables.end(), [](const TableSchema& t) { return t.foreignKeys.empty(); });
    if (declaresNoKey)
        tables = inferRelationships(std::move(tables));
    // Colours come after inference, so the rules that count keys see the inferred ones.
    tables = classifyTables(std::move(tables));
    return layoutTables(std::move(tables), configuration.direction, configuration.layerSeparation,
                        configuration.nodeSeparation, random);
}

} // namespace ketterly
