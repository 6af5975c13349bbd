#pragma once

// The random source of the layout's shuffles. Seeded, it makes a layout reproducible.

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace ketterly {

class LayoutRandom {
  public:
    explicit LayoutRandom(std::uint64_t seed) : engine_(seed) {}
    static LayoutRandom fromEntropy() {
        std::random_device device;
        return LayoutRandom((static_cast<std::uint64_t>(device()) << 32) ^ device());
    }

    // Fisher-Yates: every order equally likely.
    template <typename T> void shuffle(std::vector<T>& values) {
        for (std::size_t i = values.size(); i > 1; --i) {
            std::uniform_int_distribution<std::size_t> pick(0, i - 1);
            std::swap(values[i - 1], values[pick(engine_)]);
        }
    }

  private:
    std::mt19937_64 engine_;
};

} // namespace ketterly
