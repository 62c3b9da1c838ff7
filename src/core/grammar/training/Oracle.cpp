#include "core/grammar/training/Oracle.h"

#include <algorithm>

namespace qm::grammar {

std::array<int, kMoveCount> moveCosts(const ParseState& state,
                                      const std::vector<std::int32_t>& gold) {
    std::array<int, kMoveCount> c = {};
    int& shift = c[static_cast<std::size_t>(Move::Shift)];
    int& left = c[static_cast<std::size_t>(Move::Left)];
    int& right = c[static_cast<std::size_t>(Move::Right)];
    const auto n = static_cast<std::int32_t>(state.size());
    const auto b = static_cast<std::int32_t>(state.next());
    const std::vector<std::int32_t>& stack = state.stack();
    if (b < n) {
        for (std::int32_t s : stack)
            shift += gold[static_cast<std::size_t>(s)] == b;
        const std::int32_t hb = gold[static_cast<std::size_t>(b)];
        if (!stack.empty() && hb != stack.back() &&
            std::find(stack.begin(), stack.end(), hb) != stack.end())
            ++shift;
    }
    if (!stack.empty()) {
        const std::int32_t s0 = stack.back();
        const std::int32_t s1 = stack.size() >= 2 ? stack[stack.size() - 2] : -2;
        int children = 0;
        for (std::int32_t k = b; k < n; ++k)
            children += gold[static_cast<std::size_t>(k)] == s0;
        const std::int32_t h = gold[static_cast<std::size_t>(s0)];
        left = children + (h != b && (h == s1 || (h > b && h <= n)) ? 1 : 0);
        right = children + (h != s1 && h >= b && h <= n ? 1 : 0);
    }
    return c;
}

} // namespace qm::grammar
