#pragma once

#include "model/DatabaseSchema.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ketterly {

struct LayoutConfiguration {
    enum class Direction { topToBottom, leftToRight };

    static constexpr double defaultLayerSeparation = 180;
    static constexpr double defaultNodeSeparation = 60;
    static constexpr double defaultEdgeCornerRadius = 8;

    Direction direction = Direction::topToBottom;
    double layerSeparation = defaultLayerSeparation;
    double nodeSeparation = defaultNodeSeparation;
    double edgeCornerRadius = defaultEdgeCornerRadius;
    auto operator<=>(const LayoutConfiguration&) const = default;
};

using LayoutDirection = LayoutConfiguration::Direction;

inline constexpr LayoutDirection allLayoutDirections[] = {LayoutDirection::topToBottom,
                                                          LayoutDirection::leftToRight};

// "Top to Bottom" / "Left to Right", as the direction control shows them.
std::string_view toText(LayoutDirection direction);
template <> std::optional<LayoutDirection> fromText<LayoutDirection>(std::string_view text);

struct RoutedEdge {
    std::string id;
    ForeignKeyInfo relationship;
    std::vector<Point> waypoints;
    double cornerRadius = LayoutConfiguration::defaultEdgeCornerRadius;
    auto operator<=>(const RoutedEdge&) const = default;
};

} // namespace ketterly
