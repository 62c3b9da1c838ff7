#pragma once
// The catalogue of a one-book collection, in the catalogue-line form the contents tree reads:
// the book's line naming its key as the root (the tree shows the book once), a line per
// chapter naming the book and the chapter's reference point, nested by the chapters' depth,
// and "(END)".
#include "core/base/Text.h"

#include <string>
#include <vector>

namespace qm::library {

struct CatalogueChapter {
    std::string title;          // single-byte, as the page shows it
    std::string referencePoint; // "refpt001"; a chapter without one is left out
    int depth = 0;
};

// Titles are single-byte. Levels go one deeper at most from line to line and stop at the
// deepest level the tree has; "<<" and "@" in titles, which would end the title early or
// name a reference point, are shown as "( " and "(at)".
// The root line shows bookTitle, which is also the application title. The lines come as the
// catalogue file holds them, each followed by CR LF, made without holding them as a list.
std::string bookCatalogueText(const std::string& key, const std::string& bookTitle,
                              const std::vector<CatalogueChapter>& chapters);

// A catalogue this library wrote before a one-book collection showed its book once: a root
// line of its own ("<<0none") above the book's level-1 line, every other entry deeper. The
// book becomes the root and every later line one level shallower; any other catalogue comes
// back unchanged.
Lines foldOneBookCatalogue(Lines catalogue);

} // namespace qm::library
