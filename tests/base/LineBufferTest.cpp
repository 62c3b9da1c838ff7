#include "core/base/LineBuffer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Lines of the given lengths, each filled with a letter of its own so that a line read from
// the wrong place or cut at the wrong offset shows.
qm::Lines linesOfLengths(std::initializer_list<std::size_t> lengths) {
    qm::Lines lines;
    for (std::size_t length : lengths)
        lines.emplace_back(length, static_cast<char>('a' + lines.size() % 26));
    return lines;
}

constexpr std::size_t kBlock = qm::LineBuffer::kBlockSize;

TEST(LineBuffer, LinesReadBackAsWrittenAcrossBlocks) {
    const struct {
        const char* what;
        qm::Lines lines;
    } cases[] = {
        {"none", {}},
        {"empty lines", linesOfLengths({0, 0, 3, 0})},
        {"a block filled exactly, then an empty line and more", linesOfLengths({kBlock, 0, 5})},
        {"a line that no longer fits starts a block", linesOfLengths({kBlock - 4, 5, 0, 7})},
        {"a line longer than a block", linesOfLengths({10, 3 * kBlock, 10, 1})},
        {"empty lines after a line of its own block", linesOfLengths({kBlock + 1, 0, 0, 3})},
    };
    for (const auto& c : cases) {
        const qm::LineBuffer buffer(c.lines);
        ASSERT_EQ(buffer.size(), c.lines.size()) << c.what;
        for (std::size_t i = 0; i < c.lines.size(); ++i)
            EXPECT_EQ(buffer[i], c.lines[i]) << c.what << ", line " << i;
        EXPECT_EQ(buffer.toLines(), c.lines) << c.what;
        // Letting go of the lines before any line keeps that line and those after it, reads
        // the ones let go of as themselves or empty, and takes more lines after.
        for (std::size_t from = 0; from <= c.lines.size(); ++from) {
            qm::LineBuffer released(c.lines);
            released.releaseBefore(from);
            for (std::size_t i = 0; i < c.lines.size(); ++i) {
                if (i < from && released[i].empty()) continue; // let go of
                EXPECT_EQ(released[i], c.lines[i]) << c.what << ", from " << from << ", " << i;
            }
            released.push_back("after");
            EXPECT_EQ(released.back(), "after") << c.what << ", from " << from;
        }
    }
}

TEST(LineBuffer, ReplacedLineChangesOnlyItself) {
    const qm::Lines lines = linesOfLengths({4, kBlock - 8, 6, 2});
    for (const std::string& replacement :
         {std::string("wxyz!!"), std::string(), std::string(kBlock + 1, 'q')}) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            qm::LineBuffer buffer(lines);
            buffer.replace(i, replacement);
            qm::Lines expected = lines;
            expected[i] = replacement;
            EXPECT_EQ(buffer.toLines(), expected) << "line " << i << " by " << replacement.size();
        }
    }
}

} // namespace
