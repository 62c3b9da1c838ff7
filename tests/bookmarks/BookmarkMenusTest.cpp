#include "core/base/Error.h"
#include "core/shell/Session.h"
#include "core/testing/MemoryFileSystem.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <string>

using qm::Control;
using qm::Lines;

namespace {

const Lines kSeeded = {"<<none", "<<title", "<<qdemo", "<<author", "<<qau", "<<qdemo"};

class BookmarksTest : public ::testing::Test {
protected:
    void SetUp() override {
        s.loc.dataFolder = "/data/";
        fs.addFolder("/data");
        s.loc.bookmarkFile = path;
        s.textKey = "qdemo";
    }
    void put(const Lines& lines) { fs.writeFile(path, qm::joinLinesCrLf(lines)); }
    void putBytes(const std::string& bytes) { fs.writeFile(path, bytes); }
    std::string bytes() const { return fs.readFile(path).value_or("<none>"); }
    Lines file() const { return qm::splitLines(bytes()); }
    bool menusEnabled() const {
        EXPECT_EQ(s.controls.enabled(Control::BMDeleteItem), s.controls.enabled(Control::BMGOItem));
        return s.controls.enabled(Control::BMDeleteItem);
    }
    std::vector<std::string> popupCaptions() {
        view.popupAnswers.push_back(std::nullopt);
        s.BMGOItemClick();
        return view.popups.back().captions;
    }

    const std::string path = "/data/quillmar.bm";
    qmtest::RecordingView view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
};

Lines entries(int count) {
    Lines l;
    for (int i = 0; i < count; ++i)
        l.push_back("#" + std::to_string(i) + " entry " + std::to_string(i));
    return l;
}

Lines concat(std::initializer_list<Lines> parts) {
    Lines out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

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
    s.textKey = c.key;
    s.controls.setEnabled(Control::BMDeleteItem, !c.enabled);
    s.controls.setEnabled(Control::BMGOItem, !c.enabled);
    s.BMMenuClick();

    if (c.after.empty()) {
        EXPECT_EQ(bytes(), before);
        EXPECT_EQ(fs.writeCount(), writes);
        EXPECT_EQ(s.bookmarkList, c.file);
    } else {
        EXPECT_EQ(bytes(), qm::joinLinesCrLf(c.after));
        EXPECT_EQ(s.bookmarkList, c.after);
    }
    EXPECT_EQ(s.headerIndex, c.header);
    EXPECT_EQ(s.sectionEnd, c.end);
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
    s.bookmarkList = {"<<none", "<<qdemo", "#1 a", "<<x"};
    s.headerIndex = 1;
    s.sectionEnd = 3;
    s.controls.setEnabled(Control::BMDeleteItem, true);
    s.BMMenuClick();
    EXPECT_FALSE(fs.fileExists(path));
    EXPECT_EQ(s.bookmarkList.size(), 4u);
    EXPECT_EQ(s.headerIndex, 1);
    EXPECT_EQ(s.sectionEnd, 3);
    EXPECT_TRUE(s.controls.enabled(Control::BMDeleteItem));
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
    EXPECT_EQ(s.headerIndex, 100001);
    ASSERT_TRUE(s.newestEntry());
    EXPECT_EQ(s.newestEntry()->topLine, 7);
    view.bookmarkNames.push_back("added");
    s.topLine = 9;
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
    s.topLine = 55;
    s.pageTurned = true;
    view.popupAnswers.push_back(0);
    const bool ok = s.run([&] { s.BMGOItemClick(); });
    EXPECT_TRUE(s.pageTurned);
    if (c.top) {
        EXPECT_TRUE(ok);
        EXPECT_EQ(s.topLine, *c.top);
        ASSERT_TRUE(s.newestEntry());
        EXPECT_EQ(s.newestEntry()->topLine, *c.top);
    } else {
        const std::string message = "'" + c.badText + "' is not a valid integer value";
        EXPECT_FALSE(ok);
        EXPECT_EQ(view.messages, std::vector<std::string>{message});
        EXPECT_EQ(s.topLine, 55);
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
    EXPECT_EQ(s.topLine, 20);
    EXPECT_EQ(bytes(), before);
}

// ---- Add ----

TEST_F(BookmarksTest, AddPutsTheEntryBelowTheFirstHeader) {
    put({"<<none", "<<qdemo", "#1 a", "<<x", "<<qdemo", "#2 b", "<<end"});
    s.BMMenuClick();
    s.topLine = 1480;
    s.pageTurned = true;
    view.bookmarkNames.push_back("before the storm");
    s.BMAddItemClick();
    EXPECT_EQ(bytes(), "<<none\r\n<<qdemo\r\n#1480 before the storm\r\n#1 a\r\n<<x\r\n<<qdemo\r\n"
                       "#2 b\r\n<<end\r\n");
    EXPECT_FALSE(s.pageTurned);
    EXPECT_EQ(s.bookmarkList, file());
}

TEST_F(BookmarksTest, EmptyNameAddsNothing) {
    put(kSeeded);
    s.BMMenuClick();
    const std::string before = bytes();
    const int writes = fs.writeCount();
    s.pageTurned = true;
    view.bookmarkNames.push_back("");
    s.BMAddItemClick();
    EXPECT_EQ(view.messages, std::vector<std::string>{"No BookMark Added"});
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(fs.writeCount(), writes);
    EXPECT_TRUE(s.pageTurned);
}

TEST_F(BookmarksTest, UntouchedSingleBlankNameIsABookmark) {
    put(kSeeded);
    s.BMMenuClick();
    s.topLine = 42;
    s.BMAddItemClick(); // the dialog still holds its single blank
    s.BMAddItemClick();
    EXPECT_EQ(file()[3], "#42  ");
    s.BMMenuClick();
    EXPECT_TRUE(menusEnabled());
    EXPECT_EQ(popupCaptions(), (std::vector<std::string>{" ", " "}));
    ASSERT_TRUE(s.newestEntry());
    EXPECT_EQ(s.newestEntry()->name, " ");
}

TEST_F(BookmarksTest, NameWithLineBreaksStaysOneLine) {
    put(kSeeded);
    s.BMMenuClick();
    view.bookmarkNames.push_back("two\r\nlines");
    s.BMAddItemClick();
    EXPECT_EQ(file().size(), kSeeded.size() + 1);
    EXPECT_EQ(file()[3], "#0 two  lines");
}

// ---- Delete ----

TEST_F(BookmarksTest, DeleteRemovesExactlyTheChosenLine) {
    put({"<<none", "<<qdemo", "#3 c", "#2 b", "#1 a", "<<x", "#9 z", "<<y"});
    s.BMMenuClick();
    view.popupAnswers.push_back(1);
    s.BMDeleteItemClick();
    EXPECT_EQ(bytes(), "<<none\r\n<<qdemo\r\n#3 c\r\n#1 a\r\n<<x\r\n#9 z\r\n<<y\r\n");
    ASSERT_EQ(view.popups.size(), 1u);
    EXPECT_EQ(view.popups[0].captions, (std::vector<std::string>{"c", "b", "a"}));
}

TEST_F(BookmarksTest, PopupStandsBesideTheControlPanel) {
    put({"<<none", "<<qdemo", "#3 c", "<<x"});
    s.BMMenuClick();
    view.bounds = {90, 122, 729, 509};
    s.layout.pageControl2.left = 513;
    s.BMDeleteItemClick();
    ASSERT_EQ(view.popups.size(), 1u);
    EXPECT_EQ(view.popups[0].x, 90 + 513 - 100);
    EXPECT_EQ(view.popups[0].y, 122);
    EXPECT_EQ(file().size(), 4u); // nothing chosen, nothing deleted
}

TEST_F(BookmarksTest, DeleteFindsTheChosenLineAfterAnotherCopyAdded) {
    put({"<<none", "<<qdemo", "#3 c", "#2 b", "#1 a", "<<x"});
    s.BMMenuClick();
    // Another running copy adds an entry while the popup is open.
    put({"<<none", "<<qdemo", "#4 other copy", "#3 c", "#2 b", "#1 a", "<<x"});
    view.popupAnswers.push_back(1); // "b" as the popup showed it
    s.BMDeleteItemClick();
    EXPECT_EQ(file(), (Lines{"<<none", "<<qdemo", "#4 other copy", "#3 c", "#1 a", "<<x"}));
    EXPECT_EQ(s.bookmarkList, file());
}

TEST_F(BookmarksTest, DeleteOfALineAlreadyGoneRemovesNothing) {
    put({"<<none", "<<qdemo", "#3 c", "#2 b", "<<x"});
    s.BMMenuClick();
    put({"<<none", "<<qdemo", "#3 c", "<<x"});
    const int writes = fs.writeCount();
    s.BMDeletePopupHandler(1);
    EXPECT_EQ(file(), (Lines{"<<none", "<<qdemo", "#3 c", "<<x"}));
    EXPECT_EQ(fs.writeCount(), writes);
}

TEST_F(BookmarksTest, DeleteOfADuplicateKeepsTheOtherCopies) {
    put({"<<none", "<<qdemo", "#1 same", "#1 same", "#1 same", "<<x"});
    s.BMMenuClick();
    s.BMDeletePopupHandler(2);
    EXPECT_EQ(file(), (Lines{"<<none", "<<qdemo", "#1 same", "#1 same", "<<x"}));
}

TEST_F(BookmarksTest, PopupItemOutsideTheListIsRefused) {
    put({"<<none", "<<qdemo", "#3 c", "<<x"});
    s.BMMenuClick();
    const std::string before = bytes();
    for (int item : {-1, 1, 1000}) {
        EXPECT_FALSE(s.run([&] { s.BMDeletePopupHandler(item); }));
        EXPECT_FALSE(s.run([&] { s.BMGotoPopupHandler(item); }));
    }
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(view.messages.front(), "List index out of bounds (1)");
}

// ---- Closing mark ----

TEST_F(BookmarksTest, ClosingMarkNeedsALoadedListAndAPageTurn) {
    put(kSeeded);
    struct Case {
        bool loaded, turned;
    };
    for (const Case c : {Case{false, false}, Case{false, true}, Case{true, false}}) {
        if (c.loaded)
            s.BMMenuClick();
        else
            s.bookmarkList.clear();
        s.pageTurned = c.turned;
        s.writeClosingMark();
        EXPECT_EQ(file(), kSeeded);
    }
}

TEST_F(BookmarksTest, ClosingMarkGoesFirstInItsSection) {
    put(kSeeded);
    s.BMMenuClick();
    s.topLine = 2310;
    s.pageTurned = true;
    s.writeClosingMark();
    EXPECT_EQ(file()[3], "#2310 Closed book at 12/7/2026 11:30:02");
    EXPECT_EQ(file().size(), kSeeded.size() + 1);
    EXPECT_FALSE(s.pageTurned);
    EXPECT_TRUE(s.bookmarkList.empty());
}

TEST_F(BookmarksTest, ClosingMarkForANewSectionIsOneWrite) {
    put(kSeeded);
    s.BMMenuClick(); // qdemo's section exists: nothing written
    s.textKey = "story";
    s.pageTurned = true;
    s.topLine = 7;
    const int writes = fs.writeCount();
    s.writeClosingMark();
    EXPECT_EQ(fs.writeCount(), writes + 1);
    EXPECT_EQ(file(), concat({kSeeded, {"<<story", "#7 Closed book at 12/7/2026 11:30:02"}}));
}

TEST_F(BookmarksTest, AddCloseReopenAndResume) {
    put(kSeeded);
    s.BMMenuClick();
    s.topLine = 1480;
    view.bookmarkNames.push_back("before the storm");
    s.BMAddItemClick();
    s.topLine = 2310;
    s.pageTurned = true;
    s.writeClosingMark();

    qmtest::RecordingView nextView;
    qm::Session next(nextView, fs, platform);
    next.loc = s.loc;
    next.textKey = "qdemo";
    next.locateSection();
    const auto newest = next.newestEntry();
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->topLine, 2310);
    EXPECT_EQ(newest->name, "Closed book at 12/7/2026 11:30:02");
    nextView.popupAnswers.push_back(1);
    next.BMGOItemClick();
    EXPECT_EQ(next.topLine, 1480);
    EXPECT_EQ(nextView.popups.at(0).captions,
              (std::vector<std::string>{"Closed book at 12/7/2026 11:30:02", "before the storm"}));
}

// ---- The file vanished after it was loaded ----

TEST_F(BookmarksTest, AddRebuildsAVanishedFileFromTheLoadedList) {
    const Lines loaded = {"<<none", "<<qdemo", "#3 c", "<<x", "#1 a", "<<y"};
    put(loaded);
    s.BMMenuClick();
    fs.removeFile(path);
    s.topLine = 8;
    view.bookmarkNames.push_back("new");
    s.BMAddItemClick();
    EXPECT_EQ(file(), (Lines{"<<none", "<<qdemo", "#8 new", "#3 c", "<<x", "#1 a", "<<y"}));
}

TEST_F(BookmarksTest, AddWithNothingLoadedAndNoFileStartsASection) {
    s.topLine = 8;
    view.bookmarkNames.push_back("new");
    s.BMAddItemClick();
    EXPECT_EQ(file(), (Lines{"", "<<qdemo", "#8 new", ""}));
    s.BMMenuClick();
    EXPECT_TRUE(menusEnabled());
    EXPECT_EQ(s.newestEntry()->name, "new");
}

TEST_F(BookmarksTest, AddToAnEmptyFileStartsASection) {
    putBytes("");
    s.BMMenuClick();
    EXPECT_FALSE(menusEnabled());
    view.bookmarkNames.push_back("new");
    s.BMAddItemClick();
    EXPECT_EQ(file(), (Lines{"", "<<qdemo", "#0 new", ""}));
}

TEST_F(BookmarksTest, DeleteRebuildsAVanishedFileWithoutTheChosenLine) {
    put({"<<none", "<<qdemo", "#3 c", "#2 b", "<<x"});
    s.BMMenuClick();
    fs.removeFile(path);
    s.BMDeletePopupHandler(0);
    EXPECT_EQ(file(), (Lines{"<<none", "<<qdemo", "#2 b", "<<x"}));
}

// ---- Failed writes ----

TEST_F(BookmarksTest, FailedWritesLeaveFileAndListAsTheyWere) {
    using Fault = qm::MemoryFileSystem::Fault;
    for (Fault fault : {Fault::CannotCreate, Fault::WriteFails, Fault::RenameFails}) {
        put({"<<none", "<<qdemo", "#3 c", "#2 b", "<<x"});
        s.BMMenuClick();
        const std::string before = bytes();
        const Lines list = s.bookmarkList;
        view.messages.clear();

        fs.failNextWrite(fault);
        view.bookmarkNames.push_back("lost?");
        EXPECT_FALSE(s.run([&] { s.BMAddItemClick(); }));
        fs.failNextWrite(fault);
        EXPECT_FALSE(s.run([&] { s.BMDeletePopupHandler(0); }));
        s.pageTurned = true;
        fs.failNextWrite(fault);
        EXPECT_FALSE(s.run([&] { s.writeClosingMark(); }));

        EXPECT_EQ(view.messages.size(), 3u);
        EXPECT_EQ(bytes(), before);
        EXPECT_EQ(s.bookmarkList, list);
    }
}

TEST_F(BookmarksTest, FailedFixUpKeepsTheFileAndTheLoadedList) {
    put(kSeeded);
    s.textKey = "story";
    fs.failNextWrite(qm::MemoryFileSystem::Fault::WriteFails);
    EXPECT_FALSE(s.run([&] { s.BMMenuClick(); }));
    EXPECT_EQ(view.messages, std::vector<std::string>{"Unable to write to /data/quillmar.bm"});
    EXPECT_EQ(file(), kSeeded);
    EXPECT_EQ(s.bookmarkList, kSeeded);
}

} // namespace
