// The repairs of a clause that opens the sentence: the parser often takes it, or a phrase
// that opens the sentence, for the main clause, or hangs the main clause's subject inside it.
#include "core/cascade/ParseRepair.h"

#include "core/cascade/ParseTree.h"
#include "core/cascade/WordTests.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace qm::cascade {

using grammar::Rel;

namespace {

bool isSubjectRel(Rel r) {
    return r == Rel::Nsubj || r == Rel::NsubjPass || r == Rel::NsubjOuter || r == Rel::Expl ||
           r == Rel::Csubj || r == Rel::CsubjPass || r == Rel::CsubjOuter;
}

// What each word has among its dependents. A clause stands alone with a subject of its own,
// which a relative word is not (kHasOwnSubject); a verb's subject slot is taken by any subject,
// a relative word or a clause too (kHasAnySubject).
constexpr std::uint8_t kHasOwnSubject = 1; // nsubj, nsubj:pass or expl, not a relative word
constexpr std::uint8_t kHasAnySubject = 2; // any subject relation
constexpr std::uint8_t kHasCase = 4;       // a preposition
constexpr std::uint8_t kHasMark = 8;       // a subordinator
constexpr std::uint8_t kHasCc = 16;        // a coordinator
constexpr std::uint8_t kHasCopula = 32;
constexpr std::uint8_t kJoined = kHasMark | kHasCc; // joined on to what precedes it

std::vector<std::uint8_t> dependentMarks(std::string_view text, const grammar::Sentence& words) {
    std::vector<std::uint8_t> flags(words.size(), 0);
    for (const grammar::Word& w : words) {
        if (w.head == 0) continue;
        std::uint8_t& f = flags[w.head - 1];
        if ((w.rel == Rel::Nsubj || w.rel == Rel::NsubjPass || w.rel == Rel::Expl) &&
            !isRelativeWord(text, w))
            f |= kHasOwnSubject;
        if (isSubjectRel(w.rel)) f |= kHasAnySubject;
        if (w.rel == Rel::Case) f |= kHasCase;
        if (w.rel == Rel::Mark) f |= kHasMark;
        if (w.rel == Rel::Cc) f |= kHasCc;
        if (w.rel == Rel::Cop) f |= kHasCopula;
    }
    return flags;
}

// Whether word d is a clause of its own hung on what precedes it: a verb (or a copula's
// complement) with its own subject, not joined on by a subordinator or coordinator.
bool standsAlone(const grammar::Sentence& words, const std::vector<std::uint8_t>& flags,
                 std::size_t d) {
    const bool verbal = isVerbal(words[d].upos) || (flags[d] & kHasCopula);
    return verbal && (flags[d] & kHasOwnSubject) && !(flags[d] & kJoined);
}

// Makes word d, a descendant of the root, the root, and the old root a dependent of d by rel.
// The result is a tree: every word still reaches d.
void promote(grammar::Sentence& words, std::size_t d, std::size_t root, Rel rel) {
    words[d].head = 0;
    words[d].rel = Rel::Root;
    words[root].head = static_cast<std::uint32_t>(d + 1);
    words[root].rel = rel;
}

// The tags' reading of a sentence the parse keeps inside its opening clause ("Even if the
// leaders remain strong, / the struggle remains"): after a comma past the root, a plain
// subject phrase and then a verb. That verb becomes the root, the opening clause its `advcl`,
// and the words of the subject phrase hanging elsewhere hang on it, the last noun as its
// subject. A verb right after the comma, or after a "then" there, is a command ("If you want
// help, / contact us", "If you must, / then wait"), unless it looks like a participle. The
// commas are tried in turn, as the opening clause may hold commas of its own ("If you have to
// wait, / due to money, / then wait"). Returns whether the tree changed; keeps it a tree.
bool rerootAfterComma(std::string_view text, grammar::Sentence& words, std::size_t root,
                      std::size_t comma) {
    using grammar::Upos;
    const std::size_t n = words.size();
    std::size_t v = comma + 1, subject = n;
    if (v + 1 < n && isWord(text, words[v], "then")) ++v;
    // A wh-word and an auxiliary in a sentence ending with a question mark: a question ("If
    // you voted, / what did you vote for?"), not a relative clause (", who had taken").
    const bool command = v < n && words[v].upos == Upos::Verb && !isParticipleVerb(text, words[v]);
    const bool question = v + 1 < n && isText(text, words[n - 1], "?") &&
                          isRelativeWord(text, words[v]) && !isWord(text, words[v], "that") &&
                          words[v + 1].upos == Upos::Aux;
    if (question) ++v;
    for (; !command && !question && v < n; ++v) {
        const Upos u = words[v].upos;
        if (isNominal(u)) {
            if (isRelativeWord(text, words[v])) return false;
            subject = v;
        } else if (u == Upos::Verb && subject == n && v + 1 < n &&
                   (words[v + 1].upos == Upos::Adj || isNominal(words[v + 1].upos))) {
            continue; // a participle before its noun ("the festering struggle")
        } else if (u != Upos::Det && u != Upos::Adj && u != Upos::Adv &&
                   !(u == Upos::Punct && isText(text, words[v], "-"))) {
            break;
        }
    }
    if (!command && !question &&
        (subject == n || v >= n || (words[v].upos != Upos::Verb && words[v].upos != Upos::Aux)))
        return false;
    // An auxiliary speaks for the verb right after it that it serves.
    if (words[v].upos == Upos::Aux && words[v].head > v + 1 &&
        words[words[v].head - 1].upos == Upos::Verb)
        v = words[v].head - 1;
    grammar::Sentence changed = words;
    for (std::size_t w = comma + 1; w < v; ++w) {
        const std::size_t h = changed[w].head; // inside the phrase, or its verb, already
        if (h < comma + 2 || h > v + 1) changed[w].head = static_cast<std::uint32_t>(v + 1);
        if (w == subject && changed[w].head == v + 1) changed[w].rel = Rel::Nsubj;
    }
    changed[v].head = 0;
    changed[v].rel = Rel::Root;
    changed[root].head = static_cast<std::uint32_t>(v + 1);
    changed[root].rel = Rel::Advcl;
    if (!isTree(changed)) return false;
    words.swap(changed);
    return true;
}

bool rerootAfterComma(std::string_view text, grammar::Sentence& words, std::size_t root) {
    for (std::size_t c = root + 1; c < words.size(); ++c) {
        if (words[c].upos == grammar::Upos::Punct && isText(text, words[c], ",") &&
            rerootAfterComma(text, words, root, c))
            return true;
    }
    return false;
}

} // namespace

bool rerootOpeningClause(std::string_view text, grammar::Sentence& words) {
    const std::size_t n = words.size();
    const std::size_t root = rootOf(words);
    if (root == n) return false;
    // Only lead-in words before the opening mark: "And if ...", "But then when ...".
    bool opens = false;
    for (std::size_t w = 0; w < root && !opens; ++w) {
        const Rel r = words[w].rel;
        // A preposition takes neither a verb nor a verb's subject: one that can subordinate,
        // on the root verb or its subject, opens the clause ("as he said, / there are ...").
        const std::size_t h = words[w].head;
        const bool onRoot = h == root + 1;
        const bool marks = (r == Rel::Mark && onRoot) ||
                           (r == Rel::Advmod && onRoot && isSubordinatingAdverb(text, words[w])) ||
                           (r == Rel::Case && words[root].upos == grammar::Upos::Verb &&
                            isSubordinatingPreposition(text, words[w]) &&
                            (onRoot || (h != 0 && words[h - 1].head == root + 1 &&
                                        isSubjectRel(words[h - 1].rel))));
        if (marks) {
            opens = true;
        } else if (r != Rel::Punct && r != Rel::Cc && r != Rel::Advmod && r != Rel::Discourse) {
            return false;
        }
    }
    // Or the root is a participle opening the sentence without a subject or an auxiliary of
    // its own: "Authorised by the minister to strike, / its army launched ...". Only the tags
    // after a comma find its main clause: a clause the parse hangs on a participle without a
    // comma is as often its own ("Called to ask about a product I've been using").
    if (!opens) {
        if (!isParticipleVerb(text, words[root])) return false;
        for (const grammar::Word& w : words) {
            if (w.head == root + 1 && (isSubjectRel(w.rel) || w.rel == Rel::Aux ||
                                       w.rel == Rel::AuxPass || w.rel == Rel::Cop))
                return false;
        }
        return rerootAfterComma(text, words, root);
    }
    const std::vector<std::uint8_t> flags = dependentMarks(text, words);
    for (std::size_t d = root + 1; d < n; ++d) {
        const Rel r = words[d].rel;
        const bool clause = r == Rel::Advcl || r == Rel::Ccomp || r == Rel::Parataxis ||
                            r == Rel::Conj || r == Rel::Dep || r == Rel::Acl || r == Rel::AclRelcl;
        if (!clause || !standsAlone(words, flags, d)) continue;
        promote(words, d, root, Rel::Advcl);
        return true;
    }
    return rerootAfterComma(text, words, root);
}

bool attachStrandedSubject(std::string_view text, grammar::Sentence& words) {
    const std::size_t n = words.size();
    const std::size_t root = rootOf(words);
    if (root == n || root == 0) return false;
    // A root with any subject, even a relative word or a clause, strands none; inside the
    // phrase only a coordinator (not a subordinator) joins an item on.
    const std::vector<std::uint8_t> flags = dependentMarks(text, words);
    const grammar::Upos ru = words[root].upos;
    if ((flags[root] & kHasAnySubject) ||
        !(ru == grammar::Upos::Verb || ru == grammar::Upos::Aux || (flags[root] & kHasCopula)))
        return false;
    // The word right before the root's verb group (its auxiliaries, adverbs and copula).
    std::size_t x = root;
    while (x > 0 && words[x - 1].head == root + 1 &&
           (words[x - 1].rel == Rel::Aux || words[x - 1].rel == Rel::AuxPass ||
            words[x - 1].rel == Rel::Advmod || words[x - 1].rel == Rel::Cop))
        --x;
    if (x == 0) return false;
    --x;
    // Up from it to the head of its noun phrase: through prepositional phrases, names and
    // coordinated items that lean left.
    std::size_t s = x;
    while (words[s].head != 0 && words[s].head - 1 < s) {
        const Rel r = words[s].rel;
        const bool inPhrase = ((r == Rel::Nmod || r == Rel::NmodPoss) && (flags[s] & kHasCase)) ||
                              r == Rel::Flat || (r == Rel::Conj && (flags[s] & kHasCc));
        if (!inPhrase) break;
        s = words[s].head - 1;
    }
    if (!isNominal(words[s].upos) || isRelativeWord(text, words[s]) || words[s].head == 0)
        return false;
    const std::size_t h = words[s].head - 1;
    const Rel r = words[s].rel;
    const bool unmarked = r == Rel::Nmod || r == Rel::Obl || r == Rel::NmodTmod ||
                          r == Rel::OblTmod || r == Rel::NmodUnmarked || r == Rel::OblUnmarked;
    // A second object of the same verb is a subject it stole ("After firing this company / my
    // next pool service found").
    bool secondObject = false;
    for (std::size_t w = h + 1; w < s && r == Rel::Obj; ++w)
        secondObject |= words[w].head == h + 1 && words[w].rel == Rel::Obj;
    const bool stranded = r == Rel::Appos || r == Rel::Dep ||
                          (unmarked && !(flags[s] & kHasCase)) ||
                          (r == Rel::Conj && !(flags[s] & kHasCc)) || secondObject;
    if (h >= s || !stranded) return false;
    // The phrase runs from its first word to x, all of it hanging on s (punctuation aside).
    std::size_t first = s;
    for (std::size_t w = 0; w < n; ++w) {
        if (descendsFrom(words, w, s)) {
            if (w > x) return false;
            first = std::min(first, w);
        }
    }
    for (std::size_t w = first; w <= x; ++w) {
        if (words[w].upos != grammar::Upos::Punct && !descendsFrom(words, w, s)) return false;
    }
    // s hangs inside an adverbial clause of the root that opens the sentence: only lead-in
    // words before it.
    std::size_t clause = h;
    while (words[clause].head != root + 1)
        clause = words[clause].head - 1;
    if (words[clause].rel != Rel::Advcl || clause > root) return false;
    for (std::size_t w = 0; w < first; ++w) {
        if (descendsFrom(words, w, clause)) break;
        const Rel lead = words[w].rel;
        if (lead != Rel::Punct && lead != Rel::Cc && lead != Rel::Advmod &&
            lead != Rel::Discourse && lead != Rel::Mark)
            return false;
    }
    grammar::Sentence changed = words;
    changed[s].head = static_cast<std::uint32_t>(root + 1);
    changed[s].rel = Rel::Nsubj;
    if (!isTree(changed)) return false;
    words.swap(changed);
    return true;
}

bool rerootFrontedPhrase(std::string_view text, grammar::Sentence& words) {
    const std::size_t n = words.size();
    const std::size_t root = rootOf(words);
    if (root == n || !isNominal(words[root].upos)) return false;
    const std::vector<std::uint8_t> flags = dependentMarks(text, words);
    // The root is a prepositional phrase opening the sentence, not a clause of its own.
    if (!(flags[root] & kHasCase) || (flags[root] & (kHasOwnSubject | kHasCopula))) return false;
    for (std::size_t w = 0; w < root; ++w) {
        if (words[w].head != root + 1) return false;
    }
    for (std::size_t d = root + 1; d < n; ++d) {
        const Rel r = words[d].rel;
        if ((r == Rel::Parataxis || r == Rel::Dep || r == Rel::Conj || r == Rel::Advcl) &&
            standsAlone(words, flags, d)) {
            promote(words, d, root, Rel::Obl);
            return true;
        }
    }
    return false;
}

} // namespace qm::cascade
