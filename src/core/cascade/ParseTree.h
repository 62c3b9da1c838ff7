#pragma once
// Questions about a parsed sentence that the repairs, the layout and its measurement ask: is
// it a tree, where is its root, how deep each word sits in the clause structure, and which
// gaps between words lie inside a unit that a line break must never split.
#include "core/grammar/Parse.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qm::cascade {

// True when every head is in range, exactly one word is the root and no head chain loops.
bool isTree(const grammar::Sentence& words);

// The index of the sentence's root word, or the sentence's length when it has none.
std::size_t rootOf(const grammar::Sentence& words);

// Whether word w hangs, through any number of arcs, on word a (w itself counts); stops after
// as many steps as there are words, so a looping tree gives false.
bool descendsFrom(const grammar::Sentence& words, std::size_t w, std::size_t a);

// The depth of every word: the arcs from it up to the root. With `conjCounts` false a `conj`
// arc counts for nothing (coordinated items are siblings of the first of them, so they line
// up): the depth in the clause structure. Requires isTree.
void wordDepths(const grammar::Sentence& words, bool conjCounts, std::vector<int>& depth);

// tightAfter[i] != 0 when the gap between word i and word i + 1 lies inside a unit that never
// breaks:
// - a base noun phrase: a word with its det, predet, amod, nummod, compound and nmod:poss
//   dependents on its left (every gap from the dependent to the head);
// - a number with its unit (nummod either side), a name (flat), a fixed expression (fixed,
//   goeswith);
// - a verb with its aux and aux:pass (when only auxiliaries and adverbs of that verb stand
//   between them) and with its particle (compound:prt);
// - "to" (mark) with its verb;
// - a preposition (case) with the first word of its object (the gap right after it).
// `text` is the sentence the word offsets point into. Requires isTree.
void tightGaps(std::string_view text, const grammar::Sentence& words,
               std::vector<std::uint8_t>& tightAfter);

} // namespace qm::cascade
