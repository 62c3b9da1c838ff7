#include "SessionFixture.h"
#include "core/testing/SessionTestAccess.h"

namespace {

using qm::Lines;
using qm::Page;
using qmtest::SessionFixture;

const char* const kBookCaption = "Quillmar -- Andersen's Fairy Tales, by Andersen, Hans Christian";

class TreeClick : public SessionFixture {};

struct StoryCase {
    int node;
    const char* tag;
};

class StoryClick : public SessionFixture, public ::testing::WithParamInterface<StoryCase> {};

TEST_P(StoryClick, OpensTheBookAtTheStoryWithTheBookTitleAsCaption) {
    const auto& c = GetParam();
    s.TOCTreeViewClick(c.node);
    EXPECT_EQ(view.caption, kBookCaption);
    EXPECT_EQ(s.caption(), kBookCaption);
    EXPECT_EQ(s.currentTextPath(), "/books/qdemo.tvt");
    EXPECT_EQ(s.openDialogFileName(), "/books/qdemo.tvt");
    EXPECT_EQ(s.entryKey(), "qdemo");
    EXPECT_EQ(s.topLine(), static_cast<int>(bookIndexOf(c.tag)));
    ASSERT_FALSE(view.pagesShown.empty());
    EXPECT_EQ(view.pagesShown.back(), Page::ReadTabSheet);
    EXPECT_FALSE(view.tabVisible.at(Page::IndexTabSheet));
    EXPECT_TRUE(s.indexFile().empty());
}

// Stories under the title listing and under the author listing, whose book line ends in a
// blank that the caption does not show.
INSTANTIATE_TEST_SUITE_P(Stories, StoryClick,
                         ::testing::Values(StoryCase{3, "|refpt001>"}, StoryCase{4, "|refpt003>"},
                                           StoryCase{6, "|refpt002>"}, StoryCase{12, "|refpt004>"},
                                           StoryCase{13, "|refpt002>"}));

TEST_F(TreeClick, IndexTabFollowsTheEntrysIndexFile) {
    putFile("/books/qdemo.tvx", "index");
    s.TOCTreeViewClick(2);
    EXPECT_TRUE(view.tabVisible.at(Page::IndexTabSheet));
    EXPECT_EQ(s.indexFile(), "/books/qdemo.tvx");
    s.TOCTreeViewClick(1);
    EXPECT_FALSE(view.tabVisible.at(Page::IndexTabSheet));
    EXPECT_EQ(s.indexFile(), "");
}

TEST_F(TreeClick, ClickRightAfterExpandingOrCollapsingOpensNothing) {
    for (auto toggle : {&qm::Session::TOCTreeViewExpanded, &qm::Session::TOCTreeViewCollapsed}) {
        view.pagesShown.clear();
        qm::SessionTestAccess(s).setCurrentTextPath({});
        (s.*toggle)();
        s.TOCTreeViewClick(6);
        EXPECT_TRUE(view.pagesShown.empty());
        EXPECT_EQ(s.currentTextPath(), "");
        s.TOCTreeViewClick(6);
        EXPECT_EQ(s.currentTextPath(), "/books/qdemo.tvt");
    }
    // A double click always opens.
    s.TOCTreeViewExpanded();
    s.TOCTreeViewDblClick(7);
    EXPECT_EQ(s.currentTextPath(), "/books/author.tvt");
    EXPECT_FALSE(s.skipNextClick());
}

TEST_F(TreeClick, NotHereYet) {
    struct Case {
        Lines catalogue;
        std::optional<int> node;
        const char* caption; // as the view was left
        const char* captionTitle;
    };
    const Case cases[] = {
        {qm::builtInCatalogueLines(), 14, "Quillmar -- (END)", "(END)"},
        {qm::builtInCatalogueLines(), 15, "Quillmar", " "},
        {qm::builtInCatalogueLines(), 4000, "Quillmar", " "},
        {{"Root<<0none", "Empty  <<1  ", "(END)"}, 1, "Quillmar -- Empty", "Empty"},
        {{"Root<<0none", "Cut<<", "(END)"}, 1, "Quillmar -- Cut", "Cut"},
        {qm::builtInCatalogueLines(), std::nullopt, "", "kept"},
    };
    for (const Case& c : cases) {
        view = qmtest::RecordingView();
        qm::SessionTestAccess(s).setCatalogue(c.catalogue);
        qm::SessionTestAccess(s).setEntryKey({});
        qm::SessionTestAccess(s).setCaptionTitle("kept");
        qm::SessionTestAccess(s).setCurrentTextPath("/books/kept.tvt");
        s.TOCTreeViewClick(c.node);
        EXPECT_EQ(view.messages, (std::vector<std::string>{"Not here yet"}));
        EXPECT_EQ(view.caption, c.caption);
        EXPECT_EQ(s.currentTextPath(), "/books/kept.tvt");
        EXPECT_EQ(s.captionTitle(), c.captionTitle);
        EXPECT_TRUE(view.pagesShown.empty());
    }
}

TEST_F(TreeClick, RootFirstOnlyPositionsTheStartUpPage) {
    const Lines welcome{" ", "Select a Book", "p000"};
    qm::SessionTestAccess(s).setDisplayLines(welcome);
    s.TOCTreeViewClick(0);
    EXPECT_EQ(s.currentTextPath(), "/books/none.tvt");
    EXPECT_EQ(s.displayLines(), welcome);
    EXPECT_EQ(s.topLine(), 0);
    // After another text, the root builds the greeting page.
    s.TOCTreeViewClick(1);
    s.TOCTreeViewClick(0);
    EXPECT_EQ(s.displayLines()[0], "     Welcome to Torvane!");
    EXPECT_EQ(view.caption, "Quillmar -- Brindlemoor");
}

TEST_F(TreeClick, NoSelectionReopensTheLastEntryWithoutItsReferencePoint) {
    putFile(s.locations().bookmarkFile,
            "<<none\r\n<<qdemo\r\n#42 Closed book at noon\r\n<<author\r\n");
    view.yesNoAnswers = {true};
    s.TOCTreeViewClick(6);
    EXPECT_TRUE(view.questions.empty());
    s.TOCTreeViewClick(std::nullopt);
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(s.topLine(), 42);
    EXPECT_EQ(view.caption, kBookCaption);
}

TEST_F(TreeClick, LeavingAPagedTextWritesItsClosingMark) {
    putFile(s.locations().bookmarkFile, "<<none\r\n<<qdemo\r\n<<title\r\n<<author\r\n");
    s.TOCTreeViewClick(2); // the book without a reference point loads its section
    qm::SessionTestAccess(s).setTopLine(77);
    qm::SessionTestAccess(s).setPageTurned(true);
    s.TOCTreeViewClick(1);
    EXPECT_FALSE(s.pageTurned());
    EXPECT_EQ(fs.readFile(s.locations().bookmarkFile).value_or(""),
              "<<none\r\n<<qdemo\r\n#77 Closed book at " + platform.now +
                  "\r\n<<title\r\n<<author\r\n");
    EXPECT_EQ(s.currentTextPath(), "/books/title.tvt");
}

TEST_F(TreeClick, AnotherTextResetsTheIndexPanel) {
    s.TOCTreeViewClick(3);
    qm::SessionTestAccess(s).setControlVisible(qm::Control::IndexPanel, false);
    s.TOCTreeViewClick(4); // same book: the panel stays as it is
    EXPECT_FALSE(s.controls().visible(qm::Control::IndexPanel));
    s.TOCTreeViewClick(1);
    EXPECT_TRUE(s.controls().visible(qm::Control::IndexPanel));
}

TEST_F(TreeClick, FailedOpenDoesNotBringTheReadingPageForward) {
    qm::SessionTestAccess(s).setCatalogue({"Root<<0bad", "(END)"});
    putFile("/books/bad.tvt", "banner\nl1x\n");
    EXPECT_FALSE(s.run([&] { s.TOCTreeViewClick(0); }));
    EXPECT_EQ(view.messages, (std::vector<std::string>{"'1x' is not a valid integer value"}));
    EXPECT_TRUE(view.pagesShown.empty());
}

TEST_F(TreeClick, RebuildsTheEmbeddedBookEveryClick) {
    qm::SessionTestAccess(s).setEmbeddedBook({"tampered"});
    s.TOCTreeViewClick(1);
    EXPECT_EQ(s.embeddedBook(), bookLines());
}

TEST_F(TreeClick, OpenFileCancelledChangesNothing) {
    qm::SessionTestAccess(s).setOpenDialogFileName("/books/qdemo.tvt");
    qm::SessionTestAccess(s).setDisplayLines({"a", " "});
    view.openAnswers = {std::nullopt, std::string()};
    s.OpenTVTItemClick();
    s.OpenTVTItemClick();
    ASSERT_EQ(view.openDialogs.size(), 2u);
    const auto& d = view.openDialogs[0];
    // Every kind the reader opens is shown first; the stored texts' own filter stays.
    EXPECT_EQ(d.filter.rfind("Books and texts|*.epub;*.htm;*.html;*.txt;*.tvt|", 0), 0u);
    EXPECT_NE(d.filter.find("|Torvane(tm) File|*.tvt|"), std::string::npos);
    EXPECT_EQ(d.extension, "tvt");
    EXPECT_EQ(d.title, "Open Torvane(tm) Document");
    EXPECT_EQ(d.fileName, "/books/qdemo.tvt");
    EXPECT_EQ(s.displayLines(), (Lines{"a", " "}));
    EXPECT_TRUE(view.pagesShown.empty());
    EXPECT_TRUE(s.controls().visible(qm::Control::BMMenu));
}

TEST_F(TreeClick, OpenFileOpensWithoutTouchingCaptionOrEntry) {
    s.TOCTreeViewClick(6);
    putFile("/else/fables.tvt", "b\r\nl02fox\r\n");
    view.openAnswers = {std::string("/else/fables.tvt")};
    s.OpenTVTItemClick();
    EXPECT_EQ(s.currentTextPath(), "/else/fables.tvt");
    EXPECT_EQ(s.displayLines()[0], "  fox");
    EXPECT_EQ(s.openDialogFileName(), "/else/fables.tvt");
    EXPECT_FALSE(s.controls().visible(qm::Control::BMMenu));
    EXPECT_EQ(view.pagesShown.back(), Page::ReadTabSheet);
    EXPECT_EQ(view.caption, kBookCaption);
    EXPECT_EQ(s.entryKey(), "qdemo");
    EXPECT_EQ(s.referencePoint(), "refpt002");
}

} // namespace
