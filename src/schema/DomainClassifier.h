#pragma once

// Gives each table one of the four domain colours from its name, its column names and its counts of
// columns and keys. Never reads data; the result depends on the table alone.

#include "model/DatabaseSchema.h"

#include <iterator>
#include <span>
#include <string_view>
#include <vector>

namespace ketterly {

// Things that happen at a time.
inline constexpr std::string_view momentIntervalWords[] = {
    "order",     "orders",       "sale",          "sales",       "rental",       "rentals",  "booking",
    "bookings",  "reservation",  "reservations",  "transaction", "transactions", "payment",  "payments",
    "invoice",   "invoices",     "shipment",      "shipments",   "event",        "events",   "log",
    "logs",      "audit",        "session",       "sessions",    "visit",        "visits",   "purchase",
    "purchases", "subscription", "subscriptions", "appointment", "appointments", "schedule", "schedules",
    "history",   "activity",     "activities",    "record",      "records",      "entry",    "entries",
    "transfer",  "transfers",
};

// Roles a party plays.
inline constexpr std::string_view roleWords[] = {
    "role",        "roles",        "member",        "members",     "membership",
    "participant", "participants", "assignment",    "assignments", "enrollment",
    "enrollments", "registration", "registrations", "permission",  "permissions",
    "access",      "privilege",    "employee",      "employees",   "manager",
    "managers",    "admin",        "admins",        "user_role",   "team_member",
};

// Types, categories, statuses and other lookups.
inline constexpr std::string_view descriptionWords[] = {
    "type",           "types",           "category",      "categories",     "status",  "statuses",
    "state",          "states",          "lookup",        "lookups",        "enum",    "enums",
    "config",         "configs",         "configuration", "configurations", "setting", "settings",
    "option",         "options",         "tag",           "tags",           "label",   "labels",
    "classification", "classifications", "currency",      "currencies",     "country", "countries",
    "language",       "languages",       "locale",        "locales",        "unit",    "units",
    "metric",         "metrics",         "priority",      "priorities",     "level",   "levels",
};

// A miscounted list would silently change colours, so hold the counts fixed.
static_assert(std::size(momentIntervalWords) == 44);
static_assert(std::size(roleWords) == 25);
static_assert(std::size(descriptionWords) == 42);

// The same tables in the same order, each with its colour set.
std::vector<TableSchema> classifyTables(std::vector<TableSchema> tables);

// The first rule that applies decides; green when none does.
TableColor classifyTable(const TableSchema& table);

// True when a word occurs anywhere in `lowerName`, or when an underscore-separated part of it is a
// word, a word plus "s", or a word minus its trailing "s".
bool matchesKeywords(std::string_view lowerName, std::span<const std::string_view> words);

// A small table with at least one key and a column that looks like a time stamp.
bool looksLikeMomentInterval(const TableSchema& table);

// A small table without keys that has a name-like and a description column.
bool looksLikeDescription(const TableSchema& table);

} // namespace ketterly
