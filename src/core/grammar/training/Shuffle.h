#pragma once
// A shuffle that gives the same order with every standard library: Fisher-Yates over
// std::mt19937, whose output the standard fixes.
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

namespace qm::grammar {

inline std::vector<std::size_t> shuffledOrder(std::size_t n, std::mt19937& rng) {
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    for (std::size_t i = n; i > 1; --i) {
        const std::size_t j = static_cast<std::size_t>(rng()) % i;
        std::swap(order[i - 1], order[j]);
    }
    return order;
}

} // namespace qm::grammar
