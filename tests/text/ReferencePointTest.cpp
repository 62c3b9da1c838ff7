// The reference-point search that positions an opened text.
#include "core/text/OpenedText.h"

#include <gtest/gtest.h>

namespace {

TEST(ReferencePointTest, TopIsTheLineAfterTheFirstTag) {
    const qm::Lines lines = {"|refpt001> ", "l00 a", "|refpt002> ", "l00 b", "|refpt002> ", " "};
    const std::pair<const char*, int> cases[] = {
        {"refpt001", 1}, {"refpt002", 3},
        {"refpt999", 0}, {"refpt00", 0}, // the tag's closing ">" is part of the match
        {"", 0},
    };
    for (const auto& [name, top] : cases)
        EXPECT_EQ(qm::referencePointTop(lines, name), top) << name;
    // The closing line is never looked at, and an empty list has no tag.
    EXPECT_EQ(qm::referencePointTop({"l00 a", "|last> "}, "last"), 0);
    EXPECT_EQ(qm::referencePointTop({}, "refpt001"), 0);
}

TEST(ReferencePointTest, NoneIsEmptyBlankOrZeros) {
    for (const char* name : {"", " ", "00000"})
        EXPECT_TRUE(qm::isNoReferencePoint(name)) << '"' << name << '"';
    for (const char* name : {"0000", "  ", "refpt001", "000000"})
        EXPECT_FALSE(qm::isNoReferencePoint(name)) << '"' << name << '"';
}

} // namespace
