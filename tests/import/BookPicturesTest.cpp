// The pictures a book holds: told apart by their bytes, kept under names of our own within
// caps, and the cover found in each of the forms books give it.
#include "core/import/BookPictures.h"
#include "core/import/EpubBook.h"
#include "core/import/HtmlBook.h"
#include "ImportTestSupport.h"
#include "core/testing/PictureFiles.h"

#include <gtest/gtest.h>

#include <map>

namespace qm::import {
namespace {

using qmtest::blockList;
using qmtest::EpubBuilder;
using qmtest::pngClaiming;
using qmtest::tinyPng;
using Strings = std::vector<std::string>;

// A JPEG's start: SOI, an APP0 segment, then a baseline frame of height x width.
std::string jpegOf(int width, int height) {
    std::string b = "\xFF\xD8\xFF\xE0";
    b += std::string("\x00\x04\x4A\x46", 4);
    b += "\xFF\xC0";
    b += std::string("\x00\x11\x08", 3);
    b += static_cast<char>(height >> 8);
    b += static_cast<char>(height & 0xFF);
    b += static_cast<char>(width >> 8);
    b += static_cast<char>(width & 0xFF);
    return b + std::string(12, '\0');
}

TEST(PictureShape, TheHeaderTellsTheKindAndSize) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string extension; // empty: no picture
        int width, height;
    };
    const Case cases[] = {
        {"png", tinyPng(), "png", 8, 6},
        {"png claiming a size", pngClaiming(600, 900), "png", 600, 900},
        {"png of no width", pngClaiming(0, 9), "", 0, 0},
        {"gif", std::string("GIF89a\x20\x01\x10\x00", 10), "gif", 288, 16},
        {"gif cut short", "GIF89a\x20", "", 0, 0},
        {"jpeg", jpegOf(640, 480), "jpg", 640, 480},
        {"jpeg without a frame", std::string("\xFF\xD8\xFF\xD9", 4), "", 0, 0},
        {"jpeg whose segment runs off", std::string("\xFF\xD8\xFF\xE0\x40\x00", 6), "", 0, 0},
        {"text", "<svg xmlns='http://www.w3.org/2000/svg'/>", "", 0, 0},
        {"nothing", "", "", 0, 0},
        {"png signature alone", tinyPng().substr(0, 8), "", 0, 0},
    };
    for (const Case& c : cases) {
        const std::optional<PictureShape> shape = pictureShape(c.bytes);
        if (c.extension.empty()) {
            EXPECT_FALSE(shape) << c.what;
            continue;
        }
        ASSERT_TRUE(shape) << c.what;
        EXPECT_EQ(shape->extension, c.extension) << c.what;
        EXPECT_EQ(shape->width, c.width) << c.what;
        EXPECT_EQ(shape->height, c.height) << c.what;
    }
}

TEST(PictureShape, TallPicturesTakeMoreRowsWithinBounds) {
    struct Case {
        int width, height, base, rows;
    };
    const Case cases[] = {{100, 100, 10, 10}, {600, 900, 10, 15}, {100, 1000, 10, 20},
                          {1000, 100, 10, 4}, {0, 5, 10, 10},     {600, 900, 14, 21}};
    for (const Case& c : cases)
        EXPECT_EQ(pictureRows(c.width, c.height, c.base), c.rows) << c.width << "x" << c.height;
}

// Pictures fetched from a map of places, within the caps given.
struct Kept {
    Strings names;
    std::vector<std::string> stored;
};

Kept keepAll(const std::map<std::string, std::string>& files, const Strings& places,
             PictureLimits limits) {
    cascade::Document doc;
    BookPictures pictures(doc, [&](const std::string& place, std::uint64_t maxBytes) {
        const auto it = files.find(place);
        if (it == files.end() || it->second.size() > maxBytes)
            return std::optional<std::string>();
        return std::optional<std::string>(it->second);
    }, limits);
    Kept kept;
    for (const std::string& p : places)
        kept.names.push_back(pictures.keep(p));
    for (const cascade::Picture& p : doc.pictures)
        kept.stored.push_back(p.name);
    return kept;
}

TEST(BookPictures, KeptUnderNamesOfTheirOwnWithinTheCaps) {
    const std::string png = tinyPng();
    const std::map<std::string, std::string> files{
        {"a.png", png},
        {"b.gif", std::string("GIF87a\x02\x00\x02\x00", 10) + std::string(40, 'x')},
        {"c.jpeg", jpegOf(4, 4)},
        {"../../etc/x.png", png},
        {"big.png", png + std::string(1000, 'x')},
        {"junk.png", "not a picture at all"},
        {"named.png.exe", png}};
    struct Case {
        const char* what;
        Strings places;
        PictureLimits limits;
        Strings names;
    };
    const Case cases[] = {
        {"each kind, named by its bytes",
         {"a.png", "b.gif", "c.jpeg", "named.png.exe"},
         {},
         {"img0001.png", "img0002.gif", "img0003.jpg", "img0004.png"}},
        {"one place named twice is kept once", {"a.png", "a.png"}, {}, {"img0001.png", "img0001.png"}},
        {"the book's own path never reaches the name", {"../../etc/x.png"}, {}, {"img0001.png"}},
        {"missing and broken bytes are not kept", {"none.png", "junk.png", "a.png"}, {},
         {"", "", "img0001.png"}},
        {"a count cap", {"a.png", "b.gif", "c.jpeg"}, {2, 1u << 20, 1u << 20},
         {"img0001.png", "img0002.gif", ""}},
        {"a cap on each picture", {"big.png", "a.png"}, {10, 500, 1u << 20}, {"", "img0001.png"}},
        {"a cap on the total", {"a.png", "b.gif", "c.jpeg"}, {10, 1000, 140},
         {"img0001.png", "img0002.gif", ""}},
    };
    for (const Case& c : cases) {
        const Kept kept = keepAll(files, c.places, c.limits);
        EXPECT_EQ(kept.names, c.names) << c.what;
        Strings stored;
        for (const std::string& n : c.names)
            if (!n.empty() && (stored.empty() || stored.back() != n)) stored.push_back(n);
        EXPECT_EQ(kept.stored, stored) << c.what;
    }
}

// An EPUB holding a cover picture and one in its text, in the form each case gives.
struct CoverCase {
    const char* what;
    bool epub3;
    std::string properties;    // of the cover's manifest item
    std::string metadataExtra; // an EPUB 2 <meta name="cover">
    std::string firstChapter;  // a chapter before the text
    std::string cover;         // the name expected, or empty
    Strings blocks;
};

TEST(EpubPictures, TheCoverInEachFormComesFirstAndOnce) {
    const CoverCase cases[] = {
        {"EPUB 3 cover-image", true, "cover-image", "", "", "img0001.png",
         {"P:Words.", "I:img0002.png", "P:More."}},
        {"EPUB 2 meta cover", false, "", "<meta name=\"cover\" content=\"cov\"/>", "",
         "img0001.png", {"P:Words.", "I:img0002.png", "P:More."}},
        {"a declared cover also shown in a cover page", true, "cover-image", "",
         "<div><img src=\"images/cover.png\" alt=\"Cover\"/></div>", "img0001.png",
         {"P:Words.", "I:img0002.png", "P:More."}},
        {"the first picture before any text", true, "", "",
         "<div><img src=\"images/cover.png\" alt=\"Cover\"/></div>", "img0001.png",
         {"P:Words.", "I:img0002.png", "P:More."}},
        {"no cover: the picture after text stays in it", true, "", "", "", "",
         {"P:Words.", "I:img0001.png", "P:More."}},
    };
    for (const CoverCase& c : cases) {
        EpubBuilder b;
        b.epub3 = c.epub3;
        b.metadataExtra = c.metadataExtra;
        if (!c.firstChapter.empty()) b.chapter("cover.xhtml", c.firstChapter);
        b.chapter("text/one.xhtml",
                  "<p>Words.</p><p><img src=\"../images/map.png\" alt=\"A map\"/></p><p>More.</p>");
        b.items.push_back({"cov", "images/cover.png", "image/png", c.properties});
        b.items.push_back({"map", "images/map.png", "image/png", ""});
        b.extra.push_back({"OEBPS/images/cover.png", pngClaiming(600, 900)});
        b.extra.push_back({"OEBPS/images/map.png", tinyPng()});
        const cascade::Document doc = readEpubBook(b.bytes());
        EXPECT_EQ(doc.cover, c.cover) << c.what;
        EXPECT_EQ(blockList(doc), c.blocks) << c.what;
        for (const cascade::Picture& p : doc.pictures) {
            if (p.name != doc.cover) continue;
            EXPECT_EQ(p.bytes, pngClaiming(600, 900)) << c.what;
            EXPECT_EQ(p.rows, 30) << c.what; // a cover's rows: 20 for a square one
        }
    }
}

TEST(EpubPictures, PicturesThatCannotBeKeptLeaveThePlaceholder) {
    struct Case {
        const char* what;
        std::string img;
        Strings blocks;
    };
    const Case cases[] = {
        {"missing from the archive", "<img src=\"gone.png\"/>", {"P:A.", "I:", "P:B."}},
        {"bytes that are no picture", "<img src=\"junk.png\"/>", {"P:A.", "I:", "P:B."}},
        {"out of the archive", "<img src=\"../../../secret.png\"/>", {"P:A.", "I:", "P:B."}},
        {"on the network", "<img src=\"http://example.org/a.png\"/>", {"P:A.", "I:", "P:B."}},
        {"no src", "<img alt=\"x\"/>", {"P:A.", "I:", "P:B."}},
        {"an SVG image's href", "<svg><image href=\"ok.png\"/></svg>", {"P:A.", "I:img0001.png", "P:B."}},
    };
    for (const Case& c : cases) {
        EpubBuilder b;
        b.chapter("a.xhtml", "<p>A.</p>" + c.img + "<p>B.</p>");
        b.extra.push_back({"OEBPS/junk.png", "\x89PNG but not really"});
        b.extra.push_back({"OEBPS/ok.png", tinyPng()});
        const cascade::Document doc = readEpubBook(b.bytes());
        EXPECT_EQ(blockList(doc), c.blocks) << c.what;
        EXPECT_TRUE(doc.cover.empty()) << c.what;
    }
}

// An HTML book's pictures are the files it names in its own folder, asked for by their path
// there; anything else keeps the placeholder and asks for nothing.
TEST(HtmlPictures, OnlyFilesInTheBooksFolderAreRead) {
    struct Case {
        const char* src;
        const char* asked; // the path asked for, or nullptr
        const char* block;
    };
    const Case cases[] = {
        {"pics/a.png", "pics/a.png", "I:img0001.png"},
        {"./pics/../a.png", "a.png", "I:img0001.png"},
        {"pics/a%20b.png#top", "pics/a b.png", "I:img0001.png"},
        {"../a.png", nullptr, "I:"},
        {"pics/../../a.png", nullptr, "I:"},
        {"/etc/a.png", nullptr, "I:"},
        {"//host/a.png", nullptr, "I:"},
        {"pics\\a.png", nullptr, "I:"},
        {"C:/a.png", nullptr, "I:"},
        {"http://example.org/a.png", nullptr, "I:"},
        {"data:image/png;base64,AAAA", nullptr, "I:"},
        {"missing.png", "missing.png", "I:"},
    };
    for (const Case& c : cases) {
        Strings asked;
        const PictureFetch fetch = [&](const std::string& path, std::uint64_t) {
            asked.push_back(path);
            return path == "missing.png" ? std::nullopt : std::optional<std::string>(tinyPng());
        };
        const cascade::Document doc = readHtmlBook(
            std::string("<html><body><p>A.</p><img src=\"") + c.src + "\"/><p>B.</p></body></html>",
            fetch);
        EXPECT_EQ(blockList(doc), (Strings{"P:A.", c.block, "P:B."})) << c.src;
        EXPECT_EQ(asked, c.asked ? Strings{c.asked} : Strings{}) << c.src;
    }
}

} // namespace
} // namespace qm::import
