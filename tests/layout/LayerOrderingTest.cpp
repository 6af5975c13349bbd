#include "layout/LayerOrdering.h"

#include "layout/CrossingCount.h"
#include "layout/DiagramLayout.h"
#include "layout/LayerAssignment.h"
#include "layout/LiteralOrdering.h"
#include "support/TestSchema.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using namespace ketterly;

namespace {

// Random schemas with what real ones have and more: chains, cycles, self references, parallel
// keys, keys that skip layers or run within one, missing targets, names equal ignoring case.
std::vector<TableSchema> randomSchema(std::mt19937& rng, int tableCount) {
    std::vector<std::string> names;
    for (int i = 0; i < tableCount; ++i) {
        std::string name = std::to_string(i);
        name.insert(0, 1, 't');
        if (i > 0 && rng() % 12 == 0)
            name = names[rng() % names.size()];
        if (rng() % 5 == 0)
            for (auto& c : name)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        names.push_back(name);
    }
    std::vector<TableSchema> tables;
    for (int i = 0; i < tableCount; ++i) {
        std::vector<std::string> references;
        const int keys = static_cast<int>(rng() % 4);
        for (int k = 0; k < keys; ++k) {
            const unsigned roll = rng() % 20;
            if (roll == 0)
                references.push_back("missing");
            else if (roll == 1)
                references.push_back(names[std::size_t(i)]); // self
            else if (roll < 6 && !references.empty())
                references.push_back(references.back()); // parallel
            else if (roll < 10)
                references.push_back(names[rng() % names.size()]); // anywhere: cycles and back keys
            else
                references.push_back(
                    names[std::min(names.size() - 1, std::size_t(i) + 1 + rng() % 6)]); // forward
        }
        tables.push_back(
            test::tableWithKeys(names[std::size_t(i)], references, 1 + static_cast<int>(rng() % 5)));
    }
    return tables;
}

} // namespace

TEST(CrossingCount, EqualsTheLiteralPairwiseCountOnRandomLayerings) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 200; ++round) {
        const auto tables = randomSchema(rng, 2 + static_cast<int>(rng() % 40));
        const auto index = buildNameIndex(tables);
        Layering layering = buildLayering(assignLayers(tables, index), tables, index);
        for (auto& layer : layering.layers)
            std::shuffle(layer.begin(), layer.end(), rng);
        ASSERT_EQ(countCrossings(layering),
                  test::literalCountCrossings(layering.layers, layering.layerOf, layering.segments))
            << "round " << round;
    }
}

TEST(CrossingCount, CountsOppositeOrdersOnlyAndNeverTies) {
    Layering layering;
    layering.tableCount = 4;
    layering.layers = {{0, 1}, {2, 3}};
    layering.layerOf = {0, 0, 1, 1};
    layering.segments = {{0, 3}, {1, 2}}; // an X
    EXPECT_EQ(countCrossings(layering), 1);
    layering.segments = {{0, 3}, {1, 2}, {1, 2}}; // a parallel pair crosses twice
    EXPECT_EQ(countCrossings(layering), 2);
    layering.segments = {{0, 2}, {1, 3}, {0, 3}}; // segments sharing an end never cross
    EXPECT_EQ(countCrossings(layering), 0);
    layering.segments = {{0, 2}, {0, 2}};
    EXPECT_EQ(countCrossings(layering), 0);
}

// The fast ordering must give exactly the layers of the literal procedure for the same random
// sequence: same layers, same orders. Its search structures are also run at tiny sizes, so that
// these small schemas walk blocks, superblocks and growing superblocks as large layers do.
TEST(OrderLayers, MatchesTheLiteralProcedureOnRandomSchemas) {
    const OrderingSearch searches[] = {{}, {2, 3, 2, 1 << 20}, {1, 2, 8, 16}};
    std::mt19937 rng(7);
    int compared = 0;
    for (int round = 0; round < 100; ++round) {
        // Mostly small schemas, where the literal procedure is quick, and a few of about sixty.
        const int size =
            round % 5 == 4 ? 45 + static_cast<int>(rng() % 16) : 3 + static_cast<int>(rng() % 30);
        const auto tables = randomSchema(rng, size);
        const auto index = buildNameIndex(tables);
        const auto layers = assignLayers(tables, index);
        for (std::uint64_t seed : {1u, 99u, 12345u}) {
            LayoutRandom literal(seed);
            const auto expected = test::literalOrderLayers(layers, tables, literal);
            for (std::size_t search = 0; search < std::size(searches); ++search) {
                LayoutRandom fast(seed);
                ASSERT_EQ(orderLayers(layers, tables, index, fast, searches[search]), expected)
                    << "round " << round << " seed " << seed << " search " << search;
                ++compared;
            }
        }
    }
    EXPECT_EQ(compared, 900);
}
