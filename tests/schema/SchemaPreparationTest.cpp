#include "schema/SchemaLoader.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace ketterly;
using ketterly::test::TempDir;

namespace {

DatabaseSchema loadFile(const TempDir& dir, const std::string& sql) {
    const std::string path = dir.file("prepared.db");
    test::runSql(path, sql);
    auto schema = SchemaLoader(path, LayoutConfiguration{}, 5).loadSchema();
    EXPECT_TRUE(schema) << schema.error().description();
    return schema ? schema.value() : DatabaseSchema{};
}

std::vector<std::string> relationshipIds(const DatabaseSchema& schema) {
    std::vector<std::string> ids;
    for (const auto& key : schema.relationships)
        ids.push_back(key.id);
    return ids;
}

} // namespace

TEST(PrepareTables, InfersKeysOnlyWhenTheFileDeclaresNone) {
    TempDir dir;
    const auto inferred = loadFile(dir, "CREATE TABLE customers(id INTEGER PRIMARY KEY, name TEXT);"
                                        "CREATE TABLE products(id INTEGER PRIMARY KEY, title TEXT);"
                                        "CREATE TABLE wishes(customer_id INTEGER, product_id INTEGER);");
    EXPECT_EQ(relationshipIds(inferred), (std::vector<std::string>{"wishes.customer_id->customers.id",
                                                                   "wishes.product_id->products.id"}));
    // The colours see the inferred keys: two keys and no other column make a link table.
    EXPECT_EQ(inferred.tables[2].color, TableColor::yellow);
    // And the layout does: the link table sits above the tables it references.
    EXPECT_LT(inferred.tables[2].position.y, inferred.tables[0].position.y);

    TempDir other;
    const auto declared = loadFile(other, "CREATE TABLE customers(id INTEGER PRIMARY KEY, name TEXT);"
                                          "CREATE TABLE notes(customer_id INTEGER);"
                                          "CREATE TABLE orders(id INTEGER PRIMARY KEY,"
                                          "  buyer INTEGER REFERENCES customers(id));");
    EXPECT_EQ(relationshipIds(declared), (std::vector<std::string>{"orders.buyer->customers.id"}));
}

TEST(PrepareTables, EveryTableGetsAColourAndAPosition) {
    TempDir dir;
    const auto schema = loadFile(dir, "CREATE TABLE orders(id INTEGER PRIMARY KEY, customer_id INT REFERENCES"
                                      "  customers(id), created_at DATETIME);"
                                      "CREATE TABLE customers(id INTEGER PRIMARY KEY, name TEXT);"
                                      "CREATE TABLE statuses(code TEXT PRIMARY KEY, description TEXT);");
    ASSERT_EQ(schema.tables.size(), 3u);
    EXPECT_EQ(schema.tables[0].color, TableColor::green); // customers
    EXPECT_EQ(schema.tables[1].color, TableColor::pink);  // orders
    EXPECT_EQ(schema.tables[2].color, TableColor::blue);  // statuses
    EXPECT_EQ(schema.tables[1].position, (Point{100, 100}));
    EXPECT_EQ(schema.tables[2].position, (Point{348, 100}));
    EXPECT_EQ(schema.tables[0].position, (Point{224, 100 - 57 + 114 + 180 + 46}));

    TempDir empty;
    EXPECT_TRUE(loadFile(empty, "PRAGMA user_version = 1;").tables.empty());
}
