// The cascader on tricky prose: where sentences end, where lines break, how deep they sit,
// markers and headings, and inputs of any bytes.
#include "core/cascade/Cascader.h"
#include "CascadeTestSupport.h"
#include "core/cascade/GrammarParser.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/ShippedParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::isBodyLine;
using test::levelOf;
using test::phraseText;
using test::sentencesOf;
using test::wordCount;

// Every non-blank byte of the prose, in order ("|" shown as "/").
std::string visibleBytes(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) continue;
        out.push_back(c == '|' ? '/' : c);
    }
    return out;
}

std::string visibleBytesOf(const Lines& lines) {
    std::string all;
    for (const std::string& l : lines) {
        if (isBodyLine(l)) all += phraseText(l);
    }
    std::string out = visibleBytes(all);
    // Letter runs the cascader breaks with a hyphen so the reader shows them as text.
    for (std::size_t p; (p = out.find("s-000")) != std::string::npos;)
        out.erase(p + 1, 1);
    for (std::size_t p; (p = out.find("ref-p")) != std::string::npos;)
        out.erase(p + 3, 1);
    return out;
}

struct SplitCase {
    const char* name;
    const char* prose;
    std::vector<std::string> sentences;
};

class SentenceSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SentenceSplit, EndsSentencesOnlyWhereTheyEnd) {
    const SplitCase& c = GetParam();
    const Lines lines = cascadeText(c.prose, shippedParser());
    EXPECT_EQ(sentencesOf(lines), c.sentences);
}

INSTANTIATE_TEST_SUITE_P(
    Prose, SentenceSplit,
    ::testing::Values(SplitCase{"titles",
                                "Mr. Darcy bowed to Mrs. Bennet. She smiled at him.",
                                {"Mr. Darcy bowed to Mrs. Bennet.", "She smiled at him."}},
                      SplitCase{"saint",
                                "They walked to St. Paul's before dawn. It was shut.",
                                {"They walked to St. Paul's before dawn.", "It was shut."}},
                      SplitCase{"numbers",
                                "The ratio was 3.14 exactly. It cost 1,000 pounds.",
                                {"The ratio was 3.14 exactly.", "It cost 1,000 pounds."}},
                      SplitCase{"initials",
                                "J. R. Smith signed the letter. Nobody read it.",
                                {"J. R. Smith signed the letter.", "Nobody read it."}},
                      SplitCase{"abbreviations",
                                "Visit a city, e.g. Paris or Rome. We leave soon.",
                                {"Visit a city, e.g. Paris or Rome.", "We leave soon."}},
                      SplitCase{"exclamation before a tag",
                                "\"Stop!\" cried the boy. He ran away.",
                                {"\"Stop!\" cried the boy.", "He ran away."}},
                      SplitCase{"question inside speech",
                                "\"Who is there? Answer me!\" she called.",
                                {"\"Who is there?", "Answer me!\" she called."}},
                      SplitCase{"quotation inside quotation",
                                "\"He told me 'go away' and left,\" said Kay. Then he wept.",
                                {"\"He told me 'go away' and left,\" said Kay.", "Then he wept."}},
                      SplitCase{
                          "ellipsis",
                          "She waited... Then the door opened. Nothing... nothing at all.",
                          {"She waited...", "Then the door opened.", "Nothing... nothing at all."}},
                      SplitCase{"lower case after a stop",
                                "It was cold. and yet she sang.",
                                {"It was cold. and yet she sang."}},
                      SplitCase{"no punctuation",
                                "the snow fell and fell all night long",
                                {"the snow fell and fell all night long"}},
                      SplitCase{"note mark after a stop",
                                "The sun went down. [1] Her brother came home.",
                                {"The sun went down. [1]", "Her brother came home."}},
                      SplitCase{"note mark glued to a stop",
                                "The sun went down.[12] Her brother came home.",
                                {"The sun went down.[12]", "Her brother came home."}},
                      SplitCase{"note mark glued to a word",
                                "It rained after the storm[2], and the dogs slept.",
                                {"It rained after the storm[2], and the dogs slept."}},
                      SplitCase{"bracketed word is no note mark",
                                "He said it twice. [Laughter] Then he left.",
                                {"He said it twice.", "[Laughter] Then he left."}}),
    [](const auto& paramInfo) {
        std::string n = paramInfo.param.name;
        std::replace_if(
            n.begin(), n.end(), [](char ch) { return !isalnum(ch); }, '_');
        return n;
    });

// Inputs that must give well-formed lines and lose no text.
// A note's mark stays at the end of its word's line: no phrase line starts with one.
TEST(Cascader, NoteMarksNeverStartALine) {
    const Lines lines = cascadeText(
        "The house was quiet after the long and dreadful storm [2] and the dogs slept by the "
        "fire until morning came. [3] He said it twice [4], then he left the room without "
        "another word to anyone in the whole of the old grey house [5].",
        shippedParser());
    std::size_t marks = 0;
    for (const std::string& l : lines) {
        if (l.size() < 4 || l[0] != 'l') continue;
        EXPECT_NE(l[3], '[') << l;
        marks += static_cast<std::size_t>(std::count(l.begin(), l.end(), '['));
    }
    EXPECT_EQ(marks, 4u);
}

struct RobustCase {
    const char* name;
    std::string prose;
};

std::string repeatWords(std::size_t n, bool punctuation) {
    static const char* const kWords[] = {"the",    "soldier", "stood", "in",     "window", "and",
                                         "looked", "at",      "a",     "little", "dancer", "who"};
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += kWords[i % 12];
        if (punctuation && i % 17 == 16) s += (i % 34 == 33) ? "." : ",";
        s += ' ';
    }
    return s;
}

std::string repeat(std::string_view piece, std::size_t times) {
    std::string s;
    s.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        s += piece;
    return s;
}

std::vector<RobustCase> robustCases() {
    std::string allBytes;
    for (int i = 0; i < 256; ++i) {
        allBytes.push_back(static_cast<char>(i));
        if (i % 7 == 0) allBytes += " word ";
    }
    return {
        {"empty", ""},
        {"only line ends", "\r\n\n\r\r\n   \t \n"},
        {"no punctuation", repeatWords(5000, false)},
        {"one huge paragraph", repeatWords(200000, true)},
        {"one huge word", std::string(100000, 'x')},
        {"overwide last token", "???????~" + std::string(32, '?') + "\xe6???"},
        {"overwide tokens in a row", repeat(std::string(45, 'y') + " ", 5) + "z."},
        {"every byte value", allBytes},
        {"nul bytes", std::string("The tin\0 soldier stood.\0\0 He fell.", 35)},
        {"non ascii",
         "The caf\xc3\xa9 was \xe2\x80\x9cwarm\xe2\x80\x9d \xe2\x80\x94 said G\xc3\xb6ran. "
         "\xff\xfe\x80 bytes \xc3 end."},
        {"bars and markers", "A | B |6> c s000 d refpt001 e |refpt002> f."},
        {"lone punctuation", "\" \" -- ... ; , ! ? * * * \"\" '' -- -- --"},
        {"unbalanced quotes", "\"He said \"yes\" and \"no. \"Then\" \"\"\" she left."},
        {"cr only", "First line of text.\rSecond line.\r\rNew paragraph here.\r"},
        {"dashes", "It was late--too late--and the candle--gutted--went out."},
        {"run of adverbs", repeat("now ", 100000)},
        {"run of commas", "word" + repeat(" ,", 200000) + " end."},
        {"run of opening quotes", repeat("\" ", 100000) + "word."},
        {"run of dashes", repeat("a--", 50000)},
        {"deep nesting",
         "The key of the door of the house of the man of the town of the valley of the river "
         "of the kingdom of the king of the land of the north of the world was lost."},
    };
}

class Robust : public ::testing::TestWithParam<RobustCase> {};

TEST_P(Robust, WellFormedAndNothingLost) {
    const RobustCase& c = GetParam();
    const Lines lines = cascadeText(c.prose, shippedParser());
    test::expectWellFormed(lines);
    EXPECT_EQ(visibleBytesOf(lines), visibleBytes(c.prose));
    for (const std::string& l : lines) {
        if (isBodyLine(l)) {
            EXPECT_LE(test::phraseText(l).size(), 44u) << l;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, Robust, ::testing::ValuesIn(robustCases()),
                         [](const auto& paramInfo) {
                             std::string n = paramInfo.param.name;
                             std::replace(n.begin(), n.end(), ' ', '_');
                             return n;
                         });

TEST(Cascader, EmptyTextIsBannerAndEnd) {
    const Lines lines = cascadeText("", shippedParser());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "END");
}

// A dependent phrase sits a step (4) right of the line holding the word it depends on;
// coordinated clauses line up; a main clause after a fronted clause is back at the base.
struct LevelCase {
    const char* prose;
    const char* line; // a phrase line starting with this ...
    const char* host; // ... sits `steps` steps right of the line holding this word,
    int steps;        // or, with no host, at the base level plus `steps`
};

TEST(Cascader, LevelsShowHowPhrasesHang) {
    const LevelCase cases[] = {
        {"She sat down by the fire because she was very tired.", "because", "sat", 1},
        {"The soldier looked at the dancer who stood on one leg.", "who", "dancer", 1},
        {"He sang all night long in the hall, and she danced with the king.", "and she danced",
         nullptr, 0},
        {"\"Come here at once,\" said the old soldier.", "said", "once,\"", 1},
        {"The little girl walked through the streets of the town.", "of the town.", "streets", 1},
        {"When the soldier woke, he was lying in the gutter.", "he was lying", nullptr, 0},
        {"And when they went home again they told everyone about it.", "they told", nullptr, 0},
    };
    for (const LevelCase& c : cases) {
        SCOPED_TRACE(c.prose);
        const Lines lines = cascadeText(c.prose, shippedParser());
        std::vector<std::string> body;
        std::copy_if(lines.begin(), lines.end(), std::back_inserter(body), isBodyLine);
        ASSERT_FALSE(body.empty());
        EXPECT_EQ(levelOf(body.front()), 5);
        const auto line = std::find_if(body.begin(), body.end(), [&](const std::string& l) {
            return phraseText(l).rfind(c.line, 0) == 0;
        });
        ASSERT_NE(line, body.end()) << "no line starts with \"" << c.line << "\"";
        int hostLevel = 5;
        if (c.host) {
            const auto host = std::find_if(body.begin(), body.end(), [&](const std::string& l) {
                const std::string t = " " + phraseText(l) + " ";
                return t.find(" " + std::string(c.host) + " ") != std::string::npos;
            });
            ASSERT_NE(host, body.end()) << "no line holds \"" << c.host << "\"";
            hostLevel = levelOf(*host);
        }
        EXPECT_EQ(levelOf(*line), hostLevel + 4 * c.steps) << *line;
    }
}

// From the parse and by the lexicon rules alike; nested phrases step at most four times right.
TEST(Cascader, EverySentenceStartsAtTheBaseLevelAndLevelsStepByFour) {
    const std::string prose =
        "In the morning the old soldier, who had stood all night, looked out of the window "
        "at the street; nobody came. \"Is it you?\" he asked, and the dancer, whose dress "
        "was of muslin, nodded. It was famous, too, for the pillory, a wise old institution, "
        "that inflicted a punishment of which no one could foresee the extent. At our time of "
        "life it is not so pleasant, I can tell you, to be making new acquaintances every day "
        "in the houses of the friends of the neighbours of the cousins of the aunt of the vicar. " +
        repeatWords(600, true);
    for (cascade::SentenceParser* parser :
         {shippedParser(), static_cast<cascade::SentenceParser*>(nullptr)}) {
        SCOPED_TRACE(parser ? "parsed" : "lexicon rules");
        const Lines lines = cascadeText(prose, parser);
        bool sentenceStart = true;
        int deepest = 0;
        for (const std::string& l : lines) {
            if (l == "s000 ") {
                sentenceStart = true;
                continue;
            }
            if (!isBodyLine(l)) continue;
            SCOPED_TRACE(l);
            if (sentenceStart) {
                EXPECT_EQ(levelOf(l), 5);
            }
            EXPECT_EQ((levelOf(l) - 5) % 4, 0);
            deepest = std::max(deepest, levelOf(l));
            sentenceStart = false;
        }
        EXPECT_EQ(deepest, 21) << "the nested phrases reach the deepest level and stop there";
    }
}

TEST(Cascader, TitlesStayWithTheirNames) {
    const Lines lines =
        cascadeText("Then Mr. Darcy and Mrs. Bennet and Dr. Jones went up to St. Paul's, where "
                    "Mr. Bingley was waiting with Miss Bennet beside the old gate of the town.",
                    shippedParser());
    for (const std::string& l : lines) {
        if (!isBodyLine(l)) continue;
        const std::string t = phraseText(l);
        for (const char* title : {"Mr.", "Mrs.", "Dr.", "St."}) {
            const std::string ending = std::string(" ") + title;
            EXPECT_FALSE(t == title ||
                         (t.size() > ending.size() &&
                          t.compare(t.size() - ending.size(), ending.size(), ending) == 0))
                << "line ends with a title: " << t;
        }
    }
}

TEST(Cascader, DialogueTagIsItsOwnPhraseAndSpeechIsColoured) {
    const Lines lines = cascadeText("\"I will stand firm,\" said the soldier, \"whatever comes.\"",
                                    shippedParser());
    std::vector<std::string> body;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(body), isBodyLine);
    ASSERT_GE(body.size(), 3u);
    EXPECT_EQ(body[0].substr(3, 3), "|6>") << body[0];
    const auto tag = std::find_if(body.begin(), body.end(), [](const std::string& l) {
        return phraseText(l).rfind("said the soldier", 0) == 0;
    });
    ASSERT_NE(tag, body.end());
    EXPECT_EQ(tag->find("|6>"), std::string::npos) << "the tag is not speech: " << *tag;
    EXPECT_NE(body.back().find("|6>\"whatever"), std::string::npos) << body.back();
}

// A paragraph longer than the piece laid out at once is cut after a sentence; quoted speech
// open at the cut goes on in the next piece, and ends with its paragraph.
TEST(Cascader, SpeechOpenAtAPiecesCutGoesOnToItsClose) {
    std::string narration, speech, open;
    while (narration.size() < 5000)
        narration += "The wind rose over the hill. ";
    while (speech.size() < 12000)
        speech += "I will stand firm. ";
    while (open.size() < 12000)
        open += "We will go on. ";
    const struct {
        const char* what;
        std::string prose;
        bool spoken; // the lines "I will stand firm." are speech
    } cases[] = {
        {"speech over the cut", narration + "\"" + speech + "\" he said.", true},
        {"speech closed before the cut", narration + "\"Go.\" " + speech, false},
        {"speech left open by the paragraph before", narration + "\"" + open + "\n\n" + speech,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::size_t spoken = 0, plain = 0;
        for (const std::string& l : cascadeText(c.prose, shippedParser())) {
            if (!isBodyLine(l) || phraseText(l).find("stand firm.") == std::string::npos) continue;
            ++(l.find("|6>") != std::string::npos ? spoken : plain);
        }
        EXPECT_GT(spoken + plain, 600u);
        EXPECT_EQ(c.spoken ? plain : spoken, 0u);
    }
}

TEST(Cascader, NamesInMidSentenceAreColoured) {
    const Lines lines = cascadeText("The wind carried little Gerda far from Copenhagen. "
                                    "Gerda wept.",
                                    shippedParser());
    std::string all;
    for (const std::string& l : lines)
        all += l;
    EXPECT_NE(all.find("|8> Gerda"), std::string::npos) << all;
    EXPECT_NE(all.find("|8> Copenhagen"), std::string::npos) << all;
    // Learnt as a name, so coloured at the start of a sentence too.
    EXPECT_NE(all.find("|8>Gerda"), std::string::npos) << all;
}

TEST(Cascader, HeadingsBecomeReferencePointsAndBoldLines) {
    const std::string prose =
        "Produced by nobody in particular.\n\nTHE STORY OF A KEY\n\n"
        "Chapter 1\n\nIt began. It ended.\n\nCHAPTER IV.\n\nAgain.\n\n"
        "NO.\n\n\"HELP ME!\"\n\nChapter and verse were quoted.\n\nXII\n\nDone.";
    const Lines lines = cascadeText(prose, shippedParser());
    test::expectWellFormed(lines);
    EXPECT_EQ(lines.front(), "THE STORY OF A KEY");
    std::vector<std::string> titles;
    int expected = 1;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].find("|refpt") == std::string::npos) continue;
        char want[32];
        std::snprintf(want, sizeof want, "l00|refpt%03d> ", expected++);
        EXPECT_EQ(lines[i], want);
        ASSERT_EQ(lines[i + 1].rfind("l00|b>", 0), 0u) << lines[i + 1];
        titles.push_back(phraseText(lines[i + 1]));
    }
    EXPECT_EQ(titles,
              (std::vector<std::string>{"THE STORY OF A KEY", "Chapter 1", "CHAPTER IV.", "XII"}));
    // The story's paragraph numbering starts right after its title.
    const auto title = std::find(lines.begin(), lines.end(), "l00|b>THE STORY OF A KEY|n> ");
    ASSERT_NE(title, lines.end());
    EXPECT_EQ(*(title + 1), "p001 ");
    const auto sentences = sentencesOf(lines);
    EXPECT_NE(std::find(sentences.begin(), sentences.end(), "NO."), sentences.end());
    EXPECT_NE(std::find(sentences.begin(), sentences.end(), "Chapter and verse were quoted."),
              sentences.end());
}

TEST(Cascader, LongHeadingIsCutIntoBoldLines) {
    const Lines lines = cascadeText("SEVENTH STORY: THE SNOW QUEEN'S PALACE AND WHAT HAPPENED "
                                    "THERE\n\nIt was cold.",
                                    shippedParser());
    const auto ref = std::find(lines.begin(), lines.end(), "l00|refpt001> ");
    ASSERT_NE(ref, lines.end());
    EXPECT_EQ(*(ref + 1), "l00|b>SEVENTH STORY: ");
    std::string heading;
    for (auto it = ref + 1; it != lines.end() && levelOf(*it) == 0; ++it) {
        EXPECT_LE(phraseText(*it).size(), 40u);
        heading += phraseText(*it) + " ";
        if (it->find("|n>") != std::string::npos) break;
    }
    EXPECT_EQ(heading, "SEVENTH STORY: THE SNOW QUEEN'S PALACE AND WHAT HAPPENED THERE ");
}

TEST(Cascader, LicenceHeaderAndFooterAreSkipped) {
    const std::string prose =
        "The EBook of Something, free to copy\r\n\r\nLicence words here.\r\n"
        "*** START OF THIS EBOOK SOMETHING ***\r\n\r\nThe tale itself begins.\r\n\r\n"
        "End of the EBook of Something\r\n\r\n*** END OF THIS EBOOK SOMETHING ***\r\n"
        "More licence words.\r\n";
    EXPECT_EQ(sentencesOf(cascadeText(prose, shippedParser())),
              std::vector<std::string>{"The tale itself begins."});
}

TEST(Cascader, ScenesAndWrappedParagraphs) {
    const Lines lines = cascadeText("The first scene\nends here in a wrapped\nline.\n\n* * *\n\n"
                                    "The second scene.",
                                    shippedParser());
    EXPECT_EQ(sentencesOf(lines),
              (std::vector<std::string>{"The first scene ends here in a wrapped line.", "* * *",
                                        "The second scene."}));
}

// Paragraph markers: after a paragraph, once 250 lines have passed; rising from 001 within a
// story, and from 001 again in the next story, while reference points count on.
TEST(Cascader, ParagraphMarkersRiseWithinEachStory) {
    std::string story = "THE STORY\n\n";
    for (int p = 0; p < 120; ++p) {
        story += "Para" + std::to_string(p) + " begins, and the soldier stood in the window " +
                 "while the dancer looked at him from her castle. He did not move.\n\n";
    }
    Cascader cascader(shippedParser(), "Banner");
    cascader.addStory(story);
    cascader.addStory(story);
    const Lines lines = cascader.finish();
    test::expectWellFormed(lines);
    EXPECT_EQ(lines.front(), "Banner");
    std::vector<std::vector<int>> numbers;
    std::size_t lastMarker = 0;
    int refpts = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (l.find("|refpt") != std::string::npos) {
            ++refpts;
            numbers.emplace_back();
            continue;
        }
        if (l.size() != 5 || l[0] != 'p') continue;
        ASSERT_FALSE(numbers.empty());
        numbers.back().push_back(std::stoi(l.substr(1, 3)));
        if (numbers.back().size() > 1) {
            EXPECT_GE(i - lastMarker, 250u);
            EXPECT_LE(i - lastMarker, 350u);
            EXPECT_EQ(lines[i - 1], "s000 ");
            if (isBodyLine(lines[i + 1])) {
                EXPECT_EQ(phraseText(lines[i + 1]).rfind("Para", 0), 0u) << lines[i + 1];
            }
        }
        lastMarker = i;
    }
    EXPECT_EQ(refpts, 2);
    ASSERT_EQ(numbers.size(), 2u);
    for (const auto& story1 : numbers) {
        ASSERT_GE(story1.size(), 3u);
        for (std::size_t k = 0; k < story1.size(); ++k)
            EXPECT_EQ(story1[k], static_cast<int>(k + 1));
    }
}

// The program's parser reads its model through the file system when a sentence first needs
// it, not when it is made; a missing or damaged model lays the prose out as no parser does.
TEST(Cascader, ModelParserReadsItsModelWhenFirstNeededAndFallsBackWithoutOne) {
    if (!shippedParser()) GTEST_SKIP() << "data/grammar/english.qmg is missing";
    const std::string prose = "When the old soldier came home at last from the long war, the "
                              "children of the village ran out to meet him.";
    const Lines parsed = cascadeText(prose, shippedParser());
    const Lines lexicon = cascadeText(prose, nullptr);
    ASSERT_NE(parsed, lexicon) << "the prose must tell the two layouts apart";
    const std::optional<std::string> model =
        makeRealFileSystem()->readFile(QM_SOURCE_DIR "/data/grammar/english.qmg");
    ASSERT_TRUE(model);
    MemoryFileSystem fs;
    fs.addFolder("/prog");
    struct Case {
        const char* what;
        std::optional<std::string> bytes; // written after the parser is made; none: no file
        bool loads;
    };
    const Case cases[] = {
        {"the model", *model, true},
        {"a model cut short", model->substr(0, model->size() / 2), false},
        {"a foreign file", std::string("PK\x03\x04 not a model"), false},
        {"no model", std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs.removeFile("/prog/english.qmg");
        cascade::ModelParser parser(fs, "/prog/english.qmg");
        if (c.bytes) fs.writeFile("/prog/english.qmg", *c.bytes);
        EXPECT_EQ(cascadeText(prose, &parser), c.loads ? parsed : lexicon);
        EXPECT_EQ(parser.load(), c.loads);
    }
}

// Read as a reader would: most lines hold a few words, lone words are rare and never come
// in runs, and no line is too wide for a column.
// The novel lies in the shared folder beside the project, which a bare clone does not have;
// CI sets QUILLMAR_REQUIRE_SHARED so that it is never skipped there.
TEST(Cascader, RealProseReadsInShortPhrases) {
    const std::string path = QM_SHARED_DIR "/corpus/pride-and-prejudice.txt";
    if (!std::filesystem::is_regular_file(path)) {
        if (std::getenv("QUILLMAR_REQUIRE_SHARED")) FAIL() << "missing file " << path;
        GTEST_SKIP() << "missing file " << path;
    }
    const std::string prose = test::readFile(path);
    ASSERT_GT(prose.size(), 100000u);
    const Lines lines = cascadeText(prose, shippedParser());
    test::expectWellFormed(lines);
    std::vector<std::size_t> words;
    std::size_t lone = 0, loneRun = 0;
    bool previousLone = false;
    for (const std::string& l : lines) {
        if (!isBodyLine(l)) {
            previousLone = false;
            continue;
        }
        const std::size_t w = wordCount(phraseText(l));
        words.push_back(w);
        if (w == 1) {
            ++lone;
            if (previousLone) ++loneRun;
        }
        previousLone = w == 1;
        EXPECT_LE(phraseText(l).size(), 44u) << l;
    }
    std::sort(words.begin(), words.end());
    const std::size_t median = words[words.size() / 2];
    EXPECT_GE(median, 2u);
    EXPECT_LE(median, 6u);
    EXPECT_LT(lone * 50, words.size()) << lone << " one-word lines";
    EXPECT_LT(loneRun * 1000, words.size()) << loneRun << " one-word lines in runs";
    // The licence text stays out; the chapters are reference points.
    for (const std::string& l : lines)
        EXPECT_EQ(l.find("License"), std::string::npos) << l;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "l00|b>Chapter 61|n> "), 1);
}

} // namespace
} // namespace qm
