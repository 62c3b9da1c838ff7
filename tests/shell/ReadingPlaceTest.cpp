// Where a reader is kept: a jump in a library book counts as reading for the closing mark
// (the built-in collection keeps to paging).
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

} // namespace
