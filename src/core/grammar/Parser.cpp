#include "core/grammar/Parser.h"

#include <algorithm>

namespace qm::grammar {

void Parser::parse(const Lexeme* lex, const Upos* tags, std::size_t n, ParseState& state,
                   Word* out) const {
    std::uint32_t features[kParserFeatureCount];
    std::int32_t scores[kParserClasses];
    state.reset(n);
    while (!state.done()) {
        state.features(lex, tags, features);
        std::fill(scores, scores + kParserClasses, 0);
        for (std::uint32_t f : features)
            m_weights.addTo(f, scores);
        state.apply(bestValidClass(state, scores));
    }
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t h = state.head(i);
        out[i].head =
            h < 0 || static_cast<std::size_t>(h) == n ? 0U : static_cast<std::uint32_t>(h) + 1;
        out[i].rel = state.label(i);
    }
}

} // namespace qm::grammar
