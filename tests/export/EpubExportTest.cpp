// The EPUB export and its round trip: a text exported and opened again gives back its stored
// lines byte for byte, its chapters, and no cascade.
#include "core/export/EpubExport.h"
#include "core/catalogue/Catalogue.h"
#include "core/encoding/Windows1252.h"
#include "core/export/EpubLines.h"
#include "core/export/ExportBook.h"
#include "core/import/BookReader.h"
#include "core/import/ZipArchive.h"
#include "core/library/Library.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/ShippedParser.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qm {
namespace {

using exporting::ExportBook;

ExportBook builtInBook(FileSystem& fs) {
    ExportBook book;
    book.lines = exporting::storedTextLines(fs, "/prog/qdemo.tvt", ".toc", nullptr);
    book.title = exporting::catalogueTitle(builtInCatalogueLines(), "qdemo");
    book.author = exporting::bannerAuthor(book.lines[0]);
    book.chapters = exporting::catalogueChapters(builtInCatalogueLines(), "qdemo");
    book.imageFolder = "/prog/";
    return book;
}

// The lines and chapters an exported book reads back as.
struct ReadBack {
    Lines lines;
    cascade::Document doc;
};

ReadBack readBack(const std::string& epub) {
    ReadBack r;
    r.doc = import::readBook("book.epub", epub);
    if (r.doc.laidOut)
        for (const std::string& line : r.doc.laidOut->lines)
            r.lines.push_back(encoding::utf8ToWindows1252(line));
    return r;
}

TEST(EpubExport, BuiltInBookComesBackLineForLineWithItsChapters) {
    MemoryFileSystem fs;
    const ExportBook book = builtInBook(fs);
    ASSERT_EQ(book.chapters.size(), 4u);
    EXPECT_EQ(book.author, "Andersen, Hans Christian");
    const ReadBack back = readBack(exporting::epubBytes(book, {}, fs));
    ASSERT_TRUE(back.doc.laidOut);
    EXPECT_EQ(back.lines, book.lines);
    EXPECT_EQ(back.doc.title, book.title);
    // The contents come back in reading order (the catalogue lists the stories by title).
    std::vector<exporting::ExportChapter> inOrder = book.chapters;
    std::sort(inOrder.begin(), inOrder.end(),
              [](const auto& a, const auto& b) { return a.referencePoint < b.referencePoint; });
    ASSERT_EQ(back.doc.chapters.size(), inOrder.size());
    for (std::size_t c = 0; c < inOrder.size(); ++c) {
        EXPECT_EQ(back.doc.chapters[c].title, inOrder[c].title);
        EXPECT_EQ(back.doc.chapters[c].depth, inOrder[c].depth);
        EXPECT_EQ(back.doc.laidOut->chapterPoints[c], inOrder[c].referencePoint);
    }
}

// Lines the structured markup carries and lines it must keep verbatim: each comes back as it
// was, in a text whose every other line is ordinary.
TEST(EpubExport, EveryKindOfLineComesBackAsItWas) {
    const Lines cases = {"l05the wind|9> rose|4> ",  // colour tags
                         "l12carried on|6> and on ", // the colour carries to the next line
                         "l14still green ",          //
                         "p056 ",                    // paragraph marker, with and without its blank
                         "p999",                     //
                         "s000 ",                    // section marker
                         "l00",                      // an empty phrase line
                         "l00|b>A TITLE|n> ",        // a bold title
                         "l03|f>fixed|a> |i>it|n>|u>u|n> ", // font and styles
                         "l07a|x>odd tag ",                 // a tag without a meaning
                         "l03bar | alone",                  // a bar that is no tag
                         "l04ends in a bar|",               //
                         "l60deeper than the page goes ",   // a level past the widest indent
                         "l0",                              // too short to be a phrase line
                         "l05tab\there ",                   // a control character
                         "l05100% sure & <b> \"quoted\" ",  // markup characters
                         "l05\x93"
                         "caf\xE9\x94 \xA0nbsp ",  // the page's own characters
                         "l00|refpt007> ",         // a reference point
                         "l00|refpt007> ",         // the same one again
                         "l05a refpt in words ",   // "refp" inside words
                         "l02|image>missing.png ", // a picture that is not there
                         "l02|image>pic.png",      // a picture that is
                         "plain line",             //
                         "  indented plain line ", //
                         "END"};
    MemoryFileSystem fs;
    fs.addFolder("/prog");
    fs.writeFile("/prog/pic.png", "\x89PNG");
    ExportBook book;
    book.lines = {"A banner, by Some One"};
    for (const std::string& line : cases)
        book.lines.push_back(line);
    book.title = "Cases";
    book.imageFolder = "/prog/";
    const std::string epub = exporting::epubBytes(book, {}, fs);
    EXPECT_EQ(readBack(epub).lines, book.lines);
    import::ZipArchive zip(epub);
    EXPECT_TRUE(zip.contains("OEBPS/images/pic.png"));
    EXPECT_FALSE(zip.contains("OEBPS/images/missing.png"));
}

TEST(EpubExport, MarkupShowsLevelsColoursAndShades) {
    MemoryFileSystem fs;
    ExportBook book;
    book.lines = {"banner",
                  "l00|refpt001> ",
                  "l00|b>TITLE|n> ",
                  "p001 ",
                  "l05the wind|9> rose|4> ",
                  "l07on|7> and ",
                  "l09on ",
                  "END"};
    book.title = "T";
    book.chapters = {{"One", "refpt001", 0}};
    const std::string epub = exporting::epubBytes(book, {}, fs);
    import::ZipArchive zip(epub);
    const std::string part = zip.read("OEBPS/text/part001.xhtml");
    EXPECT_NE(part.find("<h2 class=\"l00\"><span class=\"tb b\">TITLE</span>"), std::string::npos);
    EXPECT_NE(part.find("<p class=\"l05\">the wind<span class=\"t9 c9\"> rose</span><span "
                        "class=\"t4\"> </span></p>"),
              std::string::npos);
    // The accent carries over to the next line, which has no tag of its own.
    EXPECT_NE(part.find("<p class=\"l09\"><span class=\"c7\">on </span></p>"), std::string::npos);
    // A reference point and a marker each begin a paragraph in the other shade.
    EXPECT_NE(part.find("<div class=\"s1\">\n<p class=\"l00\"><span class=\"r\" id=\"refpt001\">"),
              std::string::npos);
    EXPECT_NE(part.find("<div class=\"s0\">\n<p class=\"x\" data-line=\"p001 \">"),
              std::string::npos);
    const std::string css = zip.read("OEBPS/cascade.css");
    EXPECT_NE(css.find("text-indent: 0"), std::string::npos);
    EXPECT_NE(css.find(".l05 { margin-left: 1.25em; }"), std::string::npos);
    EXPECT_NE(css.find(".c9 { color: #5B005B; }"), std::string::npos);
    EXPECT_EQ(css.find("background"), std::string::npos); // shades are off by default
    const std::string opf = zip.read("OEBPS/content.opf");
    EXPECT_NE(opf.find("quillmar:layout-version"), std::string::npos);
    EXPECT_NE(opf.find(exporting::contentIdentifier(book.lines)), std::string::npos);
}

TEST(EpubExport, ShadesAndTheDeepestIndentFollowTheOptions) {
    EXPECT_NE(exporting::cascadeStyleSheet({0}, true).find(".s1 { background-color: #DDC2A6; }"),
              std::string::npos);
    // The deepest level keeps half of a twenty-em screen.
    EXPECT_NE(exporting::cascadeStyleSheet({52}, false).find(".l52 { margin-left: 10.00em; }"),
              std::string::npos);
}

TEST(EpubExport, IdentifierFollowsTheTextAlone) {
    const std::string a = exporting::contentIdentifier({"banner", "l00one "});
    EXPECT_EQ(a, exporting::contentIdentifier({"banner", "l00one "}));
    EXPECT_NE(a, exporting::contentIdentifier({"banner", "l00one"}));
    EXPECT_EQ(a.size(), 45u);
    EXPECT_EQ(a[23], '5'); // a name-based UUID
}

// Through the library: the exported book is stored as it was exported, not cascaded again.
TEST(EpubExport, LibraryStoresTheExportedBookAsItStands) {
    MemoryFileSystem fs;
    const ExportBook book = builtInBook(fs);
    const std::string epub = exporting::epubBytes(book, {}, fs);
    library::Library lib = library::Library::withBookReaders(fs, "/data/", nullptr);
    const library::Book stored = lib.open("fairy-tales.epub", epub);
    EXPECT_EQ(*fs.readFile(stored.files.text), joinLinesCrLf(book.lines.toLines()));
    const Lines toc = splitLines(*fs.readFile(stored.files.catalogue));
    // The book on the first line, its three chapters under it, the end line.
    ASSERT_EQ(toc.size(), 1u + 3u + 1u + 1u);
    EXPECT_EQ(toc[1], "THE LITTLE MATCH-SELLER<<1" + stored.key + "@refpt001");
    EXPECT_EQ(toc[2], "THE BRAVE TIN SOLDIER<<1" + stored.key + "@refpt002");
}

} // namespace
} // namespace qm
