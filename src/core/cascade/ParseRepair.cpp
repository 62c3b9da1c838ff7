#include "core/cascade/ParseRepair.h"

#include "core/cascade/ParseTree.h"

#include <cstddef>

namespace qm::cascade {

using grammar::Rel;
using grammar::Upos;

namespace {

bool isWord(std::string_view text, const grammar::Word& w, std::string_view lower) {
    if (w.end > text.size() || w.end < w.begin || w.end - w.begin != lower.size()) return false;
    for (std::size_t i = 0; i < lower.size(); ++i) {
        char c = text[w.begin + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

std::size_t rootIndex(const grammar::Sentence& words) {
    for (std::size_t w = 0; w < words.size(); ++w) {
        if (words[w].head == 0) return w;
    }
    return words.size();
}

// Whether word w hangs, through any number of arcs, on word a.
bool descendsFrom(const grammar::Sentence& words, std::size_t w, std::size_t a) {
    for (std::size_t k = w, steps = 0; steps <= words.size(); ++steps) {
        if (k == a) return true;
        if (words[k].head == 0) return false;
        k = words[k].head - 1;
    }
    return false;
}

// A parser sometimes makes the coordinator that opens the sentence its root and hangs the
// opening clause on it ("And if anyone else has voted, / what did you vote for?"). Where the
// root is a coordinator or an adverb before everything else, and the sentence's first word
// after it is a subordinator whose clause hangs on the root, that clause's verb becomes the
// root with the coordinator on it, so the repairs of an opening clause can find the main
// clause after it.
bool lowerCoordinatorRoot(grammar::Sentence& words) {
    const std::size_t n = words.size();
    const std::size_t root = rootIndex(words);
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

// "If you are unsure, then Faz will help": a "then" right before the main clause belongs to it,
// not to the opening conditional clause the parser may hang it on.
bool attachThen(std::string_view text, grammar::Sentence& words) {
    const std::size_t n = words.size();
    const std::size_t root = rootIndex(words);
    if (root == n) return false;
    std::size_t opening = n; // the opening clause: an advcl of the root with "if" or "when"
    for (std::size_t w = 0; w < root && opening == n; ++w) {
        if (words[w].upos == Upos::Punct || words[w].rel == Rel::Cc) continue;
        if (!(isWord(text, words[w], "if") || isWord(text, words[w], "when"))) return false;
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

} // namespace

bool repairParse(std::string_view text, grammar::Sentence& words) {
    bool changed = lowerCoordinatorRoot(words);
    changed |= rerootOpeningClause(text, words);
    changed |= rerootFrontedPhrase(text, words);
    changed |= attachStrandedSubject(text, words);
    changed |= attachThen(text, words);
    return changed;
}

} // namespace qm::cascade
