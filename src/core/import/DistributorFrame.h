#pragma once
// The frame that distributors of public-domain e-books put around a book: a header with the
// book's particulars ("Title:", "Author:") ending at a "*** START OF ..." line, and a licence
// footer from the "*** END OF ..." line on. Shared by the plain-text and the HTML readers.
#include "core/base/TextLines.h"

#include <string>
#include <string_view>
#include <vector>

namespace qm::import {

// The lines of UTF-8 text (CR, LF or CR LF ends) as views into it.
std::vector<std::string_view> splitLineViews(std::string_view text);

bool isFrameStartLine(std::string_view line);
bool isFrameEndLine(std::string_view line);

struct HeaderFields {
    std::string title;
    std::string author;
};

// "Title:" and "Author:" of a header, each with its indented continuation lines.
HeaderFields readHeaderFields(const std::vector<std::string_view>& headerLines);

// Where the book itself lies among the lines of a framed text.
struct Frame {
    std::size_t begin = 0; // first line of the book
    std::size_t end = 0;   // one past its last line
    bool framed = false;   // a start or an end line was found
    HeaderFields header;
};

// The book's lines without the header and footer, and without the producers' credits just
// after the start line and the "End of the ... e-book" line just before the end line. An
// unframed text is taken whole.
Frame findFrame(const std::vector<std::string_view>& lines);
// The same over lines found by index (a text too long for a view per line).
Frame findFrame(const TextLines& lines);

} // namespace qm::import
