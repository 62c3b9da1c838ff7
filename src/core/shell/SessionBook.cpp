// Book files opened through the library of opened books: each becomes a one-book collection,
// shown as the catalogue command and a click on the book's line show any collection.
#include "core/base/Error.h"
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

    std::optional<int> bookLine;
    for (std::size_t i = 0; i < m_catalogue.size(); ++i) {
        if (entryKeyOfLine(m_catalogue[i]) == book.key) {
            bookLine = static_cast<int>(i);
            break;
        }
    }
    if (!bookLine)
        throw UserError("The catalogue " + book.files.catalogue + " does not list its book.");
    m_view.selectTocNode(*bookLine);
    m_skipNextClick = false;
    openFromContentsTree(bookLine);
    m_openDialogFileName = sourcePath;
}

} // namespace qm
