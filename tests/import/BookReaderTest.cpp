// The entry point: which reader a file gets, titles from file names, messages naming the file,
// and any bytes giving a Document or a UserError.
#include "core/import/BookReader.h"
#include "ImportTestSupport.h"
#include "core/base/Error.h"
#include "core/encoding/Utf8.h"
#include "core/import/DocumentTidy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string_view>

namespace qm::import {
namespace {

using Strings = std::vector<std::string>;

struct FormatCase {
    const char* fileName;
    std::string bytes;
    BookFormat format;
    bool bookFileName;
};

class Formats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(Formats, AreChosenByContentAndName) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(bookFormatOf(c.fileName, c.bytes), c.format) << c.fileName;
    EXPECT_EQ(isBookFileName(c.fileName), c.bookFileName) << c.fileName;
}

INSTANTIATE_TEST_SUITE_P(
    Files, Formats,
    ::testing::Values(
        FormatCase{"/b/novel.txt", "Chapter 1", BookFormat::PlainText, true},
        FormatCase{"NOVEL.TXT", "x", BookFormat::PlainText, true},
        FormatCase{"novel.epub", "PK\x03\x04...", BookFormat::Epub, true},
        FormatCase{"novel.EPUB", "not a zip", BookFormat::Epub, true},
        FormatCase{"novel.zip", "PK\x03\x04...", BookFormat::Epub, false},
        FormatCase{"novel.htm", "plain", BookFormat::Html, true},
        FormatCase{"dir.d/novel.Html", "", BookFormat::Html, true},
        FormatCase{"novel", "\xEF\xBB\xBF <!-- c --> <!DOCTYPE html><p>", BookFormat::Html, false},
        FormatCase{"novel.tvt", "<?xml version=\"1.0\"?>\n<html>", BookFormat::Html, false},
        FormatCase{"notes.md", "# <html> later", BookFormat::PlainText, false},
        FormatCase{"archive.txt.gz", "\x1F\x8B", BookFormat::PlainText, false}));

TEST(ReadBook, ABookWithoutATitleIsTitledByItsFileName) {
    EXPECT_EQ(readBook("/home/me/My Novel.txt", "Some prose.").title, "My Novel");
    EXPECT_EQ(readBook("C:\\books\\tale.html", "<p>x</p>").title, "tale");
    EXPECT_EQ(readBook("x/.hidden", "y").title, ".hidden");
}

TEST(ReadBook, MessagesNameTheFile) {
    EXPECT_EQ(qmtest::userErrorOf([] { readBook("/books/broken.epub", "not a zip at all"); }),
              "Cannot open broken.epub: it is not a readable zip archive (the file is damaged or "
              "is no EPUB).");
}

TEST(ReadBook, TextInAnyEncodingComesOutAsUtf8) {
    const std::string expected = "P:\xE2\x80\x9C"
                                 "Caf\xC3\xA9\xE2\x80\x9D";
    const std::string utf16("\xFF\xFE\x1C\x20"
                            "C\0a\0f\0\xE9\0\x1D\x20",
                            14);
    for (const std::string& bytes : {std::string("\x93"
                                                 "Caf\xE9\x94"),
                                     std::string("\xEF\xBB\xBF\xE2\x80\x9C"
                                                 "Caf\xC3\xA9\xE2\x80\x9D"),
                                     utf16}) {
        EXPECT_EQ(qmtest::blockList(readBook("a.txt", bytes)), (Strings{expected}));
        EXPECT_EQ(qmtest::blockList(readBook("a.html", bytes)), (Strings{expected}));
    }
}

// Without a byte-order mark, UTF-16 in either byte order reads as its UTF-8 does: chapters
// and all (it read as "C H A P T E R", with no chapters).
TEST(ReadBook, Utf16WithoutAMarkReadsAsItsUtf8) {
    const std::u16string text = u"CHAPTER I.\n\nThe caf\u00E9 \u201Copened\u201D.\n\n"
                                u"CHAPTER II.\n\nIt closed again.\n";
    const cascade::Document utf8 = readBook("a.txt", "CHAPTER I.\n\nThe caf\xC3\xA9 "
                                                     "\xE2\x80\x9Copened\xE2\x80\x9D.\n\n"
                                                     "CHAPTER II.\n\nIt closed again.\n");
    ASSERT_EQ(qmtest::chapterTitles(utf8).size(), 2u);
    for (const bool little : {true, false}) {
        std::string bytes;
        for (const char16_t u : text) {
            const char low = static_cast<char>(u & 0xFF), high = static_cast<char>(u >> 8);
            bytes += little ? std::string{low, high} : std::string{high, low};
        }
        const cascade::Document doc = readBook("a.txt", bytes);
        EXPECT_EQ(qmtest::blockList(doc), qmtest::blockList(utf8)) << little;
        EXPECT_EQ(qmtest::chapterTitles(doc), qmtest::chapterTitles(utf8)) << little;
    }
}

TEST(ReadBook, OddUtf16AndInvalidUtf8GiveTextNotErrors) {
    const cascade::Document odd = readBook("a.txt", std::string("\xFF\xFE"
                                                                "A\0B",
                                                                5));
    EXPECT_EQ(qmtest::blockList(odd), (Strings{"P:A\xEF\xBF\xBD"}));
    const cascade::Document bad = readBook("a.html", "<p>\xEF\xBB\xBF\xC3(\xFF</p>");
    ASSERT_EQ(bad.blocks.size(), 1u);
    EXPECT_TRUE(encoding::isValidUtf8(bad.blocks[0].text));
}

std::string repeated(std::string_view piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

std::size_t characters(std::string_view utf8) {
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

struct LongFieldCase {
    const char* name;
    const char* fileName;
    std::string bytes;
    bool hasAuthor;
    bool hasChapterTitle;
};

class LongFields : public ::testing::TestWithParam<LongFieldCase> {};

// A title of 100,000 characters, in a book file of a few kilobytes, kept whole, took the
// library seconds to convert to the page's form, and a million, over ten minutes.
const std::string kLongField = repeated("\xE4\xB8\xAD", 100000);

TEST_P(LongFields, AreCutAtACharacterToTheirCaps) {
    const LongFieldCase& c = GetParam();
    const cascade::Document doc = readBook(c.fileName, c.bytes);
    EXPECT_EQ(characters(doc.title), kMaxTitleChars);
    EXPECT_TRUE(kLongField.starts_with(doc.title));
    if (c.hasAuthor) {
        EXPECT_EQ(characters(doc.author), kMaxAuthorChars);
        EXPECT_TRUE(kLongField.starts_with(doc.author));
    }
    ASSERT_FALSE(doc.chapters.empty());
    if (c.hasChapterTitle) {
        EXPECT_EQ(characters(doc.chapters[0].title), kMaxChapterTitleChars);
    }
    EXPECT_TRUE(encoding::isValidUtf8(doc.title));
}

INSTANTIATE_TEST_SUITE_P(
    Readers, LongFields,
    ::testing::Values(
        LongFieldCase{"Epub", "long.epub",
                      [] {
                          qmtest::EpubBuilder epub;
                          epub.title = epub.author = kLongField;
                          epub.chapter("c1.xhtml", "<h1>One</h1><p>Text.</p>");
                          epub.entry(kLongField, "c1.xhtml");
                          return epub.bytes();
                      }(),
                      true, true},
        LongFieldCase{"Html", "long.html",
                      "<html><head><title>" + kLongField + "</title></head><body><h1>" +
                          kLongField + "</h1><p>Text.</p></body></html>",
                      false, true},
        LongFieldCase{"PlainText", "long.txt",
                      "Title: " + kLongField + "\n\nAuthor: " + kLongField +
                          "\n\n*** START OF THIS EBOOK LONG ***\n\nCHAPTER I.\n\nText.\n",
                      true, false}),
    [](const auto& p) { return std::string(p.param.name); });

struct CapCase {
    const char* name;
    std::string text;
    std::size_t maxChars;
    std::string capped;
};

class Caps : public ::testing::TestWithParam<CapCase> {};

TEST_P(Caps, CutAtACharacterOutsideStyleTags) {
    EXPECT_EQ(cappedText(GetParam().text, GetParam().maxChars), GetParam().capped);
}

INSTANTIATE_TEST_SUITE_P(
    Text, Caps,
    ::testing::Values(CapCase{"short", "A title", 7, "A title"},
                      CapCase{"threeByteCharacters", "\xE4\xB8\xAD\xE5\x9B\xBD\xE4\xB8\xAD", 2,
                              "\xE4\xB8\xAD\xE5\x9B\xBD"},
                      CapCase{"twoAndFourByteCharacters", "\xC3\xA9\xF0\x9F\x93\x96\xC3\xA9", 2,
                              "\xC3\xA9\xF0\x9F\x93\x96"},
                      CapCase{"tagCutAfterItsBar", "ab|i>cd", 3, "ab"},
                      CapCase{"tagCutBeforeItsEnd", "ab|i>cd", 4, "ab"},
                      CapCase{"tagWhole", "ab|i>cd", 5, "ab|i>"},
                      CapCase{"blankAtTheCut", "one two", 4, "one"}),
    [](const auto& p) { return std::string(p.param.name); });

// Random bytes, and random damage to a real EPUB, end in a Document or a UserError.
TEST(ReadBook, AnyBytesGiveADocumentOrAUserError) {
    std::mt19937 random(14);
    const std::string epub = [] {
        qmtest::EpubBuilder b;
        b.chapter("a.xhtml", "<h1>A</h1><p>One <i>two</i>.</p>").entry("A", "a.xhtml");
        return b.bytes();
    }();
    for (int round = 0; round < 300; ++round) {
        std::string bytes = epub;
        const int hits = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < hits; ++i)
            bytes[random() % bytes.size()] = static_cast<char>(random());
        for (const char* name : {"x.epub", "x.html", "x.txt"}) {
            try {
                const cascade::Document doc = readBook(name, bytes);
                for (const cascade::Chapter& c : doc.chapters)
                    EXPECT_LT(c.block, doc.blocks.size());
                for (const cascade::BlockView b : doc.blocks)
                    EXPECT_TRUE(encoding::isValidUtf8(b.text));
            } catch (const UserError& e) {
                EXPECT_TRUE(std::string(e.what()).starts_with("Cannot open x."));
            }
        }
    }
}

} // namespace
} // namespace qm::import
