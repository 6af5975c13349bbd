#include "schema/DomainClassifier.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace ketterly;

namespace {

// A table with the given columns and `keys` foreign keys (their targets do not matter here).
TableSchema table(const std::string& name, const std::vector<std::string>& columns = {}, int keys = 0) {
    TableSchema t;
    t.id = t.name = name;
    for (const auto& columnName : columns) {
        ColumnSchema column;
        column.id = column.name = columnName;
        t.columns.push_back(column);
    }
    for (int k = 0; k < keys; ++k) {
        const std::string from = "ref" + std::to_string(k);
        t.foreignKeys.push_back({foreignKeyId(name, from, "other", "id"), name, from, "other", "id"});
    }
    return t;
}

} // namespace

TEST(ClassifyTable, FirstApplicableRuleDecides) {
    struct Case {
        std::string label;
        TableSchema table;
        TableColor expected;
    };
    const std::vector<std::string> colourColumns = {"id", "name", "description"};
    const Case cases[] = {
        // Link tables win before any word is looked at.
        {"order_items link table", table("order_items", {"id", "order_id", "product_id", "quantity"}, 2),
         TableColor::yellow},
        {"four other columns is no link",
         table("sale_lines", {"id", "sale_id", "item_id", "qty", "price", "note"}, 2), TableColor::pink},
        {"more keys than columns", table("widgets", {"a"}, 3), TableColor::yellow},
        {"one key is no link", table("widgets", {"a"}, 1), TableColor::green},
        // Link markers in the name.
        {"_has_ marker", table("order_has_tag"), TableColor::yellow},
        {"_to_ marker", table("event_to_venue"), TableColor::yellow},
        {"_x_ marker", table("a_x_b"), TableColor::yellow},
        {"_link marker", table("product_links"), TableColor::yellow},
        {"_map marker", table("id_mapping"), TableColor::yellow},
        {"_rel marker", table("item_relations"), TableColor::yellow},
        // Words, in list order: moment-interval, role, description.
        {"orders", table("orders", {"id", "customer_id", "total", "created_at"}, 1), TableColor::pink},
        {"upper-case name", table("PAYMENTS"), TableColor::pink},
        {"word inside another word", table("catalog"), TableColor::pink},
        {"border holds order", table("border"), TableColor::pink},
        {"moment before role", table("member_sessions"), TableColor::pink},
        {"user_roles", table("user_roles"), TableColor::yellow},
        {"role before description suffix", table("role_type"), TableColor::yellow},
        {"stage holds tag", table("stage"), TableColor::blue},
        {"description word", table("Currencies"), TableColor::blue},
        {"product_kind by suffix", table("product_kind"), TableColor::blue},
        {"kind alone", table("kind"), TableColor::green},
        // Column tests.
        {"colour with three columns", table("colour", colourColumns), TableColor::blue},
        {"colour with five columns", table("colour", {"id", "name", "description", "hex", "rgb"}),
         TableColor::blue},
        {"colour with six columns", table("colour", {"id", "name", "description", "hex", "rgb", "cmyk"}),
         TableColor::green},
        {"colour with a key", table("colour", colourColumns, 1), TableColor::green},
        {"code and desc, any case", table("colour", {"ID", "CODE", "Desc"}), TableColor::blue},
        {"title and key", table("colour", {"title", "key", "description"}), TableColor::blue},
        {"name without description", table("colour", {"id", "name", "note"}), TableColor::green},
        {"readings by date", table("readings", {"id", "sensor_id", "value", "date"}, 1), TableColor::pink},
        {"created inside a column name", table("readings", {"id", "sensor_id", "DateCreated"}, 1),
         TableColor::pink},
        {"at exactly", table("readings", {"sensor_id", "at"}, 1), TableColor::pink},
        {"updated_at is no time column", table("readings", {"sensor_id", "updated_at"}, 1),
         TableColor::green},
        {"time column needs a key", table("readings", {"id", "value", "timestamp"}), TableColor::green},
        {"eight columns", table("readings", {"a", "b", "c", "d", "e", "f", "g", "time"}, 1),
         TableColor::pink},
        {"nine columns", table("readings", {"a", "b", "c", "d", "e", "f", "g", "h", "time"}, 1),
         TableColor::green},
        {"logged inside a column name", table("readings", {"sensor_id", "logged_on"}, 1), TableColor::pink},
        {"empty table", table("widget"), TableColor::green},
        {"unnamed table", table(""), TableColor::green},
    };
    for (const auto& c : cases)
        EXPECT_EQ(classifyTable(c.table), c.expected) << c.label;
}

TEST(MatchesKeywords, SubstringsAndSingularPartsOfPluralWords) {
    struct Case {
        std::string_view name;
        std::vector<std::string_view> words;
        bool expected;
    };
    const Case cases[] = {
        {"items", {"item"}, true},          // substring
        {"big_item_list", {"item"}, true},  // substring in the middle
        {"item", {"items"}, true},          // the singular of a plural word
        {"big_item_list", {"items"}, true}, // ... as one part of the name
        {"__item__", {"items"}, true},      // extra underscores make no empty parts
        {"itemx", {"items"}, false},        // not a plural relation
        {"itemlist", {"items"}, false},     // the singular must be a whole part
        {"item", {"itemss"}, false},        // only one "s"
        {"", {"s"}, false},                 // an empty name has no parts
        {"x", {"a", "b", "xs"}, true},      // any word of the list
        {"x", {}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(matchesKeywords(c.name, c.words), c.expected) << c.name;
}

TEST(ClassifyTables, EachTableIsClassifiedOnItsOwn) {
    const TableSchema orders = table("orders", {"id", "customer_id", "created_at"}, 1);
    const TableSchema colour = table("colour", {"id", "name", "description"});
    const TableSchema widget = table("widget", {"id", "name"});

    const auto alone = classifyTables({colour});
    const auto together = classifyTables({orders, widget, colour});
    ASSERT_EQ(alone.size(), 1u);
    ASSERT_EQ(together.size(), 3u);
    EXPECT_EQ(alone[0].color, TableColor::blue);
    EXPECT_EQ(together[2].color, TableColor::blue);

    // Same order, and nothing but the colour changes.
    EXPECT_EQ(together[0].color, TableColor::pink);
    EXPECT_EQ(together[1].color, TableColor::green);
    TableSchema expectedOrders = orders;
    expectedOrders.color = TableColor::pink;
    EXPECT_EQ(together[0], expectedOrders);

    // A colour set before is replaced, not kept.
    TableSchema stale = widget;
    stale.color = TableColor::pink;
    EXPECT_EQ(classifyTables({stale})[0].color, TableColor::green);
}
