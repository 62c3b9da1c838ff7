#include "ViewFixture.h"

#include "core/testing/SessionTestAccess.h"
#include "core/view/PageRenderer.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

using qmview::ViewTest;
using Ctl = qm::Control;

TEST_F(ViewTest, TopLineShadeAndButtonsAtStartAndInside) {
    qm::SessionTestAccess(s).setDisplayLines(numberedText(100));
    qm::SessionTestAccess(s).setCurrentShade(1);
    s.drawPage(5);
    EXPECT_EQ(s.topLine(), 5);
    EXPECT_TRUE(s.controls().enabled(Ctl::PrevButton));
    ASSERT_FALSE(surf.fills.empty());
    EXPECT_EQ(surf.fills.front().color, slot(1, 1)) << "a page inside the text keeps the shade";

    surf.clearRecord();
    qm::SessionTestAccess(s).setCurrentShade(1);
    const int next = s.drawPage(0);
    EXPECT_FALSE(s.controls().enabled(Ctl::PrevButton));
    EXPECT_EQ(surf.fills.front().color, slot(0, 1));
    EXPECT_EQ(next, 30) << "600 pixels of 20-pixel rows";
    EXPECT_TRUE(s.controls().enabled(Ctl::NextButton));
    EXPECT_EQ(rowText(5), "     line 0  ");
    EXPECT_EQ(rowText(5 + 29 * 20), "     line 29  ");
    EXPECT_EQ(view.pagesDrawn, 2);
}

TEST_F(ViewTest, PositionLabelAndProgressBar) {
    struct Case {
        int lines, top;
        const char* label;
    };
    const Case cases[] = {{5600, 250, "2 of 56 panels"},
                          {5600, 0, "0 of 56 panels"},
                          {99, 3, "0 of 0 panels"},
                          {1000, 999 - 3, "9 of 10 panels"}};
    for (const auto& c : cases) {
        qm::SessionTestAccess(s).setDisplayLines(
            qm::Lines(static_cast<std::size_t>(c.lines), "   text "));
        s.drawPage(c.top);
        EXPECT_EQ(s.controls().text(Ctl::PosLabel), c.label);
        EXPECT_EQ(view.progressMax, c.lines);
        EXPECT_EQ(view.progressPos, c.top);
    }
}

TEST_F(ViewTest, NoListAndTopAtTheEnd) {
    qm::SessionTestAccess(s).setHaveDisplayList(false);
    EXPECT_EQ(s.drawPage(7), -1);
    EXPECT_EQ(s.topLine(), 7);
    EXPECT_TRUE(surf.fills.empty());

    qm::SessionTestAccess(s).setHaveDisplayList(true);
    qm::SessionTestAccess(s).setDisplayLines(numberedText(40)); // 43 lines
    qm::SessionTestAccess(s).setControlEnabled(Ctl::NextButton, true);
    for (int top : {41, 42, 43, 1000}) {
        EXPECT_EQ(s.drawPage(top), top);
        EXPECT_EQ(s.topLine(), top);
    }
    EXPECT_TRUE(surf.fills.empty());
    EXPECT_TRUE(s.controls().enabled(Ctl::NextButton)) << "an undrawn page leaves Next alone";
    EXPECT_EQ(view.pagesDrawn, 0);

    // The last page: the end marker in the other shade, the end line, never the final blank.
    qm::SessionTestAccess(s).setCurrentShade(0);
    EXPECT_EQ(s.drawPage(40), 42);
    EXPECT_EQ(rowText(5), "     ");
    EXPECT_EQ(rowText(25), "        END OF FILE ");
    EXPECT_EQ(rowText(45), "");
    EXPECT_EQ(s.currentShade(), 1);
    EXPECT_FALSE(s.controls().enabled(Ctl::NextButton));
}

// Surface 800 x 500 at 15 points: 25 rows per column.
TEST_F(ViewTest, PageBreakSearchEndsBeforeTheLastBreakPoint) {
    struct Case {
        std::vector<std::pair<int, std::string>> breaks; // offset from the top, line
        int drawn;
    };
    const Case cases[] = {
        {{}, 25},
        {{{20, "p001"}}, 20},
        {{{0, "p001"}}, 25},
        {{{3, "s000"}, {17, ""}}, 17},
        {{{10, "refpt002"}}, 10},
        {{{24, "ab"}}, 24},
        {{{25, "p001"}}, 25},
        {{{12, "  "}}, 12},
        {{{12, " xy"}}, 25},
        {{{12, " x"}}, 12},
        {{{7, "|refpt002> "}}, 25},
    };
    surf.resize(800, 500);
    for (const auto& c : cases) {
        qm::SessionTestAccess(s).setDisplayLines(numberedText(200));
        for (const auto& [offset, line] : c.breaks)
            qm::SessionTestAccess(s).setDisplayLine(static_cast<std::size_t>(100 + offset), line);
        EXPECT_EQ(s.drawPage(100), 100 + c.drawn) << c.breaks.size();
    }
}

TEST_F(ViewTest, MarkersReferencePointsAndSectionsDrawEmptyRows) {
    struct Case {
        const char* line;
        const char* shown;
        bool flips;
    };
    const Case cases[] = {
        {"p056 ", "     ", true},
        {"p999", "     ", true},
        {"|refpt001> ", "       ", true},
        {"  before |refpt001> after ", " after  ", true},
        {"   see refpoint ", "   see refpoint  ", true},
        {"|refpt001", "refpt001 ", true},
        {"s000", "     ", false},
        {"  has s000 inside ", "     ", false},
        {"|p> ", "  ", false},
        {"|x>word ", "word  ", false},
        {"pretty ", "     ", true},
    };
    for (const auto& c : cases) {
        qm::SessionTestAccess(s).setDisplayLines({"   first ", c.line, "   after ", "x", "y", "z"});
        surf.clearRecord();
        qm::SessionTestAccess(s).setCurrentShade(1);
        s.drawPage(1);
        EXPECT_EQ(rowText(5), c.shown) << c.line;
        const int shade = c.flips ? 0 : 1;
        EXPECT_EQ(s.currentShade(), shade) << c.line;
        const auto row = textsAt(5);
        ASSERT_FALSE(row.empty()) << c.line;
        EXPECT_EQ(row.back().background, slot(shade, 1)) << c.line;
        EXPECT_EQ(row.back().color, slot(shade, 4)) << c.line;
    }
}

TEST_F(ViewTest, TagsSetColourAndFontAndCarryOver) {
    qm::SessionTestAccess(s).setDisplayLines({"   a|9>b ", "   c|4>d ", "   |b>bold ", "   still ",
                                              "   |n>plain ", "   |f>fixed ", "   |u>under ",
                                              "   |f>x|a>serif ", "   |i>it|im", "   |0>zero ",
                                              "   |x>none ", "z", " "});
    surf.setFontName("MS Sans Serif");
    s.drawPage(0);
    auto row = [&](int index) { return textsAt(5 + 20 * index); };
    ASSERT_EQ(row(0).size(), 2u);
    EXPECT_EQ(row(0)[0].color, slot(0, 4));
    EXPECT_EQ(row(0)[0].font, "MS Sans Serif");
    EXPECT_EQ(row(0)[1].color, slot(0, 9));
    EXPECT_EQ(row(0)[1].x, 4 * 7);
    EXPECT_EQ(row(1)[0].color, slot(0, 9)) << "colour carries to the next line";
    EXPECT_EQ(row(1)[1].color, slot(0, 4));
    EXPECT_TRUE(row(2)[1].style.bold);
    EXPECT_EQ(row(2)[1].font, "Times New Roman");
    EXPECT_TRUE(row(3)[0].style.bold) << "bold carries to the next line";
    EXPECT_EQ(row(4)[1].style, qm::FontStyle{});
    EXPECT_EQ(row(5)[1].font, "Courier New");
    EXPECT_EQ(row(6)[0].font, "Courier New");
    EXPECT_EQ(row(6)[1].font, "Times New Roman") << "a style tag ends fixed pitch";
    EXPECT_TRUE(row(6)[1].style.underline);
    EXPECT_EQ(row(7)[1].font, "Courier New");
    EXPECT_EQ(row(7)[2].font, "Times New Roman");
    EXPECT_EQ(row(7)[2].text, "serif  ");
    EXPECT_TRUE(row(8).back().style.italic);
    EXPECT_EQ(rowText(5 + 20 * 9), "   zero  ");
    EXPECT_EQ(row(9)[1].color, slot(0, 4)) << "|0> changes nothing";
    EXPECT_EQ(rowText(5 + 20 * 10), "   none  ");
}

TEST_F(ViewTest, ColourReturnsToTextColourAtPageColumnAndParagraph) {
    qm::SessionTestAccess(s).setDisplayLines(numberedText(100));
    qm::SessionTestAccess(s).setDisplayLine(0, "   |8>accent ");
    qm::SessionTestAccess(s).setDisplayLine(2, "p001");
    qm::SessionTestAccess(s).setDisplayLine(3, "   |7>again ");
    qm::SessionTestAccess(s).setDisplayLine(10, "p002");
    EXPECT_EQ(s.drawPage(0), 10);
    EXPECT_EQ(textsAt(25).at(0).color, slot(0, 8)) << "carried to the next line";
    EXPECT_EQ(textsAt(65).at(0).color, slot(1, 4)) << "after the paragraph marker";
    EXPECT_EQ(textsAt(65).back().color, slot(1, 7));
    EXPECT_EQ(textsAt(85).at(0).color, slot(1, 7));
    surf.clearRecord();
    s.drawPage(4);
    EXPECT_EQ(textsAt(5).at(0).color, slot(1, 4)) << "a new page starts in the text colour";

    // The second column starts in the text colour too.
    s.setControlChecked(Ctl::TwoColCheckBox, true);
    qm::SessionTestAccess(s).setDisplayLine(59, "   |6>late ");
    surf.clearRecord();
    qm::SessionTestAccess(s).setCurrentShade(0);
    EXPECT_EQ(s.drawPage(30), 90);
    const auto row = textsAt(5);
    ASSERT_EQ(row.size(), 2u);
    EXPECT_EQ(row[1].x, 403);
    EXPECT_EQ(row[1].color, slot(0, 4));
    EXPECT_EQ(textsAt(5 + 29 * 20).at(1).color, slot(0, 6));
}

TEST_F(ViewTest, TwoColumnGeometry) {
    surf.resize(500, 400);
    s.setControlChecked(Ctl::TwoColCheckBox, true);
    qm::SessionTestAccess(s).setDisplayLines(numberedText(100));
    const int next = s.drawPage(0);
    EXPECT_EQ(next, 40);
    EXPECT_EQ(rowText(5, 0), "     line 0       line 20  ");
    const auto row = textsAt(5);
    ASSERT_EQ(row.size(), 2u);
    EXPECT_EQ(row[0].x, 0);
    EXPECT_EQ(row[1].x, 253);
    // Column fills: the second column fills from its own edge; the first stops there as
    // the second is certain to follow.
    const auto& fills = surf.fills;
    EXPECT_TRUE(std::any_of(fills.begin(), fills.end(), [](const auto& f) {
        return f.x1 == 0 && f.y1 == 0 && f.x2 == 253 && f.y2 == 400;
    }));
    EXPECT_TRUE(std::any_of(fills.begin(), fills.end(), [](const auto& f) {
        return f.x1 == 253 && f.y1 == 0 && f.x2 == 500 && f.y2 == 400;
    }));
    // Row ends reach each column's right edge.
    EXPECT_TRUE(std::any_of(fills.begin(), fills.end(),
                            [](const auto& f) { return f.y1 == 5 && f.x2 == 248; }));
    ASSERT_EQ(surf.lines.size(), 1u);
    const auto& sep = surf.lines[0];
    EXPECT_EQ(sep.x1, 247);
    EXPECT_EQ(sep.x2, 247);
    EXPECT_EQ(sep.y1, 0);
    EXPECT_EQ(sep.y2, 400);
    EXPECT_EQ(sep.width, 6);
    EXPECT_EQ(sep.color, 0x808080u);

    // The separator is drawn even when the second column stays empty.
    surf.clearRecord();
    const int count = static_cast<int>(s.displayLines().size());
    EXPECT_EQ(s.drawPage(count - 3), count - 1);
    EXPECT_EQ(surf.lines.size(), 1u);
    // The first column's fill then clears the whole surface, under any line running past
    // the column.
    EXPECT_EQ(std::count_if(surf.fills.begin(), surf.fills.end(),
                            [](const auto& f) {
                                return f.x1 == 0 && f.y1 == 0 && f.x2 == 500 && f.y2 == 400;
                            }),
              1);
    EXPECT_EQ(std::count_if(surf.fills.begin(), surf.fills.end(),
                            [](const auto& f) { return f.y1 == 0 && f.y2 == 400; }),
              1);

    // Near the end the first column might take the rest of the list: its fill reaches the
    // right edge, and the second column still follows here.
    surf.clearRecord();
    EXPECT_EQ(s.drawPage(count - 18), count - 1);
    EXPECT_EQ(std::count_if(surf.fills.begin(), surf.fills.end(),
                            [](const auto& f) { return f.y1 == 0 && f.y2 == 400; }),
              2);
    EXPECT_EQ(surf.fills.at(0).x2, 500);
    EXPECT_EQ(rowText(5, 253), "     ") << "the end marker heads the second column";
}

TEST_F(ViewTest, ImageTags) {
    qm::SessionTestAccess(s).setLocation(&qm::Locations::programFolder, "/prog/");
    fs.addFolder("/prog");
    fs.addFolder("/prog/sub");
    fs.addFolder("/etc");
    fs.writeFile("/prog/pic.jpg", "x");
    fs.writeFile("/prog/two.jpg", "x");
    fs.writeFile("/prog/sub/pic.jpg", "x");
    fs.writeFile("/prog/a..b.jpg", "x");
    fs.writeFile("/prog/..pic.jpg", "x");
    fs.writeFile("/etc/pic.jpg", "x");
    struct Case {
        const char* line;
        const char* shown;
        const char* imageName;
    };
    const Case cases[] = {
        {"  see |image>pic.jpg  ", "  see   [image]", "/prog/pic.jpg"},
        {"|image>missing.jpg", "", "/prog/missing.jpg"},
        {"|image>", "", "/prog/"},
        // Names of files inside the program folder, in a subfolder or with dots in them.
        {"|image>sub/pic.jpg", "  [image]", "/prog/sub/pic.jpg"},
        {"|image>a..b.jpg", "  [image]", "/prog/a..b.jpg"},
        {"|image>..pic.jpg", "  [image]", "/prog/..pic.jpg"},
        {"|image>../etc/pic.jpg", "", "/prog/../etc/pic.jpg"},
        {"|image>..", "", "/prog/.."},
        {"|im", "", "/prog/"},
    };
    for (const auto& c : cases) {
        qm::SessionTestAccess(s).setDisplayLines({"   x ", c.line, "  after ", "z", " "});
        surf.clearRecord();
        EXPECT_EQ(s.drawPage(1), 3) << c.line;
        EXPECT_EQ(rowText(5), c.shown) << c.line;
        EXPECT_EQ(rowText(25), "  after  ") << c.line;
        EXPECT_EQ(s.pageImageName(), c.imageName) << c.line;
    }

    // A second picture ends the column after its row; the next page starts after that line.
    qm::SessionTestAccess(s).setDisplayLines(numberedText(100));
    qm::SessionTestAccess(s).setDisplayLine(2, "   |image>pic.jpg ");
    qm::SessionTestAccess(s).setDisplayLine(5, "   |image>two.jpg ");
    surf.clearRecord();
    EXPECT_EQ(s.drawPage(0), 6);
    EXPECT_EQ(rowText(45), "     [image]");
    EXPECT_EQ(s.pageImageName(), "/prog/pic.jpg");
    const auto fills = surf.fills;
    EXPECT_TRUE(std::any_of(fills.begin(), fills.end(), [](const auto& f) {
        return f.y1 == 600 - 20 + 1 && f.x1 == 21 && f.x2 == 800;
    }));
    // The limit lives for one page.
    qm::SessionTestAccess(s).setDisplayLine(7, "  |image>two.jpg ");
    surf.clearRecord();
    EXPECT_EQ(s.drawPage(6), 36);
    EXPECT_EQ(s.pageImageName(), "/prog/two.jpg");
}

// Only a name that leads out of the program folder is refused.
TEST(ImageNames, OnlyNamesLeadingOutOfTheFolderAreRefused) {
    const std::pair<const char*, bool> cases[] = {
        {"pic.jpg", true},
        {"sub/pic.jpg", true},
        {"a/b/c/pic.jpg", true},
        {"a..b.jpg", true},
        {"..pic.jpg", true},
        {"pic.jpg..", true},
        {"./pic.jpg", true},
        {"sub/../pic.jpg", true},
        {"sub//pic.jpg", true},
        {"sub\\pic.jpg", true},
        {"", false},
        {"..", false},
        {"../pic.jpg", false},
        {"sub/../../pic.jpg", false},
        {"a/./../..", false},
        {"..\\pic.jpg", false},
        {"/etc/pic.jpg", false},
        {"\\server\\pic.jpg", false},
        {"c:pic.jpg", false},
        {"sub/", false},
        {".", false},
        {"sub/..", false},
    };
    for (const auto& [name, inside] : cases)
        EXPECT_EQ(qm::isSafeImageName(name), inside) << name;
    EXPECT_FALSE(qm::isSafeImageName(std::string_view("pic\0.jpg", 8)));
}

TEST_F(ViewTest, HostileLinesDrawWithoutHarm) {
    std::string manyTags;
    for (int i = 0; i < 10000; ++i)
        manyTags += "|" + std::string(1, "0123456789bnifau"[i % 16]) + ">w";
    const std::vector<std::string> hostile = {
        std::string("a\0b", 3),
        "\x80\x9f\xff\xfe high bytes",
        std::string(1 << 20, 'm'),
        manyTags,
        "ends with a bar|",
        "|",
        "|refp",
        "x |refp no close",
        "|image>",
        "|image>../../../../etc/passwd",
        "|image>/etc/passwd",
        "p",
        "r",
        "",
        std::string(1 << 16, '|'),
    };
    for (const auto& line : hostile) {
        qm::SessionTestAccess(s).setDisplayLines({"  start ", line, line, "  end ", "z", " "});
        for (bool twoColumns : {false, true}) {
            s.setControlChecked(Ctl::TwoColCheckBox, twoColumns);
            surf.clearRecord();
            const int next = s.drawPage(1);
            EXPECT_GE(next, 2);
            EXPECT_LE(next, 5);
        }
    }
    // A surface lower than one row still draws one line per column; an empty one too.
    qm::SessionTestAccess(s).setDisplayLines(numberedText(10));
    for (auto [w, h] : {std::pair{800, 10}, std::pair{0, 0}, std::pair{3, 1}}) {
        surf.resize(w, h);
        s.setControlChecked(Ctl::TwoColCheckBox, true);
        EXPECT_EQ(s.drawPage(0), 2) << w << "x" << h;
        s.setControlChecked(Ctl::TwoColCheckBox, false);
        EXPECT_EQ(s.drawPage(0), 1) << w << "x" << h;
    }
}

TEST_F(ViewTest, LitSpansDrawOnTheTextColourAndNothingElseChanges) {
    const qm::Lines lines = {"   a |8>Nightingale|4> sang ", "p003 ", "   wide ", "z", " "};
    const struct {
        qm::LineSpans lit;
        std::string litText; // of the first row; "|" where unlit text comes between
    } cases[] = {
        {{}, ""},
        {{{0, 8, 19}}, "Nightingale"},
        {{{0, 5, 22}}, "Nightingale"}, // the tags inside are not drawn
        {{{0, 3, 4}, {0, 23, 27}}, "a|sang"},
        {{{0, 9, 11}, {0, 10, 13}}, "ight"},                  // overlapping spans light their union
        {{{1, 0, 4}, {2, 20, 99}, {7, 0, 3}, {0, 6, 2}}, ""}, // marker rows, past the end
    };
    for (const auto& c : cases) {
        surf.clearRecord();
        int shade = 0;
        const qm::ColourTable& colours = s.colours();
        qm::renderPage(surf,
                       {.lines = lines,
                        .top = 0,
                        .colours = colours,
                        .programFolder = "",
                        .imageExists = {},
                        .lit = c.lit},
                       shade);
        std::string litText, row;
        bool inLit = false;
        for (const auto& t : textsAt(5)) {
            row += t.text;
            const bool lit = t.background == slot(0, 4);
            if (lit) {
                EXPECT_EQ(t.color, slot(0, 1));
                if (!inLit && !litText.empty()) litText += "|";
                litText += t.text;
            } else {
                EXPECT_EQ(t.background, slot(0, 1));
            }
            inLit = lit;
        }
        EXPECT_EQ(litText, c.litText);
        EXPECT_EQ(row, "   a Nightingale sang  ") << "every character drawn once, in order";
        EXPECT_EQ(rowText(5 + 2 * 20), "   wide  ");
        EXPECT_EQ(textsAt(5).back().color, slot(0, 4)) << "the colour after the lit words";
    }
}

TEST(FontBefore, IsWhatTheTagsAboveTheTopLeaveInForce) {
    using Font = std::optional<qm::TagFont>;
    const qm::TagFont serif{qm::kSerifFont, {}}, fixed{qm::kFixedFont, {}};
    const struct {
        qm::Lines lines;
        int top;
        Font font;
    } cases[] = {
        {{"  plain ", "  more "}, 2, std::nullopt},
        {{"|b>TITLE|n> ", "  text "}, 2, serif},
        {{"|b>TITLE|n> ", "  text "}, 0, std::nullopt},
        {{"|b>TITLE ", "  text "}, 1, qm::TagFont{qm::kSerifFont, {.bold = true}}},
        {{"  |f>code ", "  |i>it|u> "}, 1, fixed},
        {{"  |f>code ", "  |i>it|u> "},
         2,
         qm::TagFont{qm::kSerifFont, {.italic = true, .underline = true}}},
        {{"  |b>x ", "p012 |f>", "  s000|n> "}, 3, qm::TagFont{qm::kSerifFont, {.bold = true}}},
        {{"|refpt001>|f> "}, 1, fixed},              // after a reference point's tag they count
        {{"  |image>pic.png|f> "}, 1, std::nullopt}, // an image tag ends its line
        {{"  |4>|9>|x>|0> "}, 1, std::nullopt},      // colours and tags of no meaning
        {{"  |f>x", "|a"}, 9, serif},                // a top past the end; a cut-off tag
    };
    for (const auto& c : cases)
        EXPECT_EQ(qm::fontBefore(c.lines, c.top), c.font) << c.lines[0] << " / " << c.top;
}

TEST_F(ViewTest, NegativeTopsDrawFromTheFirstLine) {
    qm::SessionTestAccess(s).setDisplayLines(numberedText(10));
    EXPECT_EQ(s.drawPage(-3), 10) << "up to the end marker";
    EXPECT_EQ(rowText(5), "     line 0  ");
    EXPECT_EQ(s.controls().text(Ctl::PosLabel), "0 of 0 panels");
    EXPECT_EQ(view.progressPos, -3);
    // Lists too short for a page: never a line that does not exist, nor the last line.
    for (std::size_t n : {0u, 1u, 2u}) {
        qm::SessionTestAccess(s).setDisplayLines(qm::Lines(n, "p000"));
        surf.clearRecord();
        const int next = s.drawPage(-7);
        EXPECT_EQ(surf.texts.size(), n == 2 ? 1u : 0u) << n;
        EXPECT_EQ(next, n == 2 ? 1 : 0) << n;
    }
}

TEST_F(ViewTest, NoSurfaceDrawsNothing) {
    s.setSurface(nullptr);
    qm::SessionTestAccess(s).setDisplayLines(numberedText(50));
    EXPECT_EQ(s.drawPage(3), 3);
    s.ShowNextPage();
    s.ShowPreviousPage();
    EXPECT_EQ(view.pagesDrawn, 0);
}

} // namespace

namespace {

// The contrast of two colours (0x00BBGGRR) as accessibility guidelines measure it, 1 to 21.
double contrast(qm::Color a, qm::Color b) {
    const auto luminance = [](qm::Color c) {
        double sum = 0;
        const double weight[] = {0.2126, 0.7152, 0.0722};
        for (int k = 0; k < 3; ++k) {
            const double v = ((c >> (8 * k)) & 0xFF) / 255.0;
            sum += weight[k] * (v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// The line read aloud lies on a band across its column's row, under the same text in the same
// colours, in every scheme and layout; every other row is drawn as without it, and the band
// keeps each scheme's text and accent colours readable.
TEST(LitBand, BehindItsRowOnlyAndReadableInEveryScheme) {
    using Scheme = qm::ColourScheme;
    struct Case {
        const char* label;
        Scheme scheme;
        bool noColour, singleShade, twoColumns;
        int size, lit;
    };
    const Case cases[] = {
        {"light", Scheme::Light, false, false, false, 15, 5},
        {"dark", Scheme::Dark, false, false, false, 15, 5},
        {"desktop colours", Scheme::Windows, false, false, false, 15, 5},
        {"dark, no coloured text", Scheme::Dark, true, false, false, 15, 6},
        {"light, one background", Scheme::Light, false, true, false, 15, 14},
        {"dark, second of two columns", Scheme::Dark, false, false, true, 15, 30},
        {"light, 40 points, shrunk", Scheme::Light, false, false, false, 40, 4},
        {"dark, 4 points", Scheme::Dark, false, false, true, 4, 60},
    };
    qm::Lines text;
    for (int k = 0; k < 90; ++k)
        text.push_back(k % 9 == 0 ? "p1 "
                                  : "     line " + std::to_string(k) + "|6> said|8> Kay|4> and " +
                                        std::string(static_cast<std::size_t>(k % 7) * 6, 'w'));
    text.insert(text.end(), {"p999", "        END OF FILE", " "});
    const qm::LineBuffer lines(text);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        qm::ColourTable colours{};
        qm::writeScheme(colours, c.scheme);
        if (c.noColour) qm::useTextColourForAccents(colours);
        if (c.singleShade) qm::copySecondShadeToFirst(colours);
        qm::PageRequest request{lines, 3, c.size, c.twoColumns, colours, "", {}};
        qm::FakeSurface plain(500, 400), lit(500, 400);
        int plainShade = 1, litShade = 1;
        const qm::PageResult drawn = qm::renderPage(plain, request, plainShade);
        request.litLine = c.lit;
        const qm::PageResult shown = qm::renderPage(lit, request, litShade);
        EXPECT_EQ(shown.next, drawn.next);
        EXPECT_EQ(shown.rows, drawn.rows);
        EXPECT_EQ(litShade, plainShade);
        EXPECT_EQ(lit.drawingState(), plain.drawingState());

        const auto row = std::find_if(shown.rows.begin(), shown.rows.end(),
                                      [&c](const qm::PageRow& r) { return r.line == c.lit; });
        ASSERT_NE(row, shown.rows.end());
        EXPECT_EQ(qm::lineAtPoint(shown.rows, row->left + 1, row->top + 1), c.lit);
        const qm::Color band = qm::litBandColour(colours, 0);
        EXPECT_TRUE(std::any_of(lit.fills.begin(), lit.fills.end(), [&](const auto& f) {
            return f.color == band && f.x1 == row->left && f.x2 == row->right &&
                   f.y1 == row->top && f.y2 == row->bottom;
        })) << "a band across the row of its column";
        ASSERT_EQ(lit.texts.size(), plain.texts.size());
        int onBand = 0;
        for (std::size_t i = 0; i < lit.texts.size(); ++i) {
            const auto& a = plain.texts[i];
            const auto& b = lit.texts[i];
            EXPECT_EQ(std::tie(a.x, a.y, a.text, a.color, a.font, a.size),
                      std::tie(b.x, b.y, b.text, b.color, b.font, b.size));
            const bool inRow = b.y == row->top && b.x >= row->left && b.x < row->right;
            EXPECT_EQ(b.background, inRow ? band : a.background);
            if (!inRow || (band & 0x80000000u)) continue;
            ++onBand;
            EXPECT_GE(contrast(band, b.color), 4.5) << std::hex << b.color;
        }
        if (!(band & 0x80000000u)) {
            EXPECT_GT(onBand, 0);
        }
    }
    // The desktop's colours get the desktop's tooltip background as their band.
    qm::ColourTable desktop{};
    qm::writeScheme(desktop, Scheme::Windows);
    EXPECT_EQ(qm::litBandColour(desktop, 1), qm::kSystemInfoBackground);
}

} // namespace

// A library book's pictures on the fake surface: a picture is drawn across its tag's row and
// the nameless tags' rows after it, scaled to fit (at most twice its size), and moved whole to
// the next page when it would be cut, unless it heads the page.
TEST(PicturePages, PicturesTakeTheirRowsWholeOnThePage) {
    using Picture = qm::FakeSurface::Picture;
    // Lines "t0", "t1", ... with pictures placed at the given lines, each taking `rows` rows.
    struct Placed {
        int at, rows;
        const char* name;
    };
    struct Case {
        const char* what;
        std::string folder;
        int lines, top;
        std::vector<Placed> pictures;
        int next;
        std::vector<Picture> drawn;
        bool placeholder; // "[image]" on the second row
    };
    const Case cases[] = {
        {"one fits, scaled to its rows", "/book/", 40, 0, {{1, 3, "a.png"}}, 30,
         {{"/book/a.png", 370, 25, 430, 85}}, false},
        {"a small one at most doubled", "/book/", 40, 0, {{1, 3, "small.png"}}, 30,
         {{"/book/small.png", 390, 25, 410, 45}}, false},
        {"a wide one fills the column", "/book/", 40, 0, {{1, 3, "wide.png"}}, 30,
         {{"/book/wide.png", 5, 25, 795, 40}}, false},
        {"two on one page", "/book/", 40, 0, {{1, 3, "a.png"}, {10, 2, "a.png"}}, 30,
         {{"/book/a.png", 370, 25, 430, 85}, {"/book/a.png", 380, 205, 420, 245}}, false},
        {"cut by the page end: moved whole", "/book/", 40, 0, {{28, 4, "a.png"}}, 28, {}, false},
        {"heading the next page", "/book/", 40, 28, {{28, 4, "a.png"}}, 40,
         {{"/book/a.png", 360, 5, 440, 85}}, false},
        {"taller than the page: the rows there are", "/book/", 60, 0, {{0, 40, "a.png"}}, 30,
         {{"/book/a.png", 300, 5, 500, 205}}, false},
        {"a picture the surface cannot read", "/book/", 40, 0, {{1, 3, "gone.png"}}, 30, {},
         true},
        // The built-in collection: the first tag's file is not in the program folder, and the
        // second tag on the page ends the column.
        {"the built-in collection keeps its rules", "", 40, 0, {{1, 3, "a.png"}}, 3, {}, false},
    };
    for (const Case& c : cases) {
        qm::Lines lines;
        for (int i = 0; i < c.lines; ++i)
            lines.push_back("     t" + std::to_string(i) + " ");
        for (const Placed& p : c.pictures) {
            lines[static_cast<std::size_t>(p.at)] = std::string("|image>") + p.name + " ";
            for (int r = 1; r < p.rows; ++r)
                lines[static_cast<std::size_t>(p.at + r)] = "|image> ";
        }
        lines.push_back(" ");
        const qm::LineBuffer buffer(lines);
        qm::ColourTable colours{};
        qm::writeScheme(colours, qm::ColourScheme::Light);
        qm::FakeSurface surf(800, 600);
        surf.pictureSizes = {{"/book/a.png", {100, 100}},
                             {"/book/small.png", {10, 10}},
                             {"/book/wide.png", {1000, 19}}};
        surf.setFontSize(15);
        qm::PageRequest request{buffer, c.top, 15, false, colours, "/prog/", nullptr};
        request.pictureFolder = c.folder;
        int shade = 0;
        const qm::PageResult result = qm::renderPage(surf, request, shade);
        EXPECT_EQ(result.next, c.next) << c.what;
        EXPECT_EQ(surf.drawn, c.drawn) << c.what;
        std::string row2;
        for (const auto& t : surf.texts)
            if (t.y == 25) row2 += t.text;
        EXPECT_EQ(row2.find("[image]") != std::string::npos, c.placeholder) << c.what;
    }
}
