// The committed stored book: made from the four stories' prose exactly as mkbook makes it,
// and built the way the reader and the catalogue expect.
#include "core/cascade/StoredBook.h"
#include "CascadeTestSupport.h"
#include "core/testing/ShippedParser.h"
#include "core/text/EmbeddedBook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::isBodyLine;
using test::isPhraseLine;
using test::levelOf;
using test::phraseText;

const std::string kBookFile = QM_SOURCE_DIR "/book/qdemo.tvt";

std::vector<std::string> storyProse() {
    std::vector<std::string> stories;
    for (std::string_view name : kStoredBookSources)
        stories.push_back(test::readFile(QM_SOURCE_DIR "/book/src/" + std::string(name)));
    return stories;
}

class StoredBook : public ::testing::Test {
protected:
    void SetUp() override {
        bytes = test::readFile(kBookFile);
        ASSERT_FALSE(bytes.empty()) << kBookFile;
        lines = splitLines(bytes);
    }
    std::string bytes;
    Lines lines;
};

TEST_F(StoredBook, IsCurrentWithItsProse) {
    if (!shippedParser()) GTEST_SKIP() << "data/grammar/english.qmg is missing";
    const std::vector<std::string> stories = storyProse();
    for (const std::string& s : stories)
        ASSERT_FALSE(s.empty());
    EXPECT_TRUE(joinLinesCrLf(makeStoredBook(stories, shippedParser())) == bytes)
        << "book/qdemo.tvt is out of date: run `make book` (cmake --build <dir> --target book)";
}

TEST_F(StoredBook, EveryLineEndsInCrLf) {
    std::size_t crlf = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at byte " << i;
            ++crlf;
        } else if (bytes[i] == '\r') {
            ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "bare CR at byte " << i;
        }
    }
    EXPECT_EQ(crlf, lines.size());
    EXPECT_EQ(bytes.substr(bytes.size() - 5), "END\r\n");
}

TEST_F(StoredBook, IsWhatTheReaderEmbeds) {
    const auto embedded = embeddedBookLines();
    ASSERT_EQ(embedded.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        ASSERT_EQ(lines[i], embedded[i]) << i;
}

TEST_F(StoredBook, StructureLineByLine) {
    test::expectWellFormed(lines);
    EXPECT_EQ(lines.front(), kStoredBookBanner);
    EXPECT_GE(lines.size(), 4000u);

    // The stories' reference points, each followed by the story's title in bold.
    const std::vector<std::string> stories = storyProse();
    std::vector<std::size_t> storyStart;
    for (int n = 1; n <= 4; ++n) {
        char tag[32];
        std::snprintf(tag, sizeof tag, "|refpt%03d>", n);
        const auto at = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.find(tag) != std::string::npos;
        });
        ASSERT_NE(at, lines.end()) << tag;
        const std::size_t i = static_cast<std::size_t>(at - lines.begin());
        EXPECT_EQ(*at, "l00" + std::string(tag) + " ");
        EXPECT_EQ(at->size(), 14u);
        const std::string title = trimBlanksAndControls(splitLines(stories[n - 1]).front());
        EXPECT_EQ(lines[i + 1], "l00|b>" + title + "|n> ");
        if (!storyStart.empty()) {
            EXPECT_GT(i, storyStart.back()) << "stories out of order";
        }
        storyStart.push_back(i);
    }
    EXPECT_EQ(lines[storyStart[0] + 1], "l00|b>THE LITTLE MATCH-SELLER|n> ");
    EXPECT_EQ(lines[storyStart[1] + 1], "l00|b>THE BRAVE TIN SOLDIER|n> ");
    EXPECT_EQ(lines[storyStart[2] + 1], "l00|b>THE NIGHTINGALE|n> ");

    // Reference points rise through the book; headings inside a story go on from 005.
    int lastReference = 0;
    std::size_t story = 0;
    int lastMarker = 0;
    std::size_t innerHeadings = 0;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string& l = lines[i];
        SCOPED_TRACE("line " + std::to_string(i) + ": " + l);
        if (l.find("|refpt") != std::string::npos) {
            const int n = std::stoi(l.substr(9, 3));
            EXPECT_EQ(n, lastReference + 1);
            lastReference = n;
            EXPECT_EQ(lines[i + 1].rfind("l00|b>", 0), 0u);
            if (story < storyStart.size() && i == storyStart[story]) {
                ++story;
                lastMarker = 0;
            } else {
                ++innerHeadings;
            }
            continue;
        }
        if (l.size() == 5 && l[0] == 'p') {
            const int n = std::stoi(l.substr(1, 3));
            EXPECT_EQ(n, lastMarker + 1) << "paragraph markers rise within a story";
            lastMarker = n;
        }
        if (isPhraseLine(l) && levelOf(l) > 0) {
            EXPECT_GE(levelOf(l), 5);
        }
    }
    EXPECT_EQ(story, 4u);
    EXPECT_EQ(innerHeadings, 7u) << "the Snow Queen's seven stories";
    EXPECT_EQ(lines.back(), "END");
}

TEST_F(StoredBook, ReadsInShortColouredPhrases) {
    std::size_t phrases = 0, tagged = 0, words = 0, lone = 0;
    std::vector<std::size_t> perLine;
    for (const std::string& l : lines) {
        if (!isBodyLine(l)) continue;
        ++phrases;
        const std::size_t w = test::wordCount(phraseText(l));
        perLine.push_back(w);
        words += w;
        lone += w == 1;
        if (l.find_first_of("|") != std::string::npos) ++tagged;
        EXPECT_LE(phraseText(l).size(), 40u) << l;
    }
    ASSERT_GT(phrases, 0u);
    EXPECT_GE(words, 15000u);
    std::sort(perLine.begin(), perLine.end());
    EXPECT_GE(perLine[perLine.size() / 2], 2u);
    EXPECT_LE(perLine[perLine.size() / 2], 6u);
    EXPECT_LT(lone * 50, phrases);
    EXPECT_GE(tagged * 100, phrases * 40) << tagged << " of " << phrases;
    EXPECT_LE(tagged * 100, phrases * 60) << tagged << " of " << phrases;
}

} // namespace
} // namespace qm
