#pragma once

// Schemas shaped like the ones applications grow, for the layout benchmarks: many small lookup
// tables (statuses, types, countries...) that most tables point at, a few hubs (customers,
// products...) that whole families of tables reference, long chains of detail tables each
// referencing the next (a -> b -> c -> ...), and some cycles: self references, mutual references
// and a few three-table rings. Every table has 2 to 12 columns. The result depends on
// the seed alone: the engine's sequence is fixed by the C++ standard and no standard
// distribution (whose results vary between libraries) is used.
//
// Foreign-key columns are named "<referenced table>_id" and no other column names a table, so
// the same schema with its keys removed infers exactly the keys it declared.

#include "model/DatabaseSchema.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ketterly::bench {

struct SchemaSize {
    int tables = 0;
    int keys = 0;
};

// The sizes the layout benchmarks run at: keys are one and a half times the tables.
inline constexpr SchemaSize benchmarkSizes[] = {{100, 150}, {300, 450}, {1000, 1500}, {3000, 4500}};

namespace detail {

inline constexpr std::string_view lookupWords[] = {
    "statuses",      "order_types",      "countries", "currencies", "languages",      "categories",
    "priorities",    "payment_methods",  "units",     "regions",    "document_types", "account_types",
    "tax_rates",     "shipping_methods", "channels",  "severities", "industries",     "time_zones",
    "address_types", "contact_types",
};

inline constexpr std::string_view hubWords[] = {
    "customers", "products", "accounts", "users", "organisations", "projects", "stores", "suppliers",
};

inline constexpr std::string_view chainWords[] = {
    "orders",      "order_lines", "shipments", "shipment_parcels", "invoices",        "invoice_items",
    "payments",    "refunds",     "contracts", "contract_terms",   "tickets",         "ticket_comments",
    "attachments", "deliveries",  "batches",   "receipts",         "journal_entries", "ledger_postings",
};

inline constexpr std::string_view spreadWords[] = {
    "customer_notes", "product_reviews", "user_sessions", "audit_logs",    "wishlists",
    "addresses",      "contacts",        "favourites",    "reports",       "messages",
    "notifications",  "price_lists",     "stock_levels",  "subscriptions", "visits",
};

// Plain columns; none of them is a table name or one of its variants.
inline constexpr std::string_view columnWords[] = {
    "name",
    "description",
    "code",
    "created_at",
    "updated_at",
    "deleted_at",
    "amount",
    "quantity",
    "unit_price",
    "email",
    "phone",
    "note",
    "sort_order",
    "is_active",
    "valid_from",
    "valid_until",
    "reference_number",
    "comment_text",
    "weight_grams",
    "colour",
    "homepage_url",
    "total",
    "currency_code",
    "starts_at",
    "ends_at",
    "external_reference_number",
    "display_label",
    "row_version",
};

enum class Role { lookup, hub, chain, spread };

class Generator {
  public:
    Generator(SchemaSize size, std::uint64_t seed) : size_(size), engine_(seed) {}

    std::vector<TableSchema> run() {
        const int n = size_.tables;
        if (n < 20 || size_.keys < n)
            throw std::invalid_argument("generated schemas need at least 20 tables and as many keys");
        const int lookups = std::max(6, n * 12 / 100);
        const int hubs = std::max(3, n * 3 / 100);
        const int chained = n * 35 / 100;
        firstHub_ = lookups;
        firstChained_ = lookups + hubs;
        firstSpread_ = firstChained_ + chained;
        targets_.assign(static_cast<std::size_t>(n), {});

        // Lookups of lookups (states -> countries): short acyclic chains among them.
        for (int i = 3; i < lookups; i += 4)
            addKey(i, static_cast<int>(below(static_cast<std::uint64_t>(i))));
        // Hubs carry a type or a status, some both.
        for (int h = firstHub_; h < firstChained_; ++h)
            for (int k = 0, count = 1 + static_cast<int>(below(2)); k < count; ++k)
                addKey(h, popularLookup());
        // Chains of 3 to 12 detail tables, each pointing at the next; the last points at a hub.
        for (int start = firstChained_; start < firstSpread_;) {
            const int end = std::min(firstSpread_, start + 3 + static_cast<int>(below(10)));
            for (int t = start; t + 1 < end; ++t)
                addKey(t, t + 1);
            addKey(end - 1, popularHub());
            start = end;
        }
        // Families of tables around the same few hubs: the wide layers.
        for (int t = firstSpread_; t < n; ++t)
            addKey(t, popularHub());
        // Cycles: self references (parent_id), mutual references and three-table rings.
        for (int k = 0; k < n * 2 / 100; ++k) {
            const int t = anyNonLookup();
            addKey(t, t);
        }
        for (int k = 0; k < n / 100; ++k) {
            const int a = anyNonLookup(), b = anyNonLookup();
            if (a != b && canAdd(a, b) && canAdd(b, a)) {
                addKey(a, b);
                addKey(b, a);
            }
        }
        for (int k = 0; k < n / 300 + 1; ++k) {
            const int a = anyNonLookup(), b = anyNonLookup(), c = anyNonLookup();
            if (a != b && b != c && a != c && canAdd(a, b) && canAdd(b, c) && canAdd(c, a)) {
                addKey(a, b);
                addKey(b, c);
                addKey(c, a);
            }
        }
        // The rest: mostly lookups, some hubs, some references across families.
        for (long attempt = 0; keys_ < size_.keys && attempt < 100L * size_.keys; ++attempt) {
            const int from = anyNonLookup();
            const std::uint64_t kind = below(10);
            const int to = kind < 6 ? popularLookup() : kind < 8 ? popularHub() : anyNonLookup();
            if (to != from)
                addKey(from, to);
        }
        if (keys_ != size_.keys)
            throw std::logic_error("the generator could not place every key");
        return build();
    }

  private:
    std::uint64_t below(std::uint64_t bound) { return engine_() % bound; }

    Role roleOf(int t) const {
        return t < firstHub_       ? Role::lookup
               : t < firstChained_ ? Role::hub
               : t < firstSpread_  ? Role::chain
                                   : Role::spread;
    }

    // Low indices far more often than high ones, as a few lookups (status, country) are everywhere.
    int popularLookup() {
        const auto bound = static_cast<std::uint64_t>(firstHub_);
        return static_cast<int>(below(below(bound) + 1));
    }

    // Mostly the first four hubs, so that many tables share a layer above them.
    int popularHub() {
        const int hubs = firstChained_ - firstHub_;
        const int pool = below(10) < 7 ? std::min(hubs, 4) : hubs;
        return firstHub_ + static_cast<int>(below(static_cast<std::uint64_t>(pool)));
    }

    int anyNonLookup() {
        return firstHub_ + static_cast<int>(below(static_cast<std::uint64_t>(size_.tables - firstHub_)));
    }

    bool canAdd(int from, int to) const {
        const auto& list = targets_[static_cast<std::size_t>(from)];
        return keys_ < size_.keys && list.size() < 11 &&
               std::find(list.begin(), list.end(), to) == list.end();
    }

    void addKey(int from, int to) {
        if (!canAdd(from, to))
            return;
        targets_[static_cast<std::size_t>(from)].push_back(to);
        ++keys_;
    }

    std::string nameFor(Role role, int t) {
        auto pick = [&](const auto& words) { return std::string(words[below(std::size(words))]); };
        std::string base;
        switch (role) {
        case Role::lookup:
            base = std::string(lookupWords[static_cast<std::size_t>(t) % std::size(lookupWords)]);
            break;
        case Role::hub:
            base = std::string(hubWords[static_cast<std::size_t>(t - firstHub_) % std::size(hubWords)]);
            break;
        case Role::chain:
            base = pick(chainWords);
            break;
        case Role::spread:
            base = pick(spreadWords);
            break;
        }
        const int seen = used_[base]++;
        return seen == 0 ? base : base + "_" + std::to_string(seen + 1);
    }

    static ColumnSchema column(std::string name, std::string type) {
        ColumnSchema c;
        c.id = name;
        c.name = std::move(name);
        c.type = std::move(type);
        return c;
    }

    std::vector<TableSchema> build() {
        const int n = size_.tables;
        std::vector<std::string> names;
        names.reserve(static_cast<std::size_t>(n));
        for (int t = 0; t < n; ++t)
            names.push_back(nameFor(roleOf(t), t));

        std::vector<TableSchema> tables(static_cast<std::size_t>(n));
        for (int t = 0; t < n; ++t) {
            TableSchema& table = tables[static_cast<std::size_t>(t)];
            const auto& targets = targets_[static_cast<std::size_t>(t)];
            table.name = names[static_cast<std::size_t>(t)];
            table.id = table.name;
            ColumnSchema id = column("id", "INTEGER");
            id.isPrimaryKey = true;
            id.isNotNull = true;
            id.primaryKeyIndex = 0;
            table.columns.push_back(std::move(id));
            table.primaryKeyColumns = {"id"};
            for (int target : targets) {
                const std::string& to = names[static_cast<std::size_t>(target)];
                ForeignKeyInfo key;
                key.fromTable = table.name;
                key.fromColumn = to + "_id";
                key.toTable = to;
                key.toColumn = "id";
                key.id = foreignKeyId(key.fromTable, key.fromColumn, key.toTable, key.toColumn);
                table.columns.push_back(column(key.fromColumn, "INTEGER"));
                table.foreignKeys.push_back(std::move(key));
            }
            // 2 to 12 columns in all; a plain column appears at most once.
            const std::size_t wanted = std::max<std::size_t>(2 + below(11), table.columns.size());
            std::vector<std::string_view> plain(std::begin(columnWords), std::end(columnWords));
            shuffle(plain);
            for (std::size_t k = 0; table.columns.size() < wanted; ++k)
                table.columns.push_back(column(std::string(plain[k]), k % 3 == 0 ? "INTEGER" : "TEXT"));
        }
        // Files list their tables in no order that follows the keys.
        shuffle(tables);
        return tables;
    }

    template <typename T> void shuffle(std::vector<T>& values) {
        for (std::size_t i = values.size(); i > 1; --i)
            std::swap(values[i - 1], values[below(i)]);
    }

    SchemaSize size_;
    std::mt19937_64 engine_;
    int firstHub_ = 0, firstChained_ = 0, firstSpread_ = 0;
    int keys_ = 0;
    std::vector<std::vector<int>> targets_;
    std::map<std::string, int> used_;
};

} // namespace detail

// A schema of exactly `size.tables` tables and `size.keys` declared foreign keys.
inline std::vector<TableSchema> generateSchema(SchemaSize size, std::uint64_t seed) {
    return detail::Generator(size, seed).run();
}

// The same tables without any declared key, for the path that infers keys from column names.
inline std::vector<TableSchema> withoutDeclaredKeys(std::vector<TableSchema> tables) {
    for (auto& table : tables)
        table.foreignKeys.clear();
    return tables;
}

inline int keyCount(const std::vector<TableSchema>& tables) {
    std::size_t count = 0;
    for (const auto& table : tables)
        count += table.foreignKeys.size();
    return static_cast<int>(count);
}

} // namespace ketterly::bench
