#pragma once
// The dependency parser: greedy arc-hybrid transitions chosen by an averaged perceptron over
// words, tags, children, distances, valencies and relation sets of the stack and the buffer.
#include "core/grammar/ParseState.h"
#include "core/grammar/WeightTable.h"

#include <utility>

namespace qm::grammar {

class Parser {
public:
    Parser() = default;
    explicit Parser(WeightTable weights)
        : m_weights(std::move(weights)) {}

    // Sets head and rel of out[0, n) from the words and their tags. The result is always a
    // tree: one word on the root, every other word on a word of the sentence, no cycles.
    void parse(const Lexeme* lex, const Upos* tags, std::size_t n, ParseState& state,
               Word* out) const;

    const WeightTable& weights() const { return m_weights; }

private:
    WeightTable m_weights;
};

// The best class allowed in the state; scores hold one value per parser class.
template <typename Score>
std::uint32_t bestValidClass(const ParseState& state, const Score* scores) {
    std::uint32_t best = kParserClasses;
    for (std::uint32_t c = 0; c < kParserClasses; ++c) {
        if (!state.validClass(c)) continue;
        if (best == kParserClasses || scores[c] > scores[best]) best = c;
    }
    return best;
}

} // namespace qm::grammar
