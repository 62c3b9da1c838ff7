#pragma once
// What the tagger and the parser know of a word by itself: hashes of its normalised form, its
// shape, prefixes and suffixes. They are computed once per word and combined into feature keys,
// so no feature needs the text again.
#include "core/grammar/Parse.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace qm::grammar {

struct Lexeme {
    std::uint64_t word = 0;  // lower-cased, digits as 9, curly quotes and dashes as ASCII
    std::uint64_t shape = 0; // letter case, digits and signs, runs shortened
    std::uint64_t prefix[3] = {};
    std::uint64_t suffix[4] = {};
    // The word's form class (kForm*): an ending that marks a verb form, a plural or a
    // comparison, or a closed class the tags lump together, plus kFormCapital. The fine tagger
    // reads it; the parser's lexemes hold the word's fine tag here instead (FineTagger.h).
    std::uint8_t form = 0;
};

enum Form : std::uint8_t {
    kFormOther,
    kFormIng,
    kFormEd,
    kFormEn,
    kFormS,
    kFormLy,
    kFormEr,
    kFormEst,
    kFormWh,
    kFormPossessive,
    kFormModal,
    kFormGenitive,
    kFormBe,
    kFormHave,
    kFormDo,
    kFormNegation,
    kFormThat,
    kFormTo,
    kFormCapital = 32, // added to the class when the word starts with a capital
};

// The form class of a lower-cased word (without kFormCapital).
std::uint8_t formClass(std::string_view normal);

// Lexeme of a word as it stands in the text.
Lexeme makeLexeme(std::string_view form);

// Lexemes of a sentence's words, `words` holding offsets into `text`.
std::vector<Lexeme> lexemesOf(std::string_view text, const Sentence& words);

// The 32-bit key under which the tag dictionary stores a word.
std::uint32_t wordKey(const Lexeme& lex);

// Feature keys: a template number and up to three values, mixed into 32 bits. Key 0 is never
// returned, so tables may use it for an empty slot.
inline std::uint64_t mix64(std::uint64_t x) {
    x ^= x >> 31;
    x *= 0x7fb5d329728ea185ULL;
    x ^= x >> 27;
    x *= 0x81dadef4bc2dd44dULL;
    x ^= x >> 33;
    return x;
}

inline std::uint32_t foldKey(std::uint64_t h) {
    const auto k = static_cast<std::uint32_t>(h ^ (h >> 32));
    return k == 0 ? 1U : k;
}

inline std::uint32_t feature(std::uint32_t tmpl, std::uint64_t a) {
    return foldKey(mix64(a + 0x9E3779B97F4A7C15ULL * (tmpl + 1)));
}

inline std::uint32_t feature(std::uint32_t tmpl, std::uint64_t a, std::uint64_t b) {
    return foldKey(mix64(mix64(a + 0x9E3779B97F4A7C15ULL * (tmpl + 1)) ^ b));
}

inline std::uint32_t feature(std::uint32_t tmpl, std::uint64_t a, std::uint64_t b,
                             std::uint64_t c) {
    return foldKey(mix64(mix64(mix64(a + 0x9E3779B97F4A7C15ULL * (tmpl + 1)) ^ b) + c));
}

} // namespace qm::grammar
