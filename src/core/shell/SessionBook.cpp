// Book files opened through the library of opened books: each becomes a one-book collection,
// shown as the catalogue command and a click on the book's line show any collection.
#include "core/base/Error.h"
#include "core/base/Paths.h"
#include "core/bookmarks/BookmarkList.h"
#include "core/catalogue/Catalogue.h"
#include "core/encoding/Windows1252.h"
#include "core/library/BookFile.h"
#include "core/shell/Session.h"

namespace qm {

namespace {

constexpr const char* kRelayCaption = "Lay out again";
constexpr const char* kRelayQuestion =
    " was laid out by an earlier version of the reader. Lay it out again now? Its bookmarks "
    "move to the same words.";

} // namespace

void Session::openBook(const std::string& path) {
    openLibraryBook(library::openBookFile(m_fs, m_loc.dataFolder, path, m_parser.get()), path);
}

void Session::openLibraryBook(const library::Book& book, const std::string& sourcePath) {
    // The text being left gets its closing mark in its own collection's bookmark file.
    writeClosingMark();
    m_pageTurned = false;
    openCatalogue(book.files.catalogue);
    closeBookSection(book.key);

    std::optional<int> bookLine;
    for (std::size_t i = 0; i < m_catalogue.size(); ++i) {
        if (entryKeyOfLine(m_catalogue[i]) == book.key) {
            bookLine = static_cast<int>(i);
            break;
        }
    }
    if (!bookLine)
        throw UserError("The catalogue " + book.files.catalogue + " does not list its book.");
    // The book's node opens on its chapters.
    m_view.expandTocNode(*bookLine);
    m_view.selectTocNode(*bookLine);
    m_skipNextClick = false;
    // Known before the first page is drawn, which draws the book's pictures.
    m_bookKey = book.key;
    openFromContentsTree(bookLine);
    m_openDialogFileName = sourcePath;

    m_bookSourcePath = sourcePath;
    noteRecentBook(book, sourcePath);
    m_controls.setEnabled(Control::LayOutAgainItem, book.outdated);
    if (book.outdated && !m_relayDeclined.count(book.key)) {
        if (m_view.askYesNo(kRelayCaption, m_captionTitle + kRelayQuestion))
            LayOutAgainItemClick();
        else
            m_relayDeclined.insert(book.key);
    }
}

void Session::LayOutAgainItemClick() {
    if (m_bookKey.empty() || !m_controls.enabled(Control::LayOutAgainItem)) return;
    // The closing mark goes in first, so that it moves with the other bookmarks.
    if (m_pageTurned) writeClosingMark();
    m_pageTurned = false;
    if (m_bookRelayer) {
        m_bookRelayer(m_bookKey, m_bookSourcePath);
        return;
    }
    const library::Relaid relaid = library::relayBookFile(
        m_fs, m_loc.dataFolder, m_bookKey, m_bookSourcePath, m_loc.bookmarkFile, m_parser.get());
    showRelaidBook(relaid, m_bookSourcePath);
}

void Session::showRelaidBook(const library::Relaid& relaid, const std::string& sourcePath) {
    // The stored text and the bookmark file changed on disk: both are read anew.
    m_currentTextPath.clear();
    m_bookmarks.clear();
    m_pageTurned = false;
    openLibraryBook(relaid.book, sourcePath);
    if (relaid.unmovedBookmarks.empty()) return;
    std::string names;
    for (const std::string& line : relaid.unmovedBookmarks)
        names += "\n" + std::string(bookmarks::nameOf(line));
    m_view.showMessage("These bookmarks could not be moved to the same words and stay where "
                       "they were:" +
                       names);
}

void Session::RecentBookItemClick(int item) {
    if (item < 0 || static_cast<std::size_t>(item) >= m_recentBooks.size()) return;
    const library::RecentBook chosen = m_recentBooks[static_cast<std::size_t>(item)];
    std::optional<library::Book> book =
        library::Library::withBookReaders(m_fs, m_loc.dataFolder, m_parser.get())
            .openStored(chosen.key);
    if (!book) {
        if (m_fs.fileExists(chosen.source)) {
            m_openDialogFileName = chosen.source;
            if (m_bookOpener)
                m_bookOpener(chosen.source);
            else
                openBook(chosen.source);
            return;
        }
        try {
            m_recentBooks = library::forgetRecentBook(m_fs, m_loc.dataFolder, chosen.key);
        } catch (const UserError&) {
            std::erase(m_recentBooks, chosen);
        }
        showRecentBooks();
        throw UserError("Cannot open file " + chosen.source);
    }
    m_resumeAtClosingMark = true;
    struct ResetAtExit {
        bool& flag;
        ~ResetAtExit() { flag = false; }
    } reset{m_resumeAtClosingMark};
    openLibraryBook(*book, chosen.source);
}

// The list is the reader's convenience: a list that cannot be written never stops a book.
void Session::noteRecentBook(const library::Book& book, const std::string& sourcePath) {
    try {
        m_recentBooks = library::noteRecentBook(m_fs, m_loc.dataFolder,
                                                {book.key, book.manifest.title, sourcePath});
    } catch (const UserError&) {
        return;
    }
    showRecentBooks();
}

void Session::showRecentBooks() {
    std::vector<std::string> titles;
    for (const library::RecentBook& book : m_recentBooks)
        titles.push_back(book.title.empty() ? fileNameOf(book.source)
                                            : encoding::utf8ToWindows1252(book.title));
    m_view.setRecentBooks(titles);
}

// The collection's bookmark file is seeded with the book's section last, so its last line (the
// closing line, never listed) would hide the section's oldest entry: the section gets an empty
// closing line of its own. A file that cannot be read or written is left for the bookmark
// commands to report.
void Session::closeBookSection(const std::string& key) {
    const std::string& path = m_loc.bookmarkFile;
    const auto lock = m_fs.lock(path);
    std::optional<std::string> bytes;
    try {
        bytes = m_fs.readFile(path, kBookmarkFileCap);
    } catch (const FileTooLarge&) {
    }
    if (!bytes) return;
    Lines list = splitLines(*bytes);
    if (!bookmarks::closeLastSection(list, "<<" + key)) return;
    try {
        writeBookmarkLines(list);
    } catch (const UserError&) {
    }
}

} // namespace qm
