#include "core/cascade/ParseRepair.h"

#include "core/cascade/ParseTree.h"
#include "core/cascade/WordTests.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace qm::cascade {

using grammar::Rel;
using grammar::Upos;

namespace {

// A parser sometimes makes the coordinator that opens the sentence its root and hangs the
// opening clause on it ("And if anyone else has voted, / what did you vote for?"). Where the
// root is a coordinator or an adverb before everything else, and the sentence's first word
// after it is a subordinator whose clause hangs on the root, that clause's verb becomes the
// root with the coordinator on it, so the repairs of an opening clause can find the main
// clause after it.
bool lowerCoordinatorRoot(grammar::Sentence& words) {
    const std::size_t n = words.size();
    const std::size_t root = rootOf(words);
    if (root + 2 >= n || (words[root].upos != Upos::Cconj && words[root].upos != Upos::Adv))
        return false;
    for (std::size_t w = 0; w < root; ++w) {
        if (words[w].upos != Upos::Punct) return false;
    }
    const std::size_t mark = root + 1;
    if (words[mark].rel != Rel::Mark || words[mark].head == 0) return false;
    const std::size_t clause = words[mark].head - 1;
    if (words[clause].head != root + 1 || words[clause].rel != Rel::Advcl) return false;
    words[clause].head = 0;
    words[clause].rel = Rel::Root;
    words[root].head = static_cast<std::uint32_t>(clause + 1);
    words[root].rel = words[root].upos == Upos::Cconj ? Rel::Cc : Rel::Advmod;
    return true;
}

// A clause the parser coordinates with a word although it opens with a subordinator and has no
// coordinator ("It is a truth universally acknowledged, / that a single man ... / must be in
// want of a wife", "want" a conj of "truth") depends on that word: an acl of a noun, otherwise
// a ccomp with "that", "whether" or "if" and an advcl with any other subordinator. A run of like
// clauses stays coordinated ("that he came, that he saw"): the first of them has a subordinator
// too.
bool subordinateMarkedConjuncts(std::string_view text, grammar::Sentence& words) {
    const std::size_t n = words.size();
    std::vector<std::size_t> mark(n, n);
    std::vector<bool> hasCc(n, false);
    for (std::size_t w = 0; w < n; ++w) {
        if (words[w].head == 0) continue;
        const std::size_t h = words[w].head - 1;
        if (words[w].rel == Rel::Cc) hasCc[h] = true;
        if (words[w].rel == Rel::Mark && w < h && mark[h] == n && !isWord(text, words[w], "to"))
            mark[h] = w;
    }
    bool changed = false;
    for (std::size_t d = 0; d < n; ++d) {
        if (words[d].rel != Rel::Conj || words[d].head == 0) continue;
        const std::size_t h = words[d].head - 1;
        if (mark[d] == n || hasCc[d] || mark[h] != n) continue;
        if (isNounOrPronoun(words[h].upos))
            words[d].rel = Rel::Acl;
        else if (isAnyWord(text, words[mark[d]], {"that", "whether", "if"}))
            words[d].rel = Rel::Ccomp;
        else
            words[d].rel = Rel::Advcl;
        changed = true;
    }
    return changed;
}

// A clause that a coordinator opens is coordinated, not a modifier: a parser may hang it on
// the noun before it ("I also became a poet / and for one year lived in a paradise", "lived"
// an acl of "poet"). Where a verb hangs on a word by acl, has no subordinator and its first
// word is its own coordinator, it becomes a conjunct of the nearest verb above that word.
bool coordinateClausesOnNouns(grammar::Sentence& words) {
    const std::size_t n = words.size();
    std::vector<std::size_t> first(n);
    std::vector<bool> marked(n, false);
    for (std::size_t w = 0; w < n; ++w)
        first[w] = w;
    // Each word's first dependent, and whether it has a subordinator.
    for (std::size_t w = 0; w < n; ++w) {
        if (words[w].head == 0) continue;
        const std::size_t h = words[w].head - 1;
        if (w < first[h]) first[h] = w;
        if (words[w].rel == Rel::Mark) marked[h] = true;
    }
    bool changed = false;
    for (std::size_t d = 0; d < n; ++d) {
        if (words[d].rel != Rel::Acl || words[d].head == 0 || marked[d] ||
            words[d].upos != Upos::Verb)
            continue;
        const std::size_t cc = first[d];
        if (cc == d || words[cc].rel != Rel::Cc || words[cc].head != d + 1) continue;
        std::size_t v = words[d].head - 1;
        for (std::size_t steps = 0; steps < n && !isVerbal(words[v].upos) && words[v].head != 0;
             ++steps)
            v = words[v].head - 1;
        if (!isVerbal(words[v].upos) || v > d) continue;
        words[d].head = static_cast<std::uint32_t>(v + 1); // an ancestor of d: no loop
        words[d].rel = Rel::Conj;
        changed = true;
    }
    return changed;
}

// "If you are unsure, then Faz will help": a "then" right before the main clause belongs to it,
// not to the opening conditional clause the parser may hang it on.
bool attachThen(std::string_view text, grammar::Sentence& words) {
    const std::size_t n = words.size();
    const std::size_t root = rootOf(words);
    if (root == n) return false;
    std::size_t opening = n; // the opening clause: an advcl of the root with "if" or "when"
    for (std::size_t w = 0; w < root && opening == n; ++w) {
        if (words[w].upos == Upos::Punct || words[w].rel == Rel::Cc) continue;
        if (!isAnyWord(text, words[w], {"if", "when"})) return false;
        for (std::size_t a = w + 1; a < root; ++a) {
            if (words[a].head == root + 1 && words[a].rel == Rel::Advcl &&
                descendsFrom(words, w, a))
                opening = a;
        }
        if (opening == n) return false;
    }
    for (std::size_t t = opening; t + 1 < root; ++t) {
        if (!isWord(text, words[t], "then") || !descendsFrom(words, t, opening)) continue;
        // Everything from the word after "then" to the root hangs on the root, outside the
        // opening clause.
        for (std::size_t w = t + 1; w < root; ++w) {
            if (descendsFrom(words, w, opening)) return false;
        }
        words[t].head = static_cast<std::uint32_t>(root + 1);
        words[t].rel = Rel::Advmod; // the root heads everything: no loop
        return true;
    }
    return false;
}

// A parser that finds no verb for the root often makes the subject the root and hangs the
// predicate on it as a modifier ("Certain elements of the community / engage in this
// activity", "The test, along with a form, / is available", "For a field trip, / we are
// going"). Where the root is a noun or pronoun whose phrase opens the sentence, without a
// copula, and a later clause hangs on it by acl, acl:relcl, dep or
// parataxis without a subordinator, coordinator or relative word, that clause is the predicate
// when its verb group is plainly finite: a finite auxiliary or copula ("is", "can"), or a verb
// in its plain form with no "to". A clause with a subject of its own is the predicate only
// after a comma and when it runs to the sentence's end (without a comma, "the book I read" is a
// relative clause). The clause's head
// becomes the root and the old root its subject, or its obl when it has a preposition.
bool rerootNominalRoot(std::string_view text, grammar::Sentence& words) {
    const std::size_t n = words.size();
    const std::size_t root = rootOf(words);
    if (root == n) return false;
    if (!isNounOrPronoun(words[root].upos)) return false;
    bool rootCase = false;
    for (std::size_t w = 0; w < n; ++w) {
        if (words[w].head != root + 1) continue;
        if (words[w].rel == Rel::Cop || words[w].rel == Rel::Nsubj || words[w].rel == Rel::Expl)
            return false;
        if (words[w].rel == Rel::Case && w < root) rootCase = true;
    }
    for (std::size_t w = 0; w < root; ++w) {
        if (!descendsFrom(words, w, root) || words[w].head == 0) return false;
    }
    for (std::size_t v = root + 1; v < n; ++v) {
        const Rel r = words[v].rel;
        if (words[v].head != root + 1 ||
            (r != Rel::Acl && r != Rel::AclRelcl && r != Rel::Dep && r != Rel::Parataxis))
            continue;
        // v's own dependents: a subject, a joining word, its auxiliaries before it.
        bool subject = false, joined = false, finiteAux = false, to = false;
        std::size_t first = v;
        for (std::size_t d = 0; d < n; ++d) {
            if (words[d].head != v + 1) continue;
            const Rel dr = words[d].rel;
            if (d < v && words[d].upos != Upos::Punct) first = std::min(first, d);
            if (isRelativeOrWhAdverb(text, words[d]) || dr == Rel::Mark || dr == Rel::Cc)
                joined = true;
            if (isWord(text, words[d], "to") && d < v) to = true;
            if (dr == Rel::Nsubj || dr == Rel::NsubjPass || dr == Rel::Expl) subject = true;
            if ((dr == Rel::Aux || dr == Rel::AuxPass || dr == Rel::Cop) && d < v &&
                isFiniteAuxiliary(text, words[d]))
                finiteAux = true;
        }
        if (joined || to) continue;
        const grammar::Word& verb = words[v];
        const std::string_view form = verb.end <= text.size() && verb.end >= verb.begin
                                          ? text.substr(verb.begin, verb.end - verb.begin)
                                          : std::string_view{};
        const bool plainVerb = verb.upos == Upos::Verb && !hasParticipleEnding(form) &&
                               !isIrregularParticiple(text, verb) && !form.ends_with("s");
        // A clause with its own subject between commas is an aside ("Its walls, you may
        // imagine, were bare"): only one that runs to the sentence's end is the predicate.
        std::size_t last = n;
        while (last > 0 && words[last - 1].upos == Upos::Punct)
            --last;
        const bool afterComma = first > 0 && isWord(text, words[first - 1], ",") && last > 0 &&
                                descendsFrom(words, last - 1, v);
        if (subject ? !afterComma || !(finiteAux || verb.upos == Upos::Verb)
                    : !(finiteAux || plainVerb))
            continue;
        words[v].head = 0;
        words[v].rel = Rel::Root;
        words[root].head = static_cast<std::uint32_t>(v + 1);
        words[root].rel = rootCase ? Rel::Obl : (subject ? Rel::Dislocated : Rel::Nsubj);
        return true;
    }
    return false;
}

} // namespace

bool repairParse(std::string_view text, grammar::Sentence& words) {
    bool changed = lowerCoordinatorRoot(words);
    changed |= subordinateMarkedConjuncts(text, words);
    changed |= coordinateClausesOnNouns(words);
    changed |= rerootOpeningClause(text, words);
    changed |= rerootFrontedPhrase(text, words);
    changed |= attachStrandedSubject(text, words);
    changed |= attachThen(text, words);
    changed |= rerootNominalRoot(text, words);
    return changed;
}

} // namespace qm::cascade
