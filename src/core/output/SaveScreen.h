#pragma once
// The lines of a page as "Save Screen as Text File" writes them (and the headless --page-text
// option prints them): display lines top through nextTop (top always, even when nextTop is
// smaller), tags removed, paragraph and section markers and image lines dropped.
#include "core/base/LineBuffer.h"
#include "core/base/Text.h"

#include <string_view>

namespace qm {

// Throws UserError "List index out of bounds (%d)" naming the first index of the range that
// is not in the list; nothing is returned then.
Lines saveScreenLines(const LineBuffer& displayLines, int top, int nextTop);

// One display line as it is saved, or false when the line is dropped: tags removed; a line
// whose trimmed text is four characters and that starts with "p" or "s" (a marker, or a
// four-letter word at level 0 such as "soon ") is dropped, and so is any line holding "age>"
// (what an image tag leaves behind).
bool saveScreenLine(std::string_view displayLine, std::string& out);

} // namespace qm
