#pragma once
// One step of the text search over the display lines, without a session: the window's find
// dialog, the headless runner and the tests all go through these two functions.
//
// The step scans raw display lines (leading blanks, line codes and tags included) for the
// first word of the pattern, starting two lines beyond its start line, and when the pattern
// holds a blank confirms the whole phrase on the tag-free join of the line found and the one
// after it. Lines outside the list are never read: one beyond the last counts as empty.
#include "core/base/LineBuffer.h"
#include "core/base/Text.h"
#include "core/text/LineSpan.h"

#include <optional>
#include <string_view>

namespace qm {

struct FindResult {
    enum class Kind {
        Hit,     // the pattern was found at hitLine
        Miss,    // nothing found (or nowhere left to search): the dialog closes
        NoSearch // empty find text: nothing changes and the dialog stays open
    };
    Kind kind = Kind::Miss;
    int startLine = 0; // the line the step searched from; meaningful unless Miss at an end
    int hitLine = 0;
};

// A find step from the page [top, nextTop) in the given direction.
FindResult findStep(const LineBuffer& lines, int top, int nextTop, std::string_view findText,
                    bool down, bool matchCase);

// The line that should start the page showing a hit: the paragraph line above the hit, unless
// that lies at or before the start line, then the hit itself. Nothing when the hit is on the
// list's last line (which is never drawn).
std::optional<int> pageTopForHit(const LineBuffer& lines, int hitLine, int startLine);

// A line a page may start at to show the hit when the page from its paragraph line ends
// above it (a paragraph longer than a page): the first line from `from` on where a page may
// end (in a cascaded text, the break before a sentence), so that the page starts with a
// whole sentence; the hit itself when no such line lies before it.
int hitPageStart(const LineBuffer& lines, int from, int hitLine);

// The characters of a hit, as the page lights them: each occurrence of the find text in the
// hit line; for a phrase, its first occurrence in the tag-free join of the hit line and the
// next (the text the phrase test matched), mapped back to the characters of the two lines.
// Case is compared as the step compares it. Empty when the text does not occur there.
LineSpans foundSpans(const LineBuffer& lines, int hitLine, std::string_view findText,
                     bool matchCase);

} // namespace qm
