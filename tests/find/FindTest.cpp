#include "core/find/Find.h"
#include "core/shell/Session.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/SessionTestAccess.h"
#include "core/view/ColourSchemes.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using qm::FindResult;
using Kind = qm::FindResult::Kind;

// A text of n filler lines that hold none of the words searched for.
qm::Lines filler(int n) {
    return qm::Lines(static_cast<std::size_t>(n), "     filler text ");
}

TEST(FindStep, StopsAtEitherEndOfTheText) {
    const qm::Lines lines = filler(10);
    struct Case {
        int top, nextTop;
        bool down;
    } cases[] = {{0, 9, true},  {0, 10, true}, {0, 500, true},
                 {0, 3, false}, {1, 3, false}, {-4, 3, false}};
    for (const auto& c : cases) {
        const FindResult r = qm::findStep(lines, c.top, c.nextTop, "filler", c.down, false);
        EXPECT_EQ(r.kind, Kind::Miss) << c.top << " " << c.nextTop << " " << c.down;
    }
    // One line before those ends there is still something to search.
    EXPECT_EQ(qm::findStep(lines, 0, 7, "filler", true, false).kind, Kind::Hit);
    EXPECT_EQ(qm::findStep(lines, 2, 5, "filler", false, false).kind, Kind::Hit);
}

TEST(FindStep, FirstLineExaminedIsTwoBeyondTheStart) {
    for (const bool down : {true, false}) {
        qm::Lines lines = filler(40);
        const int start = 20, d = down ? 1 : -1;
        lines[start + d] = "    the lantern ";
        lines[start] = "    a lantern ";
        const int top = down ? 5 : start, nextTop = down ? start : 30;
        EXPECT_EQ(qm::findStep(lines, top, nextTop, "lantern", down, false).kind, Kind::Miss);
        lines[start + 2 * d] = "    lantern light ";
        const FindResult r = qm::findStep(lines, top, nextTop, "lantern", down, false);
        ASSERT_EQ(r.kind, Kind::Hit);
        EXPECT_EQ(r.hitLine, start + 2 * d);
        EXPECT_EQ(r.startLine, start);
    }
}

TEST(FindStep, CaseRulesAndPlainSubstrings) {
    struct Case {
        const char* line;
        const char* text;
        bool matchCase;
        bool hit;
    } cases[] = {
        {"  the wind ", "Wind", false, true},
        {"  the WIND ", "Wind", false, true},
        {"  the Wind ", "Wind", false, true},
        {"  the wind ", "Wind", true, false},
        {"  the WIND ", "Wind", true, false},
        {"  the Wind ", "Wind", true, true},
        {"  a band played ", "and", false, true},      // no whole-word rule
        {"  the wind|9> rose|4> ", "9>", false, true}, // raw tags are searched
        {"  the wind|9> rose|4> ", "wind rose", false, true},
        {"l05raw code ", "L05", false, true},
        {"  caf\xC9 ", "caf\xC9", false, true},  // bytes above 0x7F are compared as they are
        {"  caf\xE9 ", "caf\xC9", false, false}, // and never lower-cased
        // A picture's file name is no text of the book.
        {"                 |image>img0001.png ", "img0001", false, false},
        {"                 |image>img0001.png ", "png", false, false},
        {"                 |image> ", "image", false, false},
        {"  a map|image>map.png ", "a map", false, true},
    };
    for (const auto& c : cases) {
        qm::Lines lines = filler(12);
        lines[6] = c.line;
        const FindResult r = qm::findStep(lines, 0, 3, c.text, true, c.matchCase);
        EXPECT_EQ(r.kind == Kind::Hit, c.hit) << c.line << " / " << c.text;
        if (c.hit && r.kind == Kind::Hit) {
            EXPECT_EQ(r.hitLine, 6);
        }
    }
}

TEST(FindStep, IgnoringCaseAgreesWithLowerCasingTheLine) {
    // Random lines over a small alphabet, so that partial matches, both cases of the first
    // character and matches at either end of the line all occur often.
    std::mt19937 rng(11);
    const std::string alphabet = "aAbB|9>\xC1\xE1 ";
    for (int round = 0; round < 20000; ++round) {
        std::string line, word;
        for (std::size_t n = rng() % 12; n > 0; --n)
            line += alphabet[rng() % alphabet.size()];
        for (std::size_t n = 1 + rng() % 3; n > 0; --n)
            word += alphabet[rng() % alphabet.size()];
        if (word.find(' ') != std::string::npos) continue;
        const bool expected =
            qm::toLowerAscii(line).find(qm::toLowerAscii(word)) != std::string::npos;
        const qm::Lines lines = {"", "", line};
        const FindResult r = qm::findStep(lines, 0, 0, word, true, false);
        ASSERT_EQ(r.kind == Kind::Hit, expected) << "[" << line << "] [" << word << "]";
    }
}

TEST(FindStep, PhraseRunsAcrossTwoLinesWithoutTheirTags) {
    qm::Lines lines = filler(30);
    lines[10] = "         the little|9> match";
    lines[11] = "              |6>seller|4> went ";
    const FindResult r = qm::findStep(lines, 0, 2, "match seller", true, false);
    ASSERT_EQ(r.kind, Kind::Hit);
    EXPECT_EQ(r.hitLine, 10);
    // Upward the scan finds the same first line.
    const FindResult up = qm::findStep(lines, 25, 29, "Match Seller", false, false);
    ASSERT_EQ(up.kind, Kind::Hit);
    EXPECT_EQ(up.hitLine, 10);
    // A marker line between the halves breaks the phrase.
    lines.insert(lines.begin() + 11, "p012 ");
    EXPECT_EQ(qm::findStep(lines, 0, 2, "match seller", true, false).kind, Kind::Miss);
}

TEST(FindStep, FailedPhraseTestContinuesTheScan) {
    qm::Lines lines = filler(30);
    lines[8] = "   cold night "; // the first word, but not the phrase
    lines[9] = "   fell ";
    lines[15] = "   a cold ";
    lines[16] = "   wind blew ";
    FindResult r = qm::findStep(lines, 0, 2, "cold wind", true, false);
    ASSERT_EQ(r.kind, Kind::Hit);
    EXPECT_EQ(r.hitLine, 15);
    r = qm::findStep(lines, 25, 28, "cold wind", false, false);
    ASSERT_EQ(r.kind, Kind::Hit);
    EXPECT_EQ(r.hitLine, 15);
}

TEST(FindStep, LeadingBlankOnlyHitsAtTheLastLineExamined) {
    qm::Lines lines = filler(20);
    lines[10] = "  the rose ";
    // The first word is empty: no line matches it, and the phrase test runs only where the
    // scan stops (count - 2 going down).
    EXPECT_EQ(qm::findStep(lines, 0, 2, " rose", true, false).kind, Kind::Miss);
    lines[18] = "  a red ";
    lines[19] = "rose ";
    const FindResult r = qm::findStep(lines, 0, 2, " rose", true, false);
    ASSERT_EQ(r.kind, Kind::Hit);
    EXPECT_EQ(r.hitLine, 18);
    // Going up the scan stops at line 1, joined with line 2.
    lines[1] = "  red";
    lines[2] = "rose";
    const FindResult up = qm::findStep(lines, 15, 17, " rose", false, false);
    ASSERT_EQ(up.kind, Kind::Hit);
    EXPECT_EQ(up.hitLine, 1);
}

TEST(FindStep, PhraseAtTheLastLineJoinsAnEmptyLine) {
    qm::Lines lines = filler(6);
    lines[5] = "the end";
    // Line 5 is the last; the line after it counts as empty, so "end " (with the joining
    // blank) is found and nothing is read beyond the list.
    const FindResult r = qm::findStep(lines, 0, 3, "end ", true, true);
    ASSERT_EQ(r.kind, Kind::Hit);
    EXPECT_EQ(r.hitLine, 5);
    EXPECT_FALSE(qm::pageTopForHit(lines, r.hitLine, r.startLine)); // the last line is never drawn
}

TEST(FindStep, EmptyTextSearchesNothing) {
    const qm::Lines lines = filler(10);
    EXPECT_EQ(qm::findStep(lines, 0, 3, "", true, false).kind, Kind::NoSearch);
    EXPECT_EQ(qm::findStep(lines, 5, 8, "", false, false).kind, Kind::NoSearch);
    // At an end the direction check comes first.
    EXPECT_EQ(qm::findStep(lines, 0, 9, "", true, false).kind, Kind::Miss);
}

TEST(FindStep, NeverReadsOutsideTheList) {
    // Small random texts, every page position in and beyond the list, both directions: a hit
    // always names a line of the list that holds the word, and its page shows it.
    std::mt19937 rng(7);
    const char* words[] = {"ab", "b a", "ba", "|a>", "p001", ""};
    for (int round = 0; round < 300; ++round) {
        qm::Lines lines(rng() % 7);
        for (auto& l : lines)
            l = std::string(words[rng() % 6]) + words[rng() % 6];
        const int n = static_cast<int>(lines.size());
        for (int top = 0; top <= n + 3; ++top) {
            for (int nextTop = 0; nextTop <= n + 3; ++nextTop) {
                for (const bool down : {true, false}) {
                    const FindResult r = qm::findStep(lines, top, nextTop, "ba", down, true);
                    if (r.kind != Kind::Hit) continue;
                    ASSERT_GE(r.hitLine, 0);
                    ASSERT_LT(r.hitLine, n);
                    EXPECT_NE(lines[static_cast<std::size_t>(r.hitLine)].find("ba"),
                              std::string::npos);
                    if (auto p = qm::pageTopForHit(lines, r.hitLine, r.startLine)) {
                        EXPECT_GE(*p, 0);
                        EXPECT_LE(*p, r.hitLine);
                    }
                }
            }
        }
    }
}

TEST(PageTopForHit, StartsAtTheParagraphAboveUnlessItIsBeforeTheStart) {
    qm::Lines lines = filler(40);
    lines[12] = "p003 ";
    lines[25] = "";     // an empty line is never a paragraph line
    lines[30] = "s000"; // nor is a section line
    EXPECT_EQ(qm::pageTopForHit(lines, 33, 8), 12);
    EXPECT_EQ(qm::pageTopForHit(lines, 33, 12), 33); // paragraph at the start line
    EXPECT_EQ(qm::pageTopForHit(lines, 33, 20), 33);
    EXPECT_EQ(qm::pageTopForHit(lines, 12, 5), 12); // no paragraph above it
    // Backward: the paragraph found always lies before the start, so the hit starts the page.
    EXPECT_EQ(qm::pageTopForHit(lines, 15, 30), 15);
    // Hits at the very top: the search starts at line 1 at the latest.
    lines[0] = "p000";
    EXPECT_EQ(qm::pageTopForHit(lines, 0, 0), 0);
    EXPECT_EQ(qm::pageTopForHit(lines, 1, 0), 1);
    EXPECT_EQ(qm::pageTopForHit(lines, 38, 0), 12);
    EXPECT_FALSE(qm::pageTopForHit(lines, 39, 0));
    EXPECT_FALSE(qm::pageTopForHit(lines, 40, 0));
}

TEST(HitPageStart, TheFirstSentenceBreakFromTheLineGivenOrTheHit) {
    qm::Lines lines = filler(40);
    lines[12] = "p003 ";
    lines[20] = "s000 ";
    lines[24] = "";
    lines[30] = "s000 ";
    const struct {
        int from, hit, start;
    } cases[] = {
        {13, 35, 20}, {21, 35, 24}, {25, 35, 30}, {31, 35, 35}, // each break in turn
        {12, 35, 12}, {25, 30, 30}, {26, 29, 29}, {-5, 11, 11}, // from a break, none before
    };
    for (const auto& c : cases)
        EXPECT_EQ(qm::hitPageStart(lines, c.from, c.hit), c.start) << c.from << " " << c.hit;
}

TEST(FoundSpans, TheFoundCharactersOfTheHitLines) {
    using Spans = qm::LineSpans;
    const struct {
        const char* line;
        const char* next;
        const char* text;
        bool matchCase;
        Spans spans;
    } cases[] = {
        {"  the wind and the Wind ", "", "wind", false, {{6, 6, 10}, {6, 19, 23}}},
        {"  the wind and the Wind ", "", "Wind", true, {{6, 19, 23}}},
        {"  the |8>Nightingale|4> sang ", "", "nightingale", false, {{6, 9, 20}}},
        // A phrase: on the join freed of tags, mapped back over the tags it spans.
        {"  the |8>Nightingale|4> sang ", "", "nightingale sang", false, {{6, 9, 28}}},
        {"     across the ", "  |6>river bank ", "the river", false, {{6, 12, 15}, {7, 5, 10}}},
        {"     the river ", "  the river bank ", "river bank", false, {{7, 6, 16}}},
        {"  no such words ", "", "lark", false, {}},
        {"  no such words ", "", "such lark", false, {}},
    };
    for (const auto& c : cases) {
        qm::Lines lines = filler(10);
        lines[6] = c.line;
        lines[7] = c.next[0] ? c.next : lines[7];
        EXPECT_EQ(qm::foundSpans(lines, 6, c.text, c.matchCase), c.spans) << c.line << c.text;
    }
    EXPECT_TRUE(qm::foundSpans(filler(3), 3, "filler", false).empty());
    EXPECT_TRUE(qm::foundSpans(filler(3), 1, "", false).empty());
}

class FindSession : public ::testing::Test {
protected:
    FindSession() {
        s.setSurface(&surf);
        qm::SessionTestAccess(s).setHaveDisplayList(true);
        qm::SessionTestAccess(s).setDisplayLines(filler(200));
        qm::SessionTestAccess(s).setDisplayLine(50, "p020 ");
        qm::SessionTestAccess(s).setDisplayLine(60, "       the |8>Nightingale|4> sang ");
        qm::SessionTestAccess(s).setDisplayLine(150, "  the nightingale slept ");
        qm::SessionTestAccess(s).setDisplayLine(199, " ");
    }
    qmtest::RecordingView view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
    qm::FakeSurface surf{800, 600};
};

TEST_F(FindSession, FindItemPlacesTheDialogBesideTheWindow) {
    view.bounds = {100, 70, 700, 500};
    s.FindItemClick();
    ASSERT_TRUE(view.findDialogAt);
    EXPECT_EQ(*view.findDialogAt, std::make_pair(150, 120));
    EXPECT_TRUE(view.findDialogOpen);
    EXPECT_TRUE(s.findDialogShowing());
}

TEST_F(FindSession, HitsDrawFromTheirParagraphAndMissesCloseTheDialog) {
    s.FindItemClick();
    qm::SessionTestAccess(s).setTopLine(0);
    qm::SessionTestAccess(s).setNextTopLine(30);
    s.FindDialog1Find("nightingale", true, false);
    EXPECT_EQ(s.topLine(), 50);
    EXPECT_GE(s.nextTopLine(), s.topLine());
    EXPECT_TRUE(view.findDialogOpen);

    // Searching on from the drawn page finds the second one; no paragraph above it lies
    // after the start line, so the hit itself starts the page.
    qm::SessionTestAccess(s).setTopLine(55);
    qm::SessionTestAccess(s).setNextTopLine(100);
    s.FindDialog1Find("nightingale", true, false);
    EXPECT_EQ(s.topLine(), 150);
    EXPECT_TRUE(view.findDialogOpen);

    qm::SessionTestAccess(s).setTopLine(120);
    qm::SessionTestAccess(s).setNextTopLine(140);
    s.FindDialog1Find("Nightingale", false, true);
    EXPECT_EQ(s.topLine(), 60);

    const int top = s.topLine(), next = s.nextTopLine();
    s.FindDialog1Find("lark", true, false);
    EXPECT_FALSE(view.findDialogOpen);
    EXPECT_FALSE(s.findDialogShowing());
    EXPECT_EQ(s.topLine(), top);
    EXPECT_EQ(s.nextTopLine(), next);
}

TEST_F(FindSession, AHitBelowItsParagraphsPageIsShownAndLitUntilThePageChanges) {
    // 30 rows a page; the paragraph line stands at 50, the hit "slept" at 150 or 70.
    const struct {
        int hit;
        std::vector<int> breaks;
        int top;
    } cases[] = {
        {70, {}, 50},           // on the paragraph line's page: that page
        {150, {130}, 130},      // else the first sentence less than a page above
        {150, {100, 140}, 140}, // (100 is more than a page above)
        {150, {125, 152}, 125},
        {150, {125, 140}, 140}, // the page from 125 would end at 140, above the hit
        {150, {}, 150},         // no sentence begins above it: the hit starts the page
    };
    qm::ColourTable colours{};
    qm::writeScheme(colours, qm::ColourScheme::Light);
    qm::SessionTestAccess(s).setColours(colours);
    for (const auto& c : cases) {
        qm::SessionTestAccess(s).setDisplayLines(filler(200));
        qm::SessionTestAccess(s).setDisplayLine(50, "p020 ");
        for (const int b : c.breaks)
            qm::SessionTestAccess(s).setDisplayLine(static_cast<std::size_t>(b), "s000 ");
        qm::SessionTestAccess(s).setDisplayLine(static_cast<std::size_t>(c.hit), "   he slept ");
        qm::SessionTestAccess(s).setTopLine(0);
        qm::SessionTestAccess(s).setNextTopLine(30);
        s.FindDialog1Find("Slept", true, false);
        EXPECT_EQ(s.topLine(), c.top) << c.hit;
        EXPECT_GT(s.nextTopLine(), c.hit) << c.hit;
        EXPECT_EQ(s.litSpans(), (qm::LineSpans{{c.hit, 6, 11}}));
    }
    // The found word is drawn lit: the text colour behind it, the background's colour in it.
    const auto lit = std::find_if(surf.texts.begin(), surf.texts.end(),
                                  [](const auto& t) { return t.text == "slept"; });
    ASSERT_NE(lit, surf.texts.end());
    const auto& shade = s.colours()[static_cast<std::size_t>(s.currentShade())];
    EXPECT_EQ(lit->background, shade[4]);
    EXPECT_EQ(lit->color, shade[1]);
    ASSERT_NE(lit, surf.texts.begin());
    EXPECT_EQ(std::prev(lit)->text, "   he ");
    EXPECT_EQ(std::prev(lit)->background, shade[1]) << "the words before it are not lit";

    // A redraw of the same page keeps it lit; the next page change ends it.
    s.FontSizeTrackBarChange(12);
    EXPECT_FALSE(s.litSpans().empty());
    s.ShowNextPage();
    EXPECT_TRUE(s.litSpans().empty());
    EXPECT_EQ(s.pageTurned(), true);
}

TEST_F(FindSession, EmptyTextLeavesEverythingAsItWas) {
    s.FindItemClick();
    qm::SessionTestAccess(s).setTopLine(10);
    qm::SessionTestAccess(s).setNextTopLine(40);
    s.FindDialog1Find("", true, false);
    EXPECT_TRUE(view.findDialogOpen);
    EXPECT_EQ(s.topLine(), 10);
    EXPECT_EQ(s.nextTopLine(), 40);
    EXPECT_EQ(s.pageTurned(), false);
}

} // namespace
