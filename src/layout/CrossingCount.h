#pragma once

// Layers with the dummy nodes of long keys inserted, the segments joining them, and the count of
// segment crossings of a whole layering.

#include <utility>
#include <vector>

namespace ketterly {

struct Layering {
    int tableCount = 0;                        // node ids below this are tables, the rest dummies
    std::vector<std::vector<int>> layers;      // node ids in order, per layer
    std::vector<int> layerOf;                  // per node id
    std::vector<std::pair<int, int>> segments; // (from, to), from the referencing side
};

// Counts, per pair of layers (and within a layer), every two segments whose ends lie in opposite
// orders; equal positions never cross. An accumulator tree keeps it at O(S log S).
long long countCrossings(const Layering& layering);

// The index of every node in its layer, for the current orders.
std::vector<int> positionsInLayers(const Layering& layering);

} // namespace ketterly
