#pragma once
// A text read into display lines exactly as the reader opens it from its collection, for the
// tools that work on a text without a window (the word index, the print column).
#include "core/base/Text.h"
#include "core/port/FileSystem.h"

#include <string>

namespace qm {

namespace cascade {
class SentenceParser;
}

// The display lines of the text at this path (its built-in source for a key that has one,
// otherwise the file), in the form of the collection beside it (record form when a ".cdb"
// catalogue there lists the text's key). Throws UserError as opening does, and "Cannot open
// file %s" for a text that cannot be read. A ".txt" text is cascaded with `parser` (nullptr:
// the lexicon rules).
Lines openedTextLines(FileSystem& fs, const std::string& textPath, cascade::SentenceParser* parser);

} // namespace qm
