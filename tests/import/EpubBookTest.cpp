// EPUB books built here in memory: spine order, chapters from the navigation document or the
// NCX mapped to their blocks, metadata; and archives that are damaged, unsafe or hostile.
#include "core/import/EpubBook.h"
#include "ImportTestSupport.h"
#include "core/base/Error.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qm::import {
namespace {

using qmtest::blockList;
using qmtest::chapterTitles;
using qmtest::EpubBuilder;
using qmtest::makeZip;
using qmtest::ZipEntry;
using Strings = std::vector<std::string>;

EpubBuilder twoChapterBook(bool epub3) {
    EpubBuilder b;
    b.epub3 = epub3;
    b.chapter("text/one.xhtml", "<h1>One</h1><p>First <em>words</em>.</p>"
                                "<h2 id=\"later\">Later</h2><p>More.</p>")
        .chapter("text/two.xhtml", "<h1>Two</h1><p>Second.</p>")
        .entry("Chapter One", "text/one.xhtml")
        .entry("Later On", "text/one.xhtml#later", 1)
        .entry("Chapter Two", "text/two.xhtml");
    return b;
}

class EpubVersions : public ::testing::TestWithParam<bool> {};

TEST_P(EpubVersions, ReadTheSpineInOrderWithChaptersAtTheirBlocks) {
    const cascade::Document doc = readEpubBook(twoChapterBook(GetParam()).bytes());
    EXPECT_EQ(doc.title, "A Test Book");
    EXPECT_EQ(doc.author, "Ann Author");
    EXPECT_EQ(blockList(doc), (Strings{"H1:One", "P:First |i>words|n>.", "H2:Later", "P:More.",
                                       "H1:Two", "P:Second."}));
    EXPECT_EQ(chapterTitles(doc), (Strings{"Chapter One", "Later On", "Chapter Two"}));
    ASSERT_EQ(doc.chapters.size(), 3u);
    EXPECT_EQ(doc.chapters[0].block, 0u);
    EXPECT_EQ(doc.chapters[1].block, 2u);
    EXPECT_EQ(doc.chapters[1].depth, 1);
    EXPECT_EQ(doc.chapters[2].block, 4u);
}

// A manual whose spine and contents name one file by places inside it: the file is read once
// and each entry is a chapter at the block its place begins.
TEST_P(EpubVersions, AFileNamedByItsPlacesIsReadOnceWithChaptersThere) {
    EpubBuilder b;
    b.epub3 = GetParam();
    b.chapter("about.xhtml",
              "<div id=\"o1\"><h2>Start</h2><p>One.</p></div>"
              "<p id=\"o2\">Two.</p><p>Three.</p><h3 id=\"o3\">Keys</h3><p>Four.</p>")
        .chapter("end.xhtml", "<p>Five.</p>");
    b.spine = {"about.xhtml#o1", "about.xhtml#o2", "about.xhtml#o3", "end.xhtml", "about.xhtml"};
    b.entry("Start", "about.xhtml#o1")
        .entry("Second", "about.xhtml#o2", 1)
        .entry("Keys", "about.xhtml#o3", 1)
        .entry("End", "end.xhtml");
    const cascade::Document doc = readEpubBook(b.bytes());
    EXPECT_EQ(blockList(doc), (Strings{"H2:Start", "P:One.", "P:Two.", "P:Three.", "H3:Keys",
                                       "P:Four.", "P:Five."}));
    std::vector<std::pair<std::size_t, int>> at;
    for (const cascade::Chapter& c : doc.chapters)
        at.emplace_back(c.block, c.depth);
    EXPECT_EQ(at, (std::vector<std::pair<std::size_t, int>>{{0, 0}, {2, 1}, {4, 1}, {6, 0}}));
}

// Endnotes in a file of their own come back to the end of the chapter that refers to them.
TEST_P(EpubVersions, EndnotesComeAtTheEndOfTheirChapter) {
    EpubBuilder b;
    b.epub3 = GetParam();
    b.chapter("one.xhtml", "<h2>One</h2><p>Sun.<a epub:type=\"noteref\" href=\"notes.xhtml#e1\">"
                           "1</a> Set.</p><p>Dusk.</p>")
        .chapter("two.xhtml", "<h2>Two</h2><p>Star.<sup><a href=\"notes.xhtml#e2\">2</a></sup></p>")
        .chapter("notes.xhtml", "<h2>Notes</h2><aside epub:type=\"endnote\" id=\"e1\"><p>Early."
                                "</p></aside><aside epub:type=\"endnote\" id=\"e2\"><p>2. Far."
                                "</p></aside>");
    b.entry("One", "one.xhtml").entry("Two", "two.xhtml").entry("Notes", "notes.xhtml");
    const cascade::Document doc = readEpubBook(b.bytes());
    EXPECT_EQ(blockList(doc), (Strings{"H2:One", "P:Sun. [1] Set.", "P:Dusk.", "P:[1] Early.",
                                       "H2:Two", "P:Star. [2]", "P:[2] Far.", "H2:Notes"}));
    std::vector<std::size_t> at;
    for (const cascade::Chapter& c : doc.chapters)
        at.push_back(c.block);
    EXPECT_EQ(at, (std::vector<std::size_t>{0, 4, 7}));
}

INSTANTIATE_TEST_SUITE_P(Epub, EpubVersions, ::testing::Values(true, false),
                         [](const auto& paramInfo) {
                             return std::string(paramInfo.param ? "Epub3Nav" : "Epub2Ncx");
                         });

TEST(Epub, ChaptersComeFromHeadingsWithoutATableOfContents) {
    EpubBuilder b;
    b.chapter("a.xhtml", "<h2>Alpha</h2><p>x</p>").chapter("b.xhtml", "<h2>Beta</h2><p>y</p>");
    const cascade::Document doc = readEpubBook(b.bytes());
    EXPECT_EQ(chapterTitles(doc), (Strings{"Alpha", "Beta"}));
}

TEST(Epub, TheDistributorsFrameIsStrippedWhereverTheConverterPutIt) {
    const std::string header = "<pre>The EBook of Tales, by Some One\n\nTitle: Tales\n"
                               "Author: Some One\n\n*** START OF THIS EBOOK TALES ***</pre>";
    const std::string footer = "<p>End of the Project's EBook of Tales</p>"
                               "<p>*** END OF THIS EBOOK TALES ***</p><p>The licence.</p>";
    const std::string one = "<h2 id=\"a\">One</h2><p>First.</p>";
    const std::string two = "<h2 id=\"b\">Two</h2><p>Second.</p>";
    for (const bool ownFiles : {true, false}) {
        EpubBuilder b;
        b.title = "";
        b.author = "";
        if (ownFiles) {
            b.chapter("header.xhtml", header).chapter("one.xhtml", one);
            b.chapter("two.xhtml", two).chapter("footer.xhtml", footer);
        } else {
            b.chapter("one.xhtml", header + one).chapter("two.xhtml", two + footer);
        }
        b.entry("One", "one.xhtml#a").entry("Two", "two.xhtml#b");
        const cascade::Document doc = readEpubBook(b.bytes());
        SCOPED_TRACE(ownFiles ? "header and footer in files of their own" : "inside chapters");
        EXPECT_EQ(blockList(doc), (Strings{"H2:One", "P:First.", "H2:Two", "P:Second."}));
        EXPECT_EQ(chapterTitles(doc), (Strings{"One", "Two"}));
        EXPECT_EQ(doc.title, "Tales");
        EXPECT_EQ(doc.author, "Some One");
    }
}

TEST(Epub, TableOfContentsEntriesThatLeadNowhereAreLeftOut) {
    EpubBuilder b;
    b.chapter("a.xhtml", "<p>x</p>")
        .entry("Here", "a.xhtml")
        .entry("Gone", "missing.xhtml")
        .entry("Outside", "../../etc/passwd")
        .entry("Web", "http://example.org/a.xhtml");
    EXPECT_EQ(chapterTitles(readEpubBook(b.bytes())), (Strings{"Here"}));
}

TEST(Epub, TableOfContentsNamingFilesFromTheWrongFolderStillFindsThem) {
    EpubBuilder b;
    b.chapter("text/a.xhtml", "<p>x</p>").chapter("text/b.xhtml", "<p>y</p>");
    b.entry("A", "a.xhtml").entry("B", "b.xhtml");
    const cascade::Document doc = readEpubBook(b.bytes());
    ASSERT_EQ(doc.chapters.size(), 2u);
    EXPECT_EQ(doc.chapters[1].block, 1u);
}

TEST(Epub, ChapterFilesInOtherEncodingsAreDecoded) {
    EpubBuilder b;
    b.chapter("a.xhtml", "");
    std::vector<ZipEntry> entries = b.entries();
    entries.back().data = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><html><body>"
                          "<p>caf\xE9</p></body></html>";
    EXPECT_EQ(blockList(readEpubBook(makeZip(entries))), (Strings{"P:caf\xC3\xA9"}));
}

TEST(Epub, FontObfuscationIsNoDrm) {
    EpubBuilder b;
    b.chapter("a.xhtml", "<p>x</p>");
    b.extra.push_back(
        {"META-INF/encryption.xml",
         "<encryption xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\" "
         "xmlns:enc=\"http://www.w3.org/2001/04/xmlenc#\"><enc:EncryptedData>"
         "<enc:EncryptionMethod Algorithm=\"http://www.idpf.org/2008/embedding\"/>"
         "<enc:CipherData><enc:CipherReference URI=\"OEBPS/font.otf\"/></enc:CipherData>"
         "</enc:EncryptedData></encryption>"});
    EXPECT_EQ(blockList(readEpubBook(b.bytes())), (Strings{"P:x"}));
}

TEST(EpubLinks, ResolveInsideTheArchiveOnly) {
    EXPECT_EQ(resolveEpubLink("OEBPS/text/a.xhtml", "../img/b%20c.png#x"),
              std::optional<std::string>("OEBPS/img/b c.png#x"));
    EXPECT_EQ(resolveEpubLink("OEBPS/a.xhtml", "#note"),
              std::optional<std::string>("OEBPS/a.xhtml#note"));
    EXPECT_EQ(resolveEpubLink("", "./OEBPS//content.opf"),
              std::optional<std::string>("OEBPS/content.opf"));
    EXPECT_EQ(resolveEpubLink("OEBPS/a.xhtml", "../../x.xhtml"), std::nullopt);
    EXPECT_EQ(resolveEpubLink("OEBPS/a.xhtml", "mailto:a@b.c"), std::nullopt);
}

// Bad archives: each must give a UserError whose message says what is wrong.
struct BadCase {
    const char* name;
    std::vector<ZipEntry> (*entries)();
    const char* message;
};

std::vector<ZipEntry> withEntry(std::vector<ZipEntry> e, ZipEntry extra) {
    e.push_back(std::move(extra));
    return e;
}

std::vector<ZipEntry> replaced(std::vector<ZipEntry> e, const std::string& name, std::string data) {
    for (ZipEntry& z : e)
        if (z.name == name) z.data = std::move(data);
    return e;
}

std::vector<ZipEntry> without(std::vector<ZipEntry> e, const std::string& name) {
    std::erase_if(e, [&](const ZipEntry& z) { return z.name == name; });
    return e;
}

std::vector<ZipEntry> goodEntries() {
    return twoChapterBook(true).entries();
}

class BadEpubs : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadEpubs, GiveAClearMessage) {
    EXPECT_THAT(qmtest::userErrorOf([] { readEpubBook(makeZip(GetParam().entries())); }),
                ::testing::HasSubstr(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Archives, BadEpubs,
    ::testing::Values(
        BadCase{"noContainer", [] { return without(goodEntries(), "META-INF/container.xml"); },
                "no META-INF/container.xml"},
        BadCase{"containerNotXml",
                [] { return replaced(goodEntries(), "META-INF/container.xml", "<container"); },
                "not well-formed"},
        BadCase{"containerWithoutPackage",
                [] {
                    return replaced(goodEntries(), "META-INF/container.xml",
                                    "<container><rootfiles/></container>");
                },
                "names no package document"},
        BadCase{"packageMissing", [] { return without(goodEntries(), "OEBPS/content.opf"); },
                "package document \"OEBPS/content.opf\" is missing"},
        BadCase{"noSpine",
                [] {
                    return replaced(goodEntries(), "OEBPS/content.opf",
                                    "<package><metadata/><manifest/></package>");
                },
                "has no spine"},
        BadCase{"emptySpine",
                [] {
                    return replaced(goodEntries(), "OEBPS/content.opf",
                                    "<package><manifest/><spine/></package>");
                },
                "spine names no chapter"},
        BadCase{"spineIdNotInManifest",
                [] {
                    return replaced(goodEntries(), "OEBPS/content.opf",
                                    "<package><manifest/><spine><itemref idref=\"x\"/></spine>"
                                    "</package>");
                },
                "manifest lacks"},
        BadCase{"spineFileMissing", [] { return without(goodEntries(), "OEBPS/text/two.xhtml"); },
                "\"OEBPS/text/two.xhtml\" is missing"},
        BadCase{"climbingEntryName",
                [] {
                    return withEntry(goodEntries(), {"../../evil.sh", "x"});
                },
                "points outside the book"},
        BadCase{"absoluteEntryName",
                [] {
                    return withEntry(goodEntries(), {"/etc/evil", "x"});
                },
                "points outside the book"},
        BadCase{"encryptedChapters",
                [] {
                    return withEntry(
                        goodEntries(),
                        {"META-INF/encryption.xml",
                         "<encryption xmlns:enc=\"http://www.w3.org/2001/04/xmlenc#\">"
                         "<enc:EncryptedData><enc:EncryptionMethod "
                         "Algorithm=\"http://www.w3.org/2001/04/xmlenc#aes128-cbc\"/>"
                         "<enc:CipherData><enc:CipherReference URI=\"OEBPS/text/one.xhtml\"/>"
                         "</enc:CipherData></enc:EncryptedData></encryption>"});
                },
                "protected by DRM"}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

void expectError(const std::string& bytes, const std::string& message, ZipLimits limits = {}) {
    EXPECT_THAT(qmtest::userErrorOf([&] { readEpubBook(bytes, limits); }),
                ::testing::HasSubstr(message));
}

TEST(BadEpubs, BytesThatAreNoZipArchive) {
    expectError("", "not a readable zip archive");
    expectError("PK\x03\x04 and then nothing", "not a readable zip archive");
    std::string truncated = twoChapterBook(true).bytes();
    truncated.resize(truncated.size() / 2);
    expectError(truncated, "not a readable zip archive");
}

TEST(BadEpubs, ADamagedEntryIsReported) {
    std::string bytes = twoChapterBook(true).bytes();
    // Spoil the deflated data of the package document (its name appears in its local header).
    const std::size_t at = bytes.find("OEBPS/content.opf");
    ASSERT_NE(at, std::string::npos);
    for (std::size_t i = at + 40; i < at + 80; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    expectError(bytes, "OEBPS/content.opf");
}

TEST(BadEpubs, ZipBombsStopWhileInflating) {
    EpubBuilder b;
    b.chapter("a.xhtml", "<p>" + std::string(3u << 20, 'a') + "</p>");
    b.chapter("b.xhtml", "<p>" + std::string(1u << 20, 'b') + "</p>");
    b.chapter("c.xhtml", "<p>" + std::string(1u << 20, 'c') + "</p>");
    const std::string bytes = b.bytes();
    ASSERT_LT(bytes.size(), 100u << 10);
    ZipLimits perEntry;
    perEntry.maxEntryBytes = 2u << 20;
    expectError(bytes, "expands beyond 2 MB", perEntry);
    ZipLimits total;
    total.maxTotalBytes = 4u << 20;
    expectError(bytes, "expands beyond 4 MB", total);
    ZipLimits entries;
    entries.maxEntries = 5;
    expectError(bytes, "holds more than 5 files", entries);
    EXPECT_EQ(readEpubBook(bytes).blocks.size(), 3u);
}

TEST(BadEpubs, ASizeTheArchiveLiesAboutIsNoWayPastTheLimit) {
    EpubBuilder b;
    b.chapter("a.xhtml", "<p>" + std::string(8u << 20, 'a') + "</p>");
    std::string bytes = b.bytes();
    // Claim 100 bytes for the big entry in its central directory record.
    const std::string name = "OEBPS/a.xhtml";
    const std::size_t central = bytes.rfind(name);
    ASSERT_NE(central, std::string::npos);
    const std::size_t record = central - 46;
    ASSERT_EQ(bytes.substr(record, 4), std::string("PK\x01\x02", 4));
    bytes[record + 24] = 100;
    for (int i = 25; i < 28; ++i)
        bytes[record + static_cast<std::size_t>(i)] = 0;
    ZipLimits limits;
    limits.maxEntryBytes = 1u << 20;
    expectError(bytes, "expands beyond 1 MB", limits);
}

TEST(BadEpubs, AHostileNavigationDocumentIsPassedOver) {
    EpubBuilder b;
    b.chapter("a.xhtml", "<h2>Alpha</h2><p>x</p>");
    std::vector<ZipEntry> entries = b.entries();
    // Stray end tags under many open elements: the parse stops, the headings stand in.
    std::string nav = "<nav epub:type=\"toc\"><ol>";
    for (int i = 0; i < 250; ++i)
        nav += "<span>";
    for (int i = 0; i < 300000; ++i)
        nav += "</x>";
    nav += "<li><a href=\"a.xhtml\">Late</a></li></ol></nav>";
    entries = replaced(entries, "OEBPS/nav.xhtml", qmtest::xhtml(nav));
    EXPECT_EQ(chapterTitles(readEpubBook(makeZip(entries))), (Strings{"Alpha"}));
}

TEST(BadEpubs, ASpineOfTooManyChapterFiles) {
    std::string spine;
    for (int i = 0; i < 20001; ++i)
        spine += "<itemref idref=\"c0\"/>";
    EpubBuilder b;
    b.chapter("a.xhtml", "<p>x</p>");
    expectError(makeZip(replaced(b.entries(), "OEBPS/content.opf",
                                 "<package><manifest><item id=\"c0\" href=\"a.xhtml\"/>"
                                 "</manifest><spine>" +
                                     spine + "</spine></package>")),
                "more than 20000 chapter files");
}

TEST(BadEpubs, MalformedChapterFilesAreReadAsFarAsTheyGo) {
    EpubBuilder b;
    b.chapter("a.xhtml", "");
    std::vector<ZipEntry> entries = b.entries();
    entries.back().data = "<html><body><p>Kept <b>bold<p>then</i> more</div></span><p\x01";
    const cascade::Document doc = readEpubBook(makeZip(entries));
    EXPECT_EQ(blockList(doc), (Strings{"P:Kept |b>bold|n>", "P:then more"}));
}

} // namespace
} // namespace qm::import
