// What the features see of a word: forms that differ only in case, digits or the kind of
// quote read as one word; shapes keep case and digits apart.
#include "core/grammar/Lexeme.h"

#include <gtest/gtest.h>

namespace qm::grammar {
namespace {

struct Pair {
    const char* a;
    const char* b;
    bool sameWord;
    bool sameShape;
};

TEST(Lexemes, NormaliseCaseDigitsAndQuotesButKeepShapes) {
    const Pair pairs[] = {
        {"Apple", "apple", true, false},    {"APPLE", "apple", true, false},
        {"1999", "2005", true, true},       {"3.50", "4.75", true, true},
        {"3.50", "12.75", false, false},    {"n't", "n\xE2\x80\x99t", true, true},
        {"\"", "\xE2\x80\x9C", true, true}, {"--", "\xE2\x80\x94\xE2\x80\x94", true, true},
        {"cat", "cats", false, true},       {"Paris", "London", false, true},
        {"e-mail", "email", false, false},
    };
    for (const Pair& p : pairs) {
        const Lexeme a = makeLexeme(p.a), b = makeLexeme(p.b);
        EXPECT_EQ(a.word == b.word, p.sameWord) << p.a << " / " << p.b;
        EXPECT_EQ(a.shape == b.shape, p.sameShape) << p.a << " / " << p.b;
    }
}

TEST(Lexemes, AffixesComeFromTheNormalisedForm) {
    const Lexeme walked = makeLexeme("Walked"), talked = makeLexeme("talked");
    EXPECT_EQ(walked.suffix[1], talked.suffix[1]); // "ed"
    EXPECT_EQ(walked.suffix[3], talked.suffix[3]); // "lked"
    EXPECT_NE(walked.prefix[0], talked.prefix[0]);
    const Lexeme a = makeLexeme("a");
    EXPECT_EQ(a.prefix[2], makeLexeme("A").prefix[2]);
    // Words longer than the normal form keep apart by their whole length.
    const std::string longA(200, 'a'), longB = std::string(199, 'a') + "b";
    EXPECT_NE(makeLexeme(longA).word, makeLexeme(longB).word);
    EXPECT_NE(feature(1, 5), 0U);
    EXPECT_NE(feature(1, 5), feature(2, 5));
    EXPECT_NE(feature(1, 5, 6), feature(1, 6, 5));
}

TEST(Lexemes, FormClassesMarkEndingsAndClosedClasses) {
    struct Case {
        const char* word;
        int form;
    };
    const Case cases[] = {
        {"walking", kFormIng},
        {"sing", kFormOther}, // too short for an ending
        {"walked", kFormEd},
        {"bed", kFormOther},
        {"taken", kFormEn},
        {"cats", kFormS},
        {"glass", kFormOther},
        {"bus", kFormOther},
        {"this", kFormOther},
        {"quickly", kFormLy},
        {"bigger", kFormEr},
        {"biggest", kFormEst},
        {"Which", kFormWh + kFormCapital},
        {"THEIR", kFormPossessive + kFormCapital},
        {"could", kFormModal},
        {"\xE2\x80\x99s", kFormGenitive},
        {"n\xE2\x80\x99t", kFormNegation},
        {"is", kFormBe},
        {"having", kFormHave}, // the word list before the ending
        {"Paris", kFormCapital},
        {"Rivers", kFormS + kFormCapital},
        {"", kFormOther},
    };
    for (const Case& c : cases)
        EXPECT_EQ(makeLexeme(c.word).form, c.form) << c.word;
}

} // namespace
} // namespace qm::grammar
