#include "core/catalogue/Catalogue.h"
#include "core/shell/Session.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/SessionTestAccess.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace {

using qm::Lines;
using qm::Page;

// A tree written as "text/parent" per node in display order.
std::vector<std::string> shape(const qm::Tree& tree) {
    std::vector<std::string> out;
    for (const auto& node : tree)
        out.push_back(node.text + "/" + std::to_string(node.parent));
    return out;
}

struct ShapeCase {
    const char* name;
    Lines lines;
    std::vector<std::string> nodes;
};

class TreeShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(TreeShape, FollowsTheLevelMemory) {
    EXPECT_EQ(shape(qm::buildCatalogueTree(GetParam().lines)), GetParam().nodes);
}

INSTANTIATE_TEST_SUITE_P(
    Catalogues, TreeShape,
    ::testing::Values(
        // The level-4 line hangs under the first level-3 node, which the second level-2
        // line did not forget; walked top to bottom it comes before that level-2 node.
        ShapeCase{"DeeperAfterShallower",
                  {"A<<0", "B<<1", "C<<2", "D<<3", "E<<2", "F<<4"},
                  {"A/-1", "B/0", "C/1", "D/2", "F/3", "E/1"}},
        ShapeCase{"OddLevelWithoutLevelFive", {"A<<0", "B<<7x", "C<<"}, {"A/-1", "B/-1", "C/-1"}},
        ShapeCase{"OddLevelsSideBySideUnderLevelFive",
                  {"A<<0", "B<<1", "C<<2", "D<<3", "E<<4", "F<<5", "G<<7", "H<<", "I<<x"},
                  {"A/-1", "B/0", "C/1", "D/2", "E/3", "F/4", "G/5", "H/5", "I/5"}},
        ShapeCase{"LinesWithoutSeparatorMakeNoNode",
                  {"A<<0", "no separator", "B<<1", "< <1", "(END)"},
                  {"A/-1", "B/0"}},
        ShapeCase{"LevelJumpsByThree",
                  {"A<<0", "B<<3", "C<<1", "D<<4", "E<<2"},
                  {"A/-1", "C/0", "E/1", "B/-1", "D/3"}},
        ShapeCase{"TitlesKeepTheirBlanks", {"  Root  <<0none", " x <<1"}, {"  Root  /-1", " x /0"}},
        ShapeCase{"Empty", {}, {}}),
    [](const auto& p) { return p.param.name; });

TEST(BuiltInCatalogue, NodeIndexIsLineIndex) {
    const Lines lines = qm::builtInCatalogueLines();
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines.back(), "(END)");
    const qm::Tree tree = qm::buildCatalogueTree(lines);
    ASSERT_EQ(tree.size(), 14u);
    for (std::size_t i = 0; i < tree.size(); ++i)
        EXPECT_EQ(tree[i].text, lines[i].substr(0, lines[i].find("<<"))) << i;
    std::vector<int> parents;
    for (const auto& node : tree)
        parents.push_back(node.parent);
    EXPECT_EQ(parents, (std::vector<int>{-1, 0, 1, 2, 2, 2, 2, 0, 7, 8, 9, 9, 9, 9}));
    EXPECT_EQ(tree[0].text, "Brindlemoor     ");
    EXPECT_EQ(tree[8].text, "Andersen, Hans Christian" + std::string(13, ' '));
    EXPECT_EQ(lines[6], "THE BRAVE TIN SOLDIER<<3qdemo@refpt002");
    EXPECT_EQ(lines[1], "Listed by Title  <<1title");
    EXPECT_EQ(lines[7], "Listed by Author <<1author");
}

TEST(BuiltInCatalogue, TitleAndSeed) {
    const Lines lines = qm::builtInCatalogueLines();
    EXPECT_EQ(qm::catalogueApplicationTitle(lines), "Brindlemoor");
    EXPECT_EQ(qm::catalogueApplicationTitle({"Only text", "x<<0"}), "");
    EXPECT_EQ(qm::catalogueApplicationTitle({}), "");
    EXPECT_EQ(qm::bookmarkSeedLines(lines),
              (Lines{"<<none", "<<title", "<<qdemo", "<<author", "<<qau", "<<qdemo"}));
    // The key part is kept untrimmed; the last line is never seeded.
    EXPECT_EQ(qm::bookmarkSeedLines({"a<<0 key ", "b<<", "c@x<<1k", "d<<1last"}),
              (Lines{"<< key ", "<<"}));
    // A one-book collection's root is its book: the book's section cannot be the first line.
    EXPECT_EQ(qm::bookmarkSeedLines({"Tale<<0k1", "One<<1k1@refpt001", "(END)"}),
              (Lines{"", "<<k1"}));
}

class BuildCatalogue : public ::testing::Test {
protected:
    void SetUp() override {
        fs.addFolder("/books");
        qm::SessionTestAccess(s).setLocation(&qm::Locations::programFolder, "/books/");
        qm::SessionTestAccess(s).setLocation(&qm::Locations::dataFolder, "/data/");
        qm::SessionTestAccess(s).setLocation(&qm::Locations::bookmarkFile, "/data/quillmar.bm");
    }
    qmtest::RecordingView view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
};

TEST_F(BuildCatalogue, BuiltInBuildShowsTreeTitleAndSeedsBookmarks) {
    s.buildCatalogue();
    EXPECT_EQ(s.catalogue(), qm::builtInCatalogueLines());
    EXPECT_EQ(view.applicationTitle, "Brindlemoor");
    EXPECT_EQ(s.applicationTitle(), "Brindlemoor");
    EXPECT_EQ(view.toc.size(), 14u);
    EXPECT_TRUE(fs.folderExists("/data"));
    EXPECT_EQ(fs.readFile("/data/quillmar.bm").value_or(""),
              "<<none\r\n<<title\r\n<<qdemo\r\n<<author\r\n<<qau\r\n<<qdemo\r\n");
    // The author listing is expanded first, then the root is expanded and selected.
    EXPECT_EQ(view.expanded, (std::vector<int>{7, 0}));
    EXPECT_EQ(view.selectedToc, 0);
}

TEST_F(BuildCatalogue, ExistingBookmarkFileIsLeftAlone) {
    fs.addFolder("/data");
    fs.writeFile("/data/quillmar.bm", "<<other\r\n#5 mine\r\n");
    s.buildCatalogue();
    EXPECT_EQ(fs.readFile("/data/quillmar.bm").value_or(""), "<<other\r\n#5 mine\r\n");
}

TEST_F(BuildCatalogue, SeedWriteFailureStopsBeforeExpanding) {
    fs.addFolder("/data");
    fs.failNextWrite(qm::MemoryFileSystem::Fault::CannotCreate);
    EXPECT_FALSE(s.run([&] { s.buildCatalogue(); }));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0], "Cannot create file /data/quillmar.bm");
    EXPECT_EQ(view.toc.size(), 14u);
    EXPECT_TRUE(view.expanded.empty());
    EXPECT_FALSE(view.selectedToc.has_value());
}

TEST_F(BuildCatalogue, AuthorLineOnlyCountsBeforeTheLastLine) {
    struct Case {
        Lines lines;
        std::vector<int> expanded;
    };
    const Case cases[] = {
        {{"R<<0none", "T<<1title", "A<<1author"}, {0}},
        {{"R<<0none", "A<<1author", "(END)"}, {1, 0}},
        {{"R<<1author", "(END)"}, {0}},
        // The author line stands past the last node: nothing to expand there.
        {{"R<<0none", "x", "y", "A<<1author", "(END)"}, {0}},
        {{"no nodes", "at all"}, {}},
    };
    for (const Case& c : cases) {
        fs.writeFile("/books/c.toc", qm::joinLinesCrLf(c.lines));
        qm::SessionTestAccess(s).setCatalogueSourceFile("/books/c.toc");
        s.buildCatalogue();
        EXPECT_EQ(s.catalogue(), c.lines);
        EXPECT_EQ(view.expanded, c.expanded);
    }
}

TEST_F(BuildCatalogue, LargeCatalogueFileBuilds) {
    std::string bytes = "Big<<0none\r\n";
    for (int i = 1; i < 100000; ++i)
        bytes += "entry " + std::to_string(i) + "<<" + std::to_string(1 + i % 5) + "k" +
                 std::to_string(i) + "\n";
    bytes += "(END)";
    fs.writeFile("/books/big.toc", bytes);
    qm::SessionTestAccess(s).setCatalogueSourceFile("/books/big.toc");
    s.buildCatalogue();
    EXPECT_EQ(s.catalogue().size(), 100001u);
    EXPECT_EQ(view.toc.size(), 100000u);
    EXPECT_EQ(view.applicationTitle, "Big");
}

TEST_F(BuildCatalogue, UnreadableCatalogueFileFallsBackToBuiltIn) {
    qm::SessionTestAccess(s).setCatalogueSourceFile("/books/gone.toc");
    s.buildCatalogue();
    EXPECT_EQ(s.catalogue(), qm::builtInCatalogueLines());
}

TEST_F(BuildCatalogue, ExpandingOrCollapsingSetsTheSkipFlag) {
    s.TOCTreeViewExpanded();
    EXPECT_TRUE(s.skipNextClick());
    s.TOCTreeViewClick(std::nullopt); // the swallowed click clears the flag
    s.TOCTreeViewCollapsed();
    EXPECT_TRUE(s.skipNextClick());
}

struct ChosenCase {
    const char* path;
    const char* extension;
    const char* folder;
    const char* baseName;
};

class OpenCatalogue : public BuildCatalogue, public ::testing::WithParamInterface<ChosenCase> {};

TEST_P(OpenCatalogue, ChosenFileReRootsTheCollection) {
    const auto& c = GetParam();
    fs.addFolder("/data");
    fs.addFolder(c.folder);
    fs.writeFile(c.path, "Mine   <<0none\r\nBook<<1mine\r\n(END)\r\n");
    fs.writeFile(std::string(c.folder) + c.baseName + ".tvx", "index");
    qm::SessionTestAccess(s).setIndexNodes({{"Index", 0, -1}});
    qm::SessionTestAccess(s).setOpenDialogFileName("/books/qdemo.tvt");
    qm::SessionTestAccess(s).setControlVisible(qm::Control::BMMenu, false);
    view.openAnswers = {std::string(c.path)};
    s.OpenTOCItemClick();

    ASSERT_EQ(view.openDialogs.size(), 1u);
    EXPECT_EQ(view.openDialogs[0].filter, "Table of Contents|*.toc;*.cdb");
    EXPECT_EQ(view.openDialogs[0].extension, "toc");
    EXPECT_EQ(view.openDialogs[0].title, "Open Torvane(tm) Book");
    EXPECT_EQ(view.openDialogs[0].fileName, "/books/qdemo.tvt");

    EXPECT_EQ(s.locations().catalogueExtension, c.extension);
    EXPECT_EQ(s.locations().programFolder, c.folder);
    EXPECT_EQ(s.locations().programBaseName, c.baseName);
    EXPECT_EQ(s.locations().bookmarkFile, std::string("/data/") + c.baseName + ".bm");
    EXPECT_TRUE(s.controls().visible(qm::Control::BMMenu));
    EXPECT_TRUE(s.indexNodes().empty());
    EXPECT_FALSE(s.controls().visible(qm::Control::IndexPanel));
    EXPECT_TRUE(s.controls().visible(qm::Control::InxTreeView));
    EXPECT_TRUE(view.tabVisible.at(Page::IndexTabSheet));

    EXPECT_EQ(s.catalogue(), (Lines{"Mine   <<0none", "Book<<1mine", "(END)"}));
    EXPECT_EQ(view.applicationTitle, "Mine");
    EXPECT_EQ(fs.readFile(s.locations().bookmarkFile).value_or(""), "<<none\r\n<<mine\r\n");
    EXPECT_EQ(view.pagesShown.back(), Page::TOCTabSheet);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OpenCatalogue,
    ::testing::Values(ChosenCase{"/lib/Old.cdb/Books.toc", ".cdb", "/lib/Old.cdb/", "books"},
                      ChosenCase{"/lib/Shelf/Sample.TOC", ".toc", "/lib/Shelf/", "sample"},
                      ChosenCase{"/lib/Shelf/records.CDB", ".cdb", "/lib/Shelf/", "records"},
                      ChosenCase{"/lib/Shelf/a.b.toc", ".toc", "/lib/Shelf/", "a"}));

// Records, in order, the window changes that tell the steps of opening a catalogue apart.
class StepLogView : public qmtest::RecordingView {
public:
    void setTabVisible(Page p, bool v) override {
        RecordingView::setTabVisible(p, v);
        if (p == Page::IndexTabSheet) steps.push_back("index tab");
    }
    void indexTreeChanged() override { steps.push_back("index tree emptied"); }
    void setWindowBounds(const qm::Rect& r) override {
        RecordingView::setWindowBounds(r);
        steps.push_back("settings applied");
    }
    void setTocTree(const qm::Tree& t) override {
        RecordingView::setTocTree(t);
        steps.push_back(t.empty() ? "contents emptied" : "contents built");
    }
    void showPage(Page p) override {
        RecordingView::showPage(p);
        if (p == Page::TOCTabSheet) steps.push_back("contents page");
    }
    std::vector<std::string> steps;
};

TEST(OpenCatalogueSteps, PathsIndexSettingsTreeThenPage) {
    StepLogView view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
    fs.addFolder("/data");
    fs.addFolder("/lib");
    qm::SessionTestAccess(s).setLocation(&qm::Locations::dataFolder, "/data/");
    fs.writeFile("/data/shelf.ini", "[how]\r\nfontsize=22\r\ntleft=7\r\n");
    qm::SessionTestAccess(s).adoptBookmarks({"<<none", "<<qdemo"}, 1);
    view.openAnswers = {std::string("/lib/shelf.toc")};
    s.OpenTOCItemClick();

    EXPECT_EQ(view.steps,
              (std::vector<std::string>{"index tab", "index tree emptied", "settings applied",
                                        "contents emptied", "contents built", "contents page"}));
    // The new collection's settings are the ones applied.
    EXPECT_EQ(view.bounds.left, 7);
    EXPECT_EQ(s.controls().position(qm::Control::FontSizeTrackBar), 22);
    EXPECT_TRUE(s.bookmarks().lines().empty());
    EXPECT_EQ(fs.readFile("/data/shelf.bm").value_or(""),
              qm::joinLinesCrLf(qm::bookmarkSeedLines(qm::builtInCatalogueLines())));
}

TEST_F(BuildCatalogue, CancelledCatalogueDialogChangesNothing) {
    s.buildCatalogue();
    const auto before = s.locations();
    const Lines catalogue = s.catalogue();
    view.pagesShown.clear();
    view.openAnswers = {std::nullopt, std::string()};
    s.OpenTOCItemClick();
    s.OpenTOCItemClick();
    EXPECT_EQ(view.openDialogs.size(), 2u);
    EXPECT_EQ(s.locations().programFolder, before.programFolder);
    EXPECT_EQ(s.locations().catalogueExtension, before.catalogueExtension);
    EXPECT_EQ(s.catalogue(), catalogue);
    EXPECT_TRUE(view.pagesShown.empty());
    EXPECT_TRUE(s.catalogueSourceFile().empty());
}

} // namespace
