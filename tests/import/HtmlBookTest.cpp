// HTML books and chapter files: elements to blocks, the distributor's frame, chapters from the
// book's contents links or its headings, and tag soup of any size.
#include "core/import/HtmlBook.h"
#include "ImportTestSupport.h"
#include "core/encoding/Decode.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qm::import {
namespace {

using qmtest::blockList;
using qmtest::chapterTitles;
using Strings = std::vector<std::string>;

struct HtmlCase {
    const char* name;
    std::string html;
    Strings blocks;
};

class HtmlElements : public ::testing::TestWithParam<HtmlCase> {};

TEST_P(HtmlElements, BecomeBlocks) {
    EXPECT_EQ(blockList(readHtmlBook(GetParam().html)), GetParam().blocks);
}

INSTANTIATE_TEST_SUITE_P(
    Html, HtmlElements,
    ::testing::Values(
        HtmlCase{"paragraphsAndHeadings",
                 "<h1>Title</h1><h2>One</h2><p>First\n   line.</p><p>Second.</p><h6>Six</h6>",
                 {"H1:Title", "H2:One", "P:First line.", "P:Second.", "H6:Six"}},
        HtmlCase{"styles",
                 "<p>A <em>fine</em> <b>bold</b> and <i>it <strong>both</strong> back</i> end.</p>",
                 {"P:A |i>fine|n> |b>bold|n> and |i>it|n> |b>both|n> |i>back|n> end."}},
        HtmlCase{"entitiesAndBars",
                 "<p>&ldquo;Caf&eacute;&rdquo; &amp; &#x2014; a|b&nbsp;c</p>",
                 {"P:\xE2\x80\x9C"
                  "Caf\xC3\xA9\xE2\x80\x9D & \xE2\x80\x94 a\xC2\xA6"
                  "b c"}},
        HtmlCase{"scriptsAndStylesDropped",
                 "<head><style>p{x:1}</style><script>var a = '<p>no</p>';</script></head>"
                 "<body><p>Yes.</p><script>alert(1)</script></body>",
                 {"P:Yes."}},
        HtmlCase{"lineBreaksMakeSetLines",
                 "<p>Roses are red,<br/>violets are blue.</p><h2>A<br>B</h2>",
                 {"V:Roses are red,\nviolets are blue.", "H2:A B"}},
        HtmlCase{"imagesBesideText",
                 "<p><img src=\"a.png\" alt=\"A map\"/></p><p>Drop <img src=\"c.png\"/>cap.</p>",
                 {"I:A map", "P:Drop cap.", "I:"}},
        HtmlCase{"preformatted",
                 "<pre>  line one\n    line two\n</pre><p>after</p>",
                 {"V:  line one\n    line two", "P:after"}},
        HtmlCase{"tablesAreSetLines",
                 "<table><tr><th>Letter 1</th><td>5</td><td></td><td>x</td></tr><tr><td></td>"
                 "<td>Letter <b>2</b></td></tr></table>",
                 {"V:Letter 1 \xC2\xA6 5 \xC2\xA6 \xC2\xA6 x\n\xC2\xA6 Letter |b>2|n>"}},
        HtmlCase{"layoutTablesAreProse",
                 "<table><tr><td><p>One.</p><p>Two.</p></td></tr></table>",
                 {"P:One.", "P:Two."}},
        HtmlCase{"rulesBreakScenesBetweenProse",
                 "<hr/><p>A.</p><hr/><p>B.</p><hr/><h2>C</h2><p>D.</p><hr/>",
                 {"P:A.", "S:", "P:B.", "H2:C", "P:D."}},
        HtmlCase{"tagSoup",
                 "<p>Open <i>never closed<p>Next</div></span> <b>bold",
                 {"P:Open |i>never closed|n>", "P:Next |b>bold|n>"}},
        // Note references of every form become a mark of their own; a link that is no
        // reference keeps its text.
        HtmlCase{"noteReferences",
                 "<p>Went down.<a href=\"#n1\"><sup>1</sup></a>Her <sup><a href=\"#n2\">"
                 "[2]</a></sup> one<a epub:type=\"noteref\" href=\"#n3\">iii</a>, "
                 "<a role=\"doc-noteref\" href=\"#n4\">4</a> <a href=\"#n5\">[5]</a>.</p>"
                 "<p>See <a href=\"#c1\">1</a> and <a href=\"#c2\"><sup>note</sup></a> "
                 "<a href=\"#c3\"><i>Chapter</i> 3</a> x<sup>2</sup>.</p>",
                 {"P:Went down. [1] Her [2] one [iii], [4] [5].",
                  "P:See 1 and note |i>Chapter|n> 3 x2."}},
        HtmlCase{"contentsNamingEveryChapterLeavesTheText",
                 "<h2>Table of Contents</h2><p><a href=\"#a\">CHAPTER I.&mdash;Doubts</a></p>"
                 "<p class=\"toc\"><a href=\"#b\">Chapter 2: <i>Self-Examination</i></a></p>"
                 "<h2 id=\"a\">CHAPTER I. Doubts</h2><p>x</p>"
                 "<h2 id=\"b\">CHAPTER II. Self-Examination</h2><p>y</p>",
                 {"H2:CHAPTER I. Doubts", "P:x", "H2:CHAPTER II. Self-Examination", "P:y"}},
        HtmlCase{"contentsWithOtherEntriesAreOneLinePerEntry",
                 "<h2>CONTENTS</h2><p><a href=\"#z\">Preface</a></p>"
                 "<p><a href=\"#a\">CHAPTER I. Doubts</a></p><h2 id=\"a\">CHAPTER I. Doubts</h2>"
                 "<p>It was a dark night when the old man came home, and nobody saw him.</p>",
                 {"H2:CONTENTS", "E:Preface", "E:CHAPTER I. Doubts", "H2:CHAPTER I. Doubts",
                  "P:It was a dark night when the old man came home, and nobody saw him."}},
        HtmlCase{"divsAndLists",
                 "<div>Loose text<div>inner</div>tail</div><ul><li>one</li><li>two</li></ul>",
                 {"P:Loose text", "P:inner", "P:tail", "V:\xE2\x80\xA2 one\n\xE2\x80\xA2 two"}},
        HtmlCase{"nestedListsStepRight",
                 "<ul><li>a<ol><li><p>b</p><ul><li>c</li></ul></li><li>d</li></ol></li>"
                 "<li><i>e</i></li></ul><p>After.</p>",
                 {"V:\xE2\x80\xA2 a\n    1. b\n        \xE2\x80\xA2 c\n    2. d\n"
                  "\xE2\x80\xA2 |i>e|n>",
                  "P:After."}},
        // A list with a long item, or with more than one block in an item, is prose.
        HtmlCase{"listsOfProse",
                 "<ol><li>Short.</li><li>A long item that goes on and on well past the width "
                 "of a set line.</li></ol><ul><li><p>One.</p><p>Two.</p></li></ul>",
                 {"P:1. Short.",
                  "P:2. A long item that goes on and on well past the width of a set line.",
                  "P:\xE2\x80\xA2 One.", "P:Two."}}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(HtmlBook, TakesTheDistributorsHeaderAndStripsTheFrame) {
    const cascade::Document doc = readHtmlBook(
        "<html><head><title>The E-text of Tales</title></head><body>"
        "<pre>Title: Tales\nAuthor: Some One\n*** START OF THIS EBOOK TALES ***\n</pre>"
        "<h2>Chapter 1</h2><p>Story.</p>"
        "<pre>End of the Project's EBook\n*** END OF THIS EBOOK TALES ***\nlicence</pre>"
        "<p>More licence.</p></body></html>");
    EXPECT_EQ(doc.title, "Tales");
    EXPECT_EQ(doc.author, "Some One");
    EXPECT_EQ(blockList(doc), (Strings{"H2:Chapter 1", "P:Story."}));
    EXPECT_EQ(chapterTitles(doc), (Strings{"Chapter 1"}));
}

TEST(HtmlBook, TitleComesFromTheTitleElementWithoutAHeader) {
    EXPECT_EQ(readHtmlBook("<title>My  Book</title><p>x</p>").title, "My Book");
}

TEST(HtmlBook, ChaptersFollowTheBooksContentsLinks) {
    const cascade::Document doc =
        readHtmlBook("<h1>Book</h1><h3>Contents</h3><p><a href=\"#c1\">The First</a><br/>"
                     "<a href=\"#c2\">The Second</a></p>"
                     "<p><a name=\"c1\"></a></p><h3>I</h3><p>Text<a href=\"#n1\">1</a>.</p>"
                     "<h3 id=\"c2\">II</h3><p>More.</p><p id=\"n1\">A note.</p>");
    EXPECT_EQ(chapterTitles(doc), (Strings{"The First", "The Second"}));
    ASSERT_EQ(doc.chapters.size(), 2u);
    EXPECT_EQ(doc.blocks[doc.chapters[0].block].text, "I");
    EXPECT_EQ(doc.blocks[doc.chapters[1].block].text, "II");
}

TEST(HtmlBook, FootnoteLinksAreNeverChapters) {
    // A story in Windows-1252 whose only links before their targets are note marks.
    const std::string cp1252 =
        "<html><head><meta charset=\"windows-1252\"><title>Story</title></head><body>"
        "<h1>The Story</h1><p>Anne came home from the caf\xE9.<a href=\"#n1\">1</a> She slept."
        "<a href=\"#n2\">[2]</a> Then<a href=\"#n3\">*</a> it rained.<a href=\"#n4\">(iv)</a>"
        "</p><h2>The Second Day</h2><p>Nothing.</p><p id=\"n1\">1. A fair.</p>"
        "<p id=\"n2\">2. At noon.</p><p id=\"n3\">* Hard.</p><p id=\"n4\">iv. Late.</p>"
        "</body></html>";
    const cascade::Document doc = readHtmlBook(encoding::decodeToUtf8(cp1252));
    EXPECT_EQ(chapterTitles(doc), (Strings{"The Story", "The Second Day"}));
}

TEST(HtmlBook, ChaptersComeFromHeadingsOneToThreeWithoutContentsLinks) {
    const cascade::Document doc =
        readHtmlBook("<h1>Part</h1><h2>One</h2><p>a</p><h4>minor</h4><h2>Two</h2><p>b</p>");
    EXPECT_EQ(chapterTitles(doc), (Strings{"Part", "One", "Two"}));
    ASSERT_EQ(doc.chapters.size(), 3u);
    EXPECT_EQ(doc.chapters[0].depth, 0);
    EXPECT_EQ(doc.chapters[1].depth, 1);
}

// Notes, marked or only linked to, go to the end of the chapter of their reference, each
// starting with its mark; an unreferenced note and a link back from a note stay as they are.
TEST(HtmlBook, NotesComeAtTheEndOfTheirReferencesChapter) {
    const cascade::Document doc = readHtmlBook(
        "<h2>One</h2><p>Sun.<a href=\"#n1\"><sup>1</sup></a> Moon.<sup><a href=\"#n2\">2</a>"
        "</sup></p><p>More.</p><h2>Two</h2><p>Star.<a href=\"#n3\"><sup>3</sup></a></p>"
        "<h2>Notes</h2><div class=\"footnote\" id=\"n2\"><p><a href=\"#r2\">2</a> Second"
        "</p><p>goes on.</p></div><div class=\"footnote\" id=\"n1\"><p>1. First.</p></div>"
        "<p id=\"n3\">Third, a plain paragraph.</p><div class=\"footnote\"><p>Lone.</p></div>");
    EXPECT_EQ(blockList(doc), (Strings{"H2:One", "P:Sun. [1] Moon. [2]", "P:More.", "P:[1] First.",
                                       "P:[2] Second", "P:goes on.", "H2:Two", "P:Star. [3]",
                                       "P:[3] Third, a plain paragraph.", "H2:Notes", "P:Lone."}));
    std::vector<std::size_t> at;
    for (const cascade::Chapter& c : doc.chapters)
        at.push_back(c.block);
    EXPECT_EQ(at, (std::vector<std::size_t>{0, 6, 9}));
}

TEST(HtmlBook, FiftyMegabytesOnOneLineAreReadWhole) {
    std::string html = "<html><body><p>";
    const std::string words =
        "It was the best of times, it was the worst of times, it was the "
        "age of wisdom, it was the <i>age</i> of foolishness, more&amp;words ";
    while (html.size() < (50u << 20))
        html += words;
    html += "</p></body></html>";
    const cascade::Document doc = readHtmlBook(html);
    ASSERT_EQ(doc.blocks.size(), 1u);
    EXPECT_GT(doc.blocks[0].text.size(), 40u << 20);
    EXPECT_TRUE(doc.blocks[0].text.ends_with("more&words"));
}

std::string repeated(std::string_view piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

// Shapes that cost libxml2 time in proportion to open elements times stray end tags.
TEST(HtmlBook, HostileNestingStopsWithAMessage) {
    EXPECT_THAT(qmtest::userErrorOf([] { readHtmlBook(repeated("<div>", 5000) + "text"); }),
                ::testing::HasSubstr("nests elements more than 1024 deep"));
    EXPECT_THAT(qmtest::userErrorOf(
                    [] { readHtmlBook(repeated("<span>", 500) + repeated("</x>", 2'000'000)); }),
                ::testing::HasSubstr("end tags that close nothing"));
}

TEST(HtmlBook, StrayEndTagsOfAnUntidyBookAreReadPast) {
    const cascade::Document doc = readHtmlBook(repeated("<p>Text.</span></font></i></p>", 20000));
    EXPECT_EQ(doc.blocks.size(), 20000u);
    EXPECT_EQ(doc.blocks.back().text, "Text.");
}

TEST(Corpus, FrankensteinHtmlHasTheChaptersOfItsText) {
    const auto bytes = qmtest::corpusFile("frankenstein.htm");
    if (!bytes) GTEST_SKIP() << "../shared/corpus/frankenstein.htm is absent";
    const cascade::Document doc = readHtmlBook(encoding::decodeToUtf8(*bytes));
    EXPECT_EQ(doc.title, "Frankenstein or The Modern Prometheus");
    EXPECT_EQ(doc.author, "Mary Wollstonecraft (Godwin) Shelley");
    const Strings titles = chapterTitles(doc);
    ASSERT_EQ(titles.size(), 28u);
    EXPECT_EQ(titles.front(), "Letter 1");
    EXPECT_EQ(titles.back(), "Chapter 24");
    for (const cascade::Chapter& c : doc.chapters)
        EXPECT_EQ(doc.blocks[c.block].text, c.title);
    for (const cascade::BlockView b : doc.blocks)
        EXPECT_EQ(b.text.find("Gutenberg"), std::string::npos) << b.text.substr(0, 80);
    EXPECT_TRUE(doc.blocks.back().text.ends_with("lost in darkness and distance."));
}

} // namespace
} // namespace qm::import
