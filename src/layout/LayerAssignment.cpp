#include "layout/LayerAssignment.h"

#include "model/Utf8.h"

#include <algorithm>

namespace ketterly {

std::unordered_map<std::string, int> buildNameIndex(const std::vector<TableSchema>& tables) {
    std::unordered_map<std::string, int> index;
    index.reserve(tables.size() * 2);
    for (std::size_t i = 0; i < tables.size(); ++i)
        index.emplace(toLowerAscii(tables[i].name), static_cast<int>(i));
    return index;
}

int resolveTable(const std::unordered_map<std::string, int>& nameIndex, const std::string& name) {
    const auto found = nameIndex.find(toLowerAscii(name));
    return found == nameIndex.end() ? -1 : found->second;
}

std::vector<std::vector<int>> assignLayers(const std::vector<TableSchema>& tables,
                                           const std::unordered_map<std::string, int>& nameIndex) {
    const int n = static_cast<int>(tables.size());
    if (n == 0)
        return {};
    std::vector<std::vector<int>> children(static_cast<std::size_t>(n));
    std::vector<int> inDegree(static_cast<std::size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
        for (const auto& key : tables[static_cast<std::size_t>(i)].foreignKeys) {
            const int target = resolveTable(nameIndex, key.toTable);
            if (target < 0 || target == i)
                continue;
            children[static_cast<std::size_t>(i)].push_back(target);
            ++inDegree[static_cast<std::size_t>(target)];
        }
    }

    std::vector<int> layer(static_cast<std::size_t>(n), 0);
    std::vector<char> visited(static_cast<std::size_t>(n), 0);
    std::vector<int> queue;
    for (int i = 0; i < n; ++i)
        if (inDegree[static_cast<std::size_t>(i)] == 0)
            queue.push_back(i);
    if (queue.empty())
        queue.push_back(0);
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const int current = queue[head];
        if (visited[static_cast<std::size_t>(current)])
            continue;
        visited[static_cast<std::size_t>(current)] = 1;
        for (int child : children[static_cast<std::size_t>(current)]) {
            auto& childLayer = layer[static_cast<std::size_t>(child)];
            childLayer = std::max(childLayer, layer[static_cast<std::size_t>(current)] + 1);
            if (--inDegree[static_cast<std::size_t>(child)] <= 0 && !visited[static_cast<std::size_t>(child)])
                queue.push_back(child);
        }
    }
    int largest = *std::max_element(layer.begin(), layer.end());
    for (int i = 0; i < n; ++i) {
        if (visited[static_cast<std::size_t>(i)])
            continue;
        layer[static_cast<std::size_t>(i)] = ++largest;
        visited[static_cast<std::size_t>(i)] = 1;
    }

    std::vector<std::vector<int>> layers(static_cast<std::size_t>(largest) + 1);
    for (int i = 0; i < n; ++i)
        layers[static_cast<std::size_t>(layer[static_cast<std::size_t>(i)])].push_back(i);
    std::erase_if(layers, [](const std::vector<int>& l) { return l.empty(); });
    return layers;
}

} // namespace ketterly
