#pragma once
// Lays out one sentence from its dependency parse: lines break at phrase and clause
// boundaries and never inside a tight unit, each line's level comes from the depth of its
// head in the clause structure, and colours come from the words' roles.
#include "core/base/Text.h"
#include "core/cascade/PhraseLine.h"
#include "core/cascade/Tokenizer.h"
#include "core/grammar/Parse.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::cascade {

class ParseLayout {
public:
    // Appends the phrase lines of tokens [first, last) of a paragraph to `out`, from `parse`,
    // whose word offsets count from byte `base` of `text`. Returns how many lines it
    // appended: 0 when the parse does not fit the tokens (then nothing is appended).
    std::size_t layout(std::string_view text, const std::vector<Token>& tokens, std::size_t first,
                       std::size_t last, const grammar::Sentence& parse, std::size_t base,
                       NameMemory& names, Lines& out);

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    bool mapWords(std::size_t base);
    void buildTokenTree();
    void findStrengths();
    void markTagUnits();
    void markWordUnits();
    bool wordGapOpen(std::size_t word) const;
    void tieWords(std::size_t fromWord, std::size_t toWord);
    void chooseBreaks();
    void assignLevels();
    void markDialogueTags();
    void anchorLines();
    void findLineDepths();
    int lineDepth(std::size_t line) const;
    void keepMainClauseOpening();
    std::size_t pastOpeningWords(std::size_t line, std::size_t phrase,
                                 bool (ParseLayout::*skip)(std::size_t) const) const;
    void assignColours(NameMemory& names);
    void markMainClauseHeads(std::vector<std::uint8_t>& isMain);
    std::size_t emit(Lines& out);

    bool tokenIs(std::size_t k, std::string_view lower) const;
    bool wordIs(std::size_t word, std::string_view s) const;
    bool isArticleOrPossessive(std::size_t k) const;
    bool isPrepositionLike(std::size_t k) const;
    bool isGroupFiller(std::size_t word) const;
    bool inMainClause(std::size_t k) const;
    bool opensClause(std::size_t k) const;
    bool isCoordinator(std::size_t k) const;
    grammar::Rel relOf(std::size_t k) const;
    grammar::Upos uposOf(std::size_t k) const;

    std::string_view m_text;
    const Token* m_tok = nullptr;
    std::size_t m_n = 0; // tokens
    const grammar::Sentence* m_words = nullptr;
    std::size_t m_base = 0; // byte of the text where the parse's offsets start

    std::vector<std::size_t> m_wordTok; // token of every word
    std::vector<std::size_t> m_rep;     // the word that speaks for a token, or kNone
    std::vector<std::size_t> m_head;    // head token, or kNone for the root
    std::vector<int> m_wordDepth;       // arcs to the root, every arc counted
    std::vector<int> m_clauseDepth;     // arcs to the root, a conj arc counting for nothing
    std::vector<int> m_depth;           // of each token's word; words-less tokens last
    std::vector<std::size_t> m_order;   // tokens, heads before their dependents
    std::vector<std::size_t> m_left;    // first and last token of each subtree
    std::vector<std::size_t> m_right;
    std::vector<std::uint8_t> m_tag;      // per token: the verb of a dialogue tag
    std::vector<std::size_t> m_lineOf;    // per token
    std::vector<std::size_t> m_anchor;    // per line: its head token
    std::vector<std::size_t> m_lineStart; // per line: its first token
    std::vector<int> m_lineDepth;         // per line: steps in from the base level
    std::vector<std::uint8_t> m_tightAfter;
    std::vector<std::uint8_t> m_tight; // per gap (before token g): inside a tight unit
    std::vector<int> m_strength;       // per gap: how good a line start it is
    std::vector<int> m_hold;           // per gap: how much it keeps a short phrase on
    TokenSpans m_spans;
    std::vector<long> m_cost;
    std::vector<std::size_t> m_from;
    std::vector<std::uint8_t> m_start; // per token: a line starts here
    std::vector<int> m_levels;         // per token that starts a line
    std::vector<char> m_colour;
    std::vector<std::size_t> m_chain; // scratch: a chain of conjuncts
    std::string m_line;
};

} // namespace qm::cascade
