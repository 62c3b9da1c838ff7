#pragma once
// Lays out one sentence: from its parse where a parser is at hand and the parse can be
// trusted (a verbless fragment too), else with the lexicon rules. Deterministic, linear in the
// sentence.
#include "core/base/Text.h"
#include "core/cascade/LexiconLayout.h"
#include "core/cascade/ParseLayout.h"
#include "core/cascade/Tokenizer.h"
#include "core/grammar/Parse.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qm::cascade {

// What the cascader asks of a tagger and parser.
class SentenceParser {
public:
    virtual ~SentenceParser() = default;
    // Parses one sentence's text; word offsets count from its first byte. False when it
    // cannot (then the sentence is laid out without a parse).
    virtual bool parse(std::string_view sentence, grammar::Sentence& out) = 0;
    // The longest sentence, in words, it is given.
    virtual std::size_t maxWords() const = 0;
};

// How many sentences went which way.
struct LayoutCounts {
    std::size_t parsed = 0;
    std::size_t lexicon = 0;     // all the others, of which:
    std::size_t unparseable = 0; // too long, in capitals or not in Latin script
    std::size_t untrusted = 0;   // no parse, or a verbless one beside a known verb form
    std::size_t misfit = 0;      // a parse that does not fit the tokens
};

class SentenceCascade {
public:
    // Without a parser every sentence takes the lexicon rules. The parser must outlive this.
    explicit SentenceCascade(SentenceParser* parser = nullptr);

    // Appends the phrase lines of tokens [first, last) of a paragraph to `out`; returns how
    // many lines it appended.
    std::size_t layout(std::string_view text, const std::vector<Token>& tokens, std::size_t first,
                       std::size_t last, NameMemory& names, Lines& out);

    const LayoutCounts& counts() const { return m_counts; }

private:
    // True when a parse of the sentence is worth asking for: not over the parser's length,
    // not shouted in capitals, in Latin script.
    bool parseable(std::string_view text, const Token* tokens, std::size_t n) const;

    SentenceParser* m_parser;
    ParseLayout m_parseLayout;
    LexiconLayout m_lexicon;
    grammar::Sentence m_parse;
    std::string m_masked; // the sentence with its style tags blanked
    LayoutCounts m_counts;
};

} // namespace qm::cascade
