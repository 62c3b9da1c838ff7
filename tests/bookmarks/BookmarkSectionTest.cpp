// The bookmark list with its section kept consistent, and finding a chosen line again.
#include "core/bookmarks/BookmarkSection.h"

#include <gtest/gtest.h>

namespace {

using qm::Lines;
using qm::bookmarks::BookmarkSection;

struct SectionCase {
    const char* name;
    Lines list;
    int header;
    int end;
    std::vector<std::string> captions;
};

class SectionTest : public ::testing::TestWithParam<SectionCase> {};

TEST_P(SectionTest, EndAndCaptionsFollowTheList) {
    const SectionCase& c = GetParam();
    BookmarkSection section;
    section.adopt(c.list, c.header);
    EXPECT_EQ(section.listedEnd(), c.end);
    EXPECT_EQ(section.captions(), c.captions);
    EXPECT_EQ(section.anyListed(), !c.captions.empty());
    for (std::size_t i = 0; i < c.captions.size(); ++i)
        EXPECT_EQ(section.listedLine(static_cast<int>(i)), c.header + 1 + static_cast<int>(i));
    EXPECT_FALSE(section.listedLine(static_cast<int>(c.captions.size())));
    EXPECT_FALSE(section.listedLine(-1));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, SectionTest,
    ::testing::Values(
        SectionCase{"EntriesUpToNextHeader",
                    {"<<a", "<<b", "#1 one", "#2 two", "<<c", ""},
                    1,
                    4,
                    {"one", "two"}},
        SectionCase{"ClosingLineNotListed", {"<<a", "<<b", "#1 one", "#2 last"}, 1, 3, {"one"}},
        SectionCase{"EmptySection", {"<<a", "<<b", "<<c", ""}, 1, 2, {}},
        // A header past a short list: nothing is listed, whatever the end says.
        SectionCase{"HeaderPastTheList", {"<<a"}, 1, 2, {}},
        SectionCase{"EmptyList", {}, 1, 2, {}}),
    [](const auto& p) { return p.param.name; });

TEST(BookmarkSectionTest, InsertRemoveAndClearKeepTheSectionConsistent) {
    BookmarkSection section;
    section.adopt({"<<a", "<<b", "#1 old", "<<c", ""}, 1);
    section.insert("#9 new");
    EXPECT_EQ(section.lines(), (Lines{"<<a", "<<b", "#9 new", "#1 old", "<<c", ""}));
    EXPECT_EQ(section.listedEnd(), 4);
    EXPECT_EQ(section.newestLine(), "#9 new");

    section.remove(3);
    section.remove(2);
    EXPECT_EQ(section.lines(), (Lines{"<<a", "<<b", "<<c", ""}));
    EXPECT_EQ(section.listedEnd(), 2);
    EXPECT_FALSE(section.newestLine());
    section.remove(17); // outside the list: nothing happens
    EXPECT_EQ(section.lines().size(), 4u);

    section.clear();
    EXPECT_TRUE(section.empty());
    EXPECT_EQ(section.headerIndex(), 0);
    EXPECT_EQ(section.listedEnd(), 0);
    EXPECT_TRUE(section.captions().empty());
    EXPECT_FALSE(section.listedLine(0));
}

TEST(BookmarkSectionTest, RankCountsEqualLinesFromTheHeader) {
    BookmarkSection section;
    section.adopt({"#5 x", "<<b", "#5 x", "#6 y", "#5 x", "<<c", ""}, 1);
    EXPECT_EQ(section.rankOf(2), 0);
    EXPECT_EQ(section.rankOf(3), 0);
    EXPECT_EQ(section.rankOf(4), 1); // the line above the header does not count
}

struct AgainCase {
    const char* name;
    Lines list;
    long long rank;
    int found;
};

class FindLineAgainTest : public ::testing::TestWithParam<AgainCase> {};

TEST_P(FindLineAgainTest, ByRankInTheSectionAsItIsNow) {
    const AgainCase& c = GetParam();
    EXPECT_EQ(qm::bookmarks::findLineAgain(c.list, 1, "#5 x", c.rank), c.found);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, FindLineAgainTest,
    ::testing::Values(
        AgainCase{"FirstOfTwo", {"<<a", "<<b", "#5 x", "#1 n", "#5 x", "<<c", ""}, 0, 2},
        AgainCase{"SecondOfTwo", {"<<a", "<<b", "#5 x", "#1 n", "#5 x", "<<c", ""}, 1, 4},
        // Another copy deleted one: the last equal line stands in.
        AgainCase{"FewerThanTheRank", {"<<a", "<<b", "#1 n", "#5 x", "<<c", ""}, 1, 3},
        AgainCase{"GoneFromTheSection", {"<<a", "<<b", "#1 n", "<<c", "#5 x", ""}, 0, -1},
        // Past the listing limit of 98 lines the line is still found.
        AgainCase{"BeyondTheListedPart",
                  [] {
                      Lines l{"<<a", "<<b"};
                      l.insert(l.end(), 120, "#1 n");
                      l.push_back("#5 x");
                      l.push_back("");
                      return l;
                  }(),
                  0, 122}),
    [](const auto& p) { return p.param.name; });

} // namespace
