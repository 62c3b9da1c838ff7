// Reading aloud in the session: the lit line on the page, the voice's page turns, the reader's
// moves and closings, the Read Aloud commands and the voice's settings in their own section.
#include "core/testing/FakeSpeechEngine.h"
#include "core/testing/SessionTestAccess.h"
#include "view/ViewFixture.h"

#include <sstream>

namespace {

using Kind = qm::Session::SpeechNote::Kind;

// A view that answers the Voice dialog.
class SpeechView : public qmview::View {
public:
    std::optional<qm::VoiceChoice> chooseVoice(std::function<std::vector<std::string>()> voices,
                                               const qm::VoiceChoice& current) override {
        offered = voices();
        shown = current;
        return answer;
    }
    void pagePartsDrawn(const std::vector<qm::Rect>& p) override {
        ++partsDrawn;
        parts = p;
    }
    int partsDrawn = 0;
    std::vector<qm::Rect> parts;
    std::vector<std::string> offered;
    qm::VoiceChoice shown;
    std::optional<qm::VoiceChoice> answer;
};

// At 15 points a row is 20 pixels: 30 rows on the 800 x 600 fake surface.
class SessionSpeech : public ::testing::Test {
protected:
    void SetUp() override {
        view.session = &s;
        s.setSurface(&surf);
        qm::SessionTestAccess a(s);
        a.setHaveDisplayList(true);
        qm::ColourTable colours{};
        qm::writeScheme(colours, qm::ColourScheme::Light);
        a.setColours(colours);
        // Sentences of three lines and a section marker; a paragraph every fourth sentence,
        // and fixed pitch switched on and off, so a page ends in another shade and font than
        // it began with.
        qm::Lines lines;
        for (int k = 0; k < 40; ++k) {
            lines.insert(lines.end(), {"     Sentence " + std::to_string(k) + "|7> runs|4> ",
                                       "         on|f> and on ", "     to its end.|a> ", "s000"});
            if (k % 4 == 1) lines.push_back("p00" + std::to_string(k % 10) + " ");
        }
        lines.insert(lines.end(), {"p999", "        END OF FILE", " "});
        a.setDisplayLines(lines);
        fs.createFolder("/data");
        a.setLocation(&qm::Locations::settingsFile, "/data/quillmar.ini");
        s.setControlPosition(qm::Control::FontSizeTrackBar, 15);
        a.setNextTopLine(s.drawPage(0));
        s.setSpeechEngine(&engine);
        s.setSpeechListener([this](const qm::Session::SpeechNote& n) { notes.push_back(n); });
    }
    void TearDown() override { s.setSpeechEngine(nullptr); }

    // Everything drawn, as text, without the background of the row at skipRowAt.
    static std::string drawing(const std::vector<qm::FakeSurface::Text>& texts,
                               int skipRowAt = -1) {
        std::ostringstream out;
        for (const auto& t : texts)
            out << t.x << ',' << t.y << t.text << t.color << ','
                << (t.y == skipRowAt ? 0u : t.background) << t.font << t.size << ';';
        return out.str();
    }
    int count(Kind kind) const {
        return static_cast<int>(std::count_if(notes.begin(), notes.end(),
                                              [kind](const auto& n) { return n.kind == kind; }));
    }
    std::string settingsFile() const { return fs.readFile("/data/quillmar.ini").value_or(""); }

    SpeechView view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
    qm::FakeSurface surf{800, 600};
    qm::FakeSpeechEngine engine;
    std::vector<qm::Session::SpeechNote> notes;
};

TEST_F(SessionSpeech, TheLitLineGetsABandAndNothingElseOnThePageMoves) {
    surf.clearRecord();
    s.ShowNextPage(); // a page that starts in the middle of the shading and the fonts
    const int top = s.topLine(), next = s.nextTopLine(), shade = s.currentShade();
    const auto state = surf.drawingState();
    const std::vector<qm::FakeSurface::Text> before = surf.texts;
    surf.clearRecord();

    const int pages = view.pagesDrawn;
    s.ReadAloudStartItemClick();
    ASSERT_TRUE(engine.fireMark());
    const int lit = s.litLine();
    ASSERT_GE(lit, top);
    const int y = 5 + (lit - top) * 20;
    // The window is told which rows to show again: the lit one, across the page.
    EXPECT_EQ(view.pagesDrawn, pages);
    EXPECT_EQ(view.parts, (std::vector<qm::Rect>{{0, y, 800, 20}}));
    EXPECT_EQ(drawing(surf.texts, y), drawing(before, y))
        << "the same page, drawn from the state it began in";
    const qm::Color band = qm::litBandColour(s.colours(), 0);
    for (const auto& t : surf.texts) {
        if (t.y == y) {
            EXPECT_EQ(t.background, band);
        }
    }
    EXPECT_TRUE(std::any_of(surf.fills.begin(), surf.fills.end(), [&](const auto& f) {
        return f.color == band && f.x1 == 0 && f.x2 == 800 && f.y1 == y && f.y2 == y + 20;
    }));
    EXPECT_EQ(s.topLine(), top);
    EXPECT_EQ(s.nextTopLine(), next);
    EXPECT_EQ(s.currentShade(), shade);
    EXPECT_EQ(surf.drawingState(), state);

    // The next line moves the band; Stop takes it away.
    surf.clearRecord();
    engine.fireMark();
    EXPECT_EQ(s.litLine(), lit + 1);
    EXPECT_EQ(drawing(surf.texts, y + 20), drawing(before, y + 20));
    EXPECT_EQ(view.parts, (std::vector<qm::Rect>{{0, y, 800, 20}, {0, y + 20, 800, 20}}));
    surf.clearRecord();
    s.ReadAloudStopItemClick();
    EXPECT_EQ(s.litLine(), -1);
    EXPECT_EQ(drawing(surf.texts), drawing(before));
    EXPECT_EQ(view.parts, (std::vector<qm::Rect>{{0, y + 20, 800, 20}}));
    EXPECT_EQ(view.partsDrawn, 3);
    EXPECT_EQ(view.pagesDrawn, pages) << "the page as a whole was not shown again";
}

TEST_F(SessionSpeech, TheVoiceTurnsThePageOnceAndReadsEveryLineInOrder) {
    const int firstEnd = s.nextTopLine();
    s.ReadAloudStartItemClick();
    while (count(Kind::Turned) == 0 && engine.speakOne()) {
    }
    ASSERT_EQ(count(Kind::Turned), 1);
    EXPECT_EQ(s.topLine(), firstEnd);
    const int secondEnd = s.nextTopLine();
    while (engine.queue.front().nextMark == 0 || s.litLine() < secondEnd - 2) {
        if (!engine.fireMark()) engine.finishUtterance();
    }
    s.ReadAloudStopItemClick();
    std::vector<int> lit, expected;
    for (const auto& n : notes)
        if (n.kind == Kind::Lit) lit.push_back(n.line);
    for (int i = 0; i <= lit.back(); ++i)
        if (qm::speech::lineRole(s.displayLines(), i) != qm::speech::LineRole::Silent)
            expected.push_back(i);
    EXPECT_EQ(lit, expected);
    EXPECT_EQ(count(Kind::Turned), 1);
    EXPECT_EQ(count(Kind::Stopped), 1);
    EXPECT_FALSE(s.readingAloud());
    // Each line's mark is told as it arrives, before the page turns to it and it is lit.
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (notes[i].kind != Kind::Lit) continue;
        std::size_t before = i - 1;
        if (notes[before].kind == Kind::Turned) --before;
        EXPECT_EQ(notes[before].kind, Kind::Reached);
        EXPECT_EQ(notes[before].line, notes[i].line);
    }
    EXPECT_EQ(count(Kind::Reached), static_cast<int>(lit.size()));
}

TEST_F(SessionSpeech, TheReadersMovesTakeTheVoiceToTheNewPageRedrawsDoNot) {
    struct Move {
        const char* label;
        std::function<void(qm::Session&)> act;
        bool moves;
    };
    const Move moves[] = {
        {"PageDown", [](qm::Session& r) { r.FormKeyDown(qm::Session::kPageDownKey); }, true},
        {"PageUp", [](qm::Session& r) { r.FormKeyDown(qm::Session::kPageUpKey); }, true},
        {"a find hit", [](qm::Session& r) { r.FindDialog1Find("Sentence 30", true, false); },
         true},
        {"a jump (contents, bookmark, index)",
         [](qm::Session& r) { r.drawPage(77); },
         true},
        {"a font size", [](qm::Session& r) { r.FontSizeTrackBarChange(20); }, false},
        {"a colour scheme", [](qm::Session& r) { r.BGColorRadioGroupClick(1); }, false},
        {"a resize", [](qm::Session& r) { r.ReadTabSheetResize(); }, false},
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(m.label);
        s.FormKeyDown(qm::Session::kPageDownKey);
        s.ReadAloudStartItemClick();
        engine.fireMark();
        const std::size_t spoken = engine.spoken.size();
        const int stops = engine.stops;
        m.act(s);
        if (m.moves) {
            EXPECT_EQ(engine.stops, stops + 1);
            ASSERT_EQ(engine.spoken.size(), spoken + 1);
            const int first = *qm::speech::lineOfMark(engine.spoken.back().marks.front());
            EXPECT_GE(first, s.topLine());
            for (int i = s.topLine(); i < first; ++i)
                EXPECT_EQ(qm::speech::lineRole(s.displayLines(), i),
                          qm::speech::LineRole::Silent);
            EXPECT_EQ(s.litLine(), -1);
        } else {
            EXPECT_EQ(engine.spoken.size(), spoken) << "the sentence goes on";
            EXPECT_GE(s.litLine(), 0);
        }
        s.ReadAloudStopItemClick();
        s.FontSizeTrackBarChange(15);
        s.BGColorRadioGroupClick(0);
    }
}

TEST_F(SessionSpeech, ClosingTheWindowOrTheTextStopsTheVoice) {
    s.ReadAloudStartItemClick();
    engine.fireMark();
    s.FormClose();
    EXPECT_FALSE(s.readingAloud());
    EXPECT_FALSE(engine.isOpen());
    EXPECT_TRUE(engine.queue.empty());

    s.ReadAloudStartItemClick();
    engine.fireMark();
    qm::SessionTestAccess(s).setDisplayLines(qm::Lines{"     Another text. ", "p999",
                                                       "        END OF FILE", " "});
    s.drawPage(0);
    EXPECT_FALSE(s.readingAloud());
    EXPECT_EQ(s.litLine(), -1);
}

TEST_F(SessionSpeech, ClicksOnThePageChooseTheLine) {
    const int y = 5 + 6 * 20 + 3; // the row of line 6
    ASSERT_EQ(s.lineAt(30, y), 6);
    EXPECT_EQ(s.lineAt(30, 2), -1) << "above the first row";
    s.ReadingPageClick(30, y);
    EXPECT_TRUE(engine.spoken.empty()) << "a click does not start reading";
    s.ReadingPageDblClick(30, y);
    ASSERT_EQ(engine.spoken.size(), 1u);
    EXPECT_EQ(engine.spoken[0].marks.front(), "L6");
    s.ReadingPageClick(30, 5 + 20);
    EXPECT_EQ(engine.spoken.back().marks.front(), "L1") << "while reading, a click moves it";
}

TEST_F(SessionSpeech, TheVoicesSettingsKeepTheirOwnSectionAndEveryOtherLine) {
    const std::string hand = "[C:\\readers\\reader.toc]\r\n[how]\r\nfontsize=15\r\n; mine\r\n"
                             "[speech]\r\n; hand-made\r\nrate=95\r\n";
    fs.writeFile("/data/quillmar.ini", hand);
    s.applySettings();
    EXPECT_EQ(s.speechSettings().rate, 95);
    s.ReadAloudFasterItemClick();
    s.ReadAloudFasterItemClick();
    EXPECT_EQ(s.speechSettings().rate, 100);
    EXPECT_EQ(settingsFile(), "[C:\\readers\\reader.toc]\r\n[how]\r\nfontsize=15\r\n; mine\r\n"
                              "[speech]\r\n; hand-made\r\nrate=100\r\n");
    for (int i = 0; i < 25; ++i)
        s.ReadAloudSlowerItemClick();
    EXPECT_EQ(s.speechSettings().rate, -100);

    // Voice...: the service's voices offered, the choice kept, a level left alone stays unset.
    engine.voiceList = {"English", "German"};
    view.answer = qm::VoiceChoice{"German", 0, 70};
    s.ReadAloudVoiceItemClick();
    EXPECT_EQ(view.offered, engine.voiceList);
    EXPECT_EQ(view.shown, (qm::VoiceChoice{"", 0, 100}));
    EXPECT_EQ(engine.voice, "German");
    EXPECT_EQ(engine.volume, 70);
    EXPECT_FALSE(s.speechSettings().pitch);
    EXPECT_NE(settingsFile().find("[speech]\r\n; hand-made\r\nrate=-100\r\nvoice=German\r\n"
                                  "volume=70\r\n"),
              std::string::npos)
        << settingsFile();

    // Another collection's file without the section takes the settings along; a reset of
    // the file gives the voice back to the service.
    qm::SessionTestAccess(s).setLocation(&qm::Locations::settingsFile, "/data/other.ini");
    fs.writeFile("/data/other.ini", "[how]\r\nfontsize=12\r\n");
    s.applySettings();
    EXPECT_EQ(fs.readFile("/data/other.ini"),
              "[how]\r\nfontsize=12\r\n[speech]\r\nvoice=German\r\nrate=-100\r\nvolume=70\r\n");
    s.ResetToStartupDefaultsButtonClick();
    EXPECT_EQ(s.speechSettings(), qm::speech::SpeechSettings{});
    EXPECT_EQ(fs.readFile("/data/other.ini")->find("[speech]"), std::string::npos);
}

TEST_F(SessionSpeech, WithoutAServiceTheCommandSaysWhatToInstallAndChangesNothing) {
    fs.writeFile("/data/quillmar.ini", "[speech]\r\nrate=30\r\n");
    s.applySettings();
    engine.openError = "Can't connect to unix socket";
    s.ReadAloudStartItemClick();
    s.ReadAloudVoiceItemClick();
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_NE(view.messages[0].find("Can't connect to unix socket"), std::string::npos);
    EXPECT_NE(view.messages[0].find("speech-dispatcher"), std::string::npos);
    EXPECT_FALSE(s.readingAloud());
    EXPECT_EQ(s.speechSettings().rate, 30);
    EXPECT_EQ(settingsFile(), "[speech]\r\nrate=30\r\n");

    s.setSpeechEngine(nullptr);
    s.ReadAloudStartItemClick();
    EXPECT_EQ(view.messages.size(), 3u);
}

} // namespace
