#pragma once
// HTML books (.htm, .html): one file read as an EPUB chapter file is, with the distributor's
// header and footer stripped as in plain texts, chapters from the book's own contents links
// or else from its h1-h3 headings.
#include "core/cascade/Document.h"
#include "core/import/BookPictures.h"
#include "core/import/DistributorFrame.h"
#include "core/import/HtmlBlocks.h"

#include <optional>
#include <string>
#include <string_view>

namespace qm::import {

// The structure of an HTML book already decoded to UTF-8. The title is the header's "Title:"
// or else the <title> element; the author the header's "Author:". Its pictures are read with
// `localFiles`, given their paths relative to the book's folder (never outside it, never from
// the network); without it, a picture's block holds its alt text.
cascade::Document readHtmlBook(std::string_view utf8, const PictureFetch& localFiles = {});

// The path an <img src> names inside the book's folder, or nothing when it leads elsewhere
// (a scheme, an absolute path, a step above the folder).
std::optional<std::string> localPicturePath(std::string_view src);

// Strips the distributor's frame from the blocks of an HTML book or of an EPUB's chapter files:
// every block up to the one holding the "*** START OF" line, from the one holding "*** END OF"
// on, and an "End of the ..." paragraph before it. The header's title and author are read from
// the blocks stripped before the start.
HeaderFields stripDistributorFrame(cascade::Document& doc, HtmlBlocks& blocks);

// Chapters from the headings h1 to maxLevel among the blocks, nested by level.
void chaptersFromHeadings(cascade::Document& doc, int maxLevel);

} // namespace qm::import
