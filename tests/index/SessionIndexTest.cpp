#include "core/base/Error.h"
#include "core/index/IndexTree.h"
#include "core/shell/Session.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/SessionTestAccess.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace {

using qm::Control;

class IndexView : public qmtest::RecordingView {
public:
    void indexTreeChanged() override { ++treeChanges; }
    void selectIndexNode(int i) override { selected = i; }
    void repaintNow(Control c) override { repainted.push_back(c); }
    int treeChanges = 0;
    std::optional<int> selected;
    std::vector<Control> repainted;
};

class IndexSession : public ::testing::Test {
protected:
    IndexSession() {
        s.setSurface(&surf);
        qm::SessionTestAccess(s).setHaveDisplayList(true);
        qm::SessionTestAccess(s).setDisplayLines(qm::Lines(300, "     a line "));
        fs.addFolder("/books");
        qm::SessionTestAccess(s).setIndexFile("/books/qdemo.tvx");
    }
    // Finds a node by its text under a parent, as a user clicks it.
    int node(const std::string& text) const {
        for (std::size_t i = 0; i < s.indexNodes().size(); ++i)
            if (s.indexNodes()[i].text == text) return static_cast<int>(i);
        ADD_FAILURE() << "no node " << text;
        return -1;
    }
    void expectIdleTab() const {
        EXPECT_FALSE(s.controls().visible(Control::LoadingIndexLabel));
        EXPECT_TRUE(s.controls().enabled(Control::IndexLoadButton));
        EXPECT_FALSE(s.controls().visible(Control::SearchingIndexLabel));
    }

    IndexView view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
    qm::FakeSurface surf{800, 600};
};

TEST_F(IndexSession, LoadWithoutAFileDoesNothing) {
    for (const std::string path : {"", "/books/missing.tvx"}) {
        qm::SessionTestAccess(s).setIndexFile(path);
        s.IndexLoadButtonClick();
        EXPECT_TRUE(view.repainted.empty());
        EXPECT_EQ(view.treeChanges, 0);
        EXPECT_TRUE(s.indexNodes().empty());
    }
}

TEST_F(IndexSession, LoadShowsTheTreeAndSelectsTheFirstLetter) {
    fs.writeFile(s.indexFile(), "gale|abcd00012\r\nGlass|abcd00003|abcd000100\r\n");
    qm::SessionTestAccess(s).setControlVisible(Control::LoadingIndexLabel, false);
    qm::SessionTestAccess(s).setControlVisible(Control::InxTreeView, false);
    s.IndexLoadButtonClick();
    ASSERT_EQ(view.repainted.size(), 1u);
    EXPECT_EQ(view.repainted[0], Control::LoadingIndexLabel);
    expectIdleTab();
    EXPECT_FALSE(s.controls().visible(Control::IndexPanel));
    EXPECT_TRUE(s.controls().visible(Control::InxTreeView));
    EXPECT_EQ(view.treeChanges, 1);
    EXPECT_EQ(view.selected, 1);
    ASSERT_EQ(s.indexNodes().size(), 7u);
    EXPECT_EQ(s.indexNodes()[1].text, "g");
    EXPECT_EQ(s.indexNodes()[6].text, "  000100");

    s.resetToPanel();
    EXPECT_TRUE(s.indexNodes().empty());
    EXPECT_TRUE(s.controls().visible(Control::IndexPanel));
    EXPECT_FALSE(s.controls().visible(Control::InxTreeView));
    EXPECT_EQ(view.treeChanges, 2);
}

TEST_F(IndexSession, FollowingReferencesDrawsFiveLinesAbove) {
    fs.writeFile(s.indexFile(), "gale|abcd00012|abcd00003\r\nglass|abcd00040\r\n1812\r\n");
    s.IndexLoadButtonClick();
    qm::SessionTestAccess(s).setTopLine(-1);
    s.InxTreeViewClick(node("  00012"));
    EXPECT_EQ(s.topLine(), 7);
    EXPECT_EQ(s.lastFollowedEntry(), "00012");
    EXPECT_EQ(view.repainted.back(), Control::SearchingIndexLabel);
    expectIdleTab();

    // The same entry again draws nothing; after another entry it draws again.
    qm::SessionTestAccess(s).setTopLine(-1);
    s.InxTreeViewClick(node("  00012"));
    EXPECT_EQ(s.topLine(), -1);
    s.InxTreeViewClick(node("  00003")); // a reference to line 3 draws from line 0
    EXPECT_EQ(s.topLine(), 0);
    s.InxTreeViewClick(node("  00012"));
    EXPECT_EQ(s.topLine(), 7);

    // A whole-number word is followed too; the root, letters, words and no node are not.
    s.InxTreeViewClick(node("  00040"));
    EXPECT_EQ(s.topLine(), 35);
    s.InxTreeViewClick(node("1812")); // past the end of this text: its last page
    EXPECT_GT(s.topLine(), 35);
    EXPECT_GE(s.nextTopLine(), 298);
    for (const std::optional<int> n :
         {std::optional<int>(0), std::optional<int>(node("g")), std::optional<int>(node("glass")),
          std::optional<int>(), std::optional<int>(-3), std::optional<int>(1000)}) {
        qm::SessionTestAccess(s).setTopLine(-1);
        s.InxTreeViewClick(n);
        EXPECT_EQ(s.topLine(), -1);
        EXPECT_EQ(s.lastFollowedEntry(), "1812");
        expectIdleTab();
    }
}

TEST_F(IndexSession, PageStartsFiveLinesAboveOrAtLineZero) {
    struct Case {
        const char* entry;
        int top;
    } cases[] = {
        {"00000", 0},
        {"00004", 0},
        {"00005", 0},
        {"00006", 1},
        {"000299", 294},
        {"000302", 297},
        // At or past the end (line 298 of 300): the last page, 30 rows of 20 pixels.
        {"000303", 269},
        {"2147483647", 269},
        // The number conversion reads this as the lowest integer: below 5, so line 0.
        {"0x80000000", 0},
        {"0xFFFFFFFF", 0},
    };
    std::string file = "w";
    for (const Case& c : cases)
        file += std::string("\r\n") + c.entry;
    fs.writeFile(s.indexFile(), file + "\r\n");
    s.IndexLoadButtonClick();
    for (const Case& c : cases) {
        qm::SessionTestAccess(s).setTopLine(-1);
        ASSERT_TRUE(s.run([&] { s.InxTreeViewClick(node(c.entry)); })) << c.entry;
        EXPECT_EQ(s.topLine(), c.top) << c.entry;
    }
}

// A reference at or past the end of the text shows the text's last page, drawn afresh, with
// the end on it; one step back reaches the page before it.
TEST_F(IndexSession, AReferenceAtOrPastTheEndShowsTheLastPage) {
    const int count = static_cast<int>(s.displayLines().size());
    const char* const entries[] = {"00302", "00303", "00400", "99999", "2147483647"};
    std::string file = "w";
    for (const char* entry : entries)
        file += std::string("\r\n") + entry;
    fs.writeFile(s.indexFile(), file + "\r\n");
    s.IndexLoadButtonClick();
    for (const char* entry : entries) {
        qm::SessionTestAccess(s).setNextTopLine(s.drawPage(100));
        surf.clearRecord();
        s.InxTreeViewClick(node(entry));
        EXPECT_LT(s.topLine(), count - 2) << entry;
        EXPECT_GT(s.topLine(), 100) << entry;
        EXPECT_GE(s.nextTopLine(), count - 2) << entry << ": the end is on the page";
        EXPECT_FALSE(surf.texts.empty()) << entry << ": the page was drawn";
        const int last = s.topLine();
        s.ShowPreviousPage();
        EXPECT_LT(s.topLine(), last) << entry;
        EXPECT_GT(s.nextTopLine(), s.topLine()) << entry;
    }
}

TEST_F(IndexSession, BadInputLoadsAndFollowingANonNumberShowsTheMessage) {
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 7919) % 256);
    const std::string files[] = {
        junk,
        "||||||||||||||||||||||\r\n|||\r\n",
        "cat|abcd0001|abcd0000001\r\n",
        "|abcdxyzzy\r\n",
        "3rd|abcd00001\r\nstar|abcd3rd00\r\n",
        std::string(10 * 1024 * 1024, 'w') + "|abcd00001",
        "",
        "\r\n",
    };
    for (const auto& file : files) {
        fs.writeFile(s.indexFile(), file);
        s.resetToPanel();
        s.IndexLoadButtonClick();
        expectIdleTab();
        EXPECT_TRUE(s.controls().visible(Control::InxTreeView));
        ASSERT_FALSE(s.indexNodes().empty());
        EXPECT_EQ(s.indexNodes()[0].text, "Index");
        for (std::size_t i = 0; i < s.indexNodes().size() && i < 5000; ++i) {
            view.messages.clear();
            qm::SessionTestAccess(s).setTopLine(-1);
            const bool ok = s.run([&] { s.InxTreeViewClick(static_cast<int>(i)); });
            expectIdleTab();
            if (!ok) {
                // Only an entry that begins with a digit and is not a number fails, and it
                // has become the last followed entry all the same.
                ASSERT_EQ(view.messages.size(), 1u);
                EXPECT_EQ(view.messages[0], qm::notValidIntegerMessage(s.lastFollowedEntry()));
                EXPECT_EQ(s.topLine(), -1);
            }
        }
    }
    view.messages.clear();
    qm::SessionTestAccess(s).setLastFollowedEntry(" ");
    fs.writeFile(s.indexFile(), "3rd|abcd00001\r\n");
    s.resetToPanel();
    s.IndexLoadButtonClick();
    EXPECT_FALSE(s.run([&] { s.InxTreeViewClick(node("3rd")); }));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0], "'3rd' is not a valid integer value");
    EXPECT_EQ(s.lastFollowedEntry(), "3rd");
    // Clicking it again does nothing: it is already the last followed entry.
    EXPECT_TRUE(s.run([&] { s.InxTreeViewClick(node("3rd")); }));
    EXPECT_EQ(view.messages.size(), 1u);
}

} // namespace
