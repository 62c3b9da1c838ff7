#pragma once
// Catalogue lines and the contents tree built from them.
//
// A catalogue line is title + "<<" + level character + entry key [+ "@" + reference point].
// Levels "0" to "5" give the depth; a node hangs under the node made last at the level above
// it, so a well-formed catalogue (first line level 0, each level at most one deeper than the
// line before, every line but the last holding "<<") gives a tree whose nodes, walked top to
// bottom, stand in the order of their lines. Any other catalogue still builds a tree.
#include "core/base/Text.h"
#include "core/base/Tree.h"
#include "core/port/FileSystem.h"

#include <cstddef>
#include <optional>
#include <string>

namespace qm {

// The collection's built-in catalogue, 15 lines ending with "(END)".
Lines builtInCatalogueLines();

// The contents tree of a catalogue, in display order (parents before children). Lines
// without "<<" make no node.
Tree buildCatalogueTree(const Lines& catalogue);

// The application title: the root line's title, trimmed; empty when line 0 holds no "<<".
std::string catalogueApplicationTitle(const Lines& catalogue);

// The first bookmark file of a collection: for every line but the last that holds "<<" and
// no "@", the part from its first "<<" on without the level character (a section header).
Lines bookmarkSeedLines(const Lines& catalogue);

// The entry key of a line: what follows the level character after the first "<<", trimmed
// (it may still carry "@" + reference point). A line without "<<" names no entry.
std::string entryKeyOfLine(const std::string& line);

// The title of a line: the part before its first "<<", trimmed.
std::string titleOfLine(const std::string& line);

// The line whose title captions the entry on line `index`: a story (its key holds "@") takes
// the title of the nearest line above it that holds no "@" (or line 0); any other entry its own.
std::size_t captionLineFor(const Lines& catalogue, std::size_t index);

// The catalogue extension of the collection a text belongs to: that of the first catalogue
// file (".toc" or ".cdb", any letter case; by name) in the text's folder with an entry of the
// text's key. Texts of a ".cdb" collection are stored in the record form. Without such a
// catalogue, ".toc", as at start-up.
std::string collectionExtensionOf(const FileSystem& fs, const std::string& textPath);

// Index of the first line from 1 up to, not including, the last that holds "<<1author".
std::optional<std::size_t> authorSectionLine(const Lines& catalogue);

} // namespace qm
