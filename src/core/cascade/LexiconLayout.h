#pragma once
// Lays out one sentence as phrase lines: where lines break, how deep each line sits, and
// which words carry a colour.
#include "core/base/Text.h"
#include "core/cascade/Tokenizer.h"

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace qm::cascade {

// Layout limits of one phrase line.
constexpr std::size_t kMaxLineWords = 7;
constexpr std::size_t kMaxLineWidth = 40; // characters, tags and indentation not counted
constexpr int kBaseLevel = 5;
constexpr int kLevelStep = 4;
constexpr int kMaxLevel = 36;

// Colour slots the cascader writes, and what each one marks.
constexpr char kSpeechColour = '6'; // quoted speech
constexpr char kVerbColour = '7';   // the verb group of a clause
constexpr char kNameColour = '8';   // names: words capitalised in mid-sentence

// Whether the token's core, lower-cased, is this word.
bool coreIs(std::string_view text, const Token& t, std::string_view lower);
// Whether the token ends with punctuation that breaks a line (a stop after an abbreviation
// does not).
bool hasBreakingPunct(const Token& t);

// Appends the phrase line of tokens [a, b) at `level` to `out`: the level code, the words with
// the blanks between them, a colour tag wherever the colour (0 for the text colour) changes,
// "|4>" after the last coloured word and the trailing blank. `line` is scratch space.
void appendPhraseLine(std::string_view text, const Token* tokens, std::size_t a, std::size_t b,
                      int level, const std::vector<char>& colours, std::string& line, Lines& out);

// Names learnt while a text is read: a capitalised word at the start of a sentence is taken
// for a name once it has been seen capitalised in mid-sentence and never in lower case.
struct NameMemory {
    std::unordered_set<std::string> capitalised;
    std::unordered_set<std::string> lowerCase;
};

class SentenceLayout {
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
    void assignLevels();
    void assignColours(NameMemory& names);
    std::size_t emit(Lines& out);

    std::size_t wordsIn(std::size_t a, std::size_t b) const;
    std::size_t widthOf(std::size_t a, std::size_t b) const;
    int splitScore(std::size_t g) const;
    bool fits(std::size_t a, std::size_t b) const;
    static int fold(int level);

    std::string_view m_text;
    const Token* m_tok = nullptr;
    std::size_t m_n = 0;
    std::vector<Gap> m_gaps;
    std::vector<char> m_verb;
    std::vector<char> m_colour;
    std::vector<std::size_t> m_starts;
    std::vector<int> m_levels;
    std::vector<std::size_t> m_scratch;
    std::vector<Frame> m_frames;
    std::string m_line;
};

} // namespace qm::cascade
