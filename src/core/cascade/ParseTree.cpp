#include "core/cascade/ParseTree.h"

#include <algorithm>
#include <string>
#include <utility>

namespace qm::cascade {

using grammar::Rel;

namespace {

bool isTo(std::string_view text, const grammar::Word& w) {
    if (w.end != w.begin + 2 || w.end > text.size()) return false;
    return (text[w.begin] == 't' || text[w.begin] == 'T') && text[w.begin + 1] == 'o';
}

bool isRelativeWord(std::string_view text, const grammar::Word& w) {
    return isAnyWord(text, w, {"who", "which", "that", "whom", "whose", "what"});
}

// Adverbs that open a clause the way a subordinating conjunction does ("when she came").
bool isSubordinatingAdverb(std::string_view text, const grammar::Word& w) {
    return isAnyWord(text, w, {"when", "whenever", "where", "wherever", "while", "once"});
}

// Prepositions that also open a clause ("as he said", "after she left").
bool isSubordinatingPreposition(std::string_view text, const grammar::Word& w) {
    return isAnyWord(text, w, {"as", "after", "before", "since", "until", "till"});
}

// A verb ending like a participle or a gerund ("authorised", "walking", "taken").
bool isParticiple(std::string_view text, const grammar::Word& w) {
    if (w.upos != grammar::Upos::Verb || w.end > text.size() || w.end < w.begin + 5) return false;
    const std::string_view s = text.substr(w.begin, w.end - w.begin);
    return s.ends_with("ed") || s.ends_with("ing") || s.ends_with("en");
}

bool isSubjectRel(Rel r) {
    return r == Rel::Nsubj || r == Rel::NsubjPass || r == Rel::NsubjOuter || r == Rel::Expl ||
           r == Rel::Csubj || r == Rel::CsubjPass || r == Rel::CsubjOuter;
}

bool isNominal(grammar::Upos u) {
    return u == grammar::Upos::Noun || u == grammar::Upos::Propn || u == grammar::Upos::Pron ||
           u == grammar::Upos::Num;
}

bool isText(std::string_view text, const grammar::Word& w, std::string_view s) {
    return w.end <= text.size() && w.end >= w.begin && text.substr(w.begin, w.end - w.begin) == s;
}

// What each word has among its dependents: a subject of its own (a relative word is not
// one), a preposition, a subordinator or coordinator that joins it on, a copula.
constexpr std::uint8_t kHasSubject = 1, kHasCase = 2, kJoined = 4, kHasCopula = 8;

std::vector<std::uint8_t> clauseMarks(std::string_view text, const grammar::Sentence& words) {
    std::vector<std::uint8_t> flags(words.size(), 0);
    for (const grammar::Word& w : words) {
        if (w.head == 0) continue;
        std::uint8_t& f = flags[w.head - 1];
        if ((w.rel == Rel::Nsubj || w.rel == Rel::NsubjPass || w.rel == Rel::Expl) &&
            !isRelativeWord(text, w))
            f |= kHasSubject;
        if (w.rel == Rel::Case) f |= kHasCase;
        if (w.rel == Rel::Mark || w.rel == Rel::Cc) f |= kJoined;
        if (w.rel == Rel::Cop) f |= kHasCopula;
    }
    return flags;
}

// Whether word d is a clause of its own hung on what precedes it: a verb (or a copula's
// complement) with its own subject, not joined on by a subordinator or coordinator.
bool standsAlone(const grammar::Sentence& words, const std::vector<std::uint8_t>& flags,
                 std::size_t d) {
    const bool verbal = words[d].upos == grammar::Upos::Verb ||
                        words[d].upos == grammar::Upos::Aux || (flags[d] & kHasCopula);
    return verbal && (flags[d] & kHasSubject) && !(flags[d] & kJoined);
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
    const bool command = v < n && words[v].upos == Upos::Verb && !isParticiple(text, words[v]);
    const bool question = v + 1 < n && isText(text, words[n - 1], "?") &&
                          isRelativeWord(text, words[v]) &&
                          !isWord(text, words[v], "that") && words[v + 1].upos == Upos::Aux;
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

std::size_t rootOf(const grammar::Sentence& words) {
    std::size_t root = words.size();
    for (std::size_t w = 0; w < words.size(); ++w) {
        if (words[w].head == 0) root = w;
    }
    return root;
}

bool descendsFrom(const grammar::Sentence& words, std::size_t w, std::size_t a) {
    for (std::size_t k = w, steps = 0; steps <= words.size(); ++steps) {
        if (k == a) return true;
        if (words[k].head == 0) return false;
        k = words[k].head - 1;
    }
    return false;
}

bool isWord(std::string_view text, const grammar::Word& w, std::string_view lower) {
    if (w.end > text.size() || w.end < w.begin || w.end - w.begin != lower.size()) return false;
    for (std::size_t i = 0; i < lower.size(); ++i) {
        char c = text[w.begin + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

bool isAnyWord(std::string_view text, const grammar::Word& w,
               std::initializer_list<std::string_view> lowers) {
    for (std::string_view lower : lowers) {
        if (isWord(text, w, lower)) return true;
    }
    return false;
}

bool isTree(const grammar::Sentence& words) {
    const std::size_t n = words.size();
    std::size_t roots = 0;
    for (const grammar::Word& w : words) {
        if (w.head > n) return false;
        if (w.head == 0) ++roots;
    }
    if (roots != 1) return false;
    // 0 not seen, 1 on the current chain, 2 known to reach the root.
    std::vector<std::uint8_t> state(n, 0);
    std::vector<std::size_t> chain;
    for (std::size_t i = 0; i < n; ++i) {
        chain.clear();
        std::size_t k = i;
        while (state[k] == 0) {
            state[k] = 1;
            chain.push_back(k);
            if (words[k].head == 0) break;
            k = words[k].head - 1;
        }
        if (state[k] == 1 && words[k].head != 0) return false;
        for (std::size_t c : chain)
            state[c] = 2;
    }
    return true;
}

void wordDepths(const grammar::Sentence& words, bool conjCounts, std::vector<int>& depth) {
    const std::size_t n = words.size();
    depth.assign(n, -1);
    std::vector<std::size_t> chain;
    for (std::size_t i = 0; i < n; ++i) {
        chain.clear();
        std::size_t k = i;
        while (depth[k] < 0 && words[k].head != 0) {
            chain.push_back(k);
            k = words[k].head - 1;
        }
        if (depth[k] < 0) depth[k] = 0; // the root
        int d = depth[k];
        for (std::size_t c = chain.size(); c-- > 0;) {
            if (conjCounts || words[chain[c]].rel != Rel::Conj) ++d;
            depth[chain[c]] = d;
        }
    }
}

void tightGaps(std::string_view text, const grammar::Sentence& words,
               std::vector<std::uint8_t>& tightAfter) {
    const std::size_t n = words.size();
    // Spans are marked on a difference array: +1 at the first gap, -1 after the last.
    std::vector<int> diff(n + 1, 0);
    auto span = [&](std::size_t a, std::size_t b) {
        if (a > b) std::swap(a, b);
        if (a == b) return;
        ++diff[a];
        --diff[b];
    };
    for (std::size_t d = 0; d < n; ++d) {
        const grammar::Word& w = words[d];
        if (w.head == 0) continue;
        const std::size_t h = w.head - 1;
        switch (w.rel) {
        case Rel::Det:
        case Rel::DetPredet:
        case Rel::Amod:
        case Rel::Compound:
        case Rel::NmodPoss:
            if (d < h) span(d, h);
            break;
        case Rel::Nummod:
        case Rel::Flat:
        case Rel::FlatForeign:
        case Rel::Fixed:
        case Rel::Goeswith:
        case Rel::CompoundPrt:
            span(d, h);
            break;
        case Rel::Aux:
        case Rel::AuxPass: {
            const std::size_t a = d < h ? d : h, b = d < h ? h : d;
            bool onlyVerbGroup = true;
            for (std::size_t k = a + 1; k < b && onlyVerbGroup; ++k) {
                const Rel r = words[k].rel;
                onlyVerbGroup = words[k].head == h + 1 &&
                                (r == Rel::Aux || r == Rel::AuxPass || r == Rel::Advmod);
            }
            if (onlyVerbGroup) span(a, b);
            break;
        }
        case Rel::Mark:
            if (d < h && isTo(text, w)) span(d, h);
            break;
        case Rel::Case:
            if (d < h) span(d, d + 1);
            break;
        default:
            break;
        }
    }
    tightAfter.assign(n, 0);
    int open = 0;
    for (std::size_t i = 0; i < n; ++i) {
        open += diff[i];
        tightAfter[i] = open > 0 ? 1 : 0;
    }
}

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
        const bool marks =
            (r == Rel::Mark && onRoot) ||
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
        if (!isParticiple(text, words[root])) return false;
        for (const grammar::Word& w : words) {
            if (w.head == root + 1 && (isSubjectRel(w.rel) || w.rel == Rel::Aux ||
                                       w.rel == Rel::AuxPass || w.rel == Rel::Cop))
                return false;
        }
        return rerootAfterComma(text, words, root);
    }
    const std::vector<std::uint8_t> flags = clauseMarks(text, words);
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
    // Per word: has a subject, a preposition (case), a coordinator, a copula.
    std::vector<std::uint8_t> flags(n, 0);
    constexpr std::uint8_t kSubject = 1, kCase = 2, kCc = 4, kCopula = 8;
    for (const grammar::Word& w : words) {
        if (w.head == 0) continue;
        std::uint8_t& f = flags[w.head - 1];
        const Rel r = w.rel;
        if (isSubjectRel(r)) f |= kSubject;
        if (r == Rel::Case) f |= kCase;
        if (r == Rel::Cc) f |= kCc;
        if (r == Rel::Cop) f |= kCopula;
    }
    const grammar::Upos ru = words[root].upos;
    if ((flags[root] & kSubject) ||
        !(ru == grammar::Upos::Verb || ru == grammar::Upos::Aux || (flags[root] & kCopula)))
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
        const bool inPhrase = ((r == Rel::Nmod || r == Rel::NmodPoss) && (flags[s] & kCase)) ||
                              r == Rel::Flat || (r == Rel::Conj && (flags[s] & kCc));
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
    const bool stranded = r == Rel::Appos || r == Rel::Dep || (unmarked && !(flags[s] & kCase)) ||
                          (r == Rel::Conj && !(flags[s] & kCc)) || secondObject;
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
    const std::vector<std::uint8_t> flags = clauseMarks(text, words);
    // The root is a prepositional phrase opening the sentence, not a clause of its own.
    if (!(flags[root] & kHasCase) || (flags[root] & (kHasSubject | kHasCopula))) return false;
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
