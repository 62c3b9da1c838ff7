#include "core/base/TextLines.h"
#include "core/base/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Lines found by index are the lines forEachLine cuts, whatever order they are asked for in:
// in order, backwards, and jumping across the stretches between the kept starts.
TEST(TextLines, FindsTheLinesForEachLineCutsInAnyOrder) {
    std::string many;
    for (int i = 0; i < 200; ++i)
        many += std::string(static_cast<std::size_t>(i % 7), 'a' + i % 26) +
                (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"one line, no end", "abc"},
        {"line ends of each kind", "a\r\nb\nc\rd"},
        {"an end at the very end adds no line", "a\nb\n"},
        {"empty lines of each kind", "\r\n\n\r\r\n"},
        {"CR then LF apart", "a\r\rb\n\nc"},
        {"more lines than several strides", many},
    };
    for (const auto& c : cases) {
        std::vector<std::string_view> expected;
        qm::forEachLine(c.text, [&](std::string_view l) { expected.push_back(l); });
        const qm::TextLines lines(c.text);
        ASSERT_EQ(lines.size(), expected.size()) << c.what;
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(lines[i], expected[i]) << c.what << ", line " << i << " in order";
        for (std::size_t i = expected.size(); i-- > 0;)
            EXPECT_EQ(lines[i], expected[i]) << c.what << ", line " << i << " backwards";
        for (std::size_t i = 0, k = 0; k < expected.size(); ++k, i = (i + 37) % expected.size())
            EXPECT_EQ(lines[i], expected[i]) << c.what << ", line " << i << " jumping";
    }
}

} // namespace
