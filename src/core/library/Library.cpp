#include "core/library/Library.h"

#include "core/base/Error.h"
#include "core/base/Memory.h"
#include "core/bookmarks/BookmarkList.h"
#include "core/cascade/LayoutVersion.h"
#include "core/import/BookReader.h"
#include "core/import/Encoding.h"
#include "core/library/BookKey.h"
#include "core/library/BookLayout.h"
#include "core/library/BookmarkMove.h"
#include "core/text/LineFormat.h"

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

private:
    const Progress& m_progress;
};

// Files written as one change: when it is not committed (a write failed, the open was
// cancelled), every file it wrote is put back as it was or removed again.
class FileBatch {
public:
    explicit FileBatch(FileSystem& fs)
        : m_fs(fs) {}
    FileBatch(const FileBatch&) = delete;
    FileBatch& operator=(const FileBatch&) = delete;
    ~FileBatch() { rollBack(); }

    void write(const std::string& path, const std::string& bytes) {
        std::optional<std::string> old = m_fs.fileExists(path) ? m_fs.readFile(path) : std::nullopt;
        if (m_fs.fileExists(path) && !old) throw UserError(unableToWriteMessage(path));
        m_fs.writeFile(path, bytes);
        m_done.push_back({path, std::move(old)});
    }
    void commit() { m_done.clear(); }

private:
    void rollBack() noexcept {
        for (auto it = m_done.rbegin(); it != m_done.rend(); ++it) {
            try {
                if (it->old)
                    m_fs.writeFile(it->path, *it->old);
                else
                    m_fs.removeFile(it->path);
            } catch (...) {
                // Best effort: the first failure is the one reported.
            }
        }
        m_done.clear();
    }

    struct Written {
        std::string path;
        std::optional<std::string> old;
    };
    FileSystem& m_fs;
    std::vector<Written> m_done;
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

// Pieces in which a stored text is read back for its index.
constexpr std::size_t kIndexPiece = std::size_t{64} << 10;

// The index of the stored text at `path`, read back in pieces as the reader reads it.
std::string indexOfStoredFile(FileSystem& fs, const std::string& path) {
    std::unique_ptr<FileReader> counter = fs.openFile(path);
    const std::optional<std::size_t> lines =
        counter ? FileLineSource::countLines(*counter, kIndexPiece) : std::nullopt;
    std::unique_ptr<FileReader> reader = lines ? fs.openFile(path) : nullptr;
    if (!reader) throw UserError("Cannot open file " + path);
    FileLineSource source(std::move(reader), *lines, kIndexPiece);
    return storedTextIndex(source);
}

// The manifest goes last: a book counts as stored only once it is there. With no index
// given, the text is let go once written and its index made from the file, so the text and
// its index are never held together.
void writeBookFiles(FileSystem& fs, FileBatch& batch, const BookFiles& files, LaidOutBook& laid,
                    std::optional<std::string> index, const Steps& steps) {
    batch.write(files.text, laid.text);
    steps.at(0.93);
    if (!index) {
        std::string().swap(laid.text);
        releaseFreeMemory();
        index = indexOfStoredFile(fs, files.text);
    }
    batch.write(files.index, *index);
    steps.at(0.96);
    batch.write(files.catalogue, laid.catalogue);
    steps.at(0.98);
    batch.write(files.manifest, joinLinesCrLf(manifestLines(laid.manifest)));
}

} // namespace

std::string bookmarkFileOf(const std::string& dataFolder, const std::string& key) {
    return dataFolder + key + ".bm";
}

Library::Library(FileSystem& fs, std::string dataFolder, DocumentReader reader,
                 LineConverter convert)
    : m_fs(fs)
    , m_dataFolder(std::move(dataFolder))
    , m_folder(m_dataFolder + "library/")
    , m_reader(std::move(reader))
    , m_convert(std::move(convert)) {}

Library Library::withBookReaders(FileSystem& fs, std::string dataFolder) {
    return Library(fs, std::move(dataFolder), import::readBook, import::utf8ToWindows1252);
}

BookFiles Library::filesOf(const std::string& key) const {
    BookFiles f;
    f.folder = m_folder + key + "/";
    f.text = f.folder + key + ".tvt";
    f.catalogue = f.folder + key + ".toc";
    f.index = f.folder + key + ".tvx";
    f.manifest = f.folder + key + ".book";
    return f;
}

std::optional<Book> Library::find(const std::string& key) const {
    if (!isBookKey(key)) return std::nullopt;
    const BookFiles files = filesOf(key);
    if (!m_fs.fileExists(files.text) || !m_fs.fileExists(files.catalogue) ||
        !m_fs.fileExists(files.index))
        return std::nullopt;
    const std::optional<std::string> bytes = m_fs.readFile(files.manifest, kManifestCap);
    if (!bytes) return std::nullopt;
    std::optional<BookManifest> manifest = parseManifest(splitLines(*bytes));
    if (!manifest || manifest->key != key) return std::nullopt;
    Book book;
    book.key = key;
    book.files = files;
    book.outdated = manifest->layoutVersion != cascade::kLayoutVersion;
    book.manifest = std::move(*manifest);
    return book;
}

Book Library::open(std::string_view sourceName, std::string_view bytes, const Progress& progress) {
    const Steps steps(progress);
    steps.at(0.0);
    const std::string key = bookKey(bytes);
    if (std::optional<Book> stored = find(key)) {
        steps.at(1.0);
        return std::move(*stored);
    }

    std::optional<LaidOutBook> laid;
    {
        cascade::Document doc = m_reader(sourceName, bytes);
        releaseFreeMemory(); // the reader's buffers
        steps.at(kReadDone);
        laid = layOutBook(std::move(doc), key, sourceName, m_convert, [&](double done) {
            if (steps.cancelled()) return false;
            steps.at(kReadDone + (kLayoutDone - kReadDone) * done);
            return true;
        });
    }
    if (!laid) throw OpenCancelled();
    steps.at(kLayoutDone);

    Book book;
    book.key = key;
    book.files = filesOf(key);
    book.manifest = laid->manifest;
    book.laidOutNow = true;
    ensureFolder(m_fs, m_dataFolder);
    ensureFolder(m_fs, m_folder);
    ensureFolder(m_fs, book.files.folder);
    FileBatch batch(m_fs);
    writeBookFiles(m_fs, batch, book.files, *laid, std::nullopt, steps);
    batch.commit();
    steps.at(1.0);
    return book;
}

Relaid Library::layOutAgain(const std::string& key, std::string_view bytes,
                            const std::string& bookmarkFile, const Progress& progress) {
    const Steps steps(progress);
    steps.at(0.0);
    if (bookKey(bytes) != key)
        throw UserError("This is not the file the book was opened from; it cannot be laid out "
                        "again from it.");
    std::optional<Book> stored = find(key);
    if (!stored) throw UserError("The book is not in the library; open it first.");
    const std::optional<std::string> oldText = m_fs.readFile(stored->files.text, kStoredTextCap);
    if (!oldText) throw UserError("Cannot open file " + stored->files.text);

    std::optional<LaidOutBook> laid;
    {
        cascade::Document doc = m_reader(stored->manifest.source, bytes);
        steps.at(kReadDone);
        laid =
            layOutBook(std::move(doc), key, stored->manifest.source, m_convert, [&](double done) {
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
    if (!bookmarkFile.empty()) {
        lock = m_fs.lock(bookmarkFile);
        if (const std::optional<std::string> list = m_fs.readFile(bookmarkFile, kBookmarkFileCap)) {
            Lines lines = splitLines(*list);
            const std::string header = "<<" + key;
            const int h = bookmarks::findHeader(lines, header);
            if (static_cast<std::size_t>(h) < lines.size() &&
                lines[static_cast<std::size_t>(h)] == header) {
                const int end = bookmarks::sectionEnd(lines, h);
                const auto first = lines.begin() + h + 1;
                const auto last = lines.begin() + end;
                MovedBookmarks moved =
                    moveBookmarks(displayLinesOf(*oldText), display, Lines(first, last));
                std::move(moved.entries.begin(), moved.entries.end(), first);
                result.movedBookmarks = moved.moved;
                result.unmovedBookmarks = std::move(moved.unmoved);
                bookmarkLines = std::move(lines);
            }
        } else if (m_fs.fileExists(bookmarkFile)) {
            throw UserError(unableToWriteMessage(bookmarkFile));
        }
    }

    FileBatch batch(m_fs);
    writeBookFiles(m_fs, batch, stored->files, *laid, std::move(index), steps);
    if (bookmarkLines) batch.write(bookmarkFile, joinLinesCrLf(*bookmarkLines));
    batch.commit();
    steps.at(1.0);

    result.book = std::move(*stored);
    result.book.manifest = laid->manifest;
    result.book.outdated = false;
    result.book.laidOutNow = true;
    return result;
}

} // namespace qm::library
