// The bookmark file's sections, hand-edited files, the newest entry and Go to.
#include "bookmarks/BookmarksFixture.h"
#include "core/testing/SessionTestAccess.h"

using qm::Control;
using qm::Lines;
using namespace bmtest;

namespace {

// ---- Locate section ----

struct LocateCase {
    const char* name;
    Lines file;
    std::string key;
    Lines after; // empty: the file is not rewritten
    int header, end;
    bool enabled;
};

class LocateSection : public BookmarksTest, public ::testing::WithParamInterface<LocateCase> {};

TEST_P(LocateSection, FindsOrCreatesTheSection) {
    const LocateCase& c = GetParam();
    put(c.file);
    const std::string before = bytes();
    const int writes = fs.writeCount();
    qm::SessionTestAccess(s).setTextKey(c.key);
    qm::SessionTestAccess(s).setControlEnabled(Control::BMDeleteItem, !c.enabled);
    qm::SessionTestAccess(s).setControlEnabled(Control::BMGOItem, !c.enabled);
    s.BMMenuClick();

    if (c.after.empty()) {
        EXPECT_EQ(bytes(), before);
        EXPECT_EQ(fs.writeCount(), writes);
        EXPECT_EQ(s.bookmarks().lines(), c.file);
    } else {
        EXPECT_EQ(bytes(), qm::joinLinesCrLf(c.after));
        EXPECT_EQ(s.bookmarks().lines(), c.after);
    }
    EXPECT_EQ(s.bookmarks().headerIndex(), c.header);
    EXPECT_EQ(s.bookmarks().listedEnd(), c.end);
    EXPECT_EQ(menusEnabled(), c.enabled);
}

const LocateCase kLocateCases[] = {
    {"existingSection",
     concat({{"<<none", "<<qdemo"}, entries(2), {"<<x", "<<y"}}),
     "qdemo",
     {},
     1,
     4,
     true},
    {"emptySectionInTheMiddle", kSeeded, "title", {}, 1, 2, false},
    {"missingAfterHeader", kSeeded, "story", concat({kSeeded, {"<<story"}}), 6, 7, false},
    {"missingAfterEntry",
     {"<<none", "<<qdemo", "#5 x"},
     "story",
     {"<<none", "<<qdemo", "#5 x", "<<story"},
     3,
     4,
     false},
    {"missingAfterLessThan", {"<<none", "<x"}, "story", {"<<none", "<x", "<<story"}, 2, 3, false},
    {"missingAfterEmptyLine",
     {"<<none", "<<qdemo", ""},
     "story",
     {"<<none", "<<qdemo", "<<story", ""},
     2,
     3,
     false},
    // A hand-written last line is kept; the new section follows it.
    {"missingAfterHandWrittenLine",
     {"<<none", "<<qdemo", "my notes"},
     "story",
     {"<<none", "<<qdemo", "my notes", "<<story", ""},
     3,
     4,
     false},
    {"onlyHeaderIsFirstLine",
     {"<<story", "<<x"},
     "story",
     {"<<story", "<<x", "<<story"},
     2,
     3,
     false},
    {"duplicateHeadersFirstWins",
     {"<<none", "<<qdemo", "#1 a", "<<x", "<<qdemo", "#2 b", "<<end"},
     "qdemo",
     {},
     1,
     3,
     true},
    {"lastLineIsTheHeader", {"<<none", "<<x", "<<qdemo"}, "qdemo", {}, 2, 3, false},
    {"sectionRunsToTheEnd", {"<<none", "<<qdemo", "#1 a"}, "qdemo", {}, 1, 2, false},
    {"sectionRunsToTheEndTwoEntries",
     {"<<none", "<<qdemo", "#2 b", "#1 a"},
     "qdemo",
     {},
     1,
     3,
     true},
    {"listsAtMost98",
     concat({{"<<none", "<<qdemo"}, entries(120), {"<<x", "<<y"}}),
     "qdemo",
     {},
     1,
     100,
     true},
    {"exactly98", concat({{"<<none", "<<qdemo"}, entries(98), {"<<x"}}), "qdemo", {}, 1, 100, true},
    {"emptyFile", {}, "qdemo", {}, 1, 2, false},
    {"singleLine", {"<<qdemo"}, "qdemo", {}, 1, 2, false},
    {"keysAreCaseSensitive",
     {"<<none", "<<QDemo", "#1 a", "<<x"},
     "qdemo",
     {"<<none", "<<QDemo", "#1 a", "<<x", "<<qdemo"},
     4,
     5,
     false},
};

INSTANTIATE_TEST_SUITE_P(Cases, LocateSection, ::testing::ValuesIn(kLocateCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(BookmarksTest, LocateWithoutAFileChangesNothing) {
    qm::SessionTestAccess(s).adoptBookmarks({"<<none", "<<qdemo", "#1 a", "<<x"}, 1);
    qm::SessionTestAccess(s).setControlEnabled(Control::BMDeleteItem, true);
    s.BMMenuClick();
    EXPECT_FALSE(fs.fileExists(path));
    EXPECT_EQ(s.bookmarks().lines().size(), 4u);
    EXPECT_EQ(s.bookmarks().headerIndex(), 1);
    EXPECT_EQ(s.bookmarks().listedEnd(), 3);
    EXPECT_TRUE(s.controls().enabled(Control::BMDeleteItem));
}

TEST_F(BookmarksTest, PopupListsTheNewest98) {
    put(concat({{"<<none", "<<qdemo"}, entries(120), {"<<x"}}));
    s.BMMenuClick();
    const auto captions = popupCaptions();
    ASSERT_EQ(captions.size(), 98u);
    EXPECT_EQ(captions.front(), "entry 0");
    EXPECT_EQ(captions.back(), "entry 97");
}

// ---- Hand-edited files ----

struct HandCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> captions;
};

class HandEdited : public BookmarksTest, public ::testing::WithParamInterface<HandCase> {};

TEST_P(HandEdited, ListsWhatTheSectionHolds) {
    putBytes(GetParam().bytes);
    s.BMMenuClick();
    EXPECT_EQ(popupCaptions(), GetParam().captions);
}

const HandCase kHandCases[] = {
    {"crOnlyLineEnds", "<<none\r<<qdemo\r#3 three\r#2 two\r<<x\r", {"three", "two"}},
    {"lfLineEnds", "<<none\n<<qdemo\n#3 three\n<<x\n", {"three"}},
    {"noFinalLineEnd", "<<none\r\n<<qdemo\r\n#3 three\r\n<<x", {"three"}},
    {"blankAndOddLines",
     "<<none\r\n<<qdemo\r\n\r\nno-blank-here\r\n a\r\n#x y z\r\n<<x\r\n",
     {"", "no-blank-here", "a", "y z"}},
    {"binaryBytes",
     std::string("<<none\r\n<<qdemo\r\n#1 \x00\xff\x80\r\n<<x\r\n", 30),
     {std::string("\x00\xff\x80", 3)}},
};

INSTANTIATE_TEST_SUITE_P(Cases, HandEdited, ::testing::ValuesIn(kHandCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(BookmarksTest, HundredThousandLineFile) {
    Lines big = {"<<none"};
    for (int i = 0; i < 100000; ++i)
        big.push_back("#" + std::to_string(i) + " old " + std::to_string(i));
    big.push_back("<<qdemo");
    big.push_back("#7 newest");
    big.push_back("<<end");
    put(big);
    s.BMMenuClick();
    EXPECT_EQ(s.bookmarks().headerIndex(), 100001);
    ASSERT_TRUE(s.newestEntry());
    EXPECT_EQ(s.newestEntry()->topLine, 7);
    view.bookmarkNames.push_back("added");
    qm::SessionTestAccess(s).setTopLine(9);
    s.BMAddItemClick();
    const Lines after = file();
    ASSERT_EQ(after.size(), big.size() + 1);
    EXPECT_EQ(after[100002], "#9 added");
    EXPECT_EQ(after[100003], "#7 newest");
}

// ---- Newest entry and Go to ----

struct NumberCase {
    const char* line;
    std::optional<int> top; // nothing: not a number
    std::string badText;
};

class EntryNumbers : public BookmarksTest, public ::testing::WithParamInterface<NumberCase> {};

TEST_P(EntryNumbers, NewestEntryAndGoToReadTheTopLine) {
    const NumberCase& c = GetParam();
    put({"<<none", "<<qdemo", c.line, "#1 older", "<<x"});
    s.BMMenuClick();
    qm::SessionTestAccess(s).setTopLine(55);
    qm::SessionTestAccess(s).setPageTurned(true);
    view.popupAnswers.push_back(0);
    const bool ok = s.run([&] { s.BMGOItemClick(); });
    EXPECT_TRUE(s.pageTurned());
    if (c.top) {
        EXPECT_TRUE(ok);
        EXPECT_EQ(s.topLine(), *c.top);
        ASSERT_TRUE(s.newestEntry());
        EXPECT_EQ(s.newestEntry()->topLine, *c.top);
    } else {
        const std::string message = "'" + c.badText + "' is not a valid integer value";
        EXPECT_FALSE(ok);
        EXPECT_EQ(view.messages, std::vector<std::string>{message});
        EXPECT_EQ(s.topLine(), 55);
        try {
            s.newestEntry();
            ADD_FAILURE() << "no error for " << c.line;
        } catch (const qm::UserError& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
}

const NumberCase kNumberCases[] = {
    {"#2310 Closed book at 7/12/2026 11:30:02", 2310, ""},
    {"#0  ", 0, ""},
    {"#abc name", std::nullopt, "abc"},
    {"#12x name", std::nullopt, "12x"},
    {"no-blank", std::nullopt, ""},
    {"# 5 name", std::nullopt, ""},
    {"", std::nullopt, ""},
    {"#99999999999 huge", std::nullopt, "99999999999"},
};

INSTANTIATE_TEST_SUITE_P(Cases, EntryNumbers, ::testing::ValuesIn(kNumberCases));

TEST_F(BookmarksTest, NewestEntryNeedsAListedLine) {
    EXPECT_FALSE(s.newestEntry()); // nothing loaded
    put({"<<none", "<<qdemo", "#5 only"});
    s.BMMenuClick();
    EXPECT_FALSE(s.newestEntry()); // the only entry is the closing line
    put({"<<none", "<<qdemo", "#6 new name", "#5 only"});
    s.BMMenuClick();
    ASSERT_TRUE(s.newestEntry());
    EXPECT_EQ(s.newestEntry()->topLine, 6);
    EXPECT_EQ(s.newestEntry()->name, "new name");
}

TEST_F(BookmarksTest, GoToLeavesTheFileAlone) {
    put({"<<none", "<<qdemo", "#10 a", "#20 b", "<<x"});
    s.BMMenuClick();
    const std::string before = bytes();
    view.popupAnswers.push_back(1);
    s.BMGOItemClick();
    EXPECT_EQ(s.topLine(), 20);
    EXPECT_EQ(bytes(), before);
}

} // namespace
