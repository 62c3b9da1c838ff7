// Book files opened through the library of opened books: each becomes a one-book collection,
// shown as the catalogue command and a click on the book's line show any collection.
#include "core/base/Error.h"
#include "core/bookmarks/BookmarkList.h"
#include "core/catalogue/Catalogue.h"
#include "core/library/BookFile.h"
#include "core/shell/Session.h"

namespace qm {

void Session::openBook(const std::string& path) {
    openLibraryBook(library::openBookFile(m_fs, m_loc.dataFolder, path), path);
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
    openFromContentsTree(bookLine);
    m_openDialogFileName = sourcePath;
}

// The collection's bookmark file is seeded with the book's section last, so its last line (the
// closing line, never listed) would hide the section's oldest entry: the section gets an empty
// closing line of its own. A file that cannot be read or written is left for the bookmark
// commands to report.
void Session::closeBookSection(const std::string& key) {
    const std::string& path = m_loc.bookmarkFile;
    const auto lock = m_fs.lock(path);
    const std::optional<std::string> bytes = m_fs.readFile(path);
    if (!bytes) return;
    Lines list = splitLines(*bytes);
    if (!bookmarks::closeLastSection(list, "<<" + key)) return;
    try {
        writeBookmarkLines(list);
    } catch (const UserError&) {
    }
}

} // namespace qm
