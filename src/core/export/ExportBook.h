#pragma once
// What an export writes: the text showing in the reader as its stored lines, with its title,
// author and chapters, and gathering them from what the reader has open.
#include "core/base/LineBuffer.h"
#include "core/base/Text.h"
#include "core/library/Library.h"
#include "core/port/FileSystem.h"

#include <string>
#include <string_view>
#include <vector>

namespace qm::cascade {
class SentenceParser;
}

namespace qm::exporting {

struct ExportChapter {
    std::string title;          // UTF-8
    std::string referencePoint; // "refpt001"
    int depth = 0;              // 0 for the book's own chapters
};

struct ExportBook {
    LineBuffer lines;   // the stored lines in the plain form, single-byte, the banner first
    std::string title;  // UTF-8
    std::string author; // UTF-8; may be empty
    std::string language = "en";
    std::vector<ExportChapter> chapters; // in the order of the contents tree
    std::string imageFolder; // where image tags' files are found (the program folder, with "/")
    bool drawsPictures = false; // a library book: its pictures are drawn, not "[image]"
};

// The stored lines of the text at `path` as opening it reads them: a built-in source, a stored
// text (UTF-8 converted to the page's form), or plain prose cascaded with `parser`; a text of a
// ".cdb" collection (record form) is given back in the plain form that shows the same lines.
// A stored text file is read in pieces, never held whole beside its lines. A file that cannot
// be read throws UserError "Cannot open file %s".
LineBuffer storedTextLines(FileSystem& fs, const std::string& path,
                           std::string_view catalogueExtension, cascade::SentenceParser* parser);

// The chapters the contents tree shows for the text of `textKey`: the lines below the first
// line naming the key alone that name the key with a reference point, at their depth below
// it. Titles are converted from the page's form to UTF-8.
std::vector<ExportChapter> catalogueChapters(const Lines& catalogue, std::string_view textKey);

// The title of the text of `textKey` in the catalogue (that of its first line naming the key
// alone), UTF-8; empty when none names it.
std::string catalogueTitle(const Lines& catalogue, std::string_view textKey);

// The author a banner names after its last ", by " (up to " -- "), UTF-8; empty when none.
std::string bannerAuthor(std::string_view banner);

// A book of the library as it is stored: its text, its catalogue's chapters, the title and
// author of its manifest. Throws UserError when its text cannot be read.
ExportBook libraryExportBook(FileSystem& fs, const library::Book& book);

// The chapters a text's own reference points give when the contents tree names none: each
// titled by the first line after it that shows any words.
std::vector<ExportChapter> referencePointChapters(const LineBuffer& lines);

} // namespace qm::exporting
