#pragma once
// The small manifest kept beside a stored book: where it came from, the digest of its source
// bytes, its title and author (as the book gives them, UTF-8), the cascader layout version it
// was laid out with, which layout folder holds its files, and a bookmark move that a new
// layout still owes. One "name=value" line each; unknown names are ignored so later versions
// can add lines.
#include "core/base/Text.h"

#include <optional>
#include <string>
#include <string_view>

namespace qm::library {

struct BookManifest {
    std::string key;
    std::string source; // the file name the book was opened from
    std::string title;
    std::string author;
    int layoutVersion = 0;
    std::string digest; // SHA-256 of the source bytes; empty in books stored before it was kept
    // The layout folder holding the text, catalogue and index: 0 for the book's own folder,
    // n for its subfolder "layout<n>/". Each new layout of a stored book gets the next one.
    int layoutFolder = 0;
    // Set while the bookmarks of the layout in this folder still have to be moved to this one.
    std::optional<int> movingFrom;
};

Lines manifestLines(const BookManifest& m);

// Nothing when the lines lack the key or a layout version that is a number.
std::optional<BookManifest> parseManifest(const Lines& lines);

} // namespace qm::library
