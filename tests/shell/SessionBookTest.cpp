// Book files opened through the library: Open File hands a book to the book opener (or opens
// it itself), the book's collection replaces the catalogue and the book opens at its line.
#include "core/cascade/LayoutVersion.h"
#include "core/library/BookKey.h"
#include "core/library/Library.h"
#include "core/shell/Session.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/SessionTestAccess.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const std::string kData = "/home/ann/.local/share/Halvorn/";
const std::string kBook = "<html><head><title>Two Tales</title></head><body><h1>First</h1>"
                          "<p>She read <i>Emma</i> twice.</p><h1>Second</h1>"
                          "<p>The second tale ends here.</p></body></html>";

bool anyLineHas(const qm::Lines& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

class SessionBook : public ::testing::Test {
protected:
    qmtest::RecordingView view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
    qm::FakeSurface surface{800, 600};

    void SetUp() override {
        fs.addFolder("/opt/quillmar");
        fs.addFolder("/home/ann/.local/share");
        fs.addFolder("/books");
        fs.writeFile("/books/tales.html", kBook);
        s.setSurface(&surface);
        ASSERT_TRUE(s.run([&] { s.FormCreate("/opt/quillmar/quillmar", kData, ""); }));
        s.FormActivate();
    }
    bool openFile(const std::string& path) {
        view.openAnswers = {path};
        return s.run([&] { s.OpenTVTItemClick(); });
    }
};

TEST_F(SessionBook, OpenFileOpensABookAsItsOwnCollectionAtTheBooksLine) {
    ASSERT_TRUE(openFile("/books/tales.html")) << view.messages.front();
    const std::string key = qm::library::bookKey(kBook);
    const std::string folder = kData + "library/" + key + "/";

    // The catalogue of the book's collection: the book's line at the root (the tree shows the
    // book once), then a line per chapter.
    ASSERT_GE(s.catalogue().size(), 3u);
    EXPECT_EQ(s.catalogueSourceFile(), folder + key + ".toc");
    EXPECT_NE(s.catalogue()[0].find("Two Tales<<0" + key), std::string::npos);
    EXPECT_NE(s.catalogue()[1].find("First<<1" + key + "@refpt"), std::string::npos);
    EXPECT_NE(s.catalogue()[2].find("Second<<1" + key + "@refpt"), std::string::npos);
    EXPECT_EQ(view.selectedToc, 0);

    // The book's text is open on the Reading page, with the collection's bookmarks.
    EXPECT_EQ(s.currentTextPath(), folder + key + ".tvt");
    EXPECT_TRUE(anyLineHas(s.displayLines().toLines(), "Emma"));
    EXPECT_EQ(view.pagesShown.back(), qm::Page::ReadTabSheet);
    EXPECT_EQ(view.caption, "Quillmar -- Two Tales");
    EXPECT_EQ(s.locations().bookmarkFile, qm::library::bookmarkFileOf(kData, key));
    EXPECT_TRUE(s.controls().visible(qm::Control::BMMenu));
    EXPECT_EQ(s.indexFile(), folder + key + ".tvx");
    // The next open dialog starts at the book file, not in the library.
    EXPECT_EQ(s.openDialogFileName(), "/books/tales.html");

    // A chapter's line opens the book at the chapter.
    ASSERT_TRUE(s.run([&] { s.TOCTreeViewClick(2); }));
    EXPECT_EQ(s.referencePoint().rfind("refpt", 0), 0u);
    EXPECT_NE(s.displayLines()[static_cast<std::size_t>(s.topLine())].find("Second"),
              std::string::npos);
}

TEST_F(SessionBook, TheBooksFirstBookmarkIsListedAndItsChaptersShow) {
    const std::string key = qm::library::bookKey(kBook);
    const std::string marks = qm::library::bookmarkFileOf(kData, key);
    // A file as the seed left it before its section had a closing line, with an entry last.
    for (const char* existing : {"", "<<none\r\n<<KEY\r\n#7 early\r\n"}) {
        std::string before = existing;
        if (!before.empty()) before.replace(before.find("KEY"), 3, key);
        fs.removeFile(marks);
        if (!before.empty()) fs.writeFile(marks, before);
        ASSERT_TRUE(openFile("/books/tales.html")) << view.messages.front();
        EXPECT_NE(std::find(view.expanded.begin(), view.expanded.end(), 0), view.expanded.end());
        view.bookmarkNames = {"first"};
        ASSERT_TRUE(s.run([&] { s.BMAddItemClick(); }));
        ASSERT_TRUE(s.run([&] { s.BMMenuClick(); }));
        EXPECT_TRUE(s.controls().enabled(qm::Control::BMGOItem)) << existing;
        std::vector<std::string> want{"first"};
        if (!before.empty()) want.push_back("early");
        EXPECT_EQ(s.bookmarks().captions(), want);
    }
}

TEST_F(SessionBook, TheTextLeftGetsItsClosingMarkInItsOwnCollection) {
    const auto story =
        std::find_if(s.catalogue().begin(), s.catalogue().end(),
                     [](const std::string& l) { return l.find("qdemo@") != std::string::npos; });
    ASSERT_NE(story, s.catalogue().end());
    ASSERT_TRUE(
        s.run([&] { s.TOCTreeViewClick(static_cast<int>(story - s.catalogue().begin())); }));
    qm::SessionTestAccess(s).setPageTurned(true);
    s.BMMenuClick(); // the text's bookmark section is loaded, as opening the menu does
    const std::string readerMarks = s.locations().bookmarkFile;
    ASSERT_TRUE(openFile("/books/tales.html"));
    EXPECT_NE(fs.readFile(readerMarks)->find("<<qdemo\r\n#"), std::string::npos);
    const std::string bookMarks = *fs.readFile(s.locations().bookmarkFile);
    EXPECT_NE(s.locations().bookmarkFile, readerMarks);
    EXPECT_EQ(bookMarks.find("Closed book at"), std::string::npos) << bookMarks;
}

TEST_F(SessionBook, BookFilesGoToTheOpenerAndOtherFilesDoNot) {
    // A name that says what the file is decides; any other name is looked into.
    const struct {
        const char* path;
        std::string bytes;
        bool book;
    } cases[] = {
        {"/books/a.EPUB", "", true},
        {"/books/b.htm", "", true},
        {"/books/c.html", "", true},
        {"/books/d.txt", "", true},
        {"/books/story.tvt", "banner\r\nl02fox\r\n", false},
        {"/books/prose.tvt", "Stays a stored text\r\nas its name says.\r\n", false},
        {"/books/oak", "The oak stood alone.\r\nloaded with acorns\r\n", true},
        {"/books/one-line", "Nothing but a line of prose", true},
        {"/books/coded", "banner\nl05the fox \np012 \nl09ran \ns000 \nl05away \n", false},
        {"/books/mostly", "banner\r\nl05one \r\nl05two \r\nan aside in prose\r\n", false},
        {"/books/record", "banner\n" + std::string(40, 'p') + "\n", false},
        {"/books/empty", "", false},
        {"/books/blank", " \r\n\r\n\t\r\n", false},
        {"/books/binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe", 18), true},
        {"/books/missing", "", false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> handed;
        s.setBookOpener([&](const std::string& path) { handed.push_back(path); });
        if (std::string(c.path) != "/books/missing") fs.writeFile(c.path, c.bytes);
        ASSERT_TRUE(openFile(c.path)) << c.path;
        EXPECT_EQ(handed.size(), c.book ? 1u : 0u) << c.path;
        if (!c.book) {
            EXPECT_EQ(s.currentTextPath(), c.path);
        }
    }
}

TEST_F(SessionBook, ABookThatCannotBeOpenedStopsWithItsMessageAndChangesNothing) {
    fs.writeFile("/books/broken.epub", "PK\x03\x04 not really an archive");
    struct Case {
        const char* path;
        const char* message;
    };
    const Case cases[] = {{"/books/missing.html", "Cannot open file /books/missing.html"},
                          {"/books/broken.epub", "Cannot open broken.epub: "}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        view.messages.clear();
        const qm::Lines before = s.catalogue();
        EXPECT_FALSE(openFile(c.path));
        ASSERT_EQ(view.messages.size(), 1u);
        EXPECT_EQ(view.messages[0].rfind(c.message, 0), 0u) << view.messages[0];
        EXPECT_EQ(s.catalogue(), before);
        for (const auto& [path, bytes] : fs.files())
            EXPECT_EQ(path.rfind(kData + "library/", 0), std::string::npos) << path;
    }
}

} // namespace

// A book stored by an earlier cascader: the same words on other lines (four more at its head)
// and an older layout version in its manifest.
void makeOutdated(qm::MemoryFileSystem& fs, const qm::library::BookFiles& files) {
    std::string text = *fs.readFile(files.text);
    text.insert(text.find('\n') + 1, "l00 \r\nl00 \r\nl00 \r\ns000 \r\n");
    fs.writeFile(files.text, text);
    std::string manifest = *fs.readFile(files.manifest);
    const auto at = manifest.find("layout=");
    manifest.replace(at, manifest.find('\r', at) - at, "layout=1");
    fs.writeFile(files.manifest, manifest);
}

int lineWith(const qm::LineBuffer& lines, const std::string& part) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find(part) != std::string::npos) return static_cast<int>(i);
    return -1;
}

TEST_F(SessionBook, AnOutdatedBookIsLaidOutAgainOnlyWhenAskedAndItsBookmarksMove) {
    ASSERT_TRUE(openFile("/books/tales.html"));
    EXPECT_FALSE(s.controls().enabled(qm::Control::LayOutAgainItem));
    const std::string key = qm::library::bookKey(kBook);
    const auto files = qm::library::Library::withBookReaders(fs, kData, nullptr).filesOf(key);
    makeOutdated(fs, files);
    // Leave the book's text for another, so the next open reads the book anew.
    fs.writeFile("/books/other.tvt", "Other\r\nl05Elsewhere. \r\ns000 \r\n");
    ASSERT_TRUE(openFile("/books/other.tvt"));

    // Declined: the book opens as stored, the command stays offered, the question is not
    // asked again in this run.
    view.yesNoAnswers = {false};
    ASSERT_TRUE(openFile("/books/tales.html"));
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions.back().caption, "Lay out again");
    EXPECT_TRUE(s.controls().enabled(qm::Control::LayOutAgainItem));
    const int oldTop = lineWith(s.displayLines(), "Second");
    ASSERT_GT(oldTop, 4);
    fs.writeFile(s.locations().bookmarkFile, "<<none\r\n<<" + key + "\r\n#" +
                                                 std::to_string(oldTop) +
                                                 " second tale\r\n#999999 far away\r\n\r\n");
    ASSERT_TRUE(openFile("/books/other.tvt"));
    ASSERT_TRUE(openFile("/books/tales.html"));
    EXPECT_EQ(std::count_if(view.questions.begin(), view.questions.end(),
                            [](const auto& q) { return q.caption == "Lay out again"; }),
              1);

    view.messages.clear();
    ASSERT_TRUE(s.run([&] { s.LayOutAgainItemClick(); }));
    const int newTop = lineWith(s.displayLines(), "Second");
    EXPECT_EQ(newTop, oldTop - 4) << "the text on screen is the new layout";
    EXPECT_NE(fs.readFile(s.locations().bookmarkFile)
                  ->find("#" + std::to_string(newTop) + " second tale\r\n#999999 far away"),
              std::string::npos);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find("\nfar away"), std::string::npos) << view.messages[0];
    EXPECT_FALSE(s.controls().enabled(qm::Control::LayOutAgainItem));
    EXPECT_NE(
        fs.readFile(files.manifest)->find("layout=" + std::to_string(qm::cascade::kLayoutVersion)),
        std::string::npos);
}
