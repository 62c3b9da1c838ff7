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
    std::string text;      // the .tvt bytes (empty when they went to a sink)
    std::string catalogue; // the .toc bytes
    BookManifest manifest;
};

// Told the fraction done (0 to 1); returning false stops the layout.
using LayoutProgress = std::function<bool(double done)>;
// Receives bytes of a file being made, in order.
using ByteSink = std::function<void(std::string_view bytes)>;

// Nothing when the progress callback stopped it. The cascaded lines are converted and handed
// to `text` as they are made, so the book is never held in lines or whole; the document goes
// once it is cascaded. Sentences are parsed by `parser` (nullptr: the lexicon rules).
std::optional<LaidOutBook> layOutBook(cascade::Document doc, const std::string& key,
                                      std::string_view sourceName,
                                      const std::function<std::string(std::string_view)>& convert,
                                      cascade::SentenceParser* parser,
                                      const LayoutProgress& progress, const ByteSink& text);
// The same with the stored text kept in LaidOutBook::text.
std::optional<LaidOutBook> layOutBook(cascade::Document doc, const std::string& key,
                                      std::string_view sourceName,
                                      const std::function<std::string(std::string_view)>& convert,
                                      cascade::SentenceParser* parser,
                                      const LayoutProgress& progress);

// The word index file (.tvx bytes) of the stored text that `stored` reads, made from its
// display lines one by one exactly as the reader makes them; they are appended to `display`
// when it is given.
std::string storedTextIndex(StoredLineSource& stored, Lines* display = nullptr);
// The same bytes handed to `index` a line at a time.
void storedTextIndexTo(StoredLineSource& stored, const ByteSink& index);

} // namespace qm::library
