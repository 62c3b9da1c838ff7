#pragma once
// The library of opened books. A book file (EPUB, HTML, plain text) opened once becomes a
// one-book collection in <data folder>/library/<key>/, where <key> is the SHA-256 digest of
// the file's bytes: its stored text <key>.tvt (single-byte plain form), its catalogue <key>.toc
// (the book and a line per chapter naming its reference point), its word index <key>.tvx and a
// manifest <key>.book (source name, digest, title, author, layout version). Opening the same
// bytes again finds the key and cascades nothing. A stored book is never laid out anew behind
// its bookmarks' back: a newer cascader only marks it outdated, and layOutAgain() re-lays it
// and moves its bookmarks to the same words.
//
// Books stored before the digest was kept are under the 64-bit hash of earlierBookKey(). They
// are found by it still (their bookmarks and settings are named by it), their digest is
// recorded the first time they open, and from then on a file whose hash is the same but whose
// digest differs is a book of its own.
//
// A new layout goes into a layout folder of its own, library/<key>/layout<n>/, beside the one
// it replaces; rewriting the manifest to name it is the one step that switches the book over.
// When the book has bookmarks, the manifest also records that they are still to be moved, and
// the section as moved is kept beside the new layout: the bookmark file is written next, then
// the record is cleared and the old layout removed. An open that finds the record finishes the
// move (or, when the bookmark file cannot be written, shows the old layout), so a kill at any
// point leaves the old book with its old bookmarks or the new one with them moved. Opening a
// book also clears, once they are old enough that no running copy can still be writing them,
// the reader's own temporaries in the book's folders and what a killed new layout left.
//
// How the window is meant to call it (after the folder restructure):
//   - Open File / drag and drop / a start-up argument naming .epub, .htm, .html or .txt:
//     read the file's bytes and call open() on a worker thread with its own Library (it holds
//     no state but the paths and the functions it was given) and the real file system, which
//     keeps no state between calls. Pass a Progress whose report() posts the fraction to the
//     window's thread (queued) for the progress bar, and whose cancel flag the Cancel button
//     sets; a cancelled open throws OpenCancelled and leaves no book behind.
//   - On success, on the window's thread: open book.files.catalogue as "Open Table of
//     Contents" does (Session::OpenTOCItemClick's steps with that path), then click the book's
//     line (or a chapter's). Bookmarks and settings then work as for any collection; the
//     collection's bookmark file is bookmarkFileOf(dataFolder, key).
//   - When book.outdated, offer "Lay out again"; on yes, run layOutAgain() with the source's
//     bytes on the worker as above, show the names it could not move, and reopen the book.
//   - UserError from either: show its message; nothing was written outside the library folder.
#include "core/cascade/Document.h"
#include "core/library/BookManifest.h"
#include "core/port/FileSystem.h"

#include <atomic>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::cascade {
class SentenceParser;
}

namespace qm::library {

// Turns a book file's bytes into its structure; throws UserError with a message fit for the
// user when the bytes are not a book it can read. `name` is the file name (its extension
// tells the format).
using DocumentReader =
    std::function<cascade::Document(std::string_view name, std::string_view bytes)>;
// Converts one UTF-8 line (or title) to the page's single-byte form.
using LineConverter = std::function<std::string(std::string_view utf8)>;

struct Progress {
    std::function<void(double)> report;        // the fraction done, 0 to 1, from the calling thread
    const std::atomic<bool>* cancel = nullptr; // looked at between stages and chapters
};

// Thrown when the cancel flag stopped an open or a new layout.
class OpenCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "Opening cancelled"; }
};

struct BookFiles {
    std::string folder; // the layout folder holding text, catalogue and index; ends with "/"
    std::string text;
    std::string catalogue;
    std::string index;
    std::string manifest; // in the book's own folder, whichever layout folder is current
};

struct Book {
    std::string key;
    BookFiles files;
    BookManifest manifest;
    bool laidOutNow = false; // cascaded by this call (false: read from the library)
    bool outdated = false;   // laid out by another cascader version
};

struct Relaid {
    Book book;
    std::size_t movedBookmarks = 0;
    std::vector<std::string> unmovedBookmarks; // their lines, kept as they stood
};

// The bookmark file of a library book's collection, where the reader keeps it for any
// collection named <key>.toc.
std::string bookmarkFileOf(const std::string& dataFolder, const std::string& key);

class Library {
public:
    // dataFolder ends with "/". One Library is used from one thread at a time, and the file
    // system only from the thread that calls it. Books are cascaded with `parser` (nullptr:
    // the lexicon rules), which must outlive the Library.
    Library(FileSystem& fs, std::string dataFolder, DocumentReader reader, LineConverter convert,
            cascade::SentenceParser* parser);
    // The program's library: books read by the book readers (any encoding, EPUB, HTML, plain
    // text), characters the page lacks transliterated.
    static Library withBookReaders(FileSystem& fs, std::string dataFolder,
                                   cascade::SentenceParser* parser);

    const std::string& folder() const { return m_folder; }
    // The files of the book in its layout folder number `layoutFolder` (0: its own folder).
    BookFiles filesOf(const std::string& key, int layoutFolder = 0) const;

    // The stored book of this key, when all its files are there and its manifest reads. A
    // bookmark move it still owes is left for open() to finish.
    std::optional<Book> find(const std::string& key) const;

    // The stored book of this key made ready to show, as open() shows a book it finds (a
    // bookmark move it owes finished, stale files cleared); nothing when it is not stored.
    std::optional<Book> openStored(const std::string& key);

    // The book of these bytes: found in the library (whose digest they must have), or read,
    // cascaded and stored. Throws UserError (unreadable book, failed write: nothing of the
    // book is left) or OpenCancelled.
    Book open(std::string_view sourceName, std::string_view bytes, const Progress& progress = {});

    // Lays the stored book out again with this cascader from its source bytes (which must be
    // the ones it was opened from) and moves the bookmarks of its section in bookmarkFile to
    // the same words. On any failure the book and the bookmark file stay as they were; a kill
    // leaves them so that the next open shows the one or the other whole.
    Relaid layOutAgain(const std::string& key, std::string_view bytes,
                       const std::string& bookmarkFile, const Progress& progress = {});

private:
    std::optional<Book> storedBookOf(std::string_view bytes, const std::string& digest);
    Book settle(Book book);
    bool finishMove(Book& book);
    void completeMove(Book& book, int from);
    void sweep(const Book& book);
    void foldCatalogue(const Book& book);
    void sweepFolder(const std::string& folder, const std::string& key, bool layoutFiles);

    FileSystem& m_fs;
    std::string m_dataFolder;
    std::string m_folder;
    DocumentReader m_reader;
    LineConverter m_convert;
    cascade::SentenceParser* m_parser;
};

} // namespace qm::library
