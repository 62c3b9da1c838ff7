#pragma once
// The dynamic oracle of the arc-hybrid system: what each move would cost from any state,
// counted as the gold arcs it makes unreachable. Training follows the cheapest moves (or its
// own, once it has learnt something) and learns from the difference.
#include "core/grammar/ParseState.h"

#include <array>
#include <vector>

namespace qm::grammar {

// Costs indexed by Move. gold[i] is word i's head (0-based), the sentence length for the
// root. Exact for trees without crossing arcs.
std::array<int, kMoveCount> moveCosts(const ParseState& state,
                                      const std::vector<std::int32_t>& gold);

} // namespace qm::grammar
