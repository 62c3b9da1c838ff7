#pragma once
// Lays out one sentence by the lexicon rules, without a parse: where lines break (from the
// words' classes in the lexicon, LexiconLayout.cpp), how deep each line sits and which words
// carry a colour (LexiconLayoutLevels.cpp).
#include "core/base/Text.h"
#include "core/cascade/PhraseLine.h"
#include "core/cascade/Tokenizer.h"

#include <string>
#include <string_view>
#include <vector>

namespace qm::cascade {

class LexiconLayout {
public:
    // Appends the phrase lines of tokens [first, last) of a paragraph to `out`; returns how
    // many lines it appended.
    std::size_t layout(std::string_view text, const std::vector<Token>& tokens, std::size_t first,
                       std::size_t last, NameMemory& names, Lines& out);

private:
    enum Event : unsigned char {
        kNone,
        kFallback,
        kPrep,
        kPrepOf,
        kCoordPlain,
        kSubjVerb,
        kClauseCore,
        kSub,
        kRel,
        kCoordClause,
        kQuoteOpen,
        kQuoteClose
    };
    enum Punct : unsigned char { kNoPunct, kComma, kSemicolon };
    struct Gap {
        Event word = kNone;
        Event quote = kNone;
        Punct punct = kNoPunct;
        bool mandatory = false;
        bool start = false; // a line starts at this token
    };
    struct Frame {
        int level;
        bool fronted = false; // a subordinate clause before its main clause
        bool speech = false;
        bool verbSeen = false;
        int itemLevel = -1;
        std::size_t words = 0;
    };

    void findVerbs();
    void findGaps();
    void chooseBreaks();
    void splitLongLines();
    void mergeShortLines();
    // What assignLevels carries from token to token.
    struct LevelWalk {
        bool startsInSpeech = false;
        int speechLevel = -1;        // the level of quoted speech, once known
        int cur = kBaseLevel;        // the level of the line being filled
        int chainStart = kBaseLevel; // the first line of a chain of prepositional phrases
        bool prevLinePrep = false;
        bool leadIn = true; // only joining words and adverbs so far
    };
    // The frame an event opens.
    enum Push { kNoPush, kPushClause, kPushFronted, kPushSpeech };

    void assignLevels();
    void account(std::size_t i, LevelWalk& walk);
    void popToSpeech();
    bool closeAtPunct(const Gap& g, LevelWalk& walk);
    int quoteLevel(Event quote, const LevelWalk& walk, Push& push);
    int clauseLevel(Event event, const LevelWalk& walk, Push& push);
    int phraseLevel(const Gap& g, Event event, bool poppedFronted, const LevelWalk& walk);
    void placeLine(std::size_t i, Event governing, int level, Push push, LevelWalk& walk);
    void assignColours(NameMemory& names);
    std::size_t emit(Lines& out);

    int splitScore(std::size_t g) const;
    bool fits(std::size_t a, std::size_t b) const;

    std::string_view m_text;
    const Token* m_tok = nullptr;
    std::size_t m_n = 0;
    std::vector<Gap> m_gaps;
    std::vector<char> m_verb;
    std::vector<char> m_colour;
    std::vector<std::size_t> m_starts;
    std::vector<int> m_levels;
    TokenSpans m_spans;
    std::vector<Frame> m_frames;
    std::string m_line;
};

} // namespace qm::cascade
