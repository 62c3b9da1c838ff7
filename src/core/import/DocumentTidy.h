#pragma once
// The last pass of every reader over its Document.
#include "core/cascade/Document.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace qm::import {

// The book's printed contents list settled (ContentsList.h); scene breaks stand only between prose
// (none at the start or end, before or after a heading, or twice in a row); chapters keep pointing
// at the same blocks, and any that point past the end are dropped.
void tidyBlocks(cascade::Document& doc);

// The longest title, author and chapter title kept, in characters: longer than any book's
// own, short of a field that swamps the page and the contents tree (a 4 KB EPUB can name a
// title of a million characters).
constexpr std::size_t kMaxTitleChars = 1000;
constexpr std::size_t kMaxAuthorChars = 500;
constexpr std::size_t kMaxChapterTitleChars = 500;

// Cuts the title, the author and every chapter title to those lengths.
void capFields(cascade::Document& doc);

// UTF-8 text cut to at most `maxChars` characters: at a character boundary, never inside a
// style tag, without a blank at the cut.
std::string_view cappedText(std::string_view text, std::size_t maxChars);

// Text without the style tags "|i>", "|b>" and "|n>" (for chapter titles).
std::string removeStyleTags(std::string_view text);

} // namespace qm::import
