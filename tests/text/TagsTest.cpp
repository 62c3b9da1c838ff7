#include "core/text/Tags.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Reference: the literal rule, deleting at the first bar and searching again.
std::string removeTagsByDeletion(std::string s) {
    for (auto p = s.find('|'); p != std::string::npos; p = s.find('|'))
        s.erase(p, 3);
    return s;
}

struct TagCase {
    const char* line;
    const char* expected;
};

TEST(RemoveTags, KnownLines) {
    const TagCase cases[] = {
        {"", ""},
        {"plain text ", "plain text "},
        {"the wind|9> rose|4> ", "the wind rose "},
        {"|b>A TITLE|n> ", "A TITLE "},
        {"|image>pic.jpg", "age>pic.jpg"},
        {"end|", "end"},
        {"end|4", "end"},
        {"||>x", "x"},
        {"|>|9>x", "9>x"},
        {"|||x", "x"},
        {"a|refpt001> b", "afpt001> b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qm::removeTags(c.line), c.expected) << c.line;
}

TEST(RemoveTags, MatchesRepeatedDeletionOnGeneratedLines) {
    // Every line of up to 7 characters over an alphabet rich in bars.
    const std::string alphabet = "|a>9";
    for (int len = 0; len <= 7; ++len) {
        int total = 1;
        for (int k = 0; k < len; ++k)
            total *= static_cast<int>(alphabet.size());
        for (int code = 0; code < total; ++code) {
            std::string s;
            int c = code;
            for (int k = 0; k < len; ++k) {
                s.push_back(alphabet[static_cast<std::size_t>(c % 4)]);
                c /= 4;
            }
            ASSERT_EQ(qm::removeTags(s), removeTagsByDeletion(s)) << s;
        }
    }
}

TEST(PageBreakClasses, ForwardAndBackward) {
    struct Case {
        const char* line;
        bool forward, backward;
    };
    const Case cases[] = {
        {"", true, true},
        {" ", true, true},
        {"ab", true, false},
        {"p999", true, true},
        {"p056 ", true, true},
        {"s000", true, true},
        {"|refpt001> ", false, false},
        {"refers to", true, false},
        {"   text", false, false},
        {"abc", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qm::isForwardPageBreak(c.line), c.forward) << c.line;
        EXPECT_EQ(qm::isBackwardPageBreak(c.line), c.backward) << c.line;
    }
}

} // namespace
