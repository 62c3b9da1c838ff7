#pragma once
// Moving a book's bookmarks to a new layout of the same words. A bookmark names a top line of
// the old display lines; it is taken to the first word at or below that line, counted from
// the start of the book, and moved to the line that holds the same word in the new layout
// (wordless lines above it, a heading's reference point for one, stay above it). A bookmark
// whose line is not a number, lies beyond the text, has no word below it, or whose word is not
// the same word in the new layout cannot be moved: it is kept as it stands and reported.
#include "core/base/Text.h"

#include <string>
#include <vector>

namespace qm::library {

struct MovedBookmarks {
    Lines entries; // the section's lines, in their order, moved where they could be
    std::vector<std::string> unmoved; // the entries that could not be moved, as they stand
    std::size_t moved = 0;
};

// Entries are bookmark lines ("#" + top line + " " + name); other lines pass unchanged.
MovedBookmarks moveBookmarks(const Lines& oldDisplay, const Lines& newDisplay,
                             const Lines& entries);

} // namespace qm::library
