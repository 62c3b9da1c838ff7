#pragma once
// Rules over the bookmark list (the bookmark file's lines): finding a text's section, the
// fix-up that gives a missing section a header at the end, the listed part of a section and
// the parts of an entry.
//
// File form: one line per list line, CR LF after each. A section is a line "<<" + text key
// and the lines below it up to the next line starting with "<<". The first line is never
// matched as a header, and the last line (the closing line) is neither matched nor listed.
// An entry is "#" + top line + " " + name; new entries go directly below the header, so the
// newest comes first. At most kMaxListed lines of a section are listed.
#include "core/base/Text.h"

#include <string>
#include <string_view>

namespace qm::bookmarks {

constexpr int kMaxListed = 98;

// Index of the first line from index 1 that equals header, stopping at the last line: a
// missing section gives count - 1 (or 1 for a list of fewer than three lines).
int findHeader(const Lines& list, std::string_view header);

// Gives the section a header at the end of the list when the search found none: after a last
// line that is a header or an entry the header is appended; an empty last line becomes the
// header and an empty closing line follows. A last line with any other text is kept, and the
// header and an empty closing line follow it. Returns true when the list changed.
bool fixUpSection(Lines& list, const std::string& header);

// Index of the first line after the section's listed part: the next header, the closing line,
// or header index + kMaxListed + 1, whichever comes first.
int listedEnd(const Lines& list, int headerIndex);
// The same without the listing limit.
int sectionEnd(const Lines& list, int headerIndex);

// When the section is the last in the list and runs to its end (its header or an entry as the
// last line), appends an empty closing line, so that no line of the section is the closing
// line, which is never listed. Returns true when the list changed. A one-book collection's
// file is seeded with its book's section last; without this its oldest entry would be hidden.
bool closeLastSection(Lines& list, std::string_view header);

// Makes sure a line can be inserted directly below the section's header: pads a list of fewer
// than two lines with empty lines, applies the fix-up, and returns the header's index.
int prepareSection(Lines& list, const std::string& header);

// The characters from the second one up to the one before the first blank (empty when the
// line has no blank): an entry's top line.
std::string_view topLineText(std::string_view line);
// Everything after the first blank; the whole line when it has none.
std::string_view nameOf(std::string_view line);

} // namespace qm::bookmarks
