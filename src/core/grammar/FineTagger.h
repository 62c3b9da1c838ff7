#pragma once
// Fine tags: the treebank's word-class tags that split a part of speech by form (past tense
// from participle from gerund, plural from singular, particle from preposition, wh-words).
// A small perceptron picks one for each word from the word, its ending and the tags around
// it, once the sentence is tagged; the parser reads it beside the tag.
#include "core/grammar/Lexeme.h"
#include "core/grammar/Parse.h"
#include "core/grammar/WeightTable.h"

#include <cstdint>
#include <string_view>
#include <utility>

namespace qm::grammar {

// Fine tag 0 is "other"; the rest are the names in the treebank's word-class column.
inline constexpr std::uint32_t kFineCount = 52;
std::uint8_t fineFromName(std::string_view name);

inline constexpr std::size_t kFineFeatureCount = 7;
// Feature keys of word i of n; fills out[0, kFineFeatureCount). They read the words' form
// classes (Lexeme::form), so they are taken before the fine tags replace those.
void fineFeatures(const Lexeme* lex, const Upos* tags, std::size_t n, std::size_t i,
                  std::uint32_t* out);

class FineTagger {
public:
    // A fine tagger with no weights (every word gets tag 0).
    FineTagger()
        : m_weights(kFineCount, 1.0F, {}) {}
    explicit FineTagger(WeightTable weights)
        : m_weights(std::move(weights)) {}

    // Fine tags of n tagged words.
    void tag(const Lexeme* lex, const Upos* tags, std::size_t n, std::uint8_t* out) const;

    const WeightTable& weights() const { return m_weights; }

private:
    WeightTable m_weights;
};

} // namespace qm::grammar
