#pragma once
// The catalogue of a one-book collection, in the catalogue-line form the contents tree reads:
// the collection's root line, the book's line naming its key, a line per chapter naming the
// book and the chapter's reference point, nested by the chapters' depth, and "(END)".
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
// The root line shows rootTitle (the application title); the book's line shows bookTitle.
Lines bookCatalogueLines(const std::string& key, const std::string& rootTitle,
                         const std::string& bookTitle,
                         const std::vector<CatalogueChapter>& chapters);

} // namespace qm::library
