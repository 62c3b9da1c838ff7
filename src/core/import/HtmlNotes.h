#pragma once
// A book's notes set at the end of their chapters: each note that a reference leads to (an
// element marked as a note, or else the paragraph the reference links to) moves to the end of
// the chapter holding its first reference, and starts with that reference's mark ("[1] ...").
#include "core/cascade/Document.h"
#include "core/import/HtmlBlocks.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qm::import {

// An element marked as a note by its (epub:)type, role or class attribute (any may be null).
bool isNoteElement(const char* type, const char* role, const char* cls);
// A link marked as a note reference by its (epub:)type or role attribute.
bool isNoteReference(const char* type, const char* role);

// The mark of a note reference from its link's text ("1", "[12]", "*"), or empty when the
// text is no mark. Digits and asterisks count as marks when raised or bracketed, a letter or
// two also when raised; a link marked as a note reference may carry any short text.
std::string noteMarkOf(std::string_view text, bool raised, bool typed);

// Where a link leads, as HtmlBlocks::blockOf names places ("file#id"), or nothing.
using LinkTarget = std::function<std::optional<std::string>(const HtmlLink&)>;

// Moves the notes of `doc` (whose blocks `blocks` recorded) and keeps the chapters at their
// blocks. A note that holds a chapter's start stays where it is.
void placeNotes(cascade::Document& doc, HtmlBlocks& blocks, const LinkTarget& targetOf);

} // namespace qm::import
