// The library on an in-memory file system: the first open writes the book's four files and
// nothing else, a second open reads them without cascading, an older layout is kept until it
// is laid out again (bookmarks moved), and failed writes and cancels leave no book behind.
#include "LibraryFakes.h"

#include "core/bookmarks/BookmarkList.h"
#include "core/cascade/LayoutVersion.h"
#include "core/catalogue/Catalogue.h"
#include "core/index/WordIndex.h"
#include "core/library/BookKey.h"
#include "core/library/BookLayout.h"
#include "core/library/BookManifest.h"
#include "core/shell/CollectionText.h"
#include "core/testing/ShippedParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>

namespace qm {
namespace {

using library::bookmarkFileOf;
using library::Library;
using test::kDataFolder;

class LibraryTest : public ::testing::Test {
protected:
    LibraryTest() { fs.mem.addFolder(kDataFolder); }

    Library library() {
        return Library(fs, kDataFolder, reader.function(), encoding::utf8ToWindows1252,
                       shippedParser());
    }
    // Every file under the data folder, by path.
    std::vector<std::string> files() const {
        std::vector<std::string> out;
        for (const auto& [path, bytes] : fs.mem.files())
            out.push_back(path);
        return out;
    }

    // Stores the bytes as the reader did before digests were kept: under `key` (the 64-bit hash
    // of the bytes, as it was then), with no digest in the manifest.
    void storeAsBefore(const std::string& bytes, const std::string& earlierKey) {
        library::LaidOutBook laid =
            *library::layOutBook(reader.read(bytes), earlierKey, "old.txt",
                                 encoding::utf8ToWindows1252, shippedParser(), {});
        const library::BookFiles f = library().filesOf(earlierKey);
        fs.mem.addFolder(f.folder);
        ByteLineSource text(laid.text);
        fs.writeFile(f.index, library::storedTextIndex(text));
        fs.writeFile(f.text, laid.text);
        fs.writeFile(f.catalogue, laid.catalogue);
        fs.writeFile(f.manifest, joinLinesCrLf(library::manifestLines(laid.manifest)));
    }
    std::string digestIn(const std::string& bookKey) {
        return library::parseManifest(splitLines(*fs.readFile(library().filesOf(bookKey).manifest)))
            ->digest;
    }

    test::CountingFileSystem fs;
    test::FakeReader reader;
    const std::string book = test::sampleBook();
    const std::string key = library::bookKey(book);
};

TEST_F(LibraryTest, FirstOpenWritesTheFourFilesOfAOneBookCollection) {
    Library lib = library();
    const library::Book b = lib.open("/books/test.txt", book);
    EXPECT_TRUE(b.laidOutNow);
    EXPECT_FALSE(b.outdated);
    EXPECT_EQ(b.key, key);
    const std::string folder = std::string(kDataFolder) + "library/" + key + "/";
    EXPECT_EQ(files(), (std::vector<std::string>{folder + key + ".book", folder + key + ".toc",
                                                 folder + key + ".tvt", folder + key + ".tvx"}));

    // The stored text is single-byte, with the chapters at their reference points.
    const std::string text = *fs.readFile(b.files.text);
    EXPECT_NE(text.find("\x93No,\x94"), std::string::npos);
    EXPECT_NE(text.find("caf\xE9"), std::string::npos);
    EXPECT_EQ(text.find("\xE2\x80"), std::string::npos);
    EXPECT_EQ(text.rfind("The Test Book, by A. Writer\r\n", 0), 0u);

    // The catalogue reads as a one-book collection: the book at the root, its chapters under it.
    const Lines toc = splitLines(*fs.readFile(b.files.catalogue));
    EXPECT_EQ(toc, (Lines{"The Test Book, by A. Writer<<0" + key, "The Wind<<1" + key + "@refpt001",
                          "The Hill<<1" + key + "@refpt002", "The Boat<<1" + key + "@refpt003",
                          "(END)"}));
    const Tree tree = buildCatalogueTree(toc);
    ASSERT_EQ(tree.size(), 4u);
    EXPECT_EQ(tree[3].parent, 0);
    for (int r = 1; r <= 3; ++r)
        EXPECT_NE(text.find("l00|refpt00" + std::to_string(r) + "> "), std::string::npos);

    // The index is the one the index maker makes of the text as the reader opens it.
    EXPECT_EQ(*fs.readFile(b.files.index),
              joinLinesCrLf(makeWordIndex(openedTextLines(fs, b.files.text, shippedParser()))));
    const auto manifest = library::parseManifest(splitLines(*fs.readFile(b.files.manifest)));
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->source, "/books/test.txt");
    EXPECT_EQ(manifest->title, "The Test Book");
    EXPECT_EQ(manifest->author, "A. Writer");
    EXPECT_EQ(manifest->layoutVersion, cascade::kLayoutVersion);
    EXPECT_EQ(manifest->digest, key);
}

TEST_F(LibraryTest, SecondOpenReadsTheStoredFormWithoutCascading) {
    library().open("a.txt", book);
    const auto before = fs.mem.files();
    const int writes = fs.mem.writeCount();
    // Another name, same bytes: the same book.
    const library::Book again = library().open("/elsewhere/renamed.txt", book);
    EXPECT_FALSE(again.laidOutNow);
    EXPECT_EQ(reader.calls, 1);
    EXPECT_EQ(fs.mem.writeCount(), writes);
    EXPECT_EQ(fs.mem.files(), before);
    EXPECT_EQ(again.manifest.source, "a.txt");
}

TEST_F(LibraryTest, ReopenRewritesAnOlderCatalogueWithTheBookAsRoot) {
    const library::Book b = library().open("a.txt", book);
    const std::string current = *fs.readFile(b.files.catalogue);
    Lines older = splitLines(current);
    for (std::size_t i = 0; i + 1 < older.size(); ++i)
        ++older[i][older[i].find("<<") + 2];
    older.insert(older.begin(), "The Test Book<<0none");
    fs.writeFile(b.files.catalogue, joinLinesCrLf(older));

    library().open("a.txt", book);
    EXPECT_EQ(*fs.readFile(b.files.catalogue), current);
}

TEST_F(LibraryTest, OtherLayoutVersionIsKeptUntilLaidOutAgain) {
    Library lib = library();
    library::Book b = lib.open("a.txt", book);
    // As an older cascader would have left it.
    library::BookManifest old = b.manifest;
    old.layoutVersion = cascade::kLayoutVersion - 1;
    fs.writeFile(b.files.manifest, joinLinesCrLf(library::manifestLines(old)));
    const std::string text = *fs.readFile(b.files.text);

    const library::Book reopened = lib.open("a.txt", book);
    EXPECT_TRUE(reopened.outdated);
    EXPECT_FALSE(reopened.laidOutNow);
    EXPECT_EQ(reader.calls, 1);
    EXPECT_EQ(*fs.readFile(b.files.text), text);

    // Laid out again with breaks between paragraphs: the same words on other lines.
    reader.sceneBreaks = true;
    const Lines oldDisplay = openedTextLines(fs, b.files.text, shippedParser());
    const auto wordLine = [](const Lines& d, std::string_view w, int nth) {
        for (std::size_t i = 0; i < d.size(); ++i)
            if (d[i].find(w) != std::string::npos && nth-- == 0) return static_cast<int>(i);
        return -1;
    };
    const int oldTop = wordLine(oldDisplay, "Nobody", 5);
    ASSERT_GT(oldTop, 0);
    const std::string bm = bookmarkFileOf(kDataFolder, key);
    const Lines marks = {"<<none",
                         "<<other",
                         "#12 Elsewhere",
                         "<<" + key,
                         "#" + std::to_string(oldTop) + " Nobody",
                         "#999999 Past the end",
                         ""};
    fs.writeFile(bm, joinLinesCrLf(marks));
    const library::Relaid relaid = lib.layOutAgain(key, book, bm);
    EXPECT_FALSE(relaid.book.outdated);
    EXPECT_EQ(library().find(key)->manifest.layoutVersion, cascade::kLayoutVersion);
    const Lines newDisplay = openedTextLines(fs, relaid.book.files.text, shippedParser());
    ASSERT_NE(newDisplay, oldDisplay);
    const int newTop = wordLine(newDisplay, "Nobody", 5);
    ASSERT_NE(newTop, oldTop);
    EXPECT_EQ(relaid.movedBookmarks, 1u);
    EXPECT_EQ(relaid.unmovedBookmarks, (std::vector<std::string>{"#999999 Past the end"}));
    EXPECT_EQ(splitLines(*fs.readFile(bm)),
              (Lines{"<<none", "<<other", "#12 Elsewhere", "<<" + key,
                     "#" + std::to_string(newTop) + " Nobody", "#999999 Past the end", ""}));
}

// The pictures go into the layout folder beside the text that names them; a new layout has
// its own, and the old layout's go with it.
TEST_F(LibraryTest, PicturesLieInTheLayoutFolderOfTheTextNamingThem) {
    reader.pictures = true;
    Library lib = library();
    library::Book b = lib.open("a.txt", book);
    EXPECT_EQ(*fs.readFile(b.files.folder + "img0001.png"), "cover bytes");
    EXPECT_EQ(*fs.readFile(b.files.folder + "img0002.gif"), "map bytes");
    const Lines text = splitLines(*fs.readFile(b.files.text));
    ASSERT_GT(text.size(), 4u);
    EXPECT_EQ(Lines(text.begin() + 1, text.begin() + 5),
              (Lines{"l17|image>img0001.png ", "l17|image> ", "l17|image> ", "s000 "}))
        << "the cover first";
    EXPECT_NE(std::find(text.begin(), text.end(), "l17|image>img0002.gif "), text.end());
    // The word index holds no picture names.
    EXPECT_EQ(fs.readFile(b.files.index)->find("img000"), std::string::npos);

    library::BookManifest old = b.manifest;
    old.layoutVersion = cascade::kLayoutVersion - 1;
    fs.writeFile(b.files.manifest, joinLinesCrLf(library::manifestLines(old)));
    const library::Relaid relaid = lib.layOutAgain(key, book, "");
    ASSERT_NE(relaid.book.files.folder, b.files.folder);
    EXPECT_EQ(*fs.readFile(relaid.book.files.folder + "img0001.png"), "cover bytes");
    EXPECT_EQ(*fs.readFile(relaid.book.files.folder + "img0002.gif"), "map bytes");
    EXPECT_FALSE(fs.readFile(b.files.folder + "img0001.png"));
    EXPECT_FALSE(fs.readFile(b.files.folder + "img0002.gif"));
}

TEST_F(LibraryTest, LayingOutAgainFromOtherBytesChangesNothing) {
    Library lib = library();
    lib.open("a.txt", book);
    const auto before = fs.mem.files();
    EXPECT_THROW(lib.layOutAgain(key, book + " ", bookmarkFileOf(kDataFolder, key)), UserError);
    EXPECT_THROW(lib.layOutAgain("0123456789abcdef", "x", ""), UserError);
    EXPECT_EQ(fs.mem.files(), before);
}

// Two text files with the same 64-bit hash (a real pair). The first, stored under the hash
// before digests were kept, keeps opening under it (its bookmarks and settings are named by
// it) and has its digest recorded; the second is never shown as it and gets a book of its own.
TEST_F(LibraryTest, FilesOfTheSameEarlierHashAreToldApartByTheirDigests) {
    const std::string a = "The colliding tale, number 2dfdac535100b1af.\n";
    const std::string b = "The colliding tale, number cd53714d4acd343e.\n";
    const std::string earlier = library::earlierBookKey(a);
    ASSERT_EQ(library::earlierBookKey(b), earlier);
    storeAsBefore(a, earlier);
    const std::string bm = bookmarkFileOf(kDataFolder, earlier);
    const std::string marks = joinLinesCrLf({"<<none", "<<" + earlier, "#3 A mark", ""});
    fs.writeFile(bm, marks);
    const auto shows = [&](const library::Book& stored, const char* number) {
        return fs.readFile(stored.files.text)->find(number) != std::string::npos;
    };

    const int calls = reader.calls;
    const library::Book first = library().open("a.txt", a);
    EXPECT_EQ(first.key, earlier);
    EXPECT_EQ(reader.calls, calls);
    EXPECT_EQ(digestIn(earlier), library::bookKey(a));

    const library::Book second = library().open("b.txt", b);
    EXPECT_EQ(second.key, library::bookKey(b));
    EXPECT_TRUE(second.laidOutNow);
    EXPECT_TRUE(shows(second, "cd53714d4acd343e"));
    EXPECT_FALSE(shows(second, "2dfdac535100b1af"));

    // Each opens as itself again, the stored book keeps its bookmarks, and it is laid out
    // again only from its own file.
    EXPECT_TRUE(shows(library().open("a.txt", a), "2dfdac535100b1af"));
    EXPECT_FALSE(library().open("b.txt", b).laidOutNow);
    EXPECT_EQ(*fs.readFile(bm), marks);
    EXPECT_THROW(library().layOutAgain(earlier, b, bm), UserError);
    EXPECT_EQ(library().layOutAgain(earlier, a, "").book.key, earlier);
    EXPECT_EQ(digestIn(earlier), library::bookKey(a));
}

TEST_F(LibraryTest, UnreadableBookWritesNothing) {
    EXPECT_THROW(library().open("bad.epub", "BAD! bytes"), UserError);
    EXPECT_TRUE(files().empty());
}

// A write failing at each step of the open, and a cancel at each progress report: no book
// is left visible or half-written, and the next open succeeds.
class LibraryWriteFailure : public LibraryTest, public ::testing::WithParamInterface<int> {};

TEST_P(LibraryWriteFailure, LeavesNothing) {
    fs.failAt = GetParam();
    EXPECT_THROW(library().open("a.txt", book), UserError);
    EXPECT_TRUE(files().empty());
    EXPECT_FALSE(library().find(key));
    fs.failAt = 0;
    EXPECT_TRUE(library().open("a.txt", book).laidOutNow);
    EXPECT_EQ(files().size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(AtWrite, LibraryWriteFailure, ::testing::Values(1, 2, 3, 4));

class LibraryCancel : public LibraryTest, public ::testing::WithParamInterface<int> {};

TEST_P(LibraryCancel, LeavesNothing) {
    std::atomic<bool> cancel{false};
    int reports = 0;
    library::Progress progress;
    progress.cancel = &cancel;
    progress.report = [&](double) {
        if (++reports == GetParam()) cancel = true;
    };
    EXPECT_THROW(library().open("a.txt", book, progress), library::OpenCancelled);
    EXPECT_TRUE(files().empty());
    EXPECT_FALSE(library().find(key));
}

// Reports 1 to 9 reach from before the book is read to between the writes.
INSTANTIATE_TEST_SUITE_P(AtReport, LibraryCancel, ::testing::Range(1, 10));

// Laying out again fails at each of its writes (three layout files, the moved section, the
// manifest, then the bookmarks): the book and the bookmark file stay exactly as they were.
class RelayWriteFailure : public LibraryTest, public ::testing::WithParamInterface<int> {};

TEST_P(RelayWriteFailure, LeavesBookAndBookmarksAsTheyWere) {
    Library lib = library();
    const library::Book b = lib.open("a.txt", book);
    const std::string bm = bookmarkFileOf(kDataFolder, key);
    fs.writeFile(bm, joinLinesCrLf({"<<none", "<<" + key, "#40 Somewhere", ""}));
    library::BookManifest old = b.manifest;
    old.layoutVersion = cascade::kLayoutVersion - 1;
    fs.writeFile(b.files.manifest, joinLinesCrLf(library::manifestLines(old)));
    const auto before = fs.mem.files();
    reader.sceneBreaks = true;
    fs.failAt = GetParam();
    EXPECT_THROW(lib.layOutAgain(key, book, bm), UserError);
    EXPECT_EQ(fs.mem.files(), before);
    EXPECT_TRUE(lib.find(key)->outdated);
}

INSTANTIATE_TEST_SUITE_P(AtWrite, RelayWriteFailure, ::testing::Range(1, 7));

// "Lay out again" killed at each change it makes to the file system, for a book in its first
// layout and for one laid out again before: the next open shows the old layout with the old
// bookmarks or the new layout with the moved bookmarks, never a mix, and the library holds
// the files of that one layout and nothing else. The next open that can write finishes it.
class RelayKilled : public LibraryTest, public ::testing::WithParamInterface<int> {
protected:
    void makeOutdated() {
        library::BookManifest old = library().find(key)->manifest;
        old.layoutVersion = cascade::kLayoutVersion - 1;
        fs.writeFile(library().filesOf(key).manifest, joinLinesCrLf(library::manifestLines(old)));
    }
};

TEST_P(RelayKilled, ReopensOldOrNew) {
    library().open("a.txt", book);
    const std::string bm = bookmarkFileOf(kDataFolder, key);
    fs.writeFile(bm, joinLinesCrLf({"<<none", "<<" + key, "#40 Somewhere", "#3 Near the top", ""}));
    for (int earlier = 0; earlier < GetParam(); ++earlier) {
        makeOutdated();
        reader.sceneBreaks = !reader.sceneBreaks;
        library().layOutAgain(key, book, bm);
    }
    makeOutdated();
    reader.sceneBreaks = !reader.sceneBreaks;

    struct Seen {
        std::string text, index, catalogue, bookmarks;
        bool outdated = false;
        std::vector<std::string> files;
        bool operator==(const Seen&) const = default;
    };
    const auto reopen = [&] {
        const library::Book r = library().open("a.txt", book);
        return Seen{*fs.readFile(r.files.text),
                    *fs.readFile(r.files.index),
                    *fs.readFile(r.files.catalogue),
                    *fs.readFile(bm),
                    r.outdated,
                    files()};
    };
    const MemoryFileSystem prepared = fs.mem;
    const Seen before = reopen();
    fs.changes = 0;
    library().layOutAgain(key, book, bm);
    const int changes = fs.changes;
    const Seen after = reopen();
    ASSERT_NE(after.text, before.text);
    ASSERT_NE(after.bookmarks, before.bookmarks);
    ASSERT_GE(changes, 5);

    int oldSeen = 0, newSeen = 0, owed = 0;
    for (int k = 1; k <= changes; ++k) {
        SCOPED_TRACE("killed at change " + std::to_string(k) + " of " + std::to_string(changes));
        fs.mem = prepared;
        fs.changes = 0;
        fs.killAt = k;
        EXPECT_THROW(library().layOutAgain(key, book, bm), test::Killed);
        fs.killAt = 0;
        // While the moved bookmarks are owed, an open that cannot write shows a whole layout too.
        if (library().find(key)->manifest.movingFrom) {
            fs.mem.setReadOnly(true);
            const library::Book shown = library().open("a.txt", book);
            const Seen& like = shown.outdated ? before : after;
            EXPECT_TRUE(*fs.readFile(shown.files.text) == like.text &&
                        *fs.readFile(bm) == like.bookmarks);
            owed += shown.outdated;
            fs.mem.setReadOnly(false);
        }
        const Seen seen = reopen();
        oldSeen += seen == before;
        newSeen += seen == after;
        EXPECT_TRUE(seen == before || seen == after)
            << "outdated " << seen.outdated << ", text new " << (seen.text == after.text)
            << ", index new " << (seen.index == after.index) << ", bookmarks new "
            << (seen.bookmarks == after.bookmarks) << ", " << seen.files.size() << " files";
    }
    EXPECT_GT(owed, 0);
    std::cout << "[ kills    ] " << changes << " changes: old " << oldSeen << ", new " << newSeen
              << ", mixed " << changes - oldSeen - newSeen << ", owed " << owed << "\n";
}

INSTANTIATE_TEST_SUITE_P(EarlierLayouts, RelayKilled, ::testing::Values(0, 1));

// Killed writes leave temporaries in the book's folder (a whole stored text's worth); opening
// the book, stored or not yet, clears the stale ones of its own files and nothing else.
class BookFolderSweep : public LibraryTest, public ::testing::WithParamInterface<bool> {};

TEST_P(BookFolderSweep, ClearsOnlyStaleTemporariesOfTheBooksFiles) {
    const bool stored = GetParam();
    if (stored) library().open("a.txt", book);
    const std::string folder = library().filesOf(key).folder;
    fs.mem.addFolder(folder);
    const struct {
        std::string name;
        long long age;
        bool kept;
    } entries[] = {
        {temporaryPrefix(key + ".tvt") + "Ab12Cd", 3600, false},
        {temporaryPrefix(key + ".book") + "XyZ789", 60, false},
        {temporaryPrefix(key + ".tvx") + "Ab12Cd", 5, true},   // a write under way
        {temporaryPrefix("notes.txt") + "Ab12Cd", 3600, true}, // not a file of the book
        {temporaryPrefix(key + ".tvt") + "Ab12C", 3600, true}, // not of the form
        {temporaryPrefix(key + ".toc") + "Ab-2Cd", 3600, true},
        {"notes.txt", 3600, true},
        {temporaryPrefix("img0001.png") + "Ab12Cd", 3600, false}, // a picture's
        {temporaryPrefix("img0003.jpg") + "Ab12Cd", 5, true},
        {temporaryPrefix("image.png") + "Ab12Cd", 3600, true}, // no name of ours
        {"img0002.gif", 3600, true},                              // a picture itself
    };
    for (const auto& e : entries) {
        fs.writeFile(folder + e.name, "cut off");
        fs.mem.setAge(folder + e.name, e.age);
    }
    EXPECT_EQ(library().open("a.txt", book).laidOutNow, !stored);
    for (const auto& e : entries)
        EXPECT_EQ(fs.fileExists(folder + e.name), e.kept) << e.name;
}

INSTANTIATE_TEST_SUITE_P(StoredOrNot, BookFolderSweep, ::testing::Bool());

TEST_F(LibraryTest, BookReadersFillTheContentsTree) {
    Library lib = Library::withBookReaders(fs, kDataFolder, shippedParser());
    const std::string html = "<html><head><title>Caf\xC3\xA9 Stories</title></head><body>"
                             "<h1>First</h1><p>\xE2\x80\x9CHello,\xE2\x80\x9D she said.</p>"
                             "<h1>Second</h1><p>Good night.</p></body></html>";
    const library::Book b = lib.open("stories.html", html);
    const Lines toc = splitLines(*fs.readFile(b.files.catalogue));
    ASSERT_EQ(toc.size(), 4u);
    EXPECT_EQ(toc[0], "Caf\xE9 Stories<<0" + b.key);
    EXPECT_EQ(toc[1], "First<<1" + b.key + "@refpt001");
    EXPECT_EQ(toc[2], "Second<<1" + b.key + "@refpt002");
    EXPECT_NE(fs.readFile(b.files.text)->find("\x93Hello,\x94"), std::string::npos);
}

TEST_F(LibraryTest, CorpusNovelOpensByChapterAndReopensFromTheLibrary) {
    const std::string path = std::string(QM_SHARED_DIR) + "/corpus/pride-and-prejudice.txt";
    std::ifstream in(path, std::ios::binary);
    if (!in) GTEST_SKIP() << path << " is missing";
    std::stringstream buf;
    buf << in.rdbuf();
    const std::string novel = buf.str();
    Library lib = Library::withBookReaders(fs, kDataFolder, shippedParser());
    const library::Book b = lib.open("pride-and-prejudice.txt", novel);
    const Lines toc = splitLines(*fs.readFile(b.files.catalogue));
    EXPECT_EQ(toc.size(), 61u + 2u);
    EXPECT_EQ(toc[1], "Chapter 1<<1" + b.key + "@refpt001");
    const int writes = fs.mem.writeCount();
    EXPECT_FALSE(lib.open("copy.txt", novel).laidOutNow);
    EXPECT_EQ(fs.mem.writeCount(), writes);
}

TEST_F(LibraryTest, ProgressRisesToOne) {
    std::vector<double> seen;
    library::Progress progress;
    progress.report = [&](double f) { seen.push_back(f); };
    library().open("a.txt", book, progress);
    ASSERT_GE(seen.size(), 10u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.front(), 0.0);
    EXPECT_EQ(seen.back(), 1.0);
}

} // namespace
} // namespace qm
