#pragma once
// The word index file and the tree built from it.
//
// File: single-byte text, one word per line followed by its references with nothing between
// them. A reference is "|" + 9 or 10 characters: four filler characters that are never shown,
// then the display-line index in decimal (5 or 6 characters, leading zeros or blanks allowed).
// The two lengths may be mixed on one line. Lines are expected in alphabetical order, so that
// words with the same first letter (ignoring case) are adjacent.
//
// Tree: a root "Index"; a letter node (one lower-case character) wherever the first character
// of the lines changes, ignoring case; a word node under the last letter node; a reference node
// ("  " + the line index as written) under the last word node. Each word's references come
// first all 10-character ones, then all 11-character ones, each group in file order. A node
// whose parent kind does not exist yet stands at the top level.
//
// The nodes are listed in the order they are added: every parent before its children and
// siblings in their order. Empty file lines are skipped. Any bytes are accepted: a bar in
// another place or a reference of another length simply stays part of the word.
#include "core/base/Text.h"
#include "core/base/Tree.h"

#include <optional>

#include <string_view>
#include <vector>

namespace qm {

// The Index page's instructions, shown until an index is loaded.
Lines indexInstructionLines();

// Builds the node list from the bytes of an index file in one pass over them.
std::vector<IndexNode> buildIndexTree(std::string_view fileBytes);

// The node that the tree selects after a load: the second node in display order (the first
// child of the root, or else the next top-level node); nothing when the tree is only its root.
std::optional<int> firstSelectableIndexNode(const std::vector<IndexNode>& nodes);

} // namespace qm
