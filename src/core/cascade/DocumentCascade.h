#pragma once
// Cascading a book whose structure is known (title, author, blocks, chapters) into stored
// lines: the banner, then every block in reading order. A heading gets a reference point,
// numbered through the book, and a bold title at level 00; a chapter that opens at another
// kind of block gets a reference point line of its own there. Paragraphs are cascaded as
// prose, with their style tags carried through; verbatim lines stand as they are; an entry
// (a line of the book's printed contents) is wrapped to the line width without colours; a
// scene break shows "* * *"; a picture shows "[image]". Sentences are parsed by `parser` (nullptr:
// the lexicon rules), as for the Cascader.
#include "core/base/Text.h"
#include "core/cascade/Document.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm::cascade {

class SentenceParser;

struct CascadedBook {
    Lines lines; // UTF-8, as the cascader writes them; the banner first and "END" last
    // The reference point of each chapter, in the order of Document::chapters ("refpt001");
    // empty for a chapter beyond the last number a reference point can carry.
    std::vector<std::string> chapterPoints;
};

// Told the fraction of the blocks done so far, before each chapter and every few hundred
// blocks; returning false stops the cascade.
using CascadeProgress = std::function<bool(double done)>;

// Nothing when the progress callback stopped it.
std::optional<CascadedBook> cascadeDocument(const Document& doc, SentenceParser* parser,
                                            const CascadeProgress& progress = {});

// Receives each stored line once, in order; it may take the line's bytes.
using LineSink = std::function<void(std::string& line)>;

// The same lines handed to `sink` as they are made (the banner first, "END" last), so a book
// is never held whole in lines. Returns the chapters' reference points, one line each as
// CascadedBook::chapterPoints holds them; nothing when the progress callback stopped it (the
// sink has then had some of the lines).
std::optional<LineBuffer> cascadeDocumentTo(const Document& doc, SentenceParser* parser,
                                            const LineSink& sink,
                                            const CascadeProgress& progress = {});
// The same, letting go of each block's text once it is cascaded, so that the book's text does
// not stand whole beside the stored lines being made; the document's blocks are empty after.
std::optional<LineBuffer> cascadeDocumentReleasingTo(Document& doc, SentenceParser* parser,
                                                     const LineSink& sink,
                                                     const CascadeProgress& progress = {});

// The banner of a book: its title, and ", by " and its author when it names one; without
// either, its first heading or "Cascaded text". Style tags, control bytes and bars left out.
std::string bookBanner(const Document& doc);

} // namespace qm::cascade
