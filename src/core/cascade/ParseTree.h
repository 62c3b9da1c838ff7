#pragma once
// Questions about a parsed sentence that both the layout and its measurement ask: is it a
// tree, how deep each word sits in the clause structure, and which gaps between words lie
// inside a unit that a line break must never split.
#include "core/grammar/Parse.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
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

// Whether word w spells `lower` (lower-case) in any case.
bool isWord(std::string_view text, const grammar::Word& w, std::string_view lower);
// Whether word w spells any of `lowers` in any case.
bool isAnyWord(std::string_view text, const grammar::Word& w,
               std::initializer_list<std::string_view> lowers);

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

// A parser often takes a clause that opens the sentence ("If you look closely, you see it")
// for the main clause: its `mark` (or a "when" or "while" taken as `advmod`) then hangs on the
// root, and the real main clause on it.
// Where the root has such an opening word and a later clause (advcl, ccomp, parataxis, conj,
// dep, acl) with a subject of its own that is not a relative word, and no `mark` or `cc`, that
// clause becomes the root and the opening clause its `advcl`. Failing that, the tags decide:
// after the first comma past the root, a plain subject phrase and a verb make that verb the
// root (the parse may hang the main clause anywhere, even on the comma), and so does a verb
// right after that comma that is no participle (a command: "If you want help, contact us").
// A root that is a participle opening the sentence without a subject or an auxiliary
// ("Authorised by the minister, its army launched") is repaired by the tags alone. Returns
// whether the tree changed. Requires isTree; keeps it a tree.
bool rerootOpeningClause(std::string_view text, grammar::Sentence& words);

// A parser also hangs the main clause's subject inside a clause that opens the sentence ("If
// they cannot find a way to end the process, / cells of radicals may grow up": "cells" as an
// apposition of "process"; "After firing this company / my next pool service found").
// Where the root is a verb (or has a copula) without a subject, an `advcl` opens the sentence
// before it, and the noun phrase right before the root's verb group hangs back into that
// clause by an arc that rarely joins a noun to what precedes it (appos, dep, an unmarked nmod
// or obl, a conj without a coordinator), that phrase becomes the root's subject. Returns
// whether the tree changed. Requires isTree; keeps it a tree.
bool attachStrandedSubject(std::string_view text, grammar::Sentence& words);

// A parser also makes a prepositional phrase that opens the sentence its root and hangs the
// main clause on it ("Through the snow and the gathering dark / a little girl was walking":
// "walking" as a parataxis of "dark"). Where the root is a noun with a preposition, without a
// subject or a copula, nothing before it hangs elsewhere, and a verb after it with a subject of
// its own and no subordinator or coordinator hangs in its phrase by a loose arc (parataxis,
// dep, conj, or an adverbial clause that nothing marks as one), that verb becomes the root and
// the phrase its `obl`. Returns whether the tree
// changed. Requires isTree; keeps it a tree.
bool rerootFrontedPhrase(std::string_view text, grammar::Sentence& words);

} // namespace qm::cascade
