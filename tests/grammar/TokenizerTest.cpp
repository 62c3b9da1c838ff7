// The tokenizer against the treebank's way of cutting words: a table of sentences and their
// words, and the guarantees that hold for any bytes.
#include "core/grammar/Tokenizer.h"

#include <gtest/gtest.h>

#include <string>

namespace qm::grammar {
namespace {

std::string cut(std::string_view text) {
    Sentence words;
    tokenize(text, words);
    std::string out;
    for (const Word& w : words) {
        if (!out.empty()) out += '|';
        out.append(text.substr(w.begin, w.end - w.begin));
    }
    return out;
}

struct Case {
    const char* text;
    const char* words;
};

TEST(Tokenizer, CutsAsTheTreebankDoes) {
    const Case cases[] = {
        {"The cat sat on the mat.", "The|cat|sat|on|the|mat|."},
        {"I don't know, she said.", "I|do|n't|know|,|she|said|."},
        {"We can't, won't and shouldn't.", "We|ca|n't|,|wo|n't|and|should|n't|."},
        {"She's here; they're gone; I've seen; we'll go; he'd run; I'm in.",
         "She|'s|here|;|they|'re|gone|;|I|'ve|seen|;|we|'ll|go|;|he|'d|run|;|I|'m|in|."},
        {"It\xE2\x80\x99s John\xE2\x80\x99s, isn\xE2\x80\x99t it?",
         "It|\xE2\x80\x99s|John|\xE2\x80\x99s|,|is|n\xE2\x80\x99t|it|?"},
        {"\xE2\x80\x9C"
         "Come in,\xE2\x80\x9D he said.",
         "\xE2\x80\x9C|Come|in|,|\xE2\x80\x9D|he|said|."},
        {"\"Yes!\" she cried. (Really?)", "\"|Yes|!|\"|she|cried|.|(|Really|?|)"},
        {"I cannot go, I'm gonna stay.", "I|can|not|go|,|I|'m|gon|na|stay|."},
        {"Mr. Smith met Dr. Jones in the U.S. on Jan. 5.",
         "Mr.|Smith|met|Dr.|Jones|in|the|U.S.|on|Jan.|5|."},
        {"Apples, pears, etc.", "Apples|,|pears|,|etc|."},
        {"It costs $5.50, or 10% more than 1,000 yen.",
         "It|costs|$|5.50|,|or|10|%|more|than|1,000|yen|."},
        {"Call 713-853-3989 at 10:30 on 11/28/2000.", "Call|713-853-3989|at|10:30|on|11/28/2000|."},
        {"A well-known, non-commercial e-mail co-op.",
         "A|well|-|known|,|non-commercial|e-mail|co-op|."},
        {"Wait... what?! No -- never.", "Wait|...|what|?!|No|--|never|."},
        {"Mail me at jo.smith@example.com or see www.example.com today.",
         "Mail|me|at|jo.smith@example.com|or|see|www.example.com|today|."},
        {"The parents' house and James' car.", "The|parents|'|house|and|James|'|car|."},
        {"He said \xE2\x80\x94 quietly \xE2\x80\x94 no.",
         "He|said|\xE2\x80\x94|quietly|\xE2\x80\x94|no|."},
        {"Yes/no, and/or.", "Yes|/|no|,|and|/|or|."},
        {"  Spaces\tand\nbreaks  ", "Spaces|and|breaks"},
        {"*** END ***", "***|END|***"},
        {"Great :)", "Great|:)"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cut(c.text), c.words) << c.text;
}

TEST(Tokenizer, WordsAreInOrderWithinTheTextAndCoverEveryNonBlank) {
    const std::string texts[] = {
        "Ordinary prose, with \"quotes\" and (brackets).",
        std::string("\xFF\xFE\x00 bad \xC3 bytes \xE2\x80", 18),
        "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE4\xB8\x96\xE7\x95\x8C!",
        "''''''\"\"\"\"((((]]]]....,,,,----",
        "ALL CAPITALS SHOUTING HERE",
        "1 2 3 4.5 6,7 8-9 10/11",
    };
    for (const std::string& text : texts) {
        Sentence words;
        tokenize(text, words);
        std::size_t covered = 0;
        std::size_t last = 0;
        for (const Word& w : words) {
            ASSERT_LT(w.begin, w.end) << text;
            ASSERT_LE(w.end, text.size()) << text;
            ASSERT_GE(w.begin, last) << text;
            last = w.end;
            covered += w.end - w.begin;
        }
        std::size_t visible = 0;
        for (char c : text)
            visible += c != ' ';
        EXPECT_EQ(covered, visible) << text;
    }
}

} // namespace
} // namespace qm::grammar
