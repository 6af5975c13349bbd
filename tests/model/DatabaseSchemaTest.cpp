#include "model/DatabaseSchema.h"

#include "model/LayoutConfiguration.h"

#include <gtest/gtest.h>

using namespace ketterly;

namespace {

ForeignKeyInfo key(const std::string& from, const std::string& column, const std::string& to) {
    return {foreignKeyId(from, column, to, "id"), from, column, to, "id"};
}

TableSchema table(const std::string& name, std::vector<ForeignKeyInfo> keys = {}) {
    TableSchema t;
    t.id = t.name = name;
    t.foreignKeys = std::move(keys);
    return t;
}

} // namespace

TEST(MakeSchema, RelationshipsAreEveryTablesKeysInTableOrder) {
    const auto a = key("orders", "customer_id", "customers");
    const auto b = key("orders", "product_id", "products");
    const auto c = key("payments", "order_id", "orders");
    const auto schema =
        makeSchema({table("customers"), table("orders", {a, b}), table("payments", {c})}, "shop.db");
    EXPECT_EQ(schema.relationships, (std::vector<ForeignKeyInfo>{a, b, c}));
    EXPECT_EQ(schema.fileName, "shop.db");
    EXPECT_EQ(schema.tables.size(), 3u);

    EXPECT_TRUE(makeSchema({table("a"), table("b")}, "x").relationships.empty());
    EXPECT_EQ(a.id, "orders.customer_id->customers.id");
}

TEST(ColumnIcon, FirstMatchingRuleWins) {
    struct Case {
        std::string type;
        bool primaryKey;
        std::string icon;
    };
    const Case cases[] = {
        {"TEXT", true, "key.fill"},
        {"", false, "questionmark.circle"},
        {"datetime", false, "calendar"},
        {"character varying", false, "textformat"},
        {"POINT", false, "number"}, // contains INT before anything else
        {"boolean", false, "checkmark.square"},
        {"bigint", false, "number"},
        {"varchar(40)", false, "textformat"},
        {"DOUBLE PRECISION", false, "function"},
        {"float", false, "function"},
        {"BLOB", false, "doc.fill"},
        {"timestamp", false, "calendar"},
        {"NUMERIC", false, "questionmark.circle"},
    };
    for (const auto& c : cases) {
        ColumnSchema column;
        column.type = c.type;
        column.isPrimaryKey = c.primaryKey;
        EXPECT_EQ(columnIcon(column), c.icon) << c.type;
    }
}

TEST(ReferencingTables, MatchesNamesExactlyAndKeepsListOrder) {
    const std::vector<TableSchema> tables = {
        table("employees", {key("employees", "manager_id", "employees")}),
        table("orders", {key("orders", "customer_id", "customers")}),
        table("notes", {key("notes", "customer_id", "Customers")}),
        table("payments", {key("payments", "customer_id", "customers")}),
    };
    const auto found = referencingTables("customers", tables);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].name, "orders");
    EXPECT_EQ(found[1].name, "payments");
    EXPECT_EQ(referencingTables("employees", tables).size(), 1u); // a self reference counts
    EXPECT_TRUE(referencingTables("products", tables).empty());
}

TEST(EnumerationTexts, RoundTripExactlyAndRejectEverythingElse) {
    for (auto action : allForeignKeyActions)
        EXPECT_EQ(fromText<ForeignKeyAction>(toText(action)), action);
    for (auto color : allTableColors)
        EXPECT_EQ(fromText<TableColor>(toText(color)), color);
    for (auto mode : allViewModes)
        EXPECT_EQ(fromText<ViewMode>(toText(mode)), mode);
    for (auto direction : allLayoutDirections)
        EXPECT_EQ(fromText<LayoutDirection>(toText(direction)), direction);

    EXPECT_EQ(toText(ForeignKeyAction::setDefault), "SET DEFAULT");
    EXPECT_EQ(toText(ViewMode::data), "Data");
    EXPECT_EQ(toText(LayoutDirection::leftToRight), "Left to Right");
    EXPECT_EQ(fromText<ForeignKeyAction>("no action"), std::nullopt);
    EXPECT_EQ(fromText<TableColor>("Pink"), std::nullopt);
    EXPECT_EQ(fromText<ViewMode>("erd"), std::nullopt);
    EXPECT_EQ(fromText<LayoutDirection>("topToBottom"), std::nullopt);
}

TEST(DomainColours, LightAndDarkValues) {
    EXPECT_EQ(fillColor(TableColor::pink, Appearance::light), (Rgba{0.973, 0.733, 0.851, 1}));
    EXPECT_EQ(fillColor(TableColor::blue, Appearance::dark), (Rgba{0.098, 0.463, 0.824, 1}));
    EXPECT_EQ(headerColor(TableColor::yellow, Appearance::dark), (Rgba{0.780, 0.527, 0.116, 1}));
    EXPECT_EQ(headerColor(TableColor::green, Appearance::light), (Rgba{0.455, 0.714, 0.463, 1}));
}

TEST(Records, EqualityCoversEveryField) {
    TableSchema a = table("t");
    TableSchema b = a;
    EXPECT_EQ(a, b);
    b.position.x = 1;
    EXPECT_NE(a, b);
    b = a;
    b.color = TableColor::pink;
    EXPECT_NE(a, b);
    EXPECT_EQ(LayoutConfiguration{}, (LayoutConfiguration{LayoutDirection::topToBottom, 180, 60, 8}));
}
