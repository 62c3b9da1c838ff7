// What is read aloud for the display lines: the lines of one utterance, where it ends, and its
// SSML (marks, the second voice, pauses, escapes and the page's characters as Unicode).
#include "core/base/LineBuffer.h"
#include "core/speech/SpeechText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qm::speech::utteranceFrom;

// The lines of a text as opening leaves them, the end sentinels appended.
qm::LineBuffer text(std::vector<std::string> lines) {
    lines.insert(lines.end(), {"p999", "        END OF FILE", " "});
    return qm::LineBuffer(qm::Lines(lines.begin(), lines.end()));
}

struct Case {
    const char* label;
    std::vector<std::string> lines;
    int from;
    std::vector<int> marked;
    int end;
    std::string ssml; // the whole document
};

TEST(SpeechText, OneSentenceOrOneHeadingPerUtterance) {
    const Case cases[] = {
        {"a sentence over lines, up to its full stop",
         {"     The cold|7> was|4> the worst ", "         of the winter. ", "s000 ",
          "     Snow came. "},
         0,
         {0, 1},
         2,
         R"(<speak><mark name="L0"/>The cold was the worst <mark name="L1"/>of the winter. </speak>)"},
        {"markers, reference points and wordless rows are skipped to the first line to read",
         {"|refpt001> ", "p001 ", "", "s000", "     * * * ", "     Go! ", "     Next. "},
         0,
         {5},
         6,
         R"(<speak><mark name="L5"/>Go! </speak>)"},
        {"a title is read alone with a pause after it",
         {"|b>THE LITTLE MATCH-SELLER|n> ", "p001 ", "     It was cold. "},
         0,
         {0},
         1,
         R"(<speak><mark name="L0"/>THE LITTLE MATCH-SELLER <break time="700ms"/></speak>)"},
        {"a heading cut into lines keeps bold to its last line",
         {"|b>FIRST STORY: WHICH TREATS ", "OF A MIRROR|n> ", "     There was once. "},
         1,
         {1},
         2,
         R"(<speak><mark name="L1"/>OF A MIRROR <break time="700ms"/></speak>)"},
        {"speech in its colour has the second voice, also over a line end",
         {"     She said, |6>\"Come here, ", "         little one,\"|4> and smiled. "},
         0,
         {0, 1},
         2,
         R"(<speak><mark name="L0"/>She said, <voice gender="female">&quot;Come here, )"
         R"(<mark name="L1"/>little one,&quot;</voice> and smiled. </speak>)"},
        {"a sentence ends before closing quotes and brackets",
         {"     |6>\"Go away!\"|4> ", "     (It was late.) ", "     Then. "},
         0,
         {0},
         1,
         R"(<speak><mark name="L0"/><voice gender="female">&quot;Go away!&quot;</voice> </speak>)"},
        {"characters SSML reserves are escaped, controls read as blanks",
         {"     A & B <c> 'd'\x01\x7f. "},
         0,
         {0},
         1,
         R"(<speak><mark name="L0"/>A &amp; B &lt;c&gt; &apos;d&apos;  . </speak>)"},
        {"the page's Windows-1252 bytes become Unicode",
         {"     caf\xe9 \x93na\xefve\x94\x85 "},
         0,
         {0},
         1,
         "<speak><mark name=\"L0\"/>caf\xc3\xa9 \xe2\x80\x9cna\xc3\xafve\xe2\x80\x9d"
         "\xe2\x80\xa6 </speak>"},
        {"a picture's name is never read",
         {"     the picture|image>pics/stove.jpg ", "     was warm. "},
         0,
         {0, 1},
         2,
         R"(<speak><mark name="L0"/>the picture <mark name="L1"/>was warm. </speak>)"},
        {"a heading after a sentence without its full stop ends the sentence",
         {"     and so it ended", "|b>THE END|n> "},
         0,
         {0},
         1,
         R"(<speak><mark name="L0"/>and so it ended </speak>)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const auto u = utteranceFrom(text(c.lines), c.from);
        ASSERT_TRUE(u);
        EXPECT_EQ(u->lines, c.marked);
        EXPECT_EQ(u->end, c.end);
        EXPECT_EQ(u->ssml, c.ssml);
    }
}

TEST(SpeechText, EndsAndLimits) {
    // Nothing is left to read from the end marker on, nor in a text of markers only.
    const qm::LineBuffer story = text({"     One. "});
    EXPECT_FALSE(utteranceFrom(story, 1));
    EXPECT_FALSE(utteranceFrom(story, 1000));
    EXPECT_FALSE(utteranceFrom(text({"p001 ", "s000", "|refpt002> "}), 0));
    EXPECT_EQ(utteranceFrom(story, -5)->lines, std::vector<int>{0});

    // A run of lines with no sentence end is read in pieces.
    const qm::LineBuffer run = text(std::vector<std::string>(100, "     and on "));
    const auto first = utteranceFrom(run, 0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->lines.size(), std::size_t(qm::speech::kMaxUtteranceLines));
    EXPECT_EQ(utteranceFrom(run, first->end)->lines.front(), qm::speech::kMaxUtteranceLines);

    // Without a second voice, speech is read in the reader's voice.
    qm::speech::SpeechStyle plain;
    plain.speechVoiceGender.clear();
    plain.headingPauseMs = 0;
    EXPECT_EQ(utteranceFrom(text({"|b>T|n> ", "     |6>\"Hi.\"|4> "}), 0, plain)->ssml,
              R"(<speak><mark name="L0"/>T </speak>)");
    EXPECT_EQ(utteranceFrom(text({"     |6>\"Hi.\"|4> "}), 0, plain)->ssml,
              R"(<speak><mark name="L0"/>&quot;Hi.&quot; </speak>)");
}

TEST(SpeechText, MarksNameTheirLines) {
    EXPECT_EQ(qm::speech::markName(4711), "L4711");
    EXPECT_EQ(qm::speech::lineOfMark("L4711"), 4711);
    EXPECT_EQ(qm::speech::lineOfMark("L0"), 0);
    for (const char* foreign : {"", "L", "4711", "l12", "L-1", "L12a", "L 12", "L99999999999"})
        EXPECT_FALSE(qm::speech::lineOfMark(foreign)) << foreign;
}

} // namespace
