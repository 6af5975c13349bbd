#pragma once

#include "model/DatabaseSchema.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace ketterly {

// Lower-cased table name -> table index; of names equal ignoring case, the first table wins.
std::unordered_map<std::string, int> buildNameIndex(const std::vector<TableSchema>& tables);

// The index of the table a key points at, or -1 when it is not in the list.
int resolveTable(const std::unordered_map<std::string, int>& nameIndex, const std::string& name);

// Layers along the foreign keys: a referencing table lies in an earlier layer than the table it
// references; tables on or behind a cycle get layers of their own after all others. Each layer
// lists its tables in index order; empty layers are dropped.
std::vector<std::vector<int>> assignLayers(const std::vector<TableSchema>& tables,
                                           const std::unordered_map<std::string, int>& nameIndex);

} // namespace ketterly
