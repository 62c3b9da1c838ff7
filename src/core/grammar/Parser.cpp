#include "core/grammar/Parser.h"

#include <algorithm>

namespace qm::grammar {

void Parser::parse(const Lexeme* lex, const Upos* tags, std::size_t n, ParseState& state,
                   Word* out) const {
    std::uint32_t features[kMoveFeatureCount];
    std::uint32_t labelFeatures[kLabelFeatureCount];
    std::int32_t moveScores[kMoveCount];
    std::int32_t labelScores[kRelCount];
    state.reset(n);
    while (!state.done()) {
        state.moveFeatures(lex, tags, features);
        std::fill(moveScores, moveScores + kMoveCount, 0);
        m_moves.addAll(features, kMoveFeatureCount, moveScores);
        const Move m = bestValidMove(state, moveScores);
        Rel label = Rel::Root;
        if (m != Move::Shift && !(m == Move::Left && state.leftToRoot())) {
            state.labelFeatures(m, lex, tags, labelFeatures);
            std::fill(labelScores, labelScores + kRelCount, 0);
            m_labels.addAll(labelFeatures, kLabelFeatureCount, labelScores);
            label = bestLabel(labelScores);
        }
        state.apply(m, label);
    }
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t h = state.head(i);
        out[i].head =
            h < 0 || static_cast<std::size_t>(h) == n ? 0U : static_cast<std::uint32_t>(h) + 1;
        out[i].rel = state.label(i);
    }
}

} // namespace qm::grammar
