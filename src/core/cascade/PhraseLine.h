#pragma once
// What both layouts of a sentence (from its parse, and by the lexicon rules) share: the limits
// and colours of a phrase line, writing one out, the names learnt while a text is read, and
// the word counts and widths of token ranges.
#include "core/base/Text.h"
#include "core/base/WordSet.h"
#include "core/cascade/Tokenizer.h"

#include <string>
#include <string_view>
#include <vector>

namespace qm::cascade {

// Layout limits of one phrase line.
constexpr std::size_t kMaxLineWords = 7;
constexpr std::size_t kMaxLineWidth = 40; // characters, tags and indentation not counted
constexpr int kBaseLevel = 5;
constexpr int kLevelStep = 4;
// A sentence steps at most this many times right of its base level: past that the eye loses
// the line start. Lines that would sit deeper stay at the deepest level, so a line deeper
// than its neighbour is never shallower than it.
constexpr int kMaxSteps = 4;
constexpr int kMaxLevel = kBaseLevel + kMaxSteps * kLevelStep; // 21

// The level a line of a sentence is shown at: `level`, or the deepest a sentence reaches.
constexpr int boundLevel(int level) {
    return level < kMaxLevel ? level : kMaxLevel;
}

// Colour slots the cascader writes, and what each one marks.
constexpr char kSpeechColour = '6'; // quoted speech
constexpr char kVerbColour = '7';   // the verb group of a clause
constexpr char kNameColour = '8';   // names in running prose (never on a line in capitals)

// Whether the token's core, lower-cased, is this word.
bool coreIs(std::string_view text, const Token& t, std::string_view lower);
// Whether the token ends with punctuation that breaks a line (a stop after an abbreviation
// does not).
bool hasBreakingPunct(const Token& t);

// Whether tokens [a, b) are a line in capitals: two capital letters or more and no small one
// ("PRIDE AND PREJUDICE", "CHAPTER II."), a heading or a shout rather than names.
bool inCapitals(std::string_view text, const Token* tokens, std::size_t a, std::size_t b);

// Appends the phrase line of tokens [a, b) at `level` to `out`: the level code, the words with
// the blanks between them, a colour tag wherever the colour (0 for the text colour) changes,
// "|4>" after the last coloured word and the trailing blank. `line` is scratch space. A line
// in capitals shows no name colour.
void appendPhraseLine(std::string_view text, const Token* tokens, std::size_t a, std::size_t b,
                      int level, const std::vector<char>& colours, std::string& line, Lines& out);

// Names learnt while a text is read: a capitalised word at the start of a sentence is taken
// for a name once it has been seen capitalised in mid-sentence and never in lower case. The
// lower-case words of a long text can be hundreds of thousands, so only their hashes are held.
struct NameMemory {
    WordHashSet capitalised;
    WordHashSet lowerCase;
};

// Word counts and widths of ranges of a sentence's tokens, from prefix sums taken once.
class TokenSpans {
public:
    // Takes the sums over tokens [0, n); the tokens must outlive the next call.
    void measure(const Token* tokens, std::size_t n);
    // Words among tokens [a, b).
    std::size_t words(std::size_t a, std::size_t b) const { return m_words[b] - m_words[a]; }
    // Characters of tokens [a, b) with the blanks between them.
    std::size_t width(std::size_t a, std::size_t b) const;

private:
    const Token* m_tok = nullptr;
    std::vector<std::size_t> m_words;  // before each token, and after the last
    std::vector<std::size_t> m_widths; // the same, each token with the blank before it
};

} // namespace qm::cascade
