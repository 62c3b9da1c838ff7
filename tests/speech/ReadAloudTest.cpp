// The reading sequence over a fake engine and a fake page: sentence by sentence, each line lit
// as its mark comes, the page turned when the voice passes its last line, the reader's moves
// followed, and every failure told with what to install.
#include "core/speech/ReadAloud.h"
#include "core/testing/FakeSpeechEngine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qm::speech::ReadAloud;
using State = qm::speech::ReadAloud::State;

// Pages of a fixed number of lines over a story of sentences of two lines each, a marker
// after every sentence: sentence k is lines 3k and 3k+1, its marker 3k+2.
class Page : public qm::speech::ReadingHost {
public:
    explicit Page(int sentences, int pageLines = 9) : m_pageLines(pageLines) {
        qm::Lines lines;
        for (int k = 0; k < sentences; ++k)
            lines.insert(lines.end(), {"     Sentence " + std::to_string(k), "         ends. ",
                                       "s000"});
        lines.insert(lines.end(), {"p999", "        END OF FILE", " "});
        text = qm::LineBuffer(lines);
    }
    const qm::LineBuffer& lines() const override { return text; }
    bool textStillOpen() const override { return open; }
    int pageTop() const override { return top; }
    int pageEnd() const override { return std::min(top + m_pageLines, lineCount(text) - 2); }
    // Each mark's line as it arrived, with the turns and lights made before it.
    struct Reach {
        int line;
        std::size_t turnsBefore, litBefore;
        bool operator==(const Reach&) const = default;
    };
    void reached(int line) override { reaches.push_back({line, turns.size(), lit.size()}); }
    void turnPage(int litLine) override {
        turns.push_back(litLine);
        if (pageEnd() < lineCount(text) - 2) top = pageEnd();
    }
    void light(int line) override { lit.push_back(line); }
    void tell(const std::string& message) override { messages.push_back(message); }
    void readingStopped() override { ++stopped; }

    qm::LineBuffer text;
    bool open = true;
    int top = 0;
    std::vector<int> turns, lit;
    std::vector<std::string> messages;
    std::vector<Reach> reaches;
    int stopped = 0;

private:
    int m_pageLines;
};

// The lines lit, without the "none" (-1) between readings.
std::vector<int> litLines(const Page& page) {
    std::vector<int> out;
    for (int line : page.lit)
        if (line >= 0) out.push_back(line);
    return out;
}

TEST(ReadAloud, ReadsSentenceBySentenceTurningPagesToTheEnd) {
    qm::FakeSpeechEngine engine;
    Page page(4); // lines 0..11, pages of 9 lines: 0..8, 9..
    ReadAloud reader(engine, page);
    reader.startOrPause(0);
    EXPECT_EQ(reader.state(), State::Speaking);
    ASSERT_EQ(engine.spoken.size(), 1u);
    EXPECT_EQ(engine.spoken[0].marks, (std::vector<std::string>{"L0", "L1"}));
    // Each sentence is asked for only once the one before has ended.
    ASSERT_TRUE(engine.fireMark());
    EXPECT_EQ(reader.litLine(), 0);
    EXPECT_EQ(engine.spoken.size(), 1u);
    while (engine.speakOne()) {
    }
    EXPECT_EQ(litLines(page), (std::vector<int>{0, 1, 3, 4, 6, 7, 9, 10}));
    EXPECT_EQ(page.turns, std::vector<int>{9}) << "one turn, as line 9 was reached";
    EXPECT_EQ(page.top, 9);
    // Each mark is told as it arrives, before its page turn and its light.
    ASSERT_EQ(page.reaches.size(), 8u);
    EXPECT_EQ(page.reaches[0], (Page::Reach{0, 0, 0}));
    EXPECT_EQ(page.reaches[6], (Page::Reach{9, 0, 6}));
    EXPECT_EQ(page.reaches[7], (Page::Reach{10, 1, 7}));
    EXPECT_EQ(reader.state(), State::Idle) << "the end of the text stops it";
    EXPECT_EQ(page.lit.back(), -1);
    EXPECT_EQ(page.stopped, 1);
    EXPECT_TRUE(page.messages.empty());
    EXPECT_EQ(engine.opens, 1);
}

TEST(ReadAloud, PauseKeepsTheLitLineAndReadsOnFromIt) {
    qm::FakeSpeechEngine engine;
    Page page(3);
    ReadAloud reader(engine, page);
    reader.startOrPause(3);
    engine.fireMark();
    engine.fireMark();
    reader.startOrPause(0); // pause
    EXPECT_EQ(reader.state(), State::Paused);
    EXPECT_EQ(reader.litLine(), 4);
    EXPECT_EQ(engine.stops, 1);
    // What the stopped utterance still reports is old.
    const qm::speech::Utterance old = engine.spoken.back().id;
    reader.markReached(old, "L3");
    reader.utteranceEnded(old);
    EXPECT_EQ(reader.litLine(), 4);
    EXPECT_EQ(engine.spoken.size(), 1u);
    EXPECT_EQ(page.reaches.size(), 2u) << "an old mark is not told";

    reader.startOrPause(0); // reads on from the lit line, whatever the page shows
    EXPECT_EQ(reader.state(), State::Speaking);
    ASSERT_EQ(engine.spoken.size(), 2u);
    EXPECT_EQ(engine.spoken[1].marks, std::vector<std::string>{"L4"});
}

TEST(ReadAloud, TheReadersMovesTakeTheVoiceAlong) {
    qm::FakeSpeechEngine engine;
    Page page(6);
    ReadAloud reader(engine, page);
    reader.startOrPause(0);
    engine.fireMark();
    page.top = 9; // PageDown
    reader.pageMoved(9);
    EXPECT_EQ(engine.stops, 1);
    EXPECT_EQ(page.lit.back(), -1);
    ASSERT_EQ(engine.spoken.size(), 2u);
    EXPECT_EQ(engine.spoken[1].marks, (std::vector<std::string>{"L9", "L10"}));
    reader.markReached(engine.spoken[0].id, "L1"); // late, from before the move
    EXPECT_EQ(page.lit.back(), -1);

    // Paused, a move only changes where reading goes on.
    reader.startOrPause(0);
    page.top = 3;
    reader.pageMoved(3);
    EXPECT_EQ(reader.state(), State::Paused);
    EXPECT_EQ(engine.spoken.size(), 2u);
    reader.startOrPause(0);
    EXPECT_EQ(engine.spoken.back().marks.front(), "L3");

    // A click reads from its line; Stop ends it all.
    reader.readFrom(13);
    EXPECT_EQ(engine.spoken.back().marks.front(), "L13");
    reader.stop();
    EXPECT_EQ(reader.state(), State::Idle);
    EXPECT_EQ(reader.litLine(), -1);
    reader.pageMoved(0);
    EXPECT_EQ(engine.spoken.back().marks.front(), "L13") << "idle: nothing to follow";
}

TEST(ReadAloud, ClosingTheTextOrTheWindowStopsTheVoice) {
    qm::FakeSpeechEngine engine;
    Page page(3);
    ReadAloud reader(engine, page);
    reader.startOrPause(0);
    page.open = false; // another text came in the meantime
    engine.fireMark();
    EXPECT_EQ(reader.state(), State::Idle);
    EXPECT_TRUE(litLines(page).empty());

    page.open = true;
    reader.startOrPause(0);
    reader.shutDown();
    EXPECT_EQ(reader.state(), State::Idle);
    EXPECT_FALSE(engine.isOpen());
    EXPECT_TRUE(engine.queue.empty());
}

TEST(ReadAloud, FailuresStopWithAMessageNamingWhatToInstall) {
    enum class Fault { Open, Speak, WhileSpeaking, LaterSentence };
    for (Fault fault : {Fault::Open, Fault::Speak, Fault::WhileSpeaking, Fault::LaterSentence}) {
        SCOPED_TRACE(static_cast<int>(fault));
        qm::FakeSpeechEngine engine;
        Page page(3);
        ReadAloud reader(engine, page);
        if (fault == Fault::Open) engine.openError = "no socket";
        if (fault == Fault::Speak) engine.speakError = "refused";
        reader.startOrPause(0);
        if (fault == Fault::WhileSpeaking) {
            engine.fireMark();
            engine.failUtterance("connection lost");
        }
        if (fault == Fault::LaterSentence) {
            engine.speakOne();
            engine.speakError = "refused";
            engine.speakOne();
        }
        EXPECT_EQ(reader.state(), State::Idle);
        ASSERT_EQ(page.messages.size(), 1u);
        EXPECT_NE(page.messages[0].find("speech-dispatcher-espeak-ng"), std::string::npos)
            << page.messages[0];
        EXPECT_EQ(reader.litLine(), -1);
        EXPECT_FALSE(engine.isOpen()) << "the next Start connects anew";

        // The service back: the same command reads again.
        engine.openError.reset();
        engine.speakError.reset();
        reader.startOrPause(0);
        EXPECT_EQ(reader.state(), State::Speaking);
        EXPECT_EQ(page.messages.size(), 1u);
    }
}

TEST(ReadAloud, SettingsReachTheServiceOnConnectAndOnChange) {
    qm::FakeSpeechEngine engine;
    Page page(2);
    ReadAloud reader(engine, page);
    reader.setSettings({"English (Great Britain)", 40, std::nullopt, 80});
    EXPECT_FALSE(engine.rate) << "nothing is sent before the connection";
    ASSERT_TRUE(reader.connect());
    EXPECT_EQ(engine.voice, "English (Great Britain)");
    EXPECT_EQ(engine.rate, 40);
    EXPECT_FALSE(engine.pitch) << "a setting never made leaves the service's own";
    EXPECT_EQ(engine.volume, 80);
    reader.setSettings({"English (Great Britain)", 50, -20, 80});
    EXPECT_EQ(engine.rate, 50);
    EXPECT_EQ(engine.pitch, -20);
    // Giving a voice up returns to the service's own, which needs a new connection.
    reader.setSettings({"", 50, -20, 80});
    EXPECT_FALSE(engine.isOpen());
}

} // namespace
