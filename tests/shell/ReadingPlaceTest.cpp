// Where a reader is kept: a jump in a library book counts as reading for the closing mark
// (the built-in collection keeps to paging), and File > Recent Books reopens the books
// opened last where they were left.
#include "core/library/BookKey.h"
#include "core/library/Library.h"
#include "core/library/RecentBooks.h"
#include "core/shell/Session.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/MemoryFileSystem.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const std::string kData = "/data/";

// Two chapters of forty short paragraphs; "lark" is in the last one only.
std::string longBook(const std::string& title) {
    std::string html = "<html><head><title>" + title + "</title></head><body><h1>One</h1>";
    for (int i = 0; i < 80; ++i) {
        if (i == 40) html += "<h1>Two</h1>";
        html += "<p>Paragraph " + std::to_string(i) + " tells of the river and the mill.</p>";
    }
    return html + "<p>At last the lark sang.</p></body></html>";
}

// A reader started with the built-in collection, on an in-memory file system.
struct Reader {
    qmtest::RecordingView view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
    qm::FakeSurface surface{800, 600};

    Reader() {
        for (const char* folder : {"/opt/quillmar", "/books"})
            fs.addFolder(folder);
        s.setSurface(&surface);
    }
    void start() {
        ASSERT_TRUE(s.run([&] { s.FormCreate("/opt/quillmar/quillmar", kData, ""); }));
        s.FormActivate();
    }
    bool open(const std::string& path) {
        view.openAnswers = {path};
        return s.run([&] { s.OpenTVTItemClick(); });
    }
    int catalogueLineWith(const std::string& part) const {
        for (std::size_t i = 0; i < s.catalogue().size(); ++i)
            if (s.catalogue()[i].find(part) != std::string::npos) return static_cast<int>(i);
        return -1;
    }
    std::string bookmarkFile() const { return *fs.readFile(s.locations().bookmarkFile); }
};

enum class Jump { Chapter, Find, Index, Bookmark };

TEST(ReadingPlace, AJumpInALibraryBookIsKeptAndTheBuiltInCollectionKeepsToPaging) {
    const struct {
        bool library;
        Jump jump;
    } cases[] = {
        {true, Jump::Chapter},   {true, Jump::Find},     {true, Jump::Index},
        {true, Jump::Bookmark},  {false, Jump::Chapter}, {false, Jump::Find},
        {false, Jump::Bookmark},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "library " << c.library << ", jump " << static_cast<int>(c.jump));
        auto r = std::make_unique<Reader>();
        r->start();
        if (c.library) {
            r->fs.writeFile("/books/long.html", longBook("Long"));
            ASSERT_TRUE(r->open("/books/long.html"));
        } else {
            ASSERT_TRUE(
                r->s.run([&] { r->s.TOCTreeViewClick(r->catalogueLineWith("@refpt001")); }));
        }
        const int before = r->s.topLine();

        switch (c.jump) {
        case Jump::Chapter:
            ASSERT_TRUE(r->s.run([&] {
                r->s.TOCTreeViewClick(r->catalogueLineWith(c.library ? "Two<<" : "@refpt002"));
            }));
            break;
        case Jump::Find:
            r->s.FindDialog1Find(c.library ? "lark" : "soldier", true, false);
            break;
        case Jump::Index: {
            r->s.IndexLoadButtonClick();
            int node = -1, farthest = -1;
            for (std::size_t i = 0; i < r->s.indexNodes().size(); ++i) {
                std::string text = r->s.indexNodes()[i].text;
                text.erase(0, text.find_first_not_of(' '));
                if (!text.empty() && text[0] >= '0' && text[0] <= '9' &&
                    std::stoi(text) > farthest) {
                    farthest = std::stoi(text);
                    node = static_cast<int>(i);
                }
            }
            ASSERT_GE(node, 0);
            r->s.InxTreeViewClick(node);
            break;
        }
        case Jump::Bookmark: {
            std::string marks = r->bookmarkFile();
            const std::string header = "<<" + r->s.textKey() + "\r\n";
            ASSERT_NE(marks.find(header), std::string::npos);
            marks.insert(marks.find(header) + header.size(), "#300 further on\r\n");
            r->fs.writeFile(r->s.locations().bookmarkFile, marks);
            r->s.BMMenuClick();
            r->s.BMGotoPopupHandler(0);
            break;
        }
        }
        ASSERT_NE(r->s.topLine(), before) << "the jump moves the page";
        const std::string top = std::to_string(r->s.topLine());
        EXPECT_EQ(r->s.pageTurned(), c.library);

        r->s.FormClose();
        const std::string marks = r->bookmarkFile();
        if (c.library)
            EXPECT_NE(marks.find("\r\n#" + top + " Closed book at"), std::string::npos) << marks;
        else
            EXPECT_EQ(marks.find("Closed book at"), std::string::npos) << marks;
    }
}

TEST(ReadingPlace, RecentBooksOpenNewestFirstWhereTheyWereLeft) {
    Reader r;
    r.fs.writeFile("/books/first.html", longBook("First"));
    r.fs.writeFile("/books/second.html", longBook("Second"));
    r.start();
    EXPECT_TRUE(r.view.recentBooks.empty());
    ASSERT_TRUE(r.open("/books/first.html"));
    ASSERT_TRUE(r.open("/books/second.html"));
    ASSERT_TRUE(r.open("/books/first.html"));
    EXPECT_EQ(r.view.recentBooks, (std::vector<std::string>{"First", "Second"}));

    // Reading on in the first book, then leaving it: its closing mark is where it was left.
    ASSERT_TRUE(r.s.run([&] { r.s.TOCTreeViewClick(r.catalogueLineWith("Two<<")); }));
    r.s.ShowNextPage();
    const int left = r.s.topLine();
    r.s.FormClose();

    // The next start reads the list once and shows it; choosing the book opens it where it
    // was left, without the resume question.
    Reader again;
    again.fs = r.fs;
    again.start();
    EXPECT_EQ(again.view.recentBooks, (std::vector<std::string>{"First", "Second"}));
    ASSERT_TRUE(again.s.run([&] { again.s.RecentBookItemClick(0); }));
    EXPECT_EQ(again.s.captionTitle(), "First");
    EXPECT_EQ(again.s.topLine(), left);
    EXPECT_TRUE(again.view.questions.empty());
    EXPECT_EQ(again.s.openDialogFileName(), "/books/first.html");

    // A book without a closing mark opens at its start; items outside the list do nothing.
    ASSERT_TRUE(again.s.run([&] { again.s.RecentBookItemClick(1); }));
    EXPECT_EQ(again.s.captionTitle(), "Second");
    EXPECT_EQ(again.s.topLine(), 0);
    EXPECT_EQ(again.view.recentBooks, (std::vector<std::string>{"Second", "First"}));
    ASSERT_TRUE(again.s.run([&] { again.s.RecentBookItemClick(7); }));
    EXPECT_EQ(again.s.captionTitle(), "Second");

    // A book gone from the library is opened anew from its file; when that is gone too, it
    // leaves the list with a message.
    const std::string firstKey = again.s.recentBooks()[1].key;
    const auto files =
        qm::library::Library::withBookReaders(again.fs, kData, nullptr).filesOf(firstKey);
    again.fs.removeFile(files.manifest);
    ASSERT_TRUE(again.s.run([&] { again.s.RecentBookItemClick(1); }));
    EXPECT_EQ(again.s.captionTitle(), "First");
    again.fs.removeFile(files.manifest);
    again.fs.removeFile("/books/first.html");
    EXPECT_FALSE(again.s.run([&] { again.s.RecentBookItemClick(0); }));
    EXPECT_EQ(again.view.messages.back(), "Cannot open file /books/first.html");
    EXPECT_EQ(again.view.recentBooks, (std::vector<std::string>{"Second"}));
}

TEST(RecentBooks, TheListFileReadsWhatItCanAndKeepsTenOnce) {
    const std::string key(64, 'a'), other(64, 'b'), earlier(16, 'c');
    const struct {
        std::string bytes;
        std::vector<std::string> keys;
    } cases[] = {
        {"", {}},
        {key + "\tA\t/a.epub\r\n" + other + "\tB\t/b.txt\r\n", {key, other}},
        {key + "\tA\t/a.epub\n" + key + "\tA again\t/a2.epub\n", {key}},
        {earlier + "\t\t/old.txt\r\n", {earlier}},
        {"not a key\tA\t/a.epub\r\n" + key + "\tno source\t\r\n" + other + " no tabs\r\n", {}},
        {std::string("\0\xff\t\t\r\n", 6) + other + "\tB\t/b.txt", {other}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> keys;
        for (const auto& book : qm::library::parseRecentBooks(c.bytes))
            keys.push_back(book.key);
        EXPECT_EQ(keys, c.keys) << c.bytes;
    }

    qm::MemoryFileSystem fs;
    fs.addFolder("/data");
    fs.addFolder("/data/library");
    for (int i = 0; i < 12; ++i) {
        std::string k(64, '0');
        k.back() = "0123456789abcdef"[i];
        qm::library::noteRecentBook(fs, kData, {k, "Title\t" + std::to_string(i) + "\r\n", "/b"});
    }
    auto books = qm::library::readRecentBooks(fs, kData);
    ASSERT_EQ(books.size(), qm::library::kMaxRecentBooks);
    EXPECT_EQ(books.front().key.back(), 'b') << "the newest first";
    EXPECT_EQ(books.front().title, "Title 11  ") << "tabs and line ends cannot split a line";
    books = qm::library::noteRecentBook(fs, kData, books.back());
    EXPECT_EQ(books.front().key.back(), '2');
    EXPECT_EQ(books.size(), qm::library::kMaxRecentBooks);
}

} // namespace
