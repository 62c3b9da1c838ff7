#pragma once
// Laying a book's structure out as the files of its one-book collection, in memory: the
// stored text in the page's single-byte form, its catalogue, its word index and its manifest.
#include "core/base/Text.h"
#include "core/cascade/Document.h"
#include "core/library/BookManifest.h"
#include "core/text/LineFormat.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qm::cascade {
class SentenceParser;
}

namespace qm::library {

struct LaidOutBook {
    std::string text;      // the .tvt bytes
    std::string catalogue; // the .toc bytes
    BookManifest manifest;
};

// Told the fraction done (0 to 1); returning false stops the layout.
using LayoutProgress = std::function<bool(double done)>;

// Nothing when the progress callback stopped it. The cascaded lines are converted as they are
// made, so the book is never held in lines; its blocks are let go once cascaded. Sentences are
// parsed by `parser` (nullptr: the lexicon rules).
std::optional<LaidOutBook> layOutBook(cascade::Document doc, const std::string& key,
                                      std::string_view sourceName,
                                      const std::function<std::string(std::string_view)>& convert,
                                      cascade::SentenceParser* parser,
                                      const LayoutProgress& progress);

// The word index file (.tvx bytes) of the stored text that `stored` reads, made from its
// display lines one by one exactly as the reader makes them; they are appended to `display`
// when it is given.
std::string storedTextIndex(StoredLineSource& stored, Lines* display = nullptr);

} // namespace qm::library
