#include "core/text/LineFormat.h"
#include "core/base/Error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using qm::ConversionPass;
using qm::Lines;

// ---- Reference: the opening steps exactly as written, walking an index over a list that
// grows and shrinks. Slow on purpose; the streamed passes must give the same lines.

Lines referenceCleanUp(Lines lines) {
    while (!lines.empty() && qm::isBlankLine(lines.back()))
        lines.pop_back();
    lines.push_back("p999");
    lines.erase(lines.begin());
    lines.push_back("l08END OF FILE");
    lines.push_back(" ");
    return lines;
}

bool has(const std::string& line, const char* what) {
    return line.find(what) != std::string::npos;
}

void referenceRecordPass(Lines& lines) {
    std::size_t i = 0;
    while (lines.size() > 0 && i < lines.size() - 1) {
        if (has(lines[i], "EOF")) {
            std::size_t j = i + 1;
            while (j < lines.size() && !has(lines[j], "l08"))
                ++j;
            if (j == lines.size()) {
                lines.erase(lines.begin() + static_cast<long>(i), lines.end());
                lines.push_back(std::string(qm::kEndLine));
                break;
            }
            lines.erase(lines.begin() + static_cast<long>(i) + 1,
                        lines.begin() + static_cast<long>(j));
            lines.erase(lines.begin() + static_cast<long>(i));
            lines[i] = std::string(qm::kEndLine);
            i += 1;
        } else if (lines[i].size() >= 36 && lines[i][0] == 'p') {
            const char flag = lines[i][32];
            lines[i] = lines[i].substr(36);
            if (flag == '2') {
                const std::string& next = lines[i + 1];
                const bool paragraph = next.size() >= 24 && next[23] == '1';
                lines.insert(lines.begin() + static_cast<long>(i) + 1, paragraph ? "p000" : "s000");
                i += 1; // the inserted marker is not visited
            }
            i += 1;
        } else {
            i += 1;
        }
    }
}

void referencePlainPass(Lines& lines) {
    for (std::size_t i = 0; lines.size() > 0 && i < lines.size() - 1; ++i) {
        const std::string line = lines[i];
        if (line.empty() || line[0] != 'l') continue;
        const std::string digits = line.substr(1, 2);
        const auto level = qm::parseInteger(digits);
        if (!level || digits.find('$') != std::string::npos)
            throw qm::UserError(qm::notValidIntegerMessage(digits));
        const int blanks = std::clamp(*level, 0, 52);
        lines[i] = std::string(static_cast<std::size_t>(blanks), ' ') +
                   (line.size() > 3 ? line.substr(3) : std::string());
    }
}

struct Outcome {
    Lines lines;
    std::string error;
};

Outcome reference(const Lines& stored, ConversionPass pass) {
    Outcome o{referenceCleanUp(stored), {}};
    try {
        if (pass == ConversionPass::Record)
            referenceRecordPass(o.lines);
        else
            referencePlainPass(o.lines);
    } catch (const qm::UserError& e) {
        o.error = e.what();
    }
    return o;
}

Outcome streamed(const Lines& stored, ConversionPass pass) {
    Outcome o;
    qm::ListLineSource source(stored);
    qm::LineBuffer lines;
    try {
        qm::prepareDisplayLines(source, pass, lines);
    } catch (const qm::UserError& e) {
        o.error = e.what();
    }
    o.lines = lines.toLines();
    return o;
}

std::string recordHeader(std::mt19937& rng, char kind, char flag) {
    std::string h(36, '0');
    h[0] = 'p';
    for (std::size_t k = 1; k < 36; ++k)
        h[k] = static_cast<char>('0' + rng() % 10);
    h[23] = kind;
    h[32] = flag;
    return h;
}

// Lines drawn from every form the passes tell apart, short and cut-off ones included; the
// bad levels only when asked for, so that most texts convert to their end.
std::string randomStoredLine(std::mt19937& rng, bool badLevels) {
    static const char* const kPlain[] = {"l05a phrase ",
                                         "l00",
                                         "l60deep ",
                                         "l9",
                                         "l-3x",
                                         "s000 ",
                                         "p056 ",
                                         "",
                                         " ",
                                         "\t\r",
                                         "xEOFx",
                                         "EOF",
                                         "l08tail ",
                                         "has l08 in it",
                                         "END",
                                         "q",
                                         "pshort",
                                         "pppppppppppppppppppppppppppppp"};
    static const char* const kBad[] = {"lxx bad", "l$1x", "l"};
    switch (rng() % 5) {
    case 0: {
        const char kind = "1109"[rng() % 4];
        const char flag = "2202"[rng() % 4];
        std::string line = recordHeader(rng, kind, flag);
        // Some records are cut short: before position 33 or inside the header.
        switch (rng() % 4) {
        case 0:
            return line.substr(0, 20 + rng() % 16);
        case 1:
            return line;
        default:
            return line + "text " + std::to_string(rng() % 100);
        }
    }
    case 1:
        if (badLevels) return kBad[rng() % std::size(kBad)];
        [[fallthrough]];
    default:
        return kPlain[rng() % std::size(kPlain)];
    }
}

TEST(LineFormatProperty, StreamedPassesMatchTheIndexWalk) {
    std::mt19937 rng(20261208);
    int failures = 0;
    for (int round = 0; round < 4000; ++round) {
        Lines stored(rng() % 14);
        for (auto& line : stored)
            line = randomStoredLine(rng, round % 4 == 0);
        for (const ConversionPass pass : {ConversionPass::Plain, ConversionPass::Record}) {
            const Outcome want = reference(stored, pass);
            const Outcome got = streamed(stored, pass);
            ASSERT_EQ(got.error, want.error) << "round " << round;
            ASSERT_EQ(got.lines, want.lines) << "round " << round;
            failures += !want.error.empty();
        }
        ASSERT_EQ(qm::cleanUpStoredLines(stored), referenceCleanUp(stored));
    }
    // Both kinds of outcome were exercised.
    EXPECT_GT(failures, 100);
    EXPECT_LT(failures, 2000);
}

TEST(LineFormatProperty, ByteSourceSplitsAsSplitLines) {
    std::mt19937 rng(7);
    const char alphabet[] = {'a', ' ', '\r', '\n', '\0', '\x80', '\t', 'l'};
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(rng() % 24, 'a');
        for (char& c : bytes)
            c = alphabet[rng() % sizeof alphabet];
        Lines want = qm::splitLines(bytes);
        for (const bool trim : {false, true}) {
            if (trim)
                while (!want.empty() && qm::isBlankLine(want.back()))
                    want.pop_back();
            qm::ByteLineSource source(bytes);
            if (trim) source.dropTrailingBlankLines();
            EXPECT_EQ(source.remainingHint(), want.size());
            Lines got;
            std::string_view line;
            while (source.next(line))
                got.emplace_back(line);
            ASSERT_EQ(got, want) << "round " << round << " trim " << trim;
        }
    }
}

struct PhraseCase {
    const char* stored;
    const char* display; // nullptr: the level is not a number
    const char* named;   // the characters the message names
};

class PhraseLineTest : public ::testing::TestWithParam<PhraseCase> {};

TEST_P(PhraseLineTest, ConvertsOrNamesTheLevel) {
    const auto& c = GetParam();
    if (c.display) {
        EXPECT_EQ(qm::phraseDisplayLine(c.stored), c.display);
        return;
    }
    try {
        qm::phraseDisplayLine(c.stored);
        FAIL() << "no error for " << c.stored;
    } catch (const qm::UserError& e) {
        EXPECT_EQ(std::string(e.what()),
                  std::string("'") + c.named + "' is not a valid integer value");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Levels, PhraseLineTest,
    ::testing::Values(
        PhraseCase{"l00", "", nullptr}, PhraseCase{"l05text ", "     text ", nullptr},
        PhraseCase{"l52x", "                                                    x", nullptr},
        PhraseCase{"l60x", "                                                    x", nullptr},
        PhraseCase{"l00|b>A TITLE|n> ", "|b>A TITLE|n> ", nullptr},
        PhraseCase{"l-3x", "x", nullptr}, PhraseCase{"l9", "         ", nullptr},
        PhraseCase{"lxxword", nullptr, "xx"}, PhraseCase{"l1a", nullptr, "1a"},
        PhraseCase{"l$1", nullptr, "$1"}, PhraseCase{"l", nullptr, ""},
        PhraseCase{"l\x80\x81", nullptr, "\x80\x81"}));

TEST(CleanUp, DropsBannerAndTrailingBlanksAndAppendsSentinels) {
    const Lines stored{"banner", "l00x", "s000 ", "", " \t", "\r"};
    EXPECT_EQ(qm::cleanUpStoredLines(stored),
              (Lines{"l00x", "s000 ", "p999", "l08END OF FILE", " "}));
    // A text of nothing but blank lines loses its "p999" in place of a banner.
    EXPECT_EQ(qm::cleanUpStoredLines({" ", ""}), (Lines{"l08END OF FILE", " "}));
    EXPECT_EQ(qm::cleanUpStoredLines({}), (Lines{"l08END OF FILE", " "}));
}

TEST(PlainPass, KeepsWhatWasConvertedWhenALevelIsBad) {
    const Lines stored{"banner", "l02a", "lxxb", "l03c"};
    qm::ListLineSource source(stored);
    qm::LineBuffer out;
    EXPECT_THROW(qm::prepareDisplayLines(source, ConversionPass::Plain, out), qm::UserError);
    EXPECT_EQ(out, (Lines{"  a", "lxxb", "l03c", "p999", "l08END OF FILE", " "}));
}

TEST(RecordPass, BreakFlagInsertsTheMarkerTheNextHeaderNames) {
    std::mt19937 rng(1);
    const std::string paraNext = recordHeader(rng, '1', '0') + "second";
    const std::string sectNext = recordHeader(rng, '5', '0') + "third";
    const Lines stored{"banner", recordHeader(rng, '0', '2') + "first",
                       paraNext, recordHeader(rng, '0', '2') + "again",
                       sectNext, recordHeader(rng, '0', '2') + "last"};
    EXPECT_EQ(qm::prepareDisplayLines(stored, ConversionPass::Record),
              (Lines{"first", "p000", "second", "again", "s000", "third", "last", "s000", "p999",
                     "l08END OF FILE", " "}));
}

TEST(RecordPass, ShortOrForeignLinesStayAsTheyAre) {
    const std::string header = "p00000000000000000000001000000002000";
    struct Case {
        std::string stored;
        Lines display; // then the sentinels
    };
    const Case cases[] = {
        {header.substr(0, 35), {header.substr(0, 35)}},
        {header.substr(0, 32), {header.substr(0, 32)}},
        {header, {"", "s000"}},
        {"q" + header.substr(1) + "text", {"q" + header.substr(1) + "text"}},
        {"l05" + header, {"l05" + header}},
    };
    for (const Case& c : cases) {
        Lines want = c.display;
        want.insert(want.end(), {"p999", "l08END OF FILE", " "});
        EXPECT_EQ(qm::prepareDisplayLines({"banner", c.stored}, ConversionPass::Record), want)
            << c.stored;
    }
}

TEST(RecordPass, EofCollapsesUpToTheLineHoldingL08) {
    const Lines stored{"banner", "l05kept", "xx EOF", "dropped", "l08 gone", "after"};
    EXPECT_EQ(
        qm::prepareDisplayLines(stored, ConversionPass::Record),
        (Lines{"l05kept", std::string(qm::kEndLine), "after", "p999", "l08END OF FILE", " "}));
    // "EOF" as the last stored line collapses into the appended end line.
    EXPECT_EQ(qm::prepareDisplayLines({"banner", "a", "EOF"}, ConversionPass::Record),
              (Lines{"a", std::string(qm::kEndLine), " "}));
}

TEST(ConversionPassChoice, OnlyCdbPicksRecords) {
    EXPECT_EQ(qm::conversionPassFor(".cdb"), ConversionPass::Record);
    EXPECT_EQ(qm::conversionPassFor(".toc"), ConversionPass::Plain);
    EXPECT_EQ(qm::conversionPassFor(".CDB"), ConversionPass::Plain);
}

} // namespace
