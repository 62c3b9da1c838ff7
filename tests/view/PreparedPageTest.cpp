// PageDown taking over the page drawn ahead draws, and leaves, exactly what a PageDown without it
// does; a change after the drawing ahead makes the turn draw afresh.
#include "ViewFixture.h"
#include "core/testing/SessionTestAccess.h"

#include <sstream>

namespace {

using Ctl = qm::Control;

struct Reader {
    // A library book draws its pictures across their rows; any other text shows "[image]".
    Reader(bool ahead, bool library) {
        s.setSurface(&surf);
        if (ahead) s.setSpareSurface(&spare);
        qm::ColourTable colours{};
        qm::writeScheme(colours, qm::ColourScheme::Light);
        qm::SessionTestAccess(s).setColours(colours);
        // Paragraphs flip the shade; fixed pitch switched on carries over pages until |n>.
        qm::Lines lines;
        for (int i = 0; i < 300; ++i)
            lines.push_back(i % 9 == 0 ? "p1 "
                                       : "  w|9>x|4> " + std::string(i % 40, 'w') +
                                             (i % 23 == 0    ? "|f>f "
                                              : i % 23 == 11 ? "|n>n "
                                              : i % 31 == 5  ? "|image>pic.jpg "
                                                             : ""));
        if (library) {
            for (std::size_t i = 5; i + 4 < lines.size(); i += 31) {
                lines[i] = "  |image>pic.jpg ";
                for (std::size_t r = 1; r < 4; ++r)
                    lines[i + r] = "  |image> ";
            }
            fs.addFolder("/book");
            s.run([&] { fs.writeFile("/book/pic.jpg", "jpeg"); });
            surf.pictureSizes = spare.pictureSizes = {{"/book/pic.jpg", {300, 200}}};
            qm::SessionTestAccess(s).setCurrentTextPath("/book/k.tvt");
            qm::SessionTestAccess(s).setTextKey("k");
            qm::SessionTestAccess(s).setBookKey("k");
        }
        lines.insert(lines.end(), {"p999", "        END OF FILE", " "});
        qm::SessionTestAccess(s).setDisplayLines(lines);
        qm::SessionTestAccess(s).setHaveDisplayList(true);
        qm::SessionTestAccess(s).setNextTopLine(s.drawPage(0));
    }
    std::string outcome() const {
        std::ostringstream out;
        for (const auto& t : surf.texts)
            out << t.x << ',' << t.y << t.text << t.color << t.background << t.font << t.size
                << ';';
        for (const auto& f : surf.fills)
            out << f.x1 << ',' << f.y1 << ',' << f.x2 << ',' << f.y2 << ',' << f.color << ';';
        for (const auto& p : surf.drawn)
            out << p.path << p.x1 << ',' << p.y1 << ',' << p.x2 << ',' << p.y2 << ';';
        out << '|' << surf.drawingState().fontName << s.topLine() << ',' << s.nextTopLine() << ','
            << s.currentShade() << s.pageImageName() << s.controls().enabled(Ctl::NextButton)
            << s.controls().text(Ctl::PosLabel);
        return out.str();
    }
    qmview::View view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
    qm::FakeSurface surf{400, 300}, spare{400, 300};
};

// The changes made to both readers between the drawing ahead and the key; 0 is none.
void change(Reader& r, int which) {
    const qm::ControlBoard& c = r.s.controls();
    if (which == 1)
        r.s.setControlPosition(Ctl::FontSizeTrackBar, 31 - c.position(Ctl::FontSizeTrackBar));
    if (which == 2) r.s.setControlChecked(Ctl::TwoColCheckBox, !c.checked(Ctl::TwoColCheckBox));
    if (which == 3) qm::SessionTestAccess(r.s).setCurrentShade(1 - r.s.currentShade());
    if (which == 4)
        qm::SessionTestAccess(r.s).setDisplayLine(static_cast<std::size_t>(r.s.nextTopLine() + 1),
                                                  "x");
    if (which == 5)
        r.surf.setFontName(r.surf.fontName() == qm::kFixedFont ? qm::kSerifFont : qm::kFixedFont);
    if (which == 6) r.s.FontSizeTrackBarChange(c.position(Ctl::FontSizeTrackBar) + 1);
    // The picture some pages name appears, or goes again.
    if (which == 7 && !r.fs.removeFile("pic.jpg")) r.fs.writeFile("pic.jpg", "jpeg");
    if (which == 7 && !r.fs.removeFile("/book/pic.jpg") && r.fs.folderExists("/book"))
        r.fs.writeFile("/book/pic.jpg", "jpeg");
    // A stored text whose open fails half-way (a level that is no number): the lines up to
    // it are converted, the rest kept as stored, and the open stops with its message.
    if (which == 8) {
        std::string text = "banner\r\n";
        for (int i = 0; i < 400; ++i)
            text += (i == 250 ? "lxxbroken" : i % 9 == 0 ? "p1" : "l03other " + std::to_string(i)) +
                    std::string("\r\n");
        const std::string path = "/broken" + std::to_string(r.s.topLine()) + ".tvt";
        r.fs.writeFile(path, text);
        EXPECT_FALSE(r.s.run([&] { r.s.openText(path, " "); }));
    }
    // The line read aloud moves onto the page the key shows, or to another line of the page
    // on screen (which leaves the page drawn ahead as it is).
    if (which == 9) qm::SessionTestAccess(r.s).setLitLine(r.s.nextTopLine() + 1);
    if (which == 10) qm::SessionTestAccess(r.s).setLitLine(r.s.topLine() + 2 + r.s.topLine() % 2);
}

TEST(PreparedPage, ATurnDrawsTheSameWithOrWithoutThePageDrawnAhead) {
    // Each change (0: none) for another text, then for a library book.
    for (int run = 0; run <= 21; ++run) {
        const bool library = run > 10;
        const int which = library ? run - 11 : run;
        SCOPED_TRACE(run);
        Reader ahead(true, library), direct(false, library);
        std::size_t pictures = 0;
        for (int turn = 0; turn < 40; ++turn) {
            SCOPED_TRACE(turn);
            ahead.spare.clearRecord();
            const bool drawn = ahead.s.prepareNextPage();
            EXPECT_FALSE(ahead.s.prepareNextPage()); // drawn once
            const bool changed = which != 0 && turn % 3 == 1;
            if (changed) change(ahead, which), change(direct, which);
            const int swaps = ahead.surf.swaps;
            ahead.surf.clearRecord();
            direct.surf.clearRecord();
            ahead.s.FormKeyDown(qm::Session::kPageDownKey);
            direct.s.FormKeyDown(qm::Session::kPageDownKey);
            ASSERT_EQ(ahead.outcome(), direct.outcome());
            pictures += direct.surf.drawn.size();
            // A picture's file matters only to a page that names one.
            if (which != 7) {
                EXPECT_EQ(ahead.surf.swaps - swaps, drawn && (!changed || which == 10) ? 1 : 0);
            }
        }
        EXPECT_GT(ahead.s.topLine(), 100);
        EXPECT_EQ(pictures > 0, library && which != 8); // 8 opens another text
    }
}

} // namespace
