#pragma once
// Plain-text books as distributors give them: the frame stripped, the book's own contents
// list kept as lines, chapter headings found, paragraphs joined from their hard line ends,
// "_word_" in italics and "* * *" as a scene break.
#include "core/cascade/Document.h"

#include <string_view>

namespace qm::import {

// The structure of a plain-text book already decoded to UTF-8. Title and author come from the
// distributor's header when it has one, else they are empty.
cascade::Document readPlainTextBook(std::string_view utf8);

} // namespace qm::import
