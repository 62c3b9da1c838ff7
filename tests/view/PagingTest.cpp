#include "ViewFixture.h"

#include "core/testing/SessionTestAccess.h"
#include "core/text/Tags.h"
#include "core/view/Paging.h"

#include <random>
#include <set>

namespace {

using qmview::ViewTest;
using Ctl = qm::Control;

// A cascaded text with paragraphs, sections, reference points, empty rows, tags and the
// occasional line too wide for the page.
qm::Lines syntheticBook(int phrases, unsigned seed) {
    std::mt19937 rng(seed);
    qm::Lines lines;
    for (int i = 0; i < phrases; ++i) {
        const unsigned r = rng() % 100;
        if (r < 4) {
            lines.push_back("p" + std::to_string(100 + i % 900) + " ");
        } else if (r < 5) {
            lines.push_back("s000");
        } else if (r < 6) {
            lines.push_back("|refpt" + std::to_string(i) + "> ");
        } else if (r < 8) {
            lines.push_back("");
        } else if (r < 9) {
            lines.push_back("  |f>fixed|n> ");
        } else if (r < 10) {
            lines.push_back(std::string(200, 'w'));
        } else {
            std::string line(rng() % 30, ' ');
            line += (r % 2 ? "the wind|9> rose|4> " : "over the hill ");
            lines.push_back(line);
        }
    }
    lines.push_back("p999");
    lines.push_back("        END OF FILE");
    lines.push_back(" ");
    return lines;
}

TEST_F(ViewTest, PagingForwardToTheEndAndBack) {
    for (unsigned seed : {1u, 2u, 3u}) {
        for (auto [w, h] : {std::pair{800, 600}, std::pair{300, 137}}) {
            surf.resize(w, h);
            qm::SessionTestAccess(s).setDisplayLines(syntheticBook(3000, seed));
            const int count = static_cast<int>(s.displayLines().size());
            std::vector<int> drawnTimes(static_cast<std::size_t>(count), 0);

            // Forward: pages follow each other and every line but the last is drawn once.
            qm::SessionTestAccess(s).setNextTopLine(s.drawPage(0));
            int pages = 0;
            while (true) {
                ASSERT_GT(s.nextTopLine(), s.topLine());
                ASSERT_LE(s.nextTopLine(), count - 1);
                for (int n = s.topLine(); n < s.nextTopLine(); ++n)
                    ++drawnTimes[static_cast<std::size_t>(n)];
                if (s.nextTopLine() >= count - 2) break;
                const int expectedTop = s.nextTopLine();
                s.ShowNextPage();
                ASSERT_EQ(s.topLine(), expectedTop);
                ASSERT_LT(++pages, count);
            }
            for (int n = 0; n < count - 1; ++n)
                ASSERT_EQ(drawnTimes[static_cast<std::size_t>(n)], 1) << "line " << n;
            EXPECT_FALSE(s.controls().enabled(Ctl::NextButton));

            // One more step forward draws nothing and makes the next top the top.
            const int last = s.nextTopLine();
            surf.clearRecord();
            s.ShowNextPage();
            EXPECT_EQ(s.topLine(), last);
            EXPECT_TRUE(surf.texts.empty());

            // Back: each step goes back at most one column's rows and stops at the first
            // backward break point after that.
            while (s.topLine() > 0) {
                const int top = s.topLine();
                const int rows = surf.height() / surf.textHeight("X");
                s.ShowPreviousPage();
                const int newTop = s.topLine();
                ASSERT_GE(newTop, 0);
                ASSERT_LT(newTop, top);
                ASSERT_LE(s.nextTopLine(), count - 1);
                const int from = top - rows;
                if (from < 0) {
                    ASSERT_EQ(newTop, 0);
                    continue;
                }
                ASSERT_GE(newTop, from);
                for (int n = from; n < newTop; ++n)
                    ASSERT_FALSE(
                        qm::isBackwardPageBreak(s.displayLines()[static_cast<std::size_t>(n)]))
                        << "skipped the break point at " << n;
                if (newTop != from) {
                    ASSERT_TRUE(qm::isBackwardPageBreak(
                        s.displayLines()[static_cast<std::size_t>(newTop)]));
                }
            }
            EXPECT_FALSE(s.controls().enabled(Ctl::PrevButton));
        }
    }
}

TEST(PreviousPageTop, StepsBackOneColumn) {
    qm::Lines lines(200, "   text ");
    EXPECT_EQ(qm::previousPageTop(lines, 100, 25), 75);
    lines[80] = "p001";
    EXPECT_EQ(qm::previousPageTop(lines, 100, 25), 80);
    lines[74] = "s000";
    lines[99] = "";
    EXPECT_EQ(qm::previousPageTop(lines, 100, 25), 80);
    lines[100] = "p002"; // the top itself is not looked at
    lines[80] = "r is no break backwards";
    EXPECT_EQ(qm::previousPageTop(lines, 100, 25), 99);
    EXPECT_EQ(qm::previousPageTop(lines, 10, 25), 0);
    EXPECT_EQ(qm::previousPageTop(lines, 0, 25), 0);
    EXPECT_EQ(qm::previousPageTop(lines, 500, 25), 475) << "lines past the list are not read";
    EXPECT_EQ(qm::previousPageTop({}, 3, 0), 3);

    // A step back into a picture's rows starts the page with the picture; a picture's first
    // row, or lines of another kind, change nothing.
    lines = qm::Lines(200, "   text ");
    lines[70] = "|image>a.png ";
    for (int r = 71; r < 80; ++r)
        lines[static_cast<std::size_t>(r)] = "|image> ";
    lines[80] = "s000 ";
    EXPECT_EQ(qm::previousPageTop(lines, 100, 25), 70);
    EXPECT_EQ(qm::previousPageTop(lines, 95, 25), 70);
    EXPECT_EQ(qm::previousPageTop(lines, 104, 25), 70) << "from the picture's last row";
    EXPECT_EQ(qm::previousPageTop(lines, 105, 25), 80) << "at the break after the picture";
    lines[70] = "|image> "; // rows whose picture is gone: the page's own rules
    EXPECT_EQ(qm::previousPageTop(lines, 100, 25), 80);
}

TEST_F(ViewTest, StepBackUsesTheFontTheLastDrawingLeft) {
    surf.resize(800, 500);
    qm::SessionTestAccess(s).setDisplayLines(numberedText(300));
    s.drawPage(200);
    s.ShowPreviousPage();
    EXPECT_EQ(s.topLine(), 175) << "25 rows of 20 pixels";

    // The last line drawn was shrunk to 8 points (10-pixel rows): the step covers 50 rows.
    qm::SessionTestAccess(s).setDisplayLine(124, std::string(1000, 'w'));
    s.drawPage(100);
    ASSERT_EQ(surf.fontSize(), 8);
    s.ShowPreviousPage();
    EXPECT_EQ(s.topLine(), 50);

    // Two columns: still one column's worth.
    s.setControlChecked(Ctl::TwoColCheckBox, true);
    s.drawPage(200);
    s.ShowPreviousPage();
    EXPECT_EQ(s.topLine(), 175);
}

TEST_F(ViewTest, StepBackFromFixedPitchRestoresTheSerifFont) {
    struct Case {
        int fixedAt;
        const char* firstFont;
    };
    // A step back from top 100 with 30 rows starts at 70; lines 70 to 102 are looked at.
    const Case cases[] = {{70, "Times New Roman"},
                          {102, "Times New Roman"},
                          {103, "Courier New"},
                          {69, "Courier New"}};
    for (const auto& c : cases) {
        qm::SessionTestAccess(s).setDisplayLines(numberedText(300));
        qm::SessionTestAccess(s).setDisplayLine(static_cast<std::size_t>(c.fixedAt), "   |f>code ");
        qm::SessionTestAccess(s).setTopLine(100);
        surf.setFontName("Courier New");
        surf.setFontSize(15);
        surf.clearRecord();
        s.ShowPreviousPage();
        ASSERT_EQ(s.topLine(), 70);
        EXPECT_EQ(surf.texts.at(0).font, c.firstFont) << c.fixedAt;
    }
}

TEST_F(ViewTest, PagingOnDegenerateLists) {
    for (std::size_t n : {0u, 1u, 2u, 3u}) {
        for (int top : {0, 2, 50, -4}) {
            qm::SessionTestAccess(s).setDisplayLines(qm::Lines(n, "p000"));
            qm::SessionTestAccess(s).setTopLine(top);
            qm::SessionTestAccess(s).setNextTopLine(top);
            s.ShowNextPage();
            s.ShowPreviousPage();
            s.ShowPreviousPage();
            s.ShowNextPage();
            EXPECT_TRUE(s.pageTurned());
            EXPECT_LE(s.topLine(), std::max(top, 50));
        }
    }
    qm::SessionTestAccess(s).setHaveDisplayList(false);
    s.ShowNextPage();
    EXPECT_EQ(s.nextTopLine(), -1);
}

TEST_F(ViewTest, PageUpAtTheStartRedrawsTheFirstPageInShadeZero) {
    qm::SessionTestAccess(s).setDisplayLines(numberedText(100));
    s.drawPage(0);
    qm::SessionTestAccess(s).setCurrentShade(1);
    surf.clearRecord();
    EXPECT_TRUE(s.FormKeyDown(33));
    EXPECT_EQ(s.topLine(), 0);
    EXPECT_EQ(surf.fills.at(0).color, slot(0, 1));
}

TEST_F(ViewTest, KeysAndButtons) {
    qm::SessionTestAccess(s).setDisplayLines(numberedText(100));
    qm::SessionTestAccess(s).setNextTopLine(s.drawPage(0));
    EXPECT_TRUE(s.FormKeyDown(34));
    EXPECT_EQ(s.topLine(), 30);
    EXPECT_TRUE(s.FormKeyDown(33));
    EXPECT_EQ(s.topLine(), 0);
    for (int key : {13, 37, 38, 39, 40, 35, 36, 0, -1, 100000}) {
        EXPECT_TRUE(s.FormKeyDown(key)) << key;
        EXPECT_EQ(s.topLine(), 0);
    }
    // The keys leave the find dialog open; the buttons close it first.
    s.FindItemClick();
    s.FormKeyDown(34);
    EXPECT_TRUE(view.findDialogOpen);
    s.NextButtonClick();
    EXPECT_FALSE(view.findDialogOpen);
    EXPECT_FALSE(s.findDialogShowing());
    EXPECT_EQ(s.topLine(), 60);
    s.FindItemClick();
    s.PrevButtonClick();
    EXPECT_FALSE(view.findDialogOpen);
    EXPECT_EQ(s.topLine(), 30);
}

TEST_F(ViewTest, FontSizeChangesRedrawTheSameTopLine) {
    qm::SessionTestAccess(s).setDisplayLines(numberedText(300));
    qm::SessionTestAccess(s).setNextTopLine(s.drawPage(40));
    EXPECT_EQ(s.controls().text(Ctl::FontSizeLabel), "FontSize = 15");
    struct Case {
        bool upDown;
        int position, size, next;
    };
    const Case cases[] = {
        {false, 22, 22, 40 + 600 / 29}, {true, 41, 40, 40 + 600 / 53}, {false, 3, 4, 40 + 119},
        {false, -100000, 4, 159},       {true, 8, 8, 40 + 600 / 10},   {false, 1 << 30, 40, 51},
    };
    for (const auto& c : cases) {
        surf.clearRecord();
        if (c.upDown)
            s.FontSizeUpDownClick(c.position);
        else
            s.FontSizeTrackBarChange(c.position);
        const std::string label = "Font Size = " + std::to_string(c.size);
        EXPECT_EQ(s.controls().text(Ctl::FontSizeLabel), label);
        EXPECT_EQ(s.controls().position(Ctl::FontSizeTrackBar), c.size);
        EXPECT_EQ(s.controls().position(Ctl::FontSizeUpDown), c.size);
        EXPECT_EQ(view.tocFontSize, c.size);
        EXPECT_EQ(s.topLine(), 40);
        EXPECT_EQ(s.nextTopLine(), c.next) << c.position;
        EXPECT_EQ(surf.texts.at(0).size, c.size);
    }
    // A size put straight into the track bar (from the settings file) is held to the range.
    s.setControlPosition(Ctl::FontSizeTrackBar, 400);
    surf.clearRecord();
    s.redrawPage();
    EXPECT_EQ(surf.texts.at(0).size, 40);
}

} // namespace
