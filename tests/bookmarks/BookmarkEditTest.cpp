// Adding and deleting bookmarks, the closing mark, a vanished file and failed writes.
#include "bookmarks/BookmarksFixture.h"
#include "core/testing/SessionTestAccess.h"

using qm::Control;
using qm::Lines;
using namespace bmtest;

namespace {

// ---- Add ----

TEST_F(BookmarksTest, AddPutsTheEntryBelowTheFirstHeader) {
    put({"<<none", "<<qdemo", "#1 a", "<<x", "<<qdemo", "#2 b", "<<end"});
    s.BMMenuClick();
    qm::SessionTestAccess(s).setTopLine(1480);
    qm::SessionTestAccess(s).setPageTurned(true);
    view.bookmarkNames.push_back("before the storm");
    s.BMAddItemClick();
    EXPECT_EQ(bytes(), "<<none\r\n<<qdemo\r\n#1480 before the storm\r\n#1 a\r\n<<x\r\n<<qdemo\r\n"
                       "#2 b\r\n<<end\r\n");
    EXPECT_FALSE(s.pageTurned());
    EXPECT_EQ(s.bookmarks().lines(), file());
}

TEST_F(BookmarksTest, EmptyNameAddsNothing) {
    put(kSeeded);
    s.BMMenuClick();
    const std::string before = bytes();
    const int writes = fs.writeCount();
    qm::SessionTestAccess(s).setPageTurned(true);
    view.bookmarkNames.push_back("");
    s.BMAddItemClick();
    EXPECT_EQ(view.messages, std::vector<std::string>{"No BookMark Added"});
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(fs.writeCount(), writes);
    EXPECT_TRUE(s.pageTurned());
}

TEST_F(BookmarksTest, UntouchedSingleBlankNameIsABookmark) {
    put(kSeeded);
    s.BMMenuClick();
    qm::SessionTestAccess(s).setTopLine(42);
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
    qm::WindowLayout layout = s.layout();
    layout.pageControl2.left = 513;
    qm::SessionTestAccess(s).setLayout(layout);
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
    EXPECT_EQ(s.bookmarks().lines(), file());
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
            qm::SessionTestAccess(s).clearBookmarks();
        qm::SessionTestAccess(s).setPageTurned(c.turned);
        s.writeClosingMark();
        EXPECT_EQ(file(), kSeeded);
    }
}

TEST_F(BookmarksTest, ClosingMarkGoesFirstInItsSection) {
    put(kSeeded);
    s.BMMenuClick();
    qm::SessionTestAccess(s).setTopLine(2310);
    qm::SessionTestAccess(s).setPageTurned(true);
    s.writeClosingMark();
    EXPECT_EQ(file()[3], "#2310 Closed book at 12/7/2026 11:30:02");
    EXPECT_EQ(file().size(), kSeeded.size() + 1);
    EXPECT_FALSE(s.pageTurned());
    EXPECT_TRUE(s.bookmarks().lines().empty());
}

TEST_F(BookmarksTest, ClosingMarkForANewSectionIsOneWrite) {
    put(kSeeded);
    s.BMMenuClick(); // qdemo's section exists: nothing written
    qm::SessionTestAccess(s).setTextKey("story");
    qm::SessionTestAccess(s).setPageTurned(true);
    qm::SessionTestAccess(s).setTopLine(7);
    const int writes = fs.writeCount();
    s.writeClosingMark();
    EXPECT_EQ(fs.writeCount(), writes + 1);
    EXPECT_EQ(file(), concat({kSeeded, {"<<story", "#7 Closed book at 12/7/2026 11:30:02"}}));
}

TEST_F(BookmarksTest, AddCloseReopenAndResume) {
    put(kSeeded);
    s.BMMenuClick();
    qm::SessionTestAccess(s).setTopLine(1480);
    view.bookmarkNames.push_back("before the storm");
    s.BMAddItemClick();
    qm::SessionTestAccess(s).setTopLine(2310);
    qm::SessionTestAccess(s).setPageTurned(true);
    s.writeClosingMark();

    qmtest::RecordingView nextView;
    qm::Session next(nextView, fs, platform);
    qm::SessionTestAccess(next).setLocations(s.locations());
    qm::SessionTestAccess(next).setTextKey("qdemo");
    next.locateSection();
    const auto newest = next.newestEntry();
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->topLine, 2310);
    EXPECT_EQ(newest->name, "Closed book at 12/7/2026 11:30:02");
    nextView.popupAnswers.push_back(1);
    next.BMGOItemClick();
    EXPECT_EQ(next.topLine(), 1480);
    EXPECT_EQ(nextView.popups.at(0).captions,
              (std::vector<std::string>{"Closed book at 12/7/2026 11:30:02", "before the storm"}));
}

// ---- The file vanished after it was loaded ----

TEST_F(BookmarksTest, AddRebuildsAVanishedFileFromTheLoadedList) {
    const Lines loaded = {"<<none", "<<qdemo", "#3 c", "<<x", "#1 a", "<<y"};
    put(loaded);
    s.BMMenuClick();
    fs.removeFile(path);
    qm::SessionTestAccess(s).setTopLine(8);
    view.bookmarkNames.push_back("new");
    s.BMAddItemClick();
    EXPECT_EQ(file(), (Lines{"<<none", "<<qdemo", "#8 new", "#3 c", "<<x", "#1 a", "<<y"}));
}

TEST_F(BookmarksTest, AddWithNothingLoadedAndNoFileStartsASection) {
    qm::SessionTestAccess(s).setTopLine(8);
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
        const Lines list = s.bookmarks().lines();
        view.messages.clear();

        fs.failNextWrite(fault);
        view.bookmarkNames.push_back("lost?");
        EXPECT_FALSE(s.run([&] { s.BMAddItemClick(); }));
        fs.failNextWrite(fault);
        EXPECT_FALSE(s.run([&] { s.BMDeletePopupHandler(0); }));
        qm::SessionTestAccess(s).setPageTurned(true);
        fs.failNextWrite(fault);
        EXPECT_FALSE(s.run([&] { s.writeClosingMark(); }));

        EXPECT_EQ(view.messages.size(), 3u);
        EXPECT_EQ(bytes(), before);
        EXPECT_EQ(s.bookmarks().lines(), list);
    }
}

TEST_F(BookmarksTest, FailedFixUpKeepsTheFileAndTheLoadedList) {
    put(kSeeded);
    qm::SessionTestAccess(s).setTextKey("story");
    fs.failNextWrite(qm::MemoryFileSystem::Fault::WriteFails);
    EXPECT_FALSE(s.run([&] { s.BMMenuClick(); }));
    EXPECT_EQ(view.messages, std::vector<std::string>{"Unable to write to /data/quillmar.bm"});
    EXPECT_EQ(file(), kSeeded);
    EXPECT_EQ(s.bookmarks().lines(), kSeeded);
}

} // namespace
