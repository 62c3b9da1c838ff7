#pragma once
// The small manifest kept beside a stored book: where it came from, its title and author (as
// the book gives them, UTF-8) and the cascader layout version it was laid out with. One
// "name=value" line each; unknown names are ignored so later versions can add lines.
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
};

Lines manifestLines(const BookManifest& m);

// Nothing when the lines lack the key or a layout version that is a number.
std::optional<BookManifest> parseManifest(const Lines& lines);

} // namespace qm::library
