#include "cli/JsonWriter.h"

#include "app/AppState.h"
#include "layout/DiagramLayout.h"

#include <charconv>
#include <cmath>

namespace ketterly {

std::string jsonNumber(double value) {
    if (!std::isfinite(value))
        return "null"; // JSON has no infinities; nothing we write should produce one
    if (value == 0)
        value = 0; // no "-0"
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)error;
    return std::string(buffer, end);
}

std::string jsonString(const std::string& utf8) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 0xF];
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
    return out;
}

bool Json::isScalar() const {
    return !std::holds_alternative<Array>(value_) && !std::holds_alternative<Object>(value_);
}

std::string Json::serialize() const {
    std::string out;
    write(out, 0);
    out += '\n';
    return out;
}

void Json::write(std::string& out, int depth) const {
    const auto newline = [&](int level) {
        out += '\n';
        out.append(static_cast<std::size_t>(level) * 2, ' ');
    };
    if (std::holds_alternative<std::nullptr_t>(value_)) {
        out += "null";
    } else if (auto* b = std::get_if<bool>(&value_)) {
        out += *b ? "true" : "false";
    } else if (auto* d = std::get_if<double>(&value_)) {
        out += jsonNumber(*d);
    } else if (auto* s = std::get_if<std::string>(&value_)) {
        out += jsonString(*s);
    } else if (auto* array = std::get_if<Array>(&value_)) {
        bool inlineArray = true;
        for (const auto& element : *array)
            inlineArray = inlineArray && element.isScalar();
        out += '[';
        for (std::size_t i = 0; i < array->size(); ++i) {
            if (i > 0)
                out += inlineArray ? ", " : ",";
            if (!inlineArray)
                newline(depth + 1);
            (*array)[i].write(out, depth + 1);
        }
        if (!inlineArray && !array->empty())
            newline(depth);
        out += ']';
    } else if (auto* object = std::get_if<Object>(&value_)) {
        out += '{';
        for (std::size_t i = 0; i < object->size(); ++i) {
            if (i > 0)
                out += ',';
            newline(depth + 1);
            out += jsonString((*object)[i].first);
            out += ": ";
            (*object)[i].second.write(out, depth + 1);
        }
        if (!object->empty())
            newline(depth);
        out += '}';
    }
}

namespace {

Json point(double x, double y) {
    return Json::Array{x, y};
}

Json texts(const std::vector<std::string>& values) {
    Json::Array array;
    for (const auto& value : values)
        array.emplace_back(value);
    return array;
}

template <typename T> Json optional(const std::optional<T>& value) {
    if (!value)
        return nullptr;
    if constexpr (std::is_same_v<T, int>)
        return static_cast<double>(*value);
    else
        return *value;
}

Json foreignKeyJson(const ForeignKeyInfo& key) {
    return Json::Object{{"id", key.id},
                        {"fromTable", key.fromTable},
                        {"fromColumn", key.fromColumn},
                        {"toTable", key.toTable},
                        {"toColumn", key.toColumn},
                        {"onDelete", std::string(toText(key.onDelete))},
                        {"onUpdate", std::string(toText(key.onUpdate))}};
}

Json tableJson(const TableSchema& table) {
    Json::Array columns, keys, indexes;
    for (const auto& column : table.columns)
        columns.emplace_back(Json::Object{{"name", column.name},
                                          {"type", column.type},
                                          {"isNotNull", column.isNotNull},
                                          {"defaultValue", optional(column.defaultValue)},
                                          {"isPrimaryKey", column.isPrimaryKey},
                                          {"primaryKeyIndex", optional(column.primaryKeyIndex)}});
    for (const auto& key : table.foreignKeys)
        keys.push_back(foreignKeyJson(key));
    for (const auto& index : table.indexes)
        indexes.emplace_back(Json::Object{
            {"name", index.name}, {"columns", texts(index.columns)}, {"isUnique", index.isUnique}});
    const Size size = nodeSize(table);
    return Json::Object{{"name", table.name},
                        {"color", std::string(toText(table.color))},
                        {"position", point(table.position.x, table.position.y)},
                        {"size", point(size.width, size.height)},
                        {"primaryKeyColumns", texts(table.primaryKeyColumns)},
                        {"columns", std::move(columns)},
                        {"foreignKeys", std::move(keys)},
                        {"indexes", std::move(indexes)}};
}

} // namespace

Json documentJson(const AppState& state) {
    const DatabaseSchema empty;
    const DatabaseSchema& schema = state.schema() ? *state.schema() : empty;
    Json::Array tables, relationships, edges;
    for (const auto& table : schema.tables)
        tables.push_back(tableJson(table));
    for (const auto& relationship : schema.relationships)
        relationships.emplace_back(relationship.id);
    for (const auto& edge : state.routedEdges()) {
        Json::Array waypoints;
        for (const auto& waypoint : edge.waypoints)
            waypoints.push_back(point(waypoint.x, waypoint.y));
        edges.emplace_back(Json::Object{
            {"id", edge.id}, {"waypoints", std::move(waypoints)}, {"cornerRadius", edge.cornerRadius}});
    }
    const bool topToBottom = state.layoutDirection() == LayoutDirection::topToBottom;
    return Json::Object{{"fileName", schema.fileName},
                        {"sourceType", std::string(toText(state.sourceType()))},
                        {"direction", topToBottom ? "topToBottom" : "leftToRight"},
                        {"tables", std::move(tables)},
                        {"relationships", std::move(relationships)},
                        {"routedEdges", std::move(edges)}};
}

} // namespace ketterly
