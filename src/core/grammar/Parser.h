#pragma once
// The dependency parser: greedy arc-hybrid moves chosen by an averaged perceptron over words,
// tags, children, distances, valencies and relation sets of the stack and the buffer; the
// relation of each arc is chosen by a second perceptron when the arc is made.
#include "core/grammar/InlineTable.h"
#include "core/grammar/ParseState.h"
#include "core/grammar/WeightTable.h"

#include <array>
#include <utility>
#include <vector>

namespace qm::grammar {

class Parser {
public:
    // A parser with no weights (every sentence gets some tree).
    Parser();
    Parser(InlineTable moves, WeightTable labels);

    // Sets head and rel of out[0, n) from the words and their tags. The result is always a
    // tree: one word on the root, every other word on a word of the sentence, no cycles.
    void parse(const Lexeme* lex, const Upos* tags, std::size_t n, ParseState& state,
               Word* out) const;

    const InlineTable& moves() const { return m_moves; }
    const WeightTable& labels() const { return m_labels; }

private:
    // The move weights of the small templates, flat: one row per combination of values.
    void flattenSmallTemplates();

    InlineTable m_moves;
    WeightTable m_labels;
    std::vector<std::array<std::int16_t, 4>, HugePageAllocator<std::array<std::int16_t, 4>>>
        m_small;
    std::size_t m_smallStart[kSmallFeatureCount] = {};
};

// The best move allowed in the state, by its score.
template <typename Score> Move bestValidMove(const ParseState& state, const Score* scores) {
    int best = -1;
    for (int m = 0; m < static_cast<int>(kMoveCount); ++m) {
        if (!state.valid(static_cast<Move>(m))) continue;
        if (best < 0 || scores[m] > scores[best]) best = m;
    }
    return static_cast<Move>(best < 0 ? 0 : best);
}

// The best relation other than Root, by its score.
template <typename Score> Rel bestLabel(const Score* scores) {
    std::size_t best = static_cast<std::size_t>(Rel::Root) == 0 ? 1 : 0;
    for (std::size_t l = 0; l < kRelCount; ++l) {
        if (l == static_cast<std::size_t>(Rel::Root)) continue;
        if (scores[l] > scores[best]) best = l;
    }
    return static_cast<Rel>(best);
}

} // namespace qm::grammar
