#pragma once
// A book's notes set at the end of their chapters: each note that a reference leads to (an
// element marked as a note, or else the paragraph the reference links to) moves to the end of
// the chapter holding its first reference, and starts with that reference's mark ("[1] ...").
#include "core/cascade/Document.h"
#include "core/import/HtmlBlocks.h"

#include <functional>
#include <optional>
#include <string>

namespace qm::import {

// Where a link leads, as HtmlBlocks::blockOf names places ("file#id"), or nothing.
using LinkTarget = std::function<std::optional<std::string>(const HtmlLink&)>;

// Moves the notes of `doc` (whose blocks `blocks` recorded) and keeps the chapters at their
// blocks. A note that holds a chapter's start stays where it is.
void placeNotes(cascade::Document& doc, HtmlBlocks& blocks, const LinkTarget& targetOf);

} // namespace qm::import
