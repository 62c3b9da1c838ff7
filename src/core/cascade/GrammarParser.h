#pragma once
// The project's own tagger and parser as the cascader's sentence parser.
#include "core/cascade/SentenceCascade.h"
#include "core/grammar/Grammar.h"

#include <memory>
#include <string>

namespace qm::cascade {

class GrammarParser final : public SentenceParser {
public:
    explicit GrammarParser(std::shared_ptr<const grammar::Grammar> grammar);
    // Loads a model file; throws UserError when it cannot.
    static std::unique_ptr<GrammarParser> load(const std::string& path);

    bool parse(std::string_view sentence, grammar::Sentence& out) override;
    std::size_t maxWords() const override { return grammar::Grammar::kMaxParsedWords; }

private:
    std::shared_ptr<const grammar::Grammar> m_grammar;
};

// The program's own tagger and parser: the model file beside the running executable (its
// resolved path), loaded on first use. nullptr when there is no readable model: then the
// cascader lays every sentence out with the lexicon rules.
SentenceParser* builtInParser();

} // namespace qm::cascade
