// A PageDown that takes over the page drawn ahead on the spare surface draws, and leaves, exactly
// what a PageDown without it does; a change after the drawing ahead makes the turn draw afresh.
#include "ViewFixture.h"

#include <functional>
#include <sstream>

namespace {

using Ctl = qm::Control;

// Paragraphs flip the shade; fixed pitch switched on and left on carries over to later pages.
qm::Lines book() {
    qm::Lines lines;
    for (int i = 0; i < 300; ++i)
        lines.push_back(i % 9 == 0    ? "p1 "
                        : i % 23 == 0 ? "  |f>fixed from here on "
                        : i % 31 == 0 ? "  |image>pic.jpg "
                                      : "  word|9> after|4> " + std::string(i % 40, 'w'));
    lines.push_back("p999");
    lines.push_back("        END OF FILE");
    lines.push_back(" ");
    return lines;
}

struct Reader {
    explicit Reader(bool ahead) {
        s.setSurface(&surf);
        if (ahead) s.setSpareSurface(&spare);
        s.setHaveDisplayList(true);
        qm::ColourTable colours{};
        qm::writeScheme(colours, qm::ColourScheme::Light);
        s.setColours(colours);
        s.setLocation(&qm::Locations::programFolder, "/prog/");
        fs.addFolder("/prog");
        fs.writeFile("/prog/pic.jpg", "x");
        s.setDisplayLines(book());
        s.setNextTopLine(s.drawPage(0));
    }
    // Everything a turn leaves: the drawing, the surface's state and the session's.
    std::string turnOutcome() const {
        std::ostringstream out;
        for (const auto& t : surf.texts)
            out << t.x << ',' << t.y << t.text << t.color << t.background << t.font << t.size
                << t.style.bold << t.style.italic << t.style.underline << ';';
        for (const auto& f : surf.fills)
            out << f.x1 << ',' << f.y1 << ',' << f.x2 << ',' << f.y2 << ',' << f.color << ';';
        for (const auto& l : surf.lines)
            out << l.x1 << ',' << l.x2 << ',' << l.y2 << ',' << l.width << ',' << l.color << ';';
        const auto state = surf.drawingState();
        out << '|' << state.fontName << state.fontSize << state.fontColor << state.brushColor << '|'
            << s.topLine() << ',' << s.nextTopLine() << ',' << s.currentShade() << ','
            << s.pageImageName() << ',' << s.controls().enabled(Ctl::NextButton)
            << s.controls().enabled(Ctl::PrevButton) << s.controls().text(Ctl::PosLabel) << ','
            << view.progressPos;
        return out.str();
    }
    qmview::View view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
    qm::FakeSurface surf{400, 300}, spare{400, 300};
};

TEST(PreparedPage, ATurnDrawsTheSameWithOrWithoutThePageDrawnAhead) {
    struct Case {
        const char* label;
        std::function<void(Reader&)> change; // between drawing ahead and the key
        bool takenOver;
    };
    const Case cases[] = {
        {"nothing changed", [](Reader&) {}, true},
        {"font size", [](Reader& r) { r.s.FontSizeTrackBarChange(20); }, false},
        {"font size control only",
         [](Reader& r) {
             const int size = r.s.controls().position(Ctl::FontSizeTrackBar);
             r.s.setControlPosition(Ctl::FontSizeTrackBar, size == 9 ? 15 : 9);
         },
         false},
        {"two columns",
         [](Reader& r) {
             r.s.setControlChecked(Ctl::TwoColCheckBox,
                                   !r.s.controls().checked(Ctl::TwoColCheckBox));
         },
         false},
        {"scheme", [](Reader& r) { r.s.BGColorRadioGroupClick(2); }, false},
        {"shade", [](Reader& r) { r.s.setCurrentShade(1 - r.s.currentShade()); }, false},
        {"a line of the next page",
         [](Reader& r) {
             r.s.setDisplayLine(static_cast<std::size_t>(r.s.nextTopLine() + 1), "x");
         },
         false},
        {"surface font",
         [](Reader& r) {
             const bool fixed = r.surf.fontName() == qm::kFixedFont;
             r.surf.setFontName(fixed ? qm::kSerifFont : qm::kFixedFont);
         },
         false},
        {"surface size",
         [](Reader& r) {
             const int height = r.surf.height() == 300 ? 280 : 300;
             r.surf.resize(400, height);
             r.spare.resize(400, height);
         },
         false},
        {"PageUp", [](Reader& r) { r.s.ShowPreviousPage(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Reader ahead(true), direct(false);
        for (int turn = 0; turn < 40; ++turn) {
            SCOPED_TRACE(turn);
            ahead.spare.clearRecord();
            const bool drawn = ahead.s.prepareNextPage();
            EXPECT_FALSE(ahead.s.prepareNextPage()); // drawn once
            const int swaps = ahead.surf.swaps;
            if (turn % 3 == 1) {
                c.change(ahead);
                c.change(direct);
            }
            ahead.surf.clearRecord();
            direct.surf.clearRecord();
            ahead.s.FormKeyDown(qm::Session::kPageDownKey);
            direct.s.FormKeyDown(qm::Session::kPageDownKey);
            ASSERT_EQ(ahead.turnOutcome(), direct.turnOutcome());
            const bool expected = drawn && (turn % 3 != 1 || c.takenOver);
            EXPECT_EQ(ahead.surf.swaps - swaps, expected ? 1 : 0);
            EXPECT_FALSE(ahead.s.nextPagePrepared());
        }
        EXPECT_GT(ahead.s.topLine(), 100);
    }
}

} // namespace
