#include "schema/RelationshipInferrer.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

using namespace ketterly;

namespace {

struct Column {
    std::string name;
    std::string type = "INTEGER";
    bool primaryKey = false;
};

TableSchema table(const std::string& name, const std::vector<Column>& columns = {}) {
    TableSchema t;
    t.id = t.name = name;
    for (const auto& c : columns) {
        ColumnSchema column;
        column.id = column.name = c.name;
        column.type = c.type;
        column.isPrimaryKey = c.primaryKey;
        if (c.primaryKey) {
            column.primaryKeyIndex = static_cast<int>(t.primaryKeyColumns.size());
            t.primaryKeyColumns.push_back(c.name);
        }
        t.columns.push_back(column);
    }
    return t;
}

const Column id{"id", "INTEGER", true};
const Column zpk{"Z_PK", "INTEGER", true};

std::string describe(const ForeignKeyInfo& key) {
    return key.fromTable + "." + key.fromColumn + "->" + key.toTable + "." + key.toColumn;
}

// Every key of every table, in table and column order; checks what each key must hold besides.
std::vector<std::string> inferredKeys(const std::vector<TableSchema>& tables) {
    std::vector<std::string> keys;
    for (const auto& t : tables) {
        for (const auto& key : t.foreignKeys) {
            EXPECT_EQ(key.fromTable, t.name);
            EXPECT_EQ(key.id, describe(key));
            EXPECT_EQ(key.onDelete, ForeignKeyAction::noAction);
            EXPECT_EQ(key.onUpdate, ForeignKeyAction::noAction);
            keys.push_back(describe(key));
        }
    }
    return keys;
}

} // namespace

TEST(BuildNameLookup, RegistersSingularAndUnprefixedVariants) {
    struct Case {
        std::string label;
        std::vector<std::string> tables;
        NameLookup expected;
    };
    const Case cases[] = {
        // Only an "es" ending loses two letters: customers gives no "custome".
        {"plural in s", {"customers"}, {{"customers", "customers"}, {"customer", "customers"}}},
        {"plural in es",
         {"addresses"},
         {{"addresses", "addresses"}, {"addresse", "addresses"}, {"address", "addresses"}}},
        {"plural in ies",
         {"categories"},
         {{"categories", "categories"},
          {"categorie", "categories"},
          {"categori", "categories"},
          {"category", "categories"}}},
        {"z prefix", {"ZPERSON"}, {{"zperson", "ZPERSON"}, {"person", "ZPERSON"}}},
        {"z prefix and plural",
         {"Zones"},
         {{"zones", "Zones"}, {"zone", "Zones"}, {"zon", "Zones"}, {"ones", "Zones"}, {"one", "Zones"}}},
        {"non-ASCII letters stay", {"ÉTATS"}, {{"États", "ÉTATS"}, {"État", "ÉTATS"}}},
        // Names no longer than the ending they would lose keep only themselves.
        {"s alone", {"s"}, {{"s", "s"}}},
        {"es alone", {"es"}, {{"es", "es"}, {"e", "es"}}},
        {"ies alone", {"ies"}, {{"ies", "ies"}, {"ie", "ies"}, {"i", "ies"}}},
        {"z alone", {"z"}, {{"z", "z"}}},
        // The plural of the unprefixed name has no such limit.
        {"zs", {"zs"}, {{"zs", "zs"}, {"z", "zs"}, {"s", "zs"}, {"", "zs"}}},
        {"later table wins",
         {"address", "addresses"},
         {{"addresses", "addresses"},
          {"addresse", "addresses"},
          {"address", "addresses"},
          {"addres", "address"}}},
        {"later table wins, reversed",
         {"addresses", "address"},
         {{"addresses", "addresses"},
          {"addresse", "addresses"},
          {"address", "address"},
          {"addres", "address"}}},
        {"no tables", {}, {}},
    };
    for (const auto& c : cases) {
        std::vector<TableSchema> tables;
        for (const auto& name : c.tables)
            tables.push_back(table(name));
        EXPECT_EQ(buildNameLookup(tables), c.expected) << c.label;
    }
}

TEST(TargetFromIdSuffix, StripsIdAfterAnUnderscoreOrALetter) {
    const NameLookup lookup = {
        {"customer", "customers"}, {"x9", "X9"}, {"a", "A"}, {"é", "É"}, {"", "Unnamed"}};
    struct Case {
        std::string_view column;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"customer_id", "customers"},
        {"customerid", "customers"},
        {"aid", "A"},
        {"x9_id", "X9"},
        {"x9id", std::nullopt}, // a digit before "id"
        {"éid", std::nullopt},  // only ASCII letters count
        {"é_id", "É"},
        {"_id", "Unnamed"},   // the empty base is looked up like any other
        {"id", std::nullopt}, // too short to have a base
        {"customer_ids", std::nullopt},
        {"customerpk", std::nullopt},
        {"order_id", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(targetFromIdSuffix(c.column, lookup), c.expected) << c.column;
}

TEST(InferRelationships, ResolvesColumnsByTheFirstRuleThatFindsATable) {
    struct Case {
        std::string label;
        std::vector<TableSchema> tables;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"customer_id through the singular",
         {table("customers", {id, {"name", "TEXT"}}), table("orders", {id, {"customer_id"}})},
         {"orders.customer_id->customers.id"}},
        {"customerId without a customer table",
         {table("person", {id}), table("order", {id, {"customerId"}})},
         {}},
        {"customerId, names kept as written",
         {table("Customers", {id}), table("Orders", {{"ID", "INTEGER", true}, {"CustomerId", "TEXT"}})},
         {"Orders.CustomerId->Customers.id"}},
        {"column named like a Z table",
         {table("ZPERSON", {zpk, {"ZNAME", "VARCHAR"}}), table("ZADDRESS", {zpk, {"ZPERSON"}})},
         {"ZADDRESS.ZPERSON->ZPERSON.Z_PK"}},
        {"column named like a table",
         {table("customers", {id}), table("orders", {id, {"customer", "TEXT"}})},
         {"orders.customer->customers.id"}},
        {"ZOWNER without an owner table", {table("ZPERSON", {zpk, {"ZOWNER"}})}, {}},
        {"Z prefix stripped from the column",
         {table("owners", {id}), table("ZCAR", {zpk, {"ZOWNER", "TEXT"}})},
         {"ZCAR.ZOWNER->owners.id"}},
        {"integer column with _key",
         {table("categories", {id}), table("products", {id, {"category_key", "INTEGER"}})},
         {"products.category_key->categories.id"}},
        {"text column with _key",
         {table("categories", {id}), table("products", {id, {"category_key", "TEXT"}})},
         {}},
        {"any type containing int",
         {table("owners", {id}), table("cars", {id, {"ownerpk", "unsigned big int"}})},
         {"cars.ownerpk->owners.id"}},
        {"suffixes tried in order",
         {table("owners", {id}), table("owner_", {id}), table("cars", {id, {"owner_pk"}})},
         {"cars.owner_pk->owners.id"}},
        {"_ref to a Z table",
         {table("ZPERSON", {zpk}), table("ZNOTE", {zpk, {"ZPERSON_REF"}})},
         {"ZNOTE.ZPERSON_REF->ZPERSON.Z_PK"}},
        {"id ending always targets id",
         {table("ZPERSON", {zpk}), table("notes", {id, {"zperson_id", "TEXT"}})},
         {"notes.zperson_id->ZPERSON.id"}},
        {"digit before id, text",
         {table("item2", {id}), table("parts", {id, {"item2id", "TEXT"}, {"item2_id", "TEXT"}})},
         {"parts.item2_id->item2.id"}},
        {"digit before id, integer",
         {table("item2", {id}), table("parts", {id, {"item2id"}})},
         {"parts.item2id->item2.id"}},
        {"primary-key parent_id",
         {table("parents", {id}), table("children", {{"parent_id", "INTEGER", true}})},
         {}},
        {"id and _id",
         {table("s"), table("es"), table("ies"), table("z"), table("things", {{"id"}, {"_id"}})},
         {}},
        {"self references, not deduplicated, in column order",
         {table("nodes", {id, {"nodes", "TEXT"}, {"node_id"}, {"label", "TEXT"}, {"nodeid"}})},
         {"nodes.nodes->nodes.id", "nodes.node_id->nodes.id", "nodes.nodeid->nodes.id"}},
        {"no tables", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto result = inferRelationships(c.tables);
        ASSERT_EQ(result.size(), c.tables.size());
        for (std::size_t i = 0; i < result.size(); ++i) {
            TableSchema withoutKeys = result[i];
            withoutKeys.foreignKeys.clear();
            EXPECT_EQ(withoutKeys, c.tables[i]); // only keys are added
        }
        EXPECT_EQ(inferredKeys(result), c.expected);
    }
}

TEST(InferRelationships, TablesWithDeclaredKeysAreReturnedUnchanged) {
    TableSchema orders = table("orders", {id, {"customer_id"}, {"product_id"}});
    orders.foreignKeys.push_back({"orders.product_id->products.id", "orders", "product_id", "products", "id",
                                  ForeignKeyAction::cascade, ForeignKeyAction::setNull});
    const std::vector<TableSchema> tables = {table("customers", {id}), table("products", {id}), orders,
                                             table("payments", {id, {"order_id"}})};

    const auto result = inferRelationships(tables);
    ASSERT_EQ(result.size(), 4u);
    EXPECT_EQ(result[2], orders); // customer_id would resolve, but the declared key stands alone
    EXPECT_EQ(inferredKeys({result[3]}), (std::vector<std::string>{"payments.order_id->orders.id"}));
}
