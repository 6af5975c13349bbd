#pragma once

// A slow, literal reading of the crossing count and of the ordering within layers, kept only to
// check that the fast ordering returns exactly the same layers.

#include "layout/LayoutRandom.h"
#include "model/DatabaseSchema.h"

#include <utility>
#include <vector>

namespace ketterly::test {

long long literalCountCrossings(const std::vector<std::vector<int>>& layers, const std::vector<int>& layerOf,
                                const std::vector<std::pair<int, int>>& segments);

std::vector<std::vector<int>> literalOrderLayers(const std::vector<std::vector<int>>& layers,
                                                 const std::vector<TableSchema>& tables,
                                                 LayoutRandom& random);

} // namespace ketterly::test
