// The page's single-byte form: the code page's table, UTF-8 to it with transliteration of
// what it lacks, however long the text, and back.
#include "core/encoding/GapText.h"
#include "core/encoding/Utf8.h"
#include "core/encoding/Windows1252.h"

#include <gtest/gtest.h>
#include <unicode/translit.h>

#include <array>
#include <cstdint>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace qm::encoding {
namespace {

struct PageCase {
    const char* name;
    std::string utf8;
    std::string page;
};

class PageForm : public ::testing::TestWithParam<PageCase> {};

TEST_P(PageForm, KeepsWhatTheCodePageHoldsAndTransliteratesTheRest) {
    EXPECT_EQ(utf8ToWindows1252(GetParam().utf8), GetParam().page);
}

INSTANTIATE_TEST_SUITE_P(
    Text, PageForm,
    ::testing::Values(
        PageCase{"ascii", "The cat sat.", "The cat sat."},
        PageCase{"accentsAndPunctuation",
                 "\xE2\x80\x9C"
                 "Caf\xC3\xA9,"
                 "\xE2\x80\x9D"
                 " stra\xC3\x9F"
                 "e \xE2\x80\x94 "
                 "\xE2\x80\xA6 \xE2\x82\xAC"
                 "5 \xC5\x93uvre",
                 "\x93"
                 "Caf\xE9,"
                 "\x94"
                 " stra\xDF"
                 "e \x97 \x85 \x80"
                 "5 \x9Cuvre"},
        PageCase{"doubleAcute", "Erd\xC5\x91s Pal", "Erdos Pal"},
        PageCase{"greek", "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1", "Athena"},
        PageCase{"cyrillic", "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0", "Moskva"},
        PageCase{"decomposedAccent", "e\xCC\x81t\xC3\xA9", "\xE9t\xE9"},
        PageCase{"accentThePageLacks", "o\xCC\x8B", "o"},
        PageCase{"ligature",
                 "\xEF\xAC\x81"
                 "ne",
                 "fine"},
        PageCase{"noLatinForm",
                 "a\xF0\x9F\x98\x80"
                 "b",
                 "a?b"},
        PageCase{"invalidUtf8",
                 "a\xFF"
                 "b\xC3",
                 "a?b?"},
        PageCase{"styleTags", "plain |b> text", "plain |b> text"},
        PageCase{"latin1", "caf\xC3\xA9 na\xC3\xAFve", "caf\xE9 na\xEFve"},
        PageCase{"highTable", "\xE2\x80\x9C\xE2\x82\xAC\xE2\x80\x94\xC5\x93", "\x93\x80\x97\x9C"},
        PageCase{"greekLetterAndNoLatinForm", "\xCE\xB1 \xF0\x9F\x93\x96", "a ?"},
        PageCase{"brokenSequences", "a\xC3 b\x80", "a? b?"},
        // An over-long line end never becomes one.
        PageCase{"overlongLineEnd", "a\xE0\x80\x8A", "a???"},
        PageCase{"byteOrderMarkInsideText", "a\xEF\xBB\xBFword", "a?word"},
        // C1 controls are no text, though the code page has bytes of their value.
        PageCase{"c1Controls", "a\xC2\x81\xC2\x85z", "a??z"}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(PageForm, ChineseBecomesLatinLettersNotQuestionMarks) {
    const std::string page = utf8ToWindows1252("\xE4\xB8\xAD\xE5\x9B\xBD");
    EXPECT_FALSE(page.empty());
    for (char c : page)
        EXPECT_TRUE((c >= 'a' && c <= 'z') || c == ' ') << page;
}

TEST(PageForm, EveryCharacterOfTheCodePageGoesThereAndBack) {
    std::string all;
    for (int b = 0x20; b < 0x100; ++b)
        if (b != 0x7F && b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D)
            all.push_back(static_cast<char>(b));
    const std::string utf8 = windows1252ToUtf8(all);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(utf8ToWindows1252(utf8), all);
}

TEST(CodePage, EveryByteHasItsCharacterAndBack) {
    const std::array<char16_t, 256>& chars = windows1252Characters();
    EXPECT_EQ(chars['A'], u'A');
    EXPECT_EQ(chars[0x80], u'\u20AC');
    EXPECT_EQ(chars[0x81], u'\u0081'); // undefined: its C1 control, as the page shows it
    EXPECT_EQ(chars[0x92], u'\u2019');
    EXPECT_EQ(chars[0x9F], u'\u0178');
    EXPECT_EQ(chars[0xE9], u'\u00E9');
    for (int b = 0; b < 0x100; ++b)
        EXPECT_EQ(windows1252ByteOf(chars[static_cast<std::size_t>(b)]), b) << b;
    for (const char32_t lacking : {U'\u0100', U'\u2118', U'\U0001F600', U'\uFFFD'})
        EXPECT_EQ(windows1252ByteOf(lacking), -1);
}

struct RunCase {
    const char* name;
    std::string character; // UTF-8
    std::string page;      // one character's page form
    std::string between;   // what stands between two of them
    std::size_t count;
};

class LongRun : public ::testing::TestWithParam<RunCase> {};

// A run of characters the page lacks, with nothing between them that it holds, is
// transliterated as one piece; its time grows in step with its length (it grew with the
// square: the longer runs here took several seconds each).
TEST_P(LongRun, IsTransliteratedWhole) {
    const RunCase& c = GetParam();
    std::string run;
    for (std::size_t i = 0; i < c.count; ++i)
        run += c.character;
    std::string expected = c.page;
    for (std::size_t i = 1; i < c.count; ++i)
        expected += c.between + c.page;
    EXPECT_EQ(utf8ToWindows1252(run), expected);
}

INSTANTIATE_TEST_SUITE_P(Text, LongRun,
                         ::testing::Values(RunCase{"cyrillic", "\xD0\x96", "Z", "", 200000},
                                           RunCase{"doubleAcute", "\xC5\x91", "o", "", 200000},
                                           RunCase{"greek", "\xCE\xB8", "th", "", 50000},
                                           RunCase{"chinese", "\xE4\xB8\xAD", "zhong", " ", 5000}),
                         [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

// The gap buffer the transliterator rewrites gives what a plain string gives, for runs of
// every script the page lacks, mixed with marks, pairs of surrogates and unassigned letters.
TEST(GapText, TransliteratesAsAPlainStringDoes) {
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::Transliterator> t(
        icu::Transliterator::createInstance("Any-Latin; Latin-ASCII", UTRANS_FORWARD, status));
    ASSERT_TRUE(U_SUCCESS(status));
    const UChar32 pool[] = {0x4E2D, 0x56FD, 0x3002,  0x0391, 0x03B8, 0x03AE, 0x041C, 0x043E,
                            0x0151, 0x0301, 0x1F600, 0x05D0, 0x0627, 0x3042, 0x30AB, 0xAC00,
                            0x0E01, 0x0915, 0x093F,  0xFB01, 0x2160, 0x0131, 0xFEFF, 0x1E9E};
    std::mt19937 random(7);
    for (int k = 0; k < 400; ++k) {
        icu::UnicodeString text;
        for (std::uint32_t i = 0, n = 1 + random() % 60; i < n; ++i)
            text.append(pool[random() % std::size(pool)]);
        icu::UnicodeString plain = text;
        t->transliterate(plain);
        GapText gap(text);
        t->transliterate(gap);
        EXPECT_EQ(gap.tail(0), plain) << k;
        EXPECT_EQ(gap.tail(2), plain.tempSubString(2)) << k;
    }
}

TEST(PageForm, ThreadsTransliterateAtOnceWithTheSameResults) {
    const std::string text = "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1 Erd\xC5\x91s "
                             "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0 ";
    std::string big;
    for (int i = 0; i < 200; ++i)
        big += text;
    const std::string expected = utf8ToWindows1252(big);
    std::vector<std::string> results(4);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < results.size(); ++t)
        threads.emplace_back([&, t] { results[t] = utf8ToWindows1252(big); });
    for (std::thread& th : threads)
        th.join();
    for (const std::string& r : results)
        EXPECT_EQ(r, expected);
    EXPECT_EQ(expected.substr(0, 18), "Athena Erdos Moskv");
}

} // namespace
} // namespace qm::encoding
