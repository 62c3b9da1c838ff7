#pragma once
// A cascaded text as an EPUB 3 that older readers take too (it carries an EPUB 2 toc.ncx):
// one XHTML file per chapter of the contents tree, a navigation document and an NCX listing
// the chapters at their depth, the style sheet of EpubLines.h, the pictures its image tags
// name (the first one before any chapter as the cover), and metadata: title, author,
// language, an identifier made from the text's digest (the same text always gets the same
// one), the time of writing and the mark that this reader laid it out, with the layout
// version (import/CascadeMarkup.h), by which the reader takes it back as it stands.
#include "core/export/ExportBook.h"
#include "core/port/FileSystem.h"

#include <functional>
#include <string>
#include <string_view>

namespace qm::exporting {

struct EpubOptions {
    bool shades = false;  // paragraphs on their shade's background
    std::string modified; // "CCYY-MM-DDThh:mm:ssZ"; empty: now
};

// Told the fraction done (0 to 1) before each file; an exception it throws stops the writing
// and comes out of epubBytes.
using ExportTick = std::function<void(double done)>;

// Writes the EPUB to `sink` in pieces, its chapters made one at a time as the archive takes
// them. Picture files are read through `fs`. Throws UserError when the archive cannot be
// made; an exception the sink throws comes out too.
void writeEpub(const ExportBook& book, const EpubOptions& options, const FileSystem& fs,
               const std::function<void(std::string_view)>& sink, const ExportTick& tick = {});

// The EPUB's bytes whole.
std::string epubBytes(const ExportBook& book, const EpubOptions& options, const FileSystem& fs,
                      const ExportTick& tick = {});

// "urn:uuid:" and a name-based UUID made from the SHA-256 digest of the lines.
std::string contentIdentifier(const LineBuffer& lines);

} // namespace qm::exporting
