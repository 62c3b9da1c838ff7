// Encodings of book files: what the bytes are, their UTF-8, and the page's single-byte form
// with transliteration of what it lacks.
#include "core/import/Encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace qm::import {
namespace {

struct DetectCase {
    const char* name;
    std::string bytes;
    Encoding encoding;
    std::string utf8;
};

class Decoding : public ::testing::TestWithParam<DetectCase> {};

TEST_P(Decoding, RecognisesTheEncodingAndDecodesToUtf8) {
    const DetectCase& c = GetParam();
    EXPECT_EQ(detectEncoding(c.bytes), c.encoding);
    EXPECT_EQ(decodeToUtf8(c.bytes), c.utf8);
    EXPECT_TRUE(isValidUtf8(decodeToUtf8(c.bytes)));
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, Decoding,
    ::testing::Values(
        DetectCase{"ascii", "plain text", Encoding::Utf8, "plain text"},
        DetectCase{"empty", "", Encoding::Utf8, ""},
        DetectCase{"utf8", "caf\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D", Encoding::Utf8,
                   "caf\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D"},
        DetectCase{"utf8Bom", "\xEF\xBB\xBF\xC3\xA9t\xC3\xA9", Encoding::Utf8Bom,
                   "\xC3\xA9t\xC3\xA9"},
        DetectCase{"utf8BomWithBadBytes",
                   "\xEF\xBB\xBF"
                   "a\xFF"
                   "b",
                   Encoding::Utf8Bom,
                   "a\xEF\xBF\xBD"
                   "b"},
        DetectCase{"windows1252Quotes", "\x93Yes,\x94 she said \x96 caf\xE9", Encoding::Windows1252,
                   "\xE2\x80\x9CYes,\xE2\x80\x9D she said \xE2\x80\x93 caf\xC3\xA9"},
        DetectCase{"overlongIsNoUtf8", "\xC0\xAF", Encoding::Windows1252, "\xC3\x80\xC2\xAF"},
        DetectCase{"surrogateIsNoUtf8", "\xED\xA0\x80", Encoding::Windows1252,
                   "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        DetectCase{"utf16Le",
                   std::string("\xFF\xFE"
                               "A\0\xE9\0",
                               6),
                   Encoding::Utf16Le, "A\xC3\xA9"},
        DetectCase{"utf16Be", std::string("\xFE\xFF\0A\x20\x1C", 6), Encoding::Utf16Be,
                   "A\xE2\x80\x9C"},
        DetectCase{"utf16Pair", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), Encoding::Utf16Le,
                   "\xF0\x9F\x98\x80"},
        DetectCase{"utf16OddLength",
                   std::string("\xFF\xFE"
                               "A\0B",
                               5),
                   Encoding::Utf16Le, "A\xEF\xBF\xBD"},
        DetectCase{"utf16LoneSurrogate",
                   std::string("\xFF\xFE\x3D\xD8"
                               "A\0",
                               6),
                   Encoding::Utf16Le,
                   "\xEF\xBF\xBD"
                   "A"}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

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
    ::testing::Values(PageCase{"ascii", "The cat sat.", "The cat sat."},
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
                      PageCase{"cyrillic", "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0",
                               "Moskva"},
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
                               "a?b?"}),
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
} // namespace qm::import
