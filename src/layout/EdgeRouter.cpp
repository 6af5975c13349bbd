#include "layout/EdgeRouter.h"

#include "layout/DiagramLayout.h"
#include "model/Utf8.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <string_view>

namespace ketterly {

namespace {

constexpr double straightTolerance = 1; // closer than this across the route: no bends
constexpr double crowdingDistance = 5;  // a point this close to the previous one adds nothing
constexpr double loopShare = 0.15;      // a self loop leaves this share of the height off centre
constexpr double loopStep = 40;         // each of the loop's two steps away from the border
constexpr double loopRise = 30;         // how far its outer part reaches above and below

std::size_t caseInsensitiveHash(std::string_view text) {
    std::size_t hash = 14695981039346656037ull; // FNV-1a
    for (char c : text) {
        hash ^= static_cast<unsigned char>(toLowerAscii(c));
        hash *= 1099511628211ull;
    }
    return hash;
}

// Table name, ignoring ASCII case -> table and its node size. Routing runs on every drag step, so
// the index is one flat allocation (open addressing, linear probing), lookups hash in place
// without lower-cased copies, and each node size is worked out once rather than once per edge.
class NameIndex {
  public:
    struct Entry {
        std::size_t hash = 0;
        const TableSchema* table = nullptr;
        Size size;
    };

    explicit NameIndex(const std::vector<TableSchema>& tables)
        : slots_(std::bit_ceil(2 * tables.size() + 1)), mask_(slots_.size() - 1) {
        for (const auto& table : tables) {
            const std::size_t hash = caseInsensitiveHash(table.name);
            Entry& slot = slots_[probe(hash, table.name)];
            if (slot.table == nullptr) // of names equal ignoring case, the first table wins
                slot = {hash, &table, nodeSize(table)};
        }
    }

    const Entry* find(std::string_view name) const {
        const Entry& slot = slots_[probe(caseInsensitiveHash(name), name)];
        return slot.table == nullptr ? nullptr : &slot;
    }

  private:
    // The slot holding `name`, or the empty slot where it belongs; at most half the slots are used.
    std::size_t probe(std::size_t hash, std::string_view name) const {
        std::size_t i = hash & mask_;
        while (slots_[i].table != nullptr &&
               (slots_[i].hash != hash || !equalIgnoringAsciiCase(slots_[i].table->name, name)))
            i = (i + 1) & mask_;
        return i;
    }

    std::vector<Entry> slots_;
    std::size_t mask_;
};

bool isHorizontal(Point from, Point to) {
    return std::abs(to.y - from.y) < std::abs(to.x - from.x);
}

using Entry = NameIndex::Entry;

Point midpoint(const Entry& node, Side side) {
    const Point c = node.table->position;
    const Size size = node.size;
    switch (side) {
    case Side::top:
        return {c.x, c.y - size.height / 2};
    case Side::bottom:
        return {c.x, c.y + size.height / 2};
    case Side::left:
        return {c.x - size.width / 2, c.y};
    case Side::right:
        return {c.x + size.width / 2, c.y};
    }
    return c;
}

std::vector<Point> selfLoop(const Entry& node) {
    const double r = node.table->position.x + node.size.width / 2;
    const double y = node.table->position.y;
    const double s = loopShare * node.size.height;
    return {{r, y - s},
            {r + loopStep, y - s},
            {r + loopStep, y - s - loopRise},
            {r + 2 * loopStep, y - s - loopRise},
            {r + 2 * loopStep, y + s + loopRise},
            {r + loopStep, y + s + loopRise},
            {r + loopStep, y + s},
            {r, y + s}};
}

struct SidePair {
    Side start; // on the referencing table
    Side end;   // on the referenced table
};

// The route leaves along the layout axis; only tables level on that axis are joined across it.
SidePair chooseSides(double dx, double dy, LayoutDirection direction) {
    if (direction == LayoutDirection::topToBottom) {
        if (dy > 0)
            return {Side::bottom, Side::top};
        if (dy < 0)
            return {Side::top, Side::bottom};
        return dx > 0 ? SidePair{Side::right, Side::left} : SidePair{Side::left, Side::right};
    }
    if (dx > 0)
        return {Side::right, Side::left};
    if (dx < 0)
        return {Side::left, Side::right};
    return dy > 0 ? SidePair{Side::bottom, Side::top} : SidePair{Side::top, Side::bottom};
}

std::vector<Point> route(const Entry& from, const Entry& to, LayoutDirection direction) {
    const Point f = from.table->position;
    const Point t = to.table->position;
    const SidePair sides = chooseSides(t.x - f.x, t.y - f.y, direction);
    return orthogonalWaypoints(sides.start, sides.end, midpoint(from, sides.start), midpoint(to, sides.end));
}

} // namespace

std::vector<RoutedEdge> routeEdges(const std::vector<ForeignKeyInfo>& relationships,
                                   const std::vector<TableSchema>& tables, LayoutDirection direction,
                                   double cornerRadius) {
    const NameIndex index(tables);
    std::vector<RoutedEdge> edges;
    edges.reserve(relationships.size());
    for (const auto& relationship : relationships) {
        const Entry* from = index.find(relationship.fromTable);
        const Entry* to = index.find(relationship.toTable);
        if (from == nullptr || to == nullptr)
            continue;
        // Names equal ignoring case resolve to the same first table, so one entry means a self reference.
        std::vector<Point> waypoints = from == to ? selfLoop(*from) : route(*from, *to, direction);
        edges.push_back({relationship.id, relationship, std::move(waypoints), cornerRadius});
    }
    return edges;
}

std::vector<Point> orthogonalWaypoints(Side start, Side /*end*/, Point s, Point e) {
    // The pair is always opposite, so the start side alone tells which way the route runs.
    std::vector<Point> points;
    points.reserve(4);
    points.push_back(s);
    if (start == Side::top || start == Side::bottom) {
        if (std::abs(s.x - e.x) >= straightTolerance) {
            const double midY = (s.y + e.y) / 2;
            points.push_back({s.x, midY});
            points.push_back({e.x, midY});
        }
    } else if (std::abs(s.y - e.y) >= straightTolerance) {
        const double midX = (s.x + e.x) / 2;
        points.push_back({midX, s.y});
        points.push_back({midX, e.y});
    }
    points.push_back(e);
    return simplifyWaypoints(std::move(points));
}

std::vector<Point> simplifyWaypoints(std::vector<Point> points) {
    const std::size_t n = points.size();
    if (n < 3)
        return points;

    // Both passes compact in place: the write position never passes the read position, so the
    // point after the one read is still the input's.
    std::size_t kept = 1;
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const Point p = points[i];
        if (isHorizontal(points[kept - 1], p) != isHorizontal(p, points[i + 1]))
            points[kept++] = p;
    }
    points[kept++] = points[n - 1];

    std::size_t spaced = 1;
    for (std::size_t i = 1; i < kept; ++i) {
        const Point p = points[i];
        const Point last = points[spaced - 1];
        if (std::hypot(p.x - last.x, p.y - last.y) > crowdingDistance)
            points[spaced++] = p;
    }
    points.resize(spaced);
    return points;
}

} // namespace ketterly
