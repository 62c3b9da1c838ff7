// Cascading a book's structure: reference points for chapters in book order, style tags that
// reach the phrase lines unchanged and uncounted, verbatim lines, breaks, pictures, markers.
#include "core/cascade/DocumentCascade.h"
#include "CascadeTestSupport.h"
#include "core/cascade/Cascader.h"
#include "core/cascade/PhraseLine.h"
#include "core/cascade/StyleTags.h"
#include "core/encoding/Utf8.h"
#include "core/testing/ShippedParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace qm {
namespace {

using cascade::Block;
using cascade::BlockKind;
using cascade::Document;

Block heading(std::string t) {
    return {BlockKind::Heading, 1, std::move(t)};
}
Block para(std::string t) {
    return {BlockKind::Paragraph, 0, std::move(t)};
}

Lines cascaded(const Document& doc) {
    const auto book = cascade::cascadeDocument(doc, shippedParser());
    EXPECT_TRUE(book.has_value());
    return book ? book->lines : Lines{};
}

std::size_t indexOf(const Lines& lines, std::string_view l) {
    return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), l) - lines.begin());
}

// Tags removed and blanks folded: what a reader sees of the body lines.
std::string shownWords(const Lines& lines) {
    std::string all;
    for (const std::string& l : lines) {
        if (!test::isBodyLine(l)) continue;
        if (!all.empty()) all += ' ';
        all += test::phraseText(l);
    }
    return all;
}

// The line with its colour tags removed, its style tags kept.
std::string withoutColours(const std::string& line) {
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '|' && i + 2 < line.size() && line[i + 1] >= '0' && line[i + 1] <= '9') {
            i += 2;
            continue;
        }
        out.push_back(line[i]);
    }
    return out;
}

TEST(DocumentCascade, ChaptersGetReferencePointsInBookOrder) {
    Document doc;
    doc.title = "A Book";
    doc.author = "An Author";
    doc.blocks = {para("Before any chapter there is a note."),
                  heading("Chapter One"),
                  para("The rain came down on the hill."),
                  heading("Chapter Two"),
                  para("It stopped."),
                  para("A chapter that opens at a paragraph."),
                  heading("An unlisted heading")};
    // Listed out of order; the fifth points past the end.
    doc.chapters = {{"Two", 3, 0}, {"One", 1, 0}, {"Para", 5, 1}, {"End", 99, 0}};
    const auto book = cascade::cascadeDocument(doc, shippedParser());
    ASSERT_TRUE(book);
    const Lines& l = book->lines;
    test::expectWellFormed(l);
    EXPECT_EQ(l.front(), "A Book, by An Author");
    EXPECT_EQ(book->chapterPoints,
              (std::vector<std::string>{"refpt002", "refpt001", "refpt003", "refpt005"}));
    // Each reference point directly before what it names, in the order of the book.
    const std::size_t r1 = indexOf(l, "l00|refpt001> ");
    const std::size_t r2 = indexOf(l, "l00|refpt002> ");
    const std::size_t r3 = indexOf(l, "l00|refpt003> ");
    const std::size_t r4 = indexOf(l, "l00|refpt004> ");
    const std::size_t r5 = indexOf(l, "l00|refpt005> ");
    ASSERT_LT(r5, l.size());
    EXPECT_TRUE(r1 < r2 && r2 < r3 && r3 < r4 && r4 < r5);
    EXPECT_EQ(l[r1 + 1], "l00|b>Chapter One|n> ");
    EXPECT_EQ(l[r1 + 2], "p001 ");
    EXPECT_EQ(l[r2 + 1], "l00|b>Chapter Two|n> ");
    EXPECT_EQ(l[r2 + 2], "s000 ");
    EXPECT_EQ(test::phraseText(l[r3 + 1]).rfind("A chapter", 0), 0u);
    EXPECT_EQ(l[r4 + 1], "l00|b>An unlisted heading|n> ");
    EXPECT_EQ(l[r5 + 1], "END");
}

// Letting go of each block's text as it is cascaded changes nothing in the lines or the
// reference points, across the pieces the texts are held in, and leaves no blocks.
TEST(DocumentCascade, ReleasingTheTextsAsTheyGoGivesTheSameBook) {
    Document doc;
    doc.title = "Many Chapters";
    for (int c = 1; c <= 2500; ++c) {
        doc.chapters.push_back({"Chapter " + std::to_string(c), doc.blocks.size(), 0});
        doc.blocks.push_back(heading("Chapter " + std::to_string(c)));
        doc.blocks.push_back(para("It was a dark night, and Mr. Hale walked home along the shore."));
    }
    ASSERT_GT(doc.blocks.textBytes(), 2 * LineBuffer::kBlockSize);
    Lines kept, released;
    const auto keptPoints = cascade::cascadeDocumentTo(
        doc, nullptr, [&](std::string& line) { kept.push_back(line); });
    const auto releasedPoints = cascade::cascadeDocumentReleasingTo(
        doc, nullptr, [&](std::string& line) { released.push_back(line); });
    ASSERT_TRUE(keptPoints && releasedPoints);
    EXPECT_TRUE(kept == released);
    EXPECT_EQ(keptPoints->toLines(), releasedPoints->toLines());
    EXPECT_EQ((*releasedPoints)[998], "refpt999");
    EXPECT_EQ((*releasedPoints)[999], ""); // past the last number a point can carry
    EXPECT_TRUE(doc.blocks.empty());
}

struct TagCase {
    const char* name;
    const char* text;
    std::vector<std::string> expectedLines; // the body lines' phrases, exactly
};

class StyleTagsPassThrough : public ::testing::TestWithParam<TagCase> {};

TEST_P(StyleTagsPassThrough, TagsStandWhereTheTextHadThem) {
    const TagCase& c = GetParam();
    Document doc;
    doc.blocks = {para(c.text)};
    const Lines l = cascaded(doc);
    test::expectWellFormed(l);
    Lines body;
    for (const std::string& line : l)
        if (test::isBodyLine(line)) body.push_back(withoutColours(line).substr(3));
    // Where the lines sit is the layout's business; the tags must stand in the phrases.
    EXPECT_EQ(body, c.expectedLines);
}

INSTANTIATE_TEST_SUITE_P(
    Paragraphs, StyleTagsPassThrough,
    ::testing::Values(
        TagCase{"WordInside", "She read |i>Emma|n> twice.", {"She read |i>Emma|n> twice. "}},
        TagCase{"TouchingPunctuation",
                "It was |b>his|n>, not hers.",
                {"It was |b>his|n>, ", "not hers. "}},
        TagCase{"WholeParagraph", "|i>Alone.|n>", {"|i>Alone.|n> "}},
        TagCase{"LeftOpenIsClosed", "It was |i>very quiet.", {"It was |i>very quiet.|n> "}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(DocumentCascade, TagsAreNotWordsAndNotCounted) {
    // The same words with and without tags break into the same lines at the same levels.
    const std::string plain = "The little boat went home before the rain came down over the "
                              "grey hill, and the wind rose over the water all night long.";
    std::string tagged;
    bool inside = false;
    for (char c : plain) {
        if (c == ' ') {
            tagged += inside ? "|n> " : " |i>";
            inside = !inside;
            continue;
        }
        tagged.push_back(c);
    }
    Document a, b;
    a.blocks = {para(plain)};
    b.blocks = {para(tagged)};
    const Lines la = cascaded(a), lb = cascaded(b);
    ASSERT_EQ(la.size(), lb.size());
    bool sawTag = false;
    for (std::size_t i = 0; i < la.size(); ++i) {
        SCOPED_TRACE(lb[i]);
        EXPECT_EQ(cascade::splitStyleTags(lb[i]).plain, cascade::splitStyleTags(la[i]).plain);
        sawTag = sawTag || lb[i].find("|i>") != std::string::npos;
    }
    EXPECT_TRUE(sawTag);
    EXPECT_GT(la.size(), 4u); // long enough to break into several lines
    test::expectWellFormed(lb);
}

TEST(DocumentCascade, SpanAcrossLinesCarriesOver) {
    Document doc;
    doc.blocks = {para("|i>The little boat went home before the rain came down over the grey "
                       "hill and the wind rose.|n> Then all was still.")};
    const Lines l = cascaded(doc);
    std::vector<std::string> body;
    for (const std::string& line : l)
        if (test::isBodyLine(line)) body.push_back(withoutColours(line));
    std::vector<std::string> withTag;
    for (const std::string& line : body)
        if (line.find('|') != std::string::npos) withTag.push_back(line);
    ASSERT_GE(body.size(), 3u);
    ASSERT_EQ(withTag.size(), 2u);
    EXPECT_EQ(body.front(), withTag.front());
    // Opened once on the first line, closed once where the span ends; nothing in between.
    EXPECT_EQ(withTag.front().find("|i>"), 3u);
    EXPECT_EQ(withTag.front().find("|n>"), std::string::npos);
    EXPECT_NE(withTag.back().find("rose.|n>"), std::string::npos);
}

TEST(DocumentCascade, VerbatimBreaksAndPicturesStandAsTheyAre) {
    Document doc;
    doc.blocks = {heading("Contents"),
                  {BlockKind::Verbatim, 0,
                   "I.    The Period, and the Town of Brindlemoor, in which our story begins\n\n"
                   "II.   |i>The Mail|n>\nIII.  Stray | bar\n    indented four\n   three\n"
                   "                         far"},
                  {BlockKind::SceneBreak, 0, ""},
                  {BlockKind::Image, 0, ""},
                  para("Text after the picture.")};
    const Lines l = cascaded(doc);
    test::expectWellFormed(l);
    const std::size_t v = indexOf(l, "l05I. The Period, and the Town of ");
    ASSERT_LT(v, l.size()) << "a long verbatim line goes on at a blank, blanks folded";
    EXPECT_EQ(l[v + 1], "l09Brindlemoor, in which our story begins ");
    EXPECT_EQ(l[v + 2], "l05II. |i>The Mail|n> ");
    EXPECT_EQ(l[v + 3], "l05III. Stray / bar ");
    // Each four blanks of indentation step a line right, at most four steps.
    EXPECT_EQ(l[v + 4], "l09indented four ");
    EXPECT_EQ(l[v + 5], "l05three ");
    EXPECT_EQ(l[v + 6], "l21far ");
    EXPECT_EQ(l[v + 7], "s000 ");
    EXPECT_EQ(l[v + 8], "l17* * * ");
    EXPECT_EQ(l[v + 9], "s000 ");
    EXPECT_EQ(l[v + 10], "l17[image] ");
    EXPECT_EQ(l[v + 11], "s000 ");
}

// A kept picture is its image tag and a nameless tag for each further row; the cover comes
// before the title; a block naming no kept picture keeps the placeholder.
TEST(DocumentCascade, KeptPicturesTakeTheirRowsAndTheCoverComesFirst) {
    struct Case {
        const char* what;
        std::string cover;
        std::string block;
        Lines head; // the lines after the banner, up to the title
        Lines picture;
    };
    const Lines map{"l17|image>img0002.gif ", "l17|image> ", "l17|image> ", "s000 "};
    const Case cases[] = {
        {"a cover and a picture", "img0001.png", "img0002.gif",
         {"l17|image>img0001.png ", "l17|image> ", "s000 "}, map},
        {"no cover", "", "img0002.gif", {}, map},
        {"a cover that was not kept", "img0009.png", "img0002.gif", {}, map},
        {"a picture that was not kept", "", "img0009.png", {}, {"l17[image] ", "s000 "}},
    };
    for (const Case& c : cases) {
        Document doc;
        doc.title = "Pictures";
        doc.pictures = {{"img0001.png", "", 2}, {"img0002.gif", "", 3}};
        doc.cover = c.cover;
        doc.blocks = {heading("Title"), para("Before."), {BlockKind::Image, 0, c.block},
                      para("After.")};
        const Lines l = cascaded(doc);
        test::expectWellFormed(l);
        const std::size_t title = indexOf(l, "l00|b>Title|n> ");
        ASSERT_LT(title, l.size()) << c.what;
        // The title follows its reference point, which follows the cover.
        EXPECT_EQ(Lines(l.begin() + 1, l.begin() + static_cast<std::ptrdiff_t>(title) - 1), c.head)
            << c.what;
        const std::size_t at = indexOf(l, c.picture.front());
        ASSERT_LT(at, l.size()) << c.what;
        EXPECT_EQ(Lines(l.begin() + static_cast<std::ptrdiff_t>(at),
                        l.begin() + static_cast<std::ptrdiff_t>(at + c.picture.size())),
                  c.picture)
            << c.what;
    }
}

TEST(StyleTags, WrappingCutsAtBlanksAndCarriesTagsWithTheirWords) {
    const struct {
        std::string text;
        std::size_t width;
        Lines pieces;
    } cases[] = {
        {"short line", 40, {"short line"}},
        {"CHAPTER XXVII. Doubts to be Settled\xE2\x80\x94The Young Detectives",
         40,
         {"CHAPTER XXVII. Doubts to be Settled\xE2\x80\x94The", "Young Detectives"}},
        // A word wider than the line stays whole.
        {"a Self-Examination-of-the-Young b", 10, {"a", "Self-Examination-of-the-Young", "b"}},
        {"one |i>two three|n> four", 9, {"one |i>two", "three|n>", "four"}},
        {"one two |b>three|n>", 7, {"one two", "|b>three|n>"}},
        {"caf\xC3\xA9 caf\xC3\xA9", 9, {"caf\xC3\xA9 caf\xC3\xA9"}}, // characters, not bytes
    };
    for (const auto& c : cases) {
        Lines got;
        for (const cascade::StyledText& piece :
             cascade::wrapStyledText(cascade::splitStyleTags(c.text), c.width))
            got.push_back(cascade::withStyleTags(piece));
        EXPECT_EQ(got, c.pieces) << c.text;
    }
}

TEST(DocumentCascade, ALongVerbatimListHasPageBreakPointsInside) {
    for (const int entries : {10, 11, 28}) {
        Document doc;
        std::string list;
        for (int i = 1; i <= entries; ++i)
            list += "Chapter " + std::to_string(i) + "\n\n";
        doc.blocks = {heading("Contents"), {BlockKind::Verbatim, 0, list}};
        const Lines l = cascaded(doc);
        test::expectWellFormed(l);
        const std::size_t first = indexOf(l, "l05Chapter 1 ");
        ASSERT_LT(first, l.size());
        // Entries in order; a marker before every fifth one after the first group when the
        // list is long, none in a short one; a single marker closes the block.
        std::size_t at = first;
        for (int i = 1; i <= entries; ++i, ++at) {
            if (entries > 10 && i > 1 && (i - 1) % 5 == 0) {
                EXPECT_EQ(l[at++], "s000 ") << i;
            }
            EXPECT_EQ(l[at], "l05Chapter " + std::to_string(i) + " ");
        }
        EXPECT_EQ(l[at], "s000 ");
    }
}

// Entries of a printed contents list: one entry per line, wrapped at blanks within 40
// characters with the rest a step in, no word cut, no colour, style tags kept; a section break
// between groups of entries and after the run.
TEST(DocumentCascade, EntriesAreWrappedListLinesWithoutColour) {
    const std::string longWord(45, 'w');
    Document doc;
    doc.blocks = {
        heading("Contents"),
        {BlockKind::Entry, 0, "CHAPTER XXVII. Doubts to be Settled\u2014The Young Detectives"},
        {BlockKind::Entry, 0, "Chapter II.  Mr. Bennet Visits Netherfield"},
        {BlockKind::Entry, 0, "|i>Emma|n> and Other Tales"},
        {BlockKind::Entry, 0, longWord + " end"},
        {BlockKind::Entry, 0, "|n> "},
        para("It began.")};
    const Lines l = cascaded(doc);
    test::expectWellFormed(l);
    const std::size_t at = indexOf(l, "l00|b>Contents|n> ");
    ASSERT_LT(at + 11, l.size());
    const Lines expected = {"l05CHAPTER XXVII. Doubts to be Settled\u2014The ",
                            "l09Young Detectives ",
                            "l05Chapter II. Mr. Bennet Visits ",
                            "l09Netherfield ",
                            "l05|i>Emma|n> and Other Tales ",
                            "s000 ",
                            "l05" + longWord + " ",
                            "l09end ",
                            "s000 "};
    EXPECT_EQ(Lines(l.begin() + static_cast<long>(at) + 2, l.begin() + static_cast<long>(at) + 11),
              expected);
    EXPECT_EQ(test::phraseText(l[at + 11]), "It began.");
}

// The name colour goes to names in running prose: not to a line in capitals, and a word seen
// only in capitals is not learnt as a name.
TEST(DocumentCascade, NamesAreColouredInRunningProseOnly) {
    struct Case {
        const char* text;
        bool named;
    };
    const Case cases[] = {
        {"PRIDE AND PREJUDICE", false},
        {"CHAPTER II. THE VISIT OF MR. BENNET", false},
        {"The wind carried little Gerda far from Copenhagen.", true},
        {"Prejudice is a fault.", false},
    };
    for (cascade::SentenceParser* parser :
         {shippedParser(), static_cast<cascade::SentenceParser*>(nullptr)}) {
        Document doc;
        for (const Case& c : cases)
            doc.blocks.push_back(para(c.text));
        const auto book = cascade::cascadeDocument(doc, parser);
        ASSERT_TRUE(book);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(parser ? "parsed: " : "lexicon: ") + c.text);
            std::string lines;
            for (const std::string& line : book->lines) {
                if (test::isBodyLine(line) &&
                    std::string(c.text).find(test::phraseText(line)) != std::string::npos)
                    lines += line;
            }
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.find("|8>") != std::string::npos, c.named) << lines;
        }
    }
}

TEST(DocumentCascade, MarkerRunsInBookTextAreBroken) {
    Document doc;
    doc.blocks = {para("Form s000 and |i>refp|n>oint appear here."), heading("s000 refpt")};
    const Lines l = cascaded(doc);
    test::expectWellFormed(l);
    EXPECT_NE(shownWords(l).find("s-000"), std::string::npos);
}

TEST(DocumentCascade, ParagraphMarkersComeAsInProse) {
    // Many short paragraphs: a marker about every 250 lines, numbered on.
    Document doc;
    doc.blocks.push_back(heading("Only Chapter"));
    for (int i = 0; i < 400; ++i)
        doc.blocks.push_back(para("The wind rose over the hill, and the boat went home."));
    const Lines l = cascaded(doc);
    test::expectWellFormed(l);
    std::vector<std::string> markers;
    for (const std::string& line : l)
        if (line[0] == 'p') markers.push_back(line);
    ASSERT_GE(markers.size(), 3u);
    EXPECT_EQ(markers[0], "p001 ");
    EXPECT_EQ(markers[1], "p002 ");
}

TEST(DocumentCascade, ProgressIsToldAndCanStop) {
    Document doc;
    for (int c = 0; c < 5; ++c) {
        doc.chapters.push_back({"C", doc.blocks.size(), 0});
        doc.blocks.push_back(heading("Chapter"));
        doc.blocks.push_back(para("Some words here."));
    }
    std::vector<double> seen;
    const auto all = cascade::cascadeDocument(doc, shippedParser(), [&](double f) {
        seen.push_back(f);
        return true;
    });
    ASSERT_TRUE(all);
    EXPECT_GE(seen.size(), 5u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    int calls = 0;
    EXPECT_FALSE(
        cascade::cascadeDocument(doc, shippedParser(), [&](double) { return ++calls < 3; }));
    EXPECT_EQ(calls, 3);
}

// A paragraph far longer than any book's (a file without blank lines, a line of megabytes)
// is laid out a bounded piece at a time: its words come out whole and in order, in lines of
// at most 40 characters, never cut inside a character or a style tag, and a span open across
// the pieces is opened and closed once.
TEST(DocumentCascade, AParagraphOfMegabytesComesOutWholeInBoundedLines) {
    std::string letters;
    while (letters.size() < 300000)
        letters += "abcdefghijklmnopqrstuvwxyz\xC3\xA9";
    std::string sentences;
    while (sentences.size() < 300000)
        sentences += "The wind rose over the grey hill, and the boat went home. ";
    sentences.pop_back();
    const struct {
        const char* what;
        std::string text;
        std::size_t italic; // the spans the text opens
    } cases[] = {
        {"one word without a blank", letters, 0},
        {"sentences without a paragraph end", sentences, 0},
        {"a span over the whole paragraph", "|i>" + sentences + "|n> Then all was still.", 1},
        {"a span open to the end", "So it began: |i>" + letters, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Document doc;
        doc.blocks = {para(c.text)};
        const auto book = cascade::cascadeDocument(doc, nullptr);
        ASSERT_TRUE(book);
        test::expectWellFormed(book->lines);
        std::string shown;
        std::size_t opened = 0, closed = 0;
        for (const std::string& l : book->lines) {
            if (!test::isBodyLine(l)) continue;
            ASSERT_LE(test::phraseText(l).size(), 40u) << l;
            ASSERT_TRUE(encoding::isValidUtf8(l)) << l;
            for (std::size_t at = l.find("|i>"); at != std::string::npos; at = l.find("|i>", at + 1))
                ++opened;
            for (std::size_t at = l.find("|n>"); at != std::string::npos; at = l.find("|n>", at + 1))
                ++closed;
            for (const char ch : test::phraseText(l))
                if (ch != ' ') shown.push_back(ch);
        }
        std::string words = cascade::splitStyleTags(c.text).plain;
        std::erase(words, ' ');
        EXPECT_TRUE(shown == words) << "the words are not all there in order";
        EXPECT_EQ(opened, c.italic);
        EXPECT_EQ(closed, c.italic);
    }
}

TEST(DocumentCascade, ProseCascaderIsUnchangedByTheDocumentPath) {
    // The same words through both paths come out in the same body lines.
    const std::string prose = "The wind rose over the hill. The little boat went home before "
                              "the rain came down, and nobody saw it go.";
    Document doc;
    doc.blocks = {para(prose)};
    Lines fromProse = cascadeText(prose, shippedParser()), fromDoc = cascaded(doc);
    fromProse.erase(fromProse.begin());
    fromDoc.erase(fromDoc.begin());
    EXPECT_EQ(fromDoc, fromProse);
}

} // namespace
} // namespace qm
