// Plain-text books: chapter headings in their common forms, the distributor's frame, the
// book's own contents list, paragraphs, italics and scene breaks; and the corpus novels.
#include "core/import/PlainTextBook.h"
#include "ImportTestSupport.h"
#include "core/encoding/Decode.h"
#include "core/encoding/Utf8.h"
#include "core/import/ChapterHeadings.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qm::import {
namespace {

using qmtest::blockList;
using qmtest::chapterTitles;
using Strings = std::vector<std::string>;

struct HeadingCase {
    const char* line;
    bool heading;
    int level = 2;
    bool hasTitle = false;
};

class HeadingLines : public ::testing::TestWithParam<HeadingCase> {};

TEST_P(HeadingLines, AreHeadingsOnlyInTheirCommonForms) {
    const HeadingCase& c = GetParam();
    const auto m = matchChapterHeading(c.line);
    ASSERT_EQ(m.has_value(), c.heading) << c.line;
    if (!m) return;
    EXPECT_EQ(m->level, c.level) << c.line;
    EXPECT_EQ(m->hasTitle, c.hasTitle) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, HeadingLines,
    ::testing::Values(HeadingCase{"CHAPTER I.", true}, HeadingCase{"Chapter 1", true},
                      HeadingCase{"CHAPTER XII. THE TRIAL", true, 2, true},
                      HeadingCase{"Chapter 3: The Road South", true, 2, true},
                      HeadingCase{"I. The Period", true, 2, true}, HeadingCase{"XIV", true},
                      HeadingCase{"LETTER 1", true}, HeadingCase{"BOOK THE FIRST", true, 1},
                      HeadingCase{"PART II", true, 1}, HeadingCase{"STAVE ONE.", true},
                      HeadingCase{"Chapter Twenty-One", true}, HeadingCase{"PREFACE", true},
                      HeadingCase{"  Chapter 7  ", true},
                      HeadingCase{"V. The Wine-shop", true, 2, true},
                      HeadingCase{"XIII. Fifty-two", true, 2, true},
                      HeadingCase{"Book the Second--the Golden Thread", true, 1, true},
                      HeadingCase{"Volume 3", true, 1}, HeadingCase{"CHAPITRE PREMIER", true},
                      HeadingCase{"Chapitre premier", true}, HeadingCase{"LIVRE II", true, 1},
                      HeadingCase{"CHAPITRE DEUXI\xC3\x88ME", true},
                      HeadingCase{"Chapitre deuxi\xC3\xA8me", true},
                      // Prose and near misses.
                      HeadingCase{"chapter 1", false}, HeadingCase{"Chapter", false},
                      HeadingCase{"Part of the problem was the weather.", false},
                      HeadingCase{"Book I read yesterday was long.", false},
                      HeadingCase{"Letter to my sister", false},
                      HeadingCase{"Book the Second--and last, he said, of many", false},
                      HeadingCase{"V. The wine-shop was shut", false},
                      HeadingCase{"IIII. Wrong numeral", false}, HeadingCase{"VX", false},
                      HeadingCase{"I. e. the same", false}, HeadingCase{"Chapter 12b", false},
                      HeadingCase{"In the preface he said so.", false}));

// Matching a line against a comparison form without making the line's form agrees with
// making it, for the trims and blanks the form undoes and for near misses.
TEST(HeadingComparisonForm, IsMatchedAsMakingItWouldMatch) {
    const std::vector<std::string> lines = {
        "CONTENTS", "  Contents.  ", "CONTENTS:", "CONTENTS . . . :", "TABLE  OF\tCONTENTS",
        "Table of Contents ...", "CONTENT", "CONTENTSS", "CONTENTS X", "TABLE OFCONTENTS",
        "", "   ", "...", "C ONTENTS", "CONTENTS" + std::string(100'000, '.'),
        "T" + std::string(100'000, 'A')};
    for (const std::string& line : lines)
        for (const std::string_view form : {"contents", "table of contents", ""})
            EXPECT_EQ(hasHeadingComparisonForm(line, form), headingComparisonForm(line) == form)
                << line.substr(0, 30) << " / " << form;
}

struct BookCase {
    const char* name;
    std::string text;
    Strings blocks;
    Strings chapters;
};

class PlainTextBooks : public ::testing::TestWithParam<BookCase> {};

TEST_P(PlainTextBooks, BecomeTheirBlocksAndChapters) {
    const BookCase& c = GetParam();
    const cascade::Document doc = readPlainTextBook(c.text);
    EXPECT_EQ(blockList(doc), c.blocks);
    EXPECT_EQ(chapterTitles(doc), c.chapters);
    for (const cascade::Chapter& ch : doc.chapters) {
        ASSERT_LT(ch.block, doc.blocks.size());
        EXPECT_EQ(doc.blocks[ch.block].kind, cascade::BlockKind::Heading);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PlainTextBooks,
    ::testing::Values(
        BookCase{"hardLineEndsJoin",
                 "It was the best\r\nof times.\r\n\r\n\r\nIt was   the worst.\r\n",
                 {"P:It was the best of times.", "P:It was the worst."},
                 {}},
        BookCase{"italicsFromUnderscores",
                 "She _did_ say _so\nvery loudly_, with snake_case left.\n\nAn _unclosed one.",
                 {"P:She |i>did|n> say |i>so very loudly|n>, with snake_case left.",
                  "P:An _unclosed one."},
                 {}},
        BookCase{"barsAreNoTags",
                 "A |b> bar.",
                 {"P:A \xC2\xA6"
                  "b> bar."},
                 {}},
        BookCase{
            "sceneBreaksOnlyBetweenProse",
            "* * *\n\nOne.\n\n       *       *       *\n\nTwo.\n\n-----\n\nCHAPTER II.\n\nThree.",
            {"P:One.", "S:", "P:Two.", "H2:CHAPTER II.", "P:Three."},
            {"CHAPTER II."}},
        BookCase{"titleLineJoinsItsHeading",
                 "STAVE ONE.\n\nMARLEY'S GHOST.\n\nMarley was dead, to begin with.\n\n"
                 "Chapter 2\nThe Road\n\nThey went.",
                 {"H2:STAVE ONE. MARLEY'S GHOST.", "P:Marley was dead, to begin with.",
                  "H2:Chapter 2: The Road", "P:They went."},
                 {"STAVE ONE. MARLEY'S GHOST.", "Chapter 2: The Road"}},
        BookCase{"proseAfterAHeadingStaysProse",
                 "CHAPTER I.\n\nIt was cold.\n\nCHAPTER II.\n\n\"Come in,\" she said.",
                 {"H2:CHAPTER I.", "P:It was cold.", "H2:CHAPTER II.", "P:\"Come in,\" she said."},
                 {"CHAPTER I.", "CHAPTER II."}},
        BookCase{"romanNumeralsNeedCompany",
                 "I\n\nAlone it is a word.",
                 {"P:I", "P:Alone it is a word."},
                 {}},
        BookCase{
            "romanNumeralChapters",
            "I. The Period\n\nIt was the best of times.\n\nII. The Mail\n\nIt was the Dover road.",
            {"H2:I. The Period", "P:It was the best of times.", "H2:II. The Mail",
             "P:It was the Dover road."},
            {"I. The Period", "II. The Mail"}},
        BookCase{"contentsListOfTheChaptersLeavesTheText",
                 "CONTENTS\n\n CHAPTER I. The Beginning\n II. The End\n\n\n"
                 "CHAPTER I. The Beginning\n\nOnce upon a time.\n\nCHAPTER 2. The End\n\nNo more.",
                 {"H2:CHAPTER I. The Beginning", "P:Once upon a time.", "H2:CHAPTER 2. The End",
                  "P:No more."},
                 {"CHAPTER I. The Beginning", "CHAPTER 2. The End"}},
        BookCase{"contentsListNamingOtherLinesIsKeptAsLines",
                 "CONTENTS\n\n CHAPTER I. The Beginning\n CHAPTER II. The Middle\n\n\n"
                 "CHAPTER I. The Beginning\n\nOnce upon a time.\n\nCHAPTER II. The End\n\nNo.",
                 {"H2:CONTENTS", "V:CHAPTER I. The Beginning\nCHAPTER II. The Middle",
                  "H2:CHAPTER I. The Beginning", "P:Once upon a time.", "H2:CHAPTER II. The End",
                  "P:No."},
                 {"CHAPTER I. The Beginning", "CHAPTER II. The End"}},
        BookCase{"contentsListEndsAtProse",
                 "Contents\n\nThe Storm\n\nThe Calm\n\nThe wind rose over the hills that night and "
                 "nobody in the village slept\nuntil the morning came and the fishermen went "
                 "down to the harbour to look.",
                 {"H2:Contents", "V:The Storm\nThe Calm",
                  "P:The wind rose over the hills that night and nobody in the village slept "
                  "until the morning came and the fishermen went down to the harbour to look."},
                 {}},
        BookCase{"contentsListEndsAtAHeadingWithProse",
                 "CONTENTS\n\nI. The Period\nII. The Mail\n\nCHAPTER I.\n\nThe Period\n\n"
                 "It was the best of times, it was the worst of times, it was the age of\n"
                 "wisdom, it was the age of foolishness, it was the epoch of belief.",
                 {"H2:CONTENTS", "V:I. The Period\nII. The Mail", "H2:CHAPTER I. The Period",
                  "P:It was the best of times, it was the worst of times, it was the age of "
                  "wisdom, it was the age of foolishness, it was the epoch of belief."},
                 {"CHAPTER I. The Period"}},
        BookCase{"partsHoldChapters",
                 "BOOK THE FIRST\n\nCHAPTER I.\n\nText.\n\nBOOK THE SECOND\n\nCHAPTER I.\n\nMore.",
                 {"H1:BOOK THE FIRST", "H2:CHAPTER I.", "P:Text.", "H1:BOOK THE SECOND",
                  "H2:CHAPTER I.", "P:More."},
                 {"BOOK THE FIRST", "CHAPTER I.", "BOOK THE SECOND", "CHAPTER I."}},
        BookCase{
            "verseKeepsItsLines",
            "He sang:\n\n  Like one who, on a lonely road,\n    Doth walk in fear and dread,\n\n"
            "And stopped.",
            {"P:He sang:", "V:Like one who, on a lonely road,\n  Doth walk in fear and dread,",
             "P:And stopped."},
            {}},
        BookCase{"illustrations",
                 "Text.\n\n[Illustration: The old house]\n\nMore.",
                 {"P:Text.", "I:The old house", "P:More."},
                 {}}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

// A novel in three books as a distributor sets it: the contents list names headings the
// common forms miss ("V. The Wine-shop", "XIII. The Fellow of no Delicacy"), and the books hold
// their chapters.
TEST(PlainTextBooks, TheContentsListFindsUnusualHeadingsAndPartsHoldTheirChapters) {
    const std::string prose = "It was the time of year when the roads were bad and the coaches "
                              "ran late,\nand nobody on them said very much to anyone at all.\n\n";
    const std::string text =
        "CONTENTS\n\n     Book the First--Recalled to Life\n     CHAPTER I      The Period\n"
        "     CHAPTER V      The Wine-shop\n     Book the Second--the Golden Thread\n"
        "     CHAPTER XIII   The Fellow of no Delicacy\n     CHAPTER XIV    Fifty-two\n\n\n"
        "Book the First--Recalled to Life\n\n\nI. The Period\n\n" +
        prose + "V. The Wine-shop\n\n" + prose + "Book the Second--the Golden Thread\n\n\n" +
        "XIII.\nThe Fellow of no Delicacy\n\n" + prose + "XIV.\n\nFifty-two\n\n" + prose;
    const cascade::Document doc = readPlainTextBook(text);
    EXPECT_EQ(chapterTitles(doc), (Strings{"Book the First--Recalled to Life", "I. The Period",
                                           "V. The Wine-shop", "Book the Second--the Golden Thread",
                                           "XIII. The Fellow of no Delicacy", "XIV. Fifty-two"}));
    std::vector<int> depths;
    for (const cascade::Chapter& c : doc.chapters)
        depths.push_back(c.depth);
    EXPECT_EQ(depths, (std::vector<int>{0, 1, 1, 0, 1, 1}));
    // Every entry is a chapter now: the printed list has left the text.
    EXPECT_EQ(blockList(doc).front(), "H1:Book the First--Recalled to Life");
}

TEST(PlainTextBooks, ASingleByteFrenchManualFindsItsChapters) {
    const std::string prose = "Le pr\xE9sent manuel d\xE9"
                              "crit l'appareil et son emploi, pas \xE0 "
                              "pas, pour que\nchacun puisse le mettre en service sans aide.\n\n";
    const std::string latin1 =
        "MANUEL DE L'UTILISATEUR\n\n\nCHAPITRE PREMIER\n\nG\xE9n\xE9ralit\xE9s\n\n" + prose +
        "CHAPITRE II\n\nInstallation de l'appareil\n\n" + prose + "III\n\n" + prose + "IV\n\n" +
        prose;
    const cascade::Document doc = readPlainTextBook(encoding::decodeToUtf8(latin1));
    EXPECT_EQ(chapterTitles(doc),
              (Strings{"CHAPITRE PREMIER: G\xC3\xA9n\xC3\xA9ralit\xC3\xA9s",
                       "CHAPITRE II: Installation de l'appareil", "III", "IV"}));
}

TEST(PlainTextBooks, PartsNestTheirChapters) {
    const cascade::Document doc =
        readPlainTextBook("CHAPTER I.\n\nA.\n\nPART II\n\nCHAPTER II.\n\nB.\n");
    ASSERT_EQ(doc.chapters.size(), 3u);
    EXPECT_EQ(doc.chapters[0].depth, 0);
    EXPECT_EQ(doc.chapters[1].depth, 0);
    EXPECT_EQ(doc.chapters[2].depth, 1);
}

const char* const kFramed =
    "The Project Gutenberg EBook of Tales, by Some One\r\n\r\n"
    "Title: Tales of the Road\r\n       and Other Stories\r\n\r\nAuthor: Some One\r\n\r\n"
    "*** START OF THIS PROJECT GUTENBERG EBOOK TALES ***\r\n\r\n"
    "Produced by Volunteers\r\nand friends.\r\n\r\n\r\n"
    "CHAPTER I.\r\n\r\nThe tale.\r\n\r\n\r\n"
    "End of the Project Gutenberg EBook of Tales, by Some One\r\n\r\n"
    "*** END OF THIS PROJECT GUTENBERG EBOOK TALES ***\r\n\r\nThe licence follows.\r\n";

TEST(DistributorFrame, IsStrippedAndItsTitleAndAuthorKept) {
    const cascade::Document doc = readPlainTextBook(kFramed);
    EXPECT_EQ(doc.title, "Tales of the Road and Other Stories");
    EXPECT_EQ(doc.author, "Some One");
    EXPECT_EQ(blockList(doc), (Strings{"H2:CHAPTER I.", "P:The tale."}));
}

TEST(DistributorFrame, AnUnframedTextIsTakenWhole) {
    const cascade::Document doc = readPlainTextBook("Title: Not a header\n\nJust prose.\n");
    EXPECT_EQ(doc.title, "");
    EXPECT_EQ(blockList(doc), (Strings{"P:Title: Not a header", "P:Just prose."}));
}

// Every block's text is well-formed: single blanks between words (set lines may be
// indented), no bar but the three tags.
void expectCleanText(const cascade::Document& doc) {
    for (const cascade::BlockView b : doc.blocks) {
        EXPECT_TRUE(encoding::isValidUtf8(b.text));
        std::size_t from = 0;
        for (std::size_t nl; from <= b.text.size(); from = nl + 1) {
            nl = std::min(b.text.find('\n', from), b.text.size());
            std::string_view line(b.text.data() + from, nl - from);
            while (line.starts_with(' '))
                line.remove_prefix(1);
            EXPECT_EQ(line.find("  "), std::string::npos) << line;
        }
        for (std::size_t p = b.text.find('|'); p != std::string::npos;
             p = b.text.find('|', p + 1)) {
            const std::string tag(b.text.substr(p, 3));
            EXPECT_TRUE(tag == "|i>" || tag == "|b>" || tag == "|n>") << tag;
        }
    }
}

TEST(Corpus, FrankensteinHasItsLettersAndChapters) {
    const auto bytes = qmtest::corpusFile("frankenstein.txt");
    if (!bytes) GTEST_SKIP() << "../shared/corpus/frankenstein.txt is absent";
    const cascade::Document doc = readPlainTextBook(encoding::decodeToUtf8(*bytes));
    EXPECT_EQ(doc.title, "Frankenstein or The Modern Prometheus");
    EXPECT_EQ(doc.author, "Mary Wollstonecraft (Godwin) Shelley");
    const Strings titles = chapterTitles(doc);
    ASSERT_EQ(titles.size(), 28u);
    EXPECT_EQ(titles.front(), "Letter 1");
    EXPECT_EQ(titles[4], "Chapter 1");
    EXPECT_EQ(titles.back(), "Chapter 24");
    // The contents list names every chapter, so the tree stands for it; the licence is gone;
    // curly quotes remain.
    const auto contents = std::find_if(doc.blocks.begin(), doc.blocks.end(), [](const auto& b) {
        return b.text.starts_with("Letter 1\nLetter 2") || b.text == "CONTENTS";
    });
    EXPECT_EQ(contents, doc.blocks.end());
    bool quotes = false;
    for (const cascade::BlockView b : doc.blocks) {
        EXPECT_EQ(b.text.find("Gutenberg"), std::string::npos) << b.text.substr(0, 80);
        quotes = quotes || b.text.find("\xE2\x80\x9C") != std::string::npos;
    }
    EXPECT_TRUE(quotes);
    EXPECT_TRUE(doc.blocks.back().text.ends_with("lost in darkness and distance."));
    expectCleanText(doc);
}

TEST(Corpus, PrideAndPrejudiceHasSixtyOneChapters) {
    const auto bytes = qmtest::corpusFile("pride-and-prejudice.txt");
    if (!bytes) GTEST_SKIP() << "../shared/corpus/pride-and-prejudice.txt is absent";
    const cascade::Document doc = readPlainTextBook(encoding::decodeToUtf8(*bytes));
    EXPECT_EQ(doc.title, "Pride and Prejudice");
    EXPECT_EQ(doc.author, "Jane Austen");
    const Strings titles = chapterTitles(doc);
    ASSERT_EQ(titles.size(), 61u);
    EXPECT_EQ(titles[60], "Chapter 61");
    EXPECT_EQ(std::count_if(doc.blocks.begin(), doc.blocks.end(),
                            [](const auto& b) { return b.kind == cascade::BlockKind::SceneBreak; }),
              6);
    expectCleanText(doc);
}

} // namespace
} // namespace qm::import
