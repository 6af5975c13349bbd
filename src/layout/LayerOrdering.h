#pragma once

// Orders the tables within their layers to reduce crossings: barycentre and median sweeps, local
// moves and two restarts from shuffled orders.

#include "layout/CrossingCount.h"
#include "layout/LayoutRandom.h"
#include "model/DatabaseSchema.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace ketterly {

// The layering with a dummy node in every layer that a key passes over, appended to that layer.
Layering buildLayering(const std::vector<std::vector<int>>& layers, const std::vector<TableSchema>& tables,
                       const std::unordered_map<std::string, int>& nameIndex);

// How the local moves look for a node's best place in a large layer: nodes per block, blocks per
// superblock at least, superblocks per layer about, and the most entries a layer's prefix counts
// may take per side (superblocks grow to keep within it). The orders never depend on these; the defaults suit
// layers of thousands.
struct OrderingSearch {
    int blockSize = 16;
    int blocksPerSuperblock = 4;  // at least
    int superblocksPerLayer = 16; // about, for wide layers
    long long maximumPrefixCounts = 1 << 20;
};

// The layers reordered (tables only, empty layers dropped). Fewer than two layers are returned
// as they are.
std::vector<std::vector<int>> orderLayers(const std::vector<std::vector<int>>& layers,
                                          const std::vector<TableSchema>& tables,
                                          const std::unordered_map<std::string, int>& nameIndex,
                                          LayoutRandom& random, const OrderingSearch& search = {});

// Removes the dummy nodes and drops layers left empty.
std::vector<std::vector<int>> withoutDummies(const Layering& layering);

} // namespace ketterly
