#pragma once

// A small JSON document builder: objects keep their keys in insertion order and numbers are
// written in the shortest form that reads back to the same double.

#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace ketterly {

class AppState;

class Json {
  public:
    using Array = std::vector<Json>;
    using Object = std::vector<std::pair<std::string, Json>>;

    Json() = default; // null
    Json(std::nullptr_t) {}
    Json(bool value) : value_(value) {}
    Json(double value) : value_(value) {}
    Json(int value) : value_(static_cast<double>(value)) {}
    Json(std::string value) : value_(std::move(value)) {}
    Json(const char* value) : value_(std::string(value)) {}
    Json(Array value) : value_(std::move(value)) {}
    Json(Object value) : value_(std::move(value)) {}

    // Indented with two spaces; arrays holding only scalars stay on one line.
    std::string serialize() const;

  private:
    void write(std::string& out, int depth) const;
    bool isScalar() const;
    std::variant<std::nullptr_t, bool, double, std::string, Array, Object> value_ = nullptr;
};

std::string jsonNumber(double value);
std::string jsonString(const std::string& utf8);

// The loaded document of `state` as the --json command prints it.
Json documentJson(const AppState& state);

} // namespace ketterly
