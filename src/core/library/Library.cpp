#include "core/library/Library.h"
#include "core/library/BookCatalogue.h"

#include "core/base/Error.h"
#include "core/base/Memory.h"
#include "core/bookmarks/BookmarkList.h"
#include "core/cascade/LayoutVersion.h"
#include "core/import/BookPictures.h"
#include "core/encoding/Windows1252.h"
#include "core/import/BookReader.h"
#include "core/library/BookKey.h"
#include "core/library/BookLayout.h"
#include "core/library/BookmarkMove.h"
#include "core/library/FileBatch.h"
#include "core/text/LineFormat.h"

#include <algorithm>
#include <optional>

namespace qm::library {

namespace {

// Shares of an open's time: reading the book file, laying it out, writing it.
constexpr double kReadDone = 0.1;
constexpr double kLayoutDone = 0.9;

class Steps {
public:
    explicit Steps(const Progress& p)
        : m_progress(p) {}
    bool cancelled() const { return m_progress.cancel && m_progress.cancel->load(); }
    // Tells the fraction done; throws OpenCancelled when the flag is set.
    void at(double done) const {
        if (cancelled()) throw OpenCancelled();
        if (m_progress.report) m_progress.report(done);
    }
    // Tells that the work is done: it is past cancelling.
    void finished() const {
        if (m_progress.report) m_progress.report(1.0);
    }

private:
    const Progress& m_progress;
};

void ensureFolder(FileSystem& fs, std::string folder) {
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!fs.folderExists(folder)) fs.createFolder(folder);
}

Lines displayLinesOf(std::string_view storedBytes) {
    LineBuffer display;
    ByteLineSource source(storedBytes);
    prepareDisplayLines(source, ConversionPass::Plain, display);
    return display.toLines();
}

// Hands freed memory back to the system every so many bytes of stored text written while a
// book is laid out. Laying out makes and drops small buffers all the time; the allocator
// carves new ones from free heap pages it has not used yet rather than from those just
// freed, so without this the pages touched grow with the text even when little is held at
// once (a quarter-megabyte book touched 0.6 MB more than it ever held). Every eighth of the
// book, between 64 KB and 8 MB, keeps the cost of the calls small.
class FreeAsWritten {
public:
    explicit FreeAsWritten(std::size_t bookBytes)
        : m_every(std::clamp(bookBytes / 8, std::size_t{64} << 10, std::size_t{8} << 20)) {}
    void wrote(std::size_t bytes) {
        m_written += bytes;
        m_since += bytes;
        if (m_since < m_every) return;
        m_since = 0;
        releaseFreeMemory();
    }
    std::size_t written() const { return m_written; }

private:
    std::size_t m_every;
    std::size_t m_since = 0;
    std::size_t m_written = 0;
};

// Pieces in which a stored text is read back for its index: 64 KB, or the text's size when
// it is smaller (a piece is cleared before it is read into).
std::size_t indexPiece(std::size_t textBytes) {
    return std::clamp(textBytes, std::size_t{4} << 10, std::size_t{64} << 10);
}

// The index of the stored text at `path`, `textBytes` long as written, read back in pieces as
// the reader reads it, handed to `out` a line at a time.
void indexOfStoredFile(FileSystem& fs, const std::string& path, std::size_t textBytes,
                       const ByteSink& out) {
    const std::size_t piece = indexPiece(textBytes);
    std::unique_ptr<FileReader> counter = fs.openFile(path);
    const std::optional<std::size_t> lines =
        counter ? FileLineSource::countLines(*counter, piece) : std::nullopt;
    counter.reset();
    std::unique_ptr<FileReader> reader = lines ? fs.openFile(path) : nullptr;
    if (!reader) throw UserError("Cannot open file " + path);
    FileLineSource source(std::move(reader), *lines, piece);
    storedTextIndexTo(source, out);
}

// The index and catalogue of a layout whose text is written: with no index given, the index
// is made from the text as written, so the text and its index are never held together.
void writeIndexAndCatalogue(FileSystem& fs, FileBatch& batch, const BookFiles& files,
                            const LaidOutBook& laid, const std::string* index,
                            std::size_t textBytes, const Steps& steps) {
    if (index) {
        batch.write(files.index, *index);
    } else {
        batch.writeInPieces(files.index, [&](FileWriter& out) {
            indexOfStoredFile(fs, files.text, textBytes,
                              [&out](std::string_view b) { out.write(b); });
        });
    }
    steps.at(0.96);
    batch.write(files.catalogue, laid.catalogue);
    steps.at(0.98);
}

// The book's pictures go into its layout folder, under the names its image tags give them,
// before the text that names them; their bytes are let go once written.
void writePictures(FileBatch& batch, const std::string& folder,
                   std::vector<cascade::Picture>& pictures) {
    for (cascade::Picture& p : pictures) {
        batch.write(folder + p.name, p.bytes);
        std::string().swap(p.bytes);
    }
}

// A picture file beside a book, unless it is larger than maxBytes or cannot be read.
std::optional<std::string> picturePartOf(const FileSystem& fs, const std::string& path,
                                         std::uint64_t maxBytes) {
    try {
        return fs.readFile(path, FileCap{maxBytes, "a picture"});
    } catch (const UserError&) {
        return std::nullopt;
    }
}

std::string manifestBytes(const BookManifest& m) {
    return joinLinesCrLf(manifestLines(m));
}

// The entries of the book's section in bookmark lines, as [first, last) line indices.
std::optional<std::pair<std::size_t, std::size_t>> sectionOf(const Lines& lines,
                                                             const std::string& key) {
    const std::string header = "<<" + key;
    const int h = bookmarks::findHeader(lines, header);
    if (static_cast<std::size_t>(h) >= lines.size() || lines[static_cast<std::size_t>(h)] != header)
        return std::nullopt;
    return std::pair{static_cast<std::size_t>(h) + 1,
                     static_cast<std::size_t>(bookmarks::sectionEnd(lines, h))};
}

// Moves the entries of the section in place from one layout's display lines to another's.
MovedBookmarks moveSection(Lines& lines, std::pair<std::size_t, std::size_t> section,
                           const Lines& oldDisplay, const Lines& newDisplay) {
    const auto first = lines.begin() + static_cast<std::ptrdiff_t>(section.first);
    const auto last = lines.begin() + static_cast<std::ptrdiff_t>(section.second);
    MovedBookmarks moved = moveBookmarks(oldDisplay, newDisplay, Lines(first, last));
    std::copy(moved.entries.begin(), moved.entries.end(), first);
    return moved;
}

std::string movedSectionFile(const BookFiles& files, const std::string& key) {
    return files.folder + key + ".moved";
}

// The names of the files a layout folder holds: text, index, catalogue and the bookmark
// section as moved to it.
std::vector<std::string> layoutFileNames(const std::string& key) {
    return {key + ".tvt", key + ".tvx", key + ".toc", key + ".moved"};
}

} // namespace

std::string bookmarkFileOf(const std::string& dataFolder, const std::string& key) {
    return dataFolder + key + ".bm";
}

Library::Library(FileSystem& fs, std::string dataFolder, DocumentReader reader,
                 LineConverter convert, cascade::SentenceParser* parser)
    : m_fs(fs)
    , m_dataFolder(std::move(dataFolder))
    , m_folder(m_dataFolder + "library/")
    , m_reader(std::move(reader))
    , m_convert(std::move(convert))
    , m_parser(parser) {}

Library Library::withBookReaders(FileSystem& fs, std::string dataFolder,
                                 cascade::SentenceParser* parser) {
    // An HTML book's pictures are the files beside it that it names.
    DocumentReader reader = [&fs](std::string_view name, std::string_view bytes) {
        const std::size_t slash = name.find_last_of('/');
        const std::string folder(slash == std::string_view::npos ? std::string_view()
                                                                 : name.substr(0, slash + 1));
        return import::readBook(name, bytes,
                                [&fs, folder](const std::string& path, std::uint64_t maxBytes) {
                                    return picturePartOf(fs, folder + path, maxBytes);
                                });
    };
    return Library(fs, std::move(dataFolder), std::move(reader), encoding::utf8ToWindows1252,
                   parser);
}

BookFiles Library::filesOf(const std::string& key, int layoutFolder) const {
    BookFiles f;
    const std::string bookFolder = m_folder + key + "/";
    f.folder = bookFolder;
    if (layoutFolder != 0) f.folder += "layout" + std::to_string(layoutFolder) + "/";
    f.text = f.folder + key + ".tvt";
    f.catalogue = f.folder + key + ".toc";
    f.index = f.folder + key + ".tvx";
    f.manifest = bookFolder + key + ".book";
    return f;
}

std::optional<Book> Library::find(const std::string& key) const {
    if (!isBookKey(key)) return std::nullopt;
    const std::optional<std::string> bytes = m_fs.readFile(filesOf(key).manifest, kManifestCap);
    if (!bytes) return std::nullopt;
    std::optional<BookManifest> manifest = parseManifest(splitLines(*bytes));
    if (!manifest || manifest->key != key) return std::nullopt;
    const BookFiles files = filesOf(key, manifest->layoutFolder);
    if (!m_fs.fileExists(files.text) || !m_fs.fileExists(files.catalogue) ||
        !m_fs.fileExists(files.index))
        return std::nullopt;
    Book book;
    book.key = key;
    book.files = files;
    book.outdated = manifest->layoutVersion != cascade::kLayoutVersion;
    book.manifest = std::move(*manifest);
    return book;
}

std::optional<Book> Library::openStored(const std::string& key) {
    std::optional<Book> book = find(key);
    if (book) book = settle(std::move(*book));
    return book;
}

// The stored book of these bytes: under their digest, or under their earlier key when its
// manifest holds their digest. A book stored before digests were kept takes these bytes as its
// source (its manifest names no other) and records their digest, so that from now on another
// file of the same hash is told apart and gets a book of its own.
std::optional<Book> Library::storedBookOf(std::string_view bytes, const std::string& digest) {
    if (std::optional<Book> book = find(digest)) {
        if (book->manifest.digest.empty() || book->manifest.digest == digest) return book;
    }
    std::optional<Book> book = find(earlierBookKey(bytes));
    if (!book || book->manifest.digest == digest) return book;
    if (!book->manifest.digest.empty()) return std::nullopt;
    book->manifest.digest = digest;
    try {
        m_fs.writeFile(book->files.manifest, manifestBytes(book->manifest));
    } catch (const UserError&) {
        // Recorded at a later open; the book opens as before.
    }
    return book;
}

Book Library::open(std::string_view sourceName, std::string_view bytes, const Progress& progress) {
    const Steps steps(progress);
    steps.at(0.0);
    const std::string key = bookKey(bytes);
    if (std::optional<Book> stored = storedBookOf(bytes, key)) {
        Book book = settle(std::move(*stored));
        steps.at(1.0);
        return book;
    }

    cascade::Document doc = m_reader(sourceName, bytes);
    releaseFreeMemory(); // the reader's buffers
    steps.at(kReadDone);

    Book book;
    book.key = key;
    book.files = filesOf(key);
    book.manifest.digest = key;
    book.laidOutNow = true;
    ensureFolder(m_fs, m_dataFolder);
    ensureFolder(m_fs, m_folder);
    const bool newFolder = !m_fs.folderExists(book.files.folder);
    ensureFolder(m_fs, book.files.folder);
    try {
        sweepFolder(book.files.folder, key, false);
        FileBatch batch(m_fs);
        writePictures(batch, book.files.folder, doc.pictures);
        // The stored text goes to its file as it is cascaded; the document goes with the
        // cascade, before the index is made from the file.
        std::optional<LaidOutBook> laid;
        FreeAsWritten trim(bytes.size());
        batch.writeInPieces(book.files.text, [&](FileWriter& out) {
            laid = layOutBook(
                std::move(doc), key, sourceName, m_convert, m_parser,
                [&](double done) {
                    if (steps.cancelled()) return false;
                    steps.at(kReadDone + (kLayoutDone - kReadDone) * done);
                    return true;
                },
                [&](std::string_view b) {
                    out.write(b);
                    trim.wrote(b.size());
                });
            if (!laid) throw OpenCancelled();
            steps.at(kLayoutDone);
        });
        releaseFreeMemory(); // the document and the cascader's buffers
        steps.at(0.93);
        writeIndexAndCatalogue(m_fs, batch, book.files, *laid, nullptr, trim.written(), steps);
        book.manifest = laid->manifest;
        book.manifest.digest = key;
        // The manifest goes last: a book counts as stored only once it is there.
        batch.write(book.files.manifest, manifestBytes(book.manifest));
        batch.commit();
    } catch (...) {
        // The batch has taken its files back; a folder made for them goes too.
        if (newFolder) m_fs.removeFolder(book.files.folder);
        throw;
    }
    steps.finished();
    return book;
}

Relaid Library::layOutAgain(const std::string& key, std::string_view bytes,
                            const std::string& bookmarkFile, const Progress& progress) {
    const Steps steps(progress);
    steps.at(0.0);
    std::optional<Book> stored = find(key);
    if (!stored) throw UserError("The book is not in the library; open it first.");
    const std::string digest = contentDigest(bytes);
    if (stored->manifest.digest.empty() ? key != digest && key != earlierBookKey(bytes)
                                        : stored->manifest.digest != digest)
        throw UserError("This is not the file the book was opened from; it cannot be laid out "
                        "again from it.");
    // A move an earlier layout still owes is finished first, so that only one is ever owed.
    if (stored->manifest.movingFrom && !finishMove(*stored))
        throw UserError(unableToWriteMessage(bookmarkFileOf(m_dataFolder, key)));
    if (stored->manifest.movingFrom) throw UserError(unableToWriteMessage(stored->files.manifest));
    sweep(*stored);
    const std::optional<std::string> oldText = m_fs.readFile(stored->files.text, kStoredTextCap);
    if (!oldText) throw UserError("Cannot open file " + stored->files.text);

    std::optional<LaidOutBook> laid;
    std::vector<cascade::Picture> pictures;
    {
        cascade::Document doc = m_reader(stored->manifest.source, bytes);
        steps.at(kReadDone);
        for (cascade::Picture& p : doc.pictures) {
            pictures.push_back({p.name, std::move(p.bytes), p.rows});
            p.bytes.clear();
        }
        laid = layOutBook(std::move(doc), key, stored->manifest.source, m_convert, m_parser,
                          [&](double done) {
                              if (steps.cancelled()) return false;
                              steps.at(kReadDone + (kLayoutDone - kReadDone) * done);
                              return true;
                          });
    }
    if (!laid) throw OpenCancelled();
    // Moving the bookmarks needs the new display lines; a new layout is rare enough to hold
    // them.
    Lines display;
    ByteLineSource newText(laid->text);
    std::string index = storedTextIndex(newText, &display);
    steps.at(kLayoutDone);

    Relaid result;
    std::unique_ptr<FileLock> lock;
    std::optional<Lines> bookmarkLines;
    std::string movedSection;
    if (!bookmarkFile.empty()) {
        lock = m_fs.lock(bookmarkFile);
        if (const std::optional<std::string> list = m_fs.readFile(bookmarkFile, kBookmarkFileCap)) {
            Lines lines = splitLines(*list);
            if (const auto section = sectionOf(lines, key)) {
                MovedBookmarks moved =
                    moveSection(lines, *section, displayLinesOf(*oldText), display);
                movedSection = joinLinesCrLf(moved.entries);
                result.movedBookmarks = moved.moved;
                result.unmovedBookmarks = std::move(moved.unmoved);
                bookmarkLines = std::move(lines);
            }
        } else if (m_fs.fileExists(bookmarkFile)) {
            throw UserError(unableToWriteMessage(bookmarkFile));
        }
    }

    // The new layout goes beside the old one; the manifest naming it switches the book over,
    // and records the bookmark move until the bookmark file has it.
    const int from = stored->manifest.layoutFolder;
    Book book = std::move(*stored);
    book.files = filesOf(key, from + 1);
    book.manifest = laid->manifest;
    book.manifest.digest = digest;
    book.manifest.layoutFolder = from + 1;
    if (bookmarkLines) book.manifest.movingFrom = from;
    ensureFolder(m_fs, book.files.folder);
    try {
        FileBatch batch(m_fs);
        writePictures(batch, book.files.folder, pictures);
        batch.write(book.files.text, laid->text);
        steps.at(0.93);
        writeIndexAndCatalogue(m_fs, batch, book.files, *laid, &index, laid->text.size(), steps);
        if (bookmarkLines) batch.write(movedSectionFile(book.files, key), movedSection);
        batch.write(book.files.manifest, manifestBytes(book.manifest));
        if (bookmarkLines) batch.write(bookmarkFile, joinLinesCrLf(*bookmarkLines));
        batch.commit();
    } catch (const UserError&) {
        m_fs.removeFolder(book.files.folder);
        throw;
    } catch (const OpenCancelled&) {
        m_fs.removeFolder(book.files.folder);
        throw;
    }
    lock.reset();
    completeMove(book, from);
    steps.finished();

    result.book = std::move(book);
    result.book.outdated = false;
    result.book.laidOutNow = true;
    return result;
}

// A book found in the library, made ready to show: a bookmark move its last layout owes is
// finished (when the bookmark file cannot be written, the layout before it is shown, with the
// bookmarks that belong to it), and what killed writes left in its folders is cleared.
Book Library::settle(Book book) {
    if (book.manifest.movingFrom && !finishMove(book) &&
        m_fs.fileExists(filesOf(book.key, *book.manifest.movingFrom).text)) {
        const int from = *book.manifest.movingFrom;
        book.files = filesOf(book.key, from);
        book.manifest.layoutFolder = from;
        book.manifest.movingFrom.reset();
        book.outdated = true;
        return book;
    }
    // While the record stays (it could not be cleared), the moved section and the old layout
    // are kept for the next open.
    if (!book.manifest.movingFrom) sweep(book);
    foldCatalogue(book);
    return book;
}

// A catalogue written before the book became its collection's root is rewritten in the
// one-book form, so the contents tree shows the book once. A failed write leaves the old
// catalogue, which still opens.
void Library::foldCatalogue(const Book& book) {
    try {
        const std::optional<std::string> bytes =
            m_fs.readFile(book.files.catalogue, kCatalogueFileCap);
        if (!bytes) return;
        const Lines lines = splitLines(*bytes);
        Lines folded = foldOneBookCatalogue(lines);
        if (folded != lines) m_fs.writeFile(book.files.catalogue, joinLinesCrLf(folded));
    } catch (const UserError&) {
    }
}

// Finishes the bookmark move the book's manifest records. The section is moved unless it is
// already the one the new layout recorded as moved; a section that cannot be moved (the old
// layout is gone) stays as it is. False when the bookmark file cannot be read or written.
bool Library::finishMove(Book& book) {
    const int from = *book.manifest.movingFrom;
    const std::string bookmarkFile = bookmarkFileOf(m_dataFolder, book.key);
    try {
        const std::unique_ptr<FileLock> lock = m_fs.lock(bookmarkFile);
        const std::optional<std::string> list = m_fs.readFile(bookmarkFile);
        if (!list && m_fs.fileExists(bookmarkFile)) return false;
        Lines lines = list ? splitLines(*list) : Lines{};
        const auto section = sectionOf(lines, book.key);
        const std::optional<std::string> oldText = m_fs.readFile(filesOf(book.key, from).text);
        const std::optional<std::string> newText = m_fs.readFile(book.files.text);
        if (section && oldText && newText &&
            m_fs.readFile(movedSectionFile(book.files, book.key)) !=
                joinLinesCrLf(
                    Lines(lines.begin() + static_cast<std::ptrdiff_t>(section->first),
                          lines.begin() + static_cast<std::ptrdiff_t>(section->second)))) {
            moveSection(lines, *section, displayLinesOf(*oldText), displayLinesOf(*newText));
            m_fs.writeFile(bookmarkFile, joinLinesCrLf(lines));
        }
    } catch (const UserError&) {
        return false;
    }
    completeMove(book, from);
    return true;
}

// The bookmark file has the moved section: the record goes, then the layout it replaced.
// Either step may fail or be cut off; the next open finishes it.
void Library::completeMove(Book& book, int from) {
    if (book.manifest.movingFrom) {
        BookManifest settled = book.manifest;
        settled.movingFrom.reset();
        try {
            m_fs.writeFile(book.files.manifest, manifestBytes(settled));
        } catch (const UserError&) {
            return;
        }
        book.manifest = std::move(settled);
    }
    m_fs.removeFile(movedSectionFile(book.files, book.key));
    const BookFiles old = filesOf(book.key, from);
    for (const std::string& path :
         {old.text, old.index, old.catalogue, movedSectionFile(old, book.key)})
        m_fs.removeFile(path);
    for (const FileSystem::FolderEntry& entry : m_fs.listFolder(old.folder))
        if (import::isPictureName(entry.name)) m_fs.removeFile(old.folder + entry.name);
    if (from != 0) m_fs.removeFolder(old.folder);
}

// Clears what killed writes left in the folders of a settled book: temporaries of its own
// files, the files of a new layout cut off before its switch (the next folder) and of the one
// a switch replaced (the folder before), once they are old enough that no running copy of the
// reader can still be writing them.
void Library::sweep(const Book& book) {
    const int current = book.manifest.layoutFolder;
    sweepFolder(filesOf(book.key).folder, book.key, current != 0);
    if (current != 0) sweepFolder(book.files.folder, book.key, false);
    for (const int other : {current - 1, current + 1}) {
        if (other <= 0) continue;
        const std::string folder = filesOf(book.key, other).folder;
        if (!m_fs.folderExists(folder)) continue;
        sweepFolder(folder, book.key, true);
        m_fs.removeFolder(folder);
    }
}

// In one folder of the book: stale temporaries of its files, a stale record of a finished
// bookmark move, and with `layoutFiles` the stale files of a layout that is not current.
void Library::sweepFolder(const std::string& folder, const std::string& key, bool layoutFiles) {
    std::vector<std::string> names = layoutFileNames(key);
    names.push_back(key + ".book");
    for (const FileSystem::FolderEntry& entry : m_fs.listFolder(folder)) {
        if (!isStale(entry)) continue;
        bool remove = entry.name == key + ".moved" ||
                      (layoutFiles && entry.name != key + ".book" &&
                       (import::isPictureName(entry.name) ||
                        std::find(names.begin(), names.end(), entry.name) != names.end()));
        for (std::size_t i = 0; i < names.size() && !remove; ++i)
            remove = isTemporaryOf(entry.name, names[i]);
        // A picture's temporary names the picture (".quillmar-tmp-img0001.png-Ab12Cd").
        const std::size_t prefix = temporaryPrefix("").size() - 1;
        if (!remove && entry.name.size() > prefix + 7) {
            const std::string picture = entry.name.substr(prefix, entry.name.size() - prefix - 7);
            remove = import::isPictureName(picture) && isTemporaryOf(entry.name, picture);
        }
        if (remove) m_fs.removeFile(folder + entry.name);
    }
}

} // namespace qm::library
