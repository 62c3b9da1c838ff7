#pragma once
// Tests on single words, shared by the parse repairs, both layouts and the layout's
// measurement: by tag, by spelling (a word of a parse, or a token's core) against the closed
// lists they look words up in, and by ending. Where two tests differ on purpose, their names
// and notes say why.
#include "core/cascade/Tokenizer.h"
#include "core/grammar/Parse.h"

#include <initializer_list>
#include <string_view>

namespace qm::cascade {

// ---- By tag ----

// A verb or an auxiliary: a word that heads a verb group.
bool isVerbal(grammar::Upos u);
// A noun or a name: a word a determiner's phrase may end on (a pronoun or a number does not).
bool isNoun(grammar::Upos u);
// A noun, a name or a pronoun: a word a clause can modify or stand in for (a number is not).
bool isNounOrPronoun(grammar::Upos u);
// A noun, a name, a pronoun or a number: a word that can be a subject or a phrase's head.
bool isNominal(grammar::Upos u);

// ---- By spelling: a word of a parse, `text` the sentence its offsets point into ----

// Whether word w spells `lower` (lower-case) in any case.
bool isWord(std::string_view text, const grammar::Word& w, std::string_view lower);
// Whether word w spells any of `lowers` in any case.
bool isAnyWord(std::string_view text, const grammar::Word& w,
               std::initializer_list<std::string_view> lowers);
// Whether word w is exactly these bytes.
bool isText(std::string_view text, const grammar::Word& w, std::string_view s);
// "to" or "To": the tight units' test for an infinitive's marker, which takes "TO" in capitals
// for no marker (isWord(..., "to") takes any case).
bool isLowerOrCapitalTo(std::string_view text, const grammar::Word& w);
// A relative pronoun: who, which, that, whom, whose, what.
bool isRelativeWord(std::string_view text, const grammar::Word& w);
// A relative pronoun or a wh-adverb (where, when, why, how): a word that joins its clause on
// to a word before it, as a subordinator does.
bool isRelativeOrWhAdverb(std::string_view text, const grammar::Word& w);
// Adverbs that open a clause the way a subordinating conjunction does ("when she came").
bool isSubordinatingAdverb(std::string_view text, const grammar::Word& w);
// Prepositions that also open a clause ("as he said", "after she left").
bool isSubordinatingPreposition(std::string_view text, const grammar::Word& w);
// Auxiliaries and copulas that make their verb group finite ("is", "can", "had", "'s").
bool isFiniteAuxiliary(std::string_view text, const grammar::Word& w);
// Past participles that do not end like one ("anything left of it", "a house built").
bool isIrregularParticiple(std::string_view text, const grammar::Word& w);

// ---- By ending ----

// "-ed", "-ing" or "-en".
bool hasParticipleEnding(std::string_view word);
// A word the tagger calls a verb, of five letters or more, with a participle's or a gerund's
// ending ("authorised", "walking", "taken"): the parse repairs' test, which leaves the short
// "need" and "feed" out.
bool isParticipleVerb(std::string_view text, const grammar::Word& w);
// A token of four letters or more with a participle's ending, for the parse layout, whose
// tags (or the auxiliary before the word) have already said it is a verb.
bool endsLikeParticiple(std::string_view text, const Token& t);
// The same for the lexicon rules, which have no tags to tell a noun from a participle:
// "-thing" ("nothing", "something") is not a participle's ending there, and "-wn" ("drawn",
// "known") is one.
bool endsLikeParticipleNoTags(std::string_view text, const Token& t);

} // namespace qm::cascade
