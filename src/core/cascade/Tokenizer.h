#pragma once
// Words of a paragraph with the facts the phrase breaker needs: the word without its
// punctuation, the punctuation around it, whether it opens or closes quoted speech, and
// where sentences end.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::cascade {

// Longest run of characters kept as one word; longer runs are cut into pieces.
constexpr std::size_t kLongestWord = 32;

struct Token {
    std::size_t begin = 0; // bytes of the paragraph text, punctuation included
    std::size_t end = 0;
    std::size_t coreBegin = 0; // the word itself, without surrounding punctuation
    std::size_t coreEnd = 0;
    std::size_t width = 0;     // characters shown (a UTF-8 sequence counts once)
    std::uint32_t classes = 0; // lexicon classes of the lower-cased word
    bool gapBefore = true;     // a blank separates it from the token before
    bool isWord = false;       // holds a letter or a digit
    bool capitalised = false;  // the word starts with A to Z
    bool allCapitals = false;  // two or more letters, none of them lower case
    bool edEnding = false;     // a lower-case word of five letters or more ending in "ed"
    bool opensQuote = false;
    bool closesQuote = false;
    bool endsComma = false;
    bool endsSemicolon = false;
    bool endsColon = false;
    bool endsDash = false;
    bool endsStop = false;     // ".", "!", "?" or an ellipsis after the word
    bool abbreviation = false; // its full stop belongs to a title, abbreviation or initial
    bool inSpeech = false;     // part of quoted speech
    bool sentenceStart = false;
};

// Splits paragraph text whose words are separated by single blanks into tokens.
// Punctuation standing alone joins its neighbour; "word--word" becomes two tokens.
void tokenize(std::string_view text, std::vector<Token>& out);

// Marks speech and sentence starts on the tokens of one paragraph, or of a piece of one that
// begins inside quoted speech when `inSpeech` is set. Returns whether speech is still open
// after the last token.
bool markSpeechAndSentences(std::string_view text, std::vector<Token>& tokens,
                            bool inSpeech = false);

// The lower-cased word of a token (typographic apostrophes become "'").
std::string lowerCore(std::string_view text, const Token& t);

} // namespace qm::cascade
