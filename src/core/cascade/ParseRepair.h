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

// The repairs of an opening clause (ParseRepairOpening.cpp), applied by repairParse.

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
