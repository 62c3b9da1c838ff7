// The corpus books through the library and out again: each export reads back as the stored
// text it came from, and epubcheck finds nothing wrong with any of them. Books of the shared
// corpus are skipped when it is missing (QUILLMAR_REQUIRE_SHARED=1 makes that a failure), and
// so is epubcheck's verdict when Java or epubcheck is missing.
#include "core/base/Error.h"
#include "core/catalogue/Catalogue.h"
#include "core/encoding/Decode.h"
#include "core/export/EpubExport.h"
#include "core/export/ExportBook.h"
#include "core/import/BookPictures.h"
#include "core/import/DocumentTidy.h"
#include "core/import/PlainTextBook.h"
#include "core/library/Library.h"
#include "core/testing/EpubFiles.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/PictureFiles.h"
#include "core/testing/ShippedParser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

bool sharedRequired() {
    const char* v = std::getenv("QUILLMAR_REQUIRE_SHARED");
    return v && std::string(v) == "1";
}

std::optional<std::string> corpusFile(const std::string& name) {
    std::ifstream in(std::string(QM_SHARED_DIR) + "/corpus/" + name, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream buf;
    buf << in.rdbuf();
    return buf.str();
}

// A corpus novel as an EPUB 3 of its own: one XHTML file per chapter, a navigation document.
std::string novelEpub(const std::string& text) {
    const cascade::Document doc = import::readPlainTextBook(encoding::decodeToUtf8(text));
    auto esc = [](std::string s) {
        std::string out;
        for (const char c : s)
            out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
        return out;
    };
    qmtest::EpubBuilder epub;
    epub.title = esc(doc.title);
    epub.author = esc(doc.author);
    std::size_t from = 0;
    for (std::size_t c = 0; c <= doc.chapters.size(); ++c) {
        const std::size_t to = c < doc.chapters.size() ? doc.chapters[c].block : doc.blocks.size();
        std::string body;
        for (std::size_t b = from; b < to; ++b) {
            const char* tag = doc.blocks[b].kind == cascade::BlockKind::Heading ? "h2" : "p";
            body += std::string("<") + tag + ">" +
                    esc(import::removeStyleTags(doc.blocks[b].text)) + "</" + tag + ">\n";
        }
        const std::string file = "text/part" + std::to_string(c) + ".xhtml";
        epub.chapter(file, body);
        if (c > 0) epub.entry(esc(doc.chapters[c - 1].title), file);
        from = to;
    }
    return epub.bytes();
}

// A small EPUB 3 with a cover and two pictures in its chapters, one of them twice.
std::string picturesEpub() {
    qmtest::EpubBuilder epub;
    epub.chapter("text/one.xhtml", "<h1>One</h1><p>The first words.</p>"
                                   "<p><img src=\"../images/map.png\" alt=\"A map\"/></p>"
                                   "<p>After the map.</p>")
        .chapter("text/two.xhtml", "<h1>Two</h1><p>More words.</p>"
                                   "<img src=\"../images/map.png\"/><p>The end.</p>")
        .entry("One", "text/one.xhtml")
        .entry("Two", "text/two.xhtml");
    epub.items.push_back({"cover", "images/cover.png", "image/png", "cover-image"});
    epub.items.push_back({"map", "images/map.png", "image/png", ""});
    epub.extra.push_back({"OEBPS/images/cover.png", qmtest::tinyPng()});
    epub.extra.push_back({"OEBPS/images/map.png", qmtest::tinyPng() + std::string(3, '\0')});
    return epub.bytes();
}

struct Exported {
    std::string name;
    std::string path;
};

class CorpusExport : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("quillmar-export-" + std::to_string(::getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(folder);
    }

    // The book through the library, exported, and read back through the library again.
    void roundTrip(const std::string& name, const std::string& bytes) {
        SCOPED_TRACE(name);
        library::Library lib = library::Library::withBookReaders(mem, "/data/", shippedParser());
        const library::Book book = lib.open(name, bytes);
        const exporting::ExportBook out = exporting::libraryExportBook(mem, book);
        const std::string epub = exporting::epubBytes(out, {}, mem);
        const library::Book back = lib.open(name + ".epub", epub);
        EXPECT_EQ(*mem.readFile(back.files.text), *mem.readFile(book.files.text));
        // The pictures come back under the names the text gives them.
        for (const MemoryFileSystem::FolderEntry& e : mem.listFolder(book.files.folder))
            if (import::isPictureName(e.name)) {
                ++pictures;
                EXPECT_EQ(mem.readFile(back.files.folder + e.name),
                          mem.readFile(book.files.folder + e.name))
                    << e.name;
            }
        const Lines before = splitLines(*mem.readFile(book.files.catalogue));
        const Lines after = splitLines(*mem.readFile(back.files.catalogue));
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t i = 2; i < before.size(); ++i)
            EXPECT_EQ(titleOfLine(after[i]), titleOfLine(before[i]));
        const std::string path = (folder / (name + ".epub")).string();
        std::ofstream(path, std::ios::binary) << epub;
        exported.push_back({name, path});
    }

    MemoryFileSystem mem;
    fs::path folder;
    std::vector<Exported> exported;
    int pictures = 0;
};

TEST_F(CorpusExport, CorpusBooksComeBackAsStoredAndPassEpubcheck) {
    const std::vector<std::string> names = {"frankenstein.txt", "frankenstein.htm",
                                            "pride-and-prejudice.txt"};
    roundTrip("pictures.epub", picturesEpub());
    EXPECT_EQ(pictures, 2) << "a cover and a map";
    for (const std::string& name : names) {
        const std::optional<std::string> bytes = corpusFile(name);
        if (!bytes) {
            if (sharedRequired()) FAIL() << name << " is missing from the shared corpus";
            GTEST_SKIP() << name << " is missing from the shared corpus";
        }
        roundTrip(name, *bytes);
        if (name == "frankenstein.txt") roundTrip("frankenstein-epub.epub", novelEpub(*bytes));
    }
    // The built-in book, exported as the reader shows it.
    exporting::ExportBook builtIn;
    builtIn.lines = exporting::storedTextLines(mem, "/prog/qdemo.tvt", ".toc", nullptr);
    builtIn.title = exporting::catalogueTitle(builtInCatalogueLines(), "qdemo");
    builtIn.chapters = exporting::catalogueChapters(builtInCatalogueLines(), "qdemo");
    const std::string builtInPath = (folder / "built-in.epub").string();
    std::ofstream(builtInPath, std::ios::binary) << exporting::epubBytes(builtIn, {}, mem);
    exported.push_back({"the built-in book", builtInPath});

#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "epubcheck's verdict is taken in the plain build (Java is slow under the "
                    "sanitizers' build machine load and checks none of our code)";
#endif
    // epubcheck is a Java program slow to start: once per book, two at a time, with the quick
    // compiler only and the plain collector (a third of the time for a run this short).
    const std::string kQuickJava = "-XX:TieredStopAtLevel=1 -XX:+UseSerialGC";
    const std::string jar = "/usr/share/java/epubcheck.jar";
    if (!fs::exists(jar) || std::system("java -version > /dev/null 2>&1") != 0) {
        if (sharedRequired()) FAIL() << "epubcheck (" << jar << ") or java is missing";
        GTEST_SKIP() << "epubcheck (" << jar << ") or java is missing";
    }
    const std::string list = (folder / "books").string();
    {
        std::ofstream out(list);
        for (const Exported& e : exported)
            out << e.path << '\n';
    }
    const std::string command = "xargs -P2 -a " + list + " -I{} sh -c 'java " + kQuickJava +
                                " -jar " + jar + " \"$1\" > \"$1.log\" 2>&1' check {}";
    std::system(command.c_str()); // each log tells its verdict
    for (const Exported& e : exported) {
        std::ifstream in(e.path + ".log");
        std::stringstream log;
        log << in.rdbuf();
        EXPECT_NE(log.str().find("No errors or warnings detected."), std::string::npos)
            << e.name << ":\n"
            << log.str();
    }
}

} // namespace
} // namespace qm
