#pragma once
// The style tags of a book's text ("|i>" italic, "|b>" bold, "|n>" plain again) kept apart
// from the words while a paragraph is laid out, and put back into its phrase lines after:
// the tokenizer and the line widths never see them, and a span that crosses a line break
// simply carries on into the next line, as tags hold across lines on the page.
#include "core/base/Text.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qm::cascade {

struct StyleTag {
    std::size_t offset = 0; // byte of the plain text the tag stands before
    char code = 'n';        // 'i', 'b' or 'n'
};

struct StyledText {
    std::string plain; // words separated by single blanks, no bars, no control bytes
    std::vector<StyleTag> tags;
};

// Splits book text into its plain words and its style tags. Control bytes become blanks and
// runs of blanks fold into one; a bar that does not begin a style tag becomes a slash; the
// letter runs the page takes for a section marker or a reference point ("s000", "refp") are
// broken by a hyphen.
StyledText splitStyleTags(std::string_view text);

// Puts the tags back into the phrase lines out[first...] that were laid out from `plain`
// (each line "lNN", then the plain text's words in order with blanks and colour tags between
// them). A tag goes directly before the byte it stood before; a tag standing at a blank goes
// after the word before it. A span still open at the end is closed on the last line, unless
// `closeOpenSpan` is false (a piece of a paragraph that goes on in the next piece);
// `openBefore` tells that a span opened in an earlier piece is still open at the start.
void restoreStyleTags(const StyledText& styled, Lines& out, std::size_t first,
                      bool closeOpenSpan = true, bool openBefore = false);

// The text again with its tags in place (for lines shown as they stand).
std::string withStyleTags(const StyledText& styled);

// A line of text cut at blanks into pieces of at most `width` characters each, every piece
// with the tags that stand inside it; a word wider than that stays whole on a piece of its own.
// A tag standing at a cut goes after the word before it.
std::vector<StyledText> wrapStyledText(const StyledText& styled, std::size_t width);

} // namespace qm::cascade
