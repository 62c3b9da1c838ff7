#pragma once
// The repairs the cascader makes to a parse before laying it out: where a cheap signal the
// words and tags give (an opening subordinator, a comma, a subject and a finite verb)
// contradicts the parse, the layout follows the signal.
#include "core/grammar/Parse.h"

#include <string_view>

namespace qm::cascade {

// Applies every repair, in order, to a tree; `text` is the sentence the word offsets point
// into. Returns whether the tree changed. Requires isTree; keeps it a tree.
bool repairParse(std::string_view text, grammar::Sentence& words);

} // namespace qm::cascade
