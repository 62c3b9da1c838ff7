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

constexpr std::size_t kMiB = std::size_t{1} << 20;

TEST(LineBuffer, LinesReadBackAsWrittenAcrossBlocks) {
    const struct {
        const char* what;
        qm::Lines lines;
    } cases[] = {
        {"none", {}},
        {"empty lines", linesOfLengths({0, 0, 3, 0})},
        {"a block filled exactly, then an empty line and more", linesOfLengths({kMiB, 0, 5})},
        {"a line that no longer fits starts a block", linesOfLengths({kMiB - 4, 5, 0, 7})},
        {"a line longer than a block", linesOfLengths({10, 3 * kMiB, 10, 1})},
    };
    for (const auto& c : cases) {
        const qm::LineBuffer buffer(c.lines);
        ASSERT_EQ(buffer.size(), c.lines.size()) << c.what;
        for (std::size_t i = 0; i < c.lines.size(); ++i)
            EXPECT_EQ(buffer[i], c.lines[i]) << c.what << ", line " << i;
        EXPECT_EQ(buffer.toLines(), c.lines) << c.what;
    }
}

TEST(LineBuffer, ReplacedLineChangesOnlyItself) {
    const qm::Lines lines = linesOfLengths({4, kMiB - 8, 6, 2});
    for (const std::string& replacement :
         {std::string("wxyz!!"), std::string(), std::string(kMiB, 'q')}) {
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
