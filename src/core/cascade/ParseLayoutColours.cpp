// ParseLayout's colours: which words of a parsed sentence are speech, the main verb group and
// names.
#include "core/cascade/ParseLayout.h"

#include "core/cascade/WordTests.h"

namespace qm::cascade {

using grammar::Rel;
using grammar::Upos;

// An adverb, a particle, an auxiliary or a floating "all", "both", "each": words that may stand
// inside a verb group.
bool ParseLayout::isGroupFiller(std::size_t w) const {
    const grammar::Word& word = (*m_words)[w];
    if (word.upos == Upos::Adv || word.upos == Upos::Part || word.upos == Upos::Aux) return true;
    const std::size_t k = m_wordTok[w];
    return tokenIs(k, "all") || tokenIs(k, "both") || tokenIs(k, "each");
}

// Marks the heads of main clauses (see assignColours): 1 for a head, 0 for any other word.
void ParseLayout::markMainClauseHeads(std::vector<std::uint8_t>& isMain) {
    const grammar::Sentence& words = *m_words;
    const std::size_t n = words.size();
    constexpr std::uint8_t kUnknown = 2;
    isMain.assign(n, kUnknown);
    auto inSpeech = [&](std::size_t w) { return m_tok[m_wordTok[w]].inSpeech; };
    for (std::size_t w = 0; w < n; ++w) {
        const std::size_t h = words[w].head;
        if (h == 0 ||
            (words[h - 1].head == 0 && isVerbal(words[w].upos) && inSpeech(h - 1) && !inSpeech(w)))
            isMain[w] = 1;
        else if (words[w].rel != Rel::Conj)
            isMain[w] = 0;
    }
    // A conjunct is what the first word up its chain of conjuncts is; each chain is walked
    // once, as every word on it is settled on the way back.
    std::vector<std::size_t>& chain = m_chain;
    for (std::size_t w = 0; w < n; ++w) {
        chain.clear();
        std::size_t x = w;
        while (isMain[x] == kUnknown && chain.size() < n) {
            chain.push_back(x);
            x = words[x].head - 1;
        }
        const std::uint8_t main = isMain[x] == 1 ? 1 : 0;
        for (const std::size_t c : chain)
            isMain[c] = main;
    }
}

// Speech as before; the verb group of the main clause (its verb, or the copula of a
// predicate, with auxiliaries, adverbs inside the group and the particle) and of the clauses
// coordinated with it; proper nouns as names.
void ParseLayout::assignColours(NameMemory& names) {
    const grammar::Sentence& words = *m_words;
    m_colour.assign(m_n, 0);
    for (std::size_t k = 0; k < m_n; ++k) {
        if (m_tok[k].inSpeech) m_colour[k] = kSpeechColour;
    }
    // Main clause heads: the root, the verb of the dialogue tag hanging on it when the root is
    // quoted speech, and every word joined to one of those by a chain of conjuncts ("and had
    // come", "but is very silent and appears uneasy": a parser may hang each conjunct on the
    // one before). For each, the verb of its group (itself, or the copula of a predicate) and
    // its first auxiliary.
    const std::size_t n = words.size();
    std::vector<std::size_t>& verbOf = m_from;
    std::vector<std::size_t>& firstAux = m_order;
    verbOf.assign(n, kNone);
    firstAux.assign(n, kNone);
    std::vector<std::uint8_t>& isMain = m_tightAfter;
    markMainClauseHeads(isMain);
    for (std::size_t w = 0; w < n; ++w) {
        if (isMain[w] && isVerbal(words[w].upos)) verbOf[w] = w;
    }
    for (std::size_t w = 0; w < n; ++w) {
        const std::size_t h = words[w].head;
        if (h == 0 || !isMain[h - 1]) continue;
        const Rel r = words[w].rel;
        if (r == Rel::Cop && verbOf[h - 1] == kNone) verbOf[h - 1] = w;
        if ((r == Rel::Aux || r == Rel::AuxPass) && firstAux[h - 1] == kNone) firstAux[h - 1] = w;
    }
    auto colourWord = [&](std::size_t w) {
        char& c = m_colour[m_wordTok[w]];
        if (c == 0) c = kVerbColour;
    };
    for (std::size_t w = 0; w < n; ++w) {
        if (isMain[w] && verbOf[w] != kNone) colourWord(verbOf[w]);
        const std::size_t h = words[w].head;
        if (h == 0 || !isMain[h - 1] || verbOf[h - 1] == kNone) continue;
        const std::size_t verb = verbOf[h - 1], aux = firstAux[h - 1];
        const Rel r = words[w].rel;
        const bool inGroup = r == Rel::Aux || r == Rel::AuxPass || r == Rel::Cop ||
                             (r == Rel::CompoundPrt && verb == h - 1) ||
                             (r == Rel::Advmod && aux != kNone && aux < w && w < verb);
        if (inGroup) colourWord(w);
    }
    // Words inside a group between its first auxiliary and its verb ("had all been cast").
    for (std::size_t h = 0; h < n; ++h) {
        const std::size_t verb = verbOf[h], aux = firstAux[h];
        if (!isMain[h] || verb == kNone || aux == kNone || aux > verb) continue;
        bool inside = true;
        for (std::size_t w = aux + 1; w < verb && inside; ++w)
            inside = isGroupFiller(w);
        for (std::size_t w = aux + 1; w < verb && inside; ++w)
            colourWord(w);
    }
    for (std::size_t k = 0; k < m_n; ++k) {
        if (m_colour[k] != 0 || uposOf(k) != Upos::Propn || !m_tok[k].capitalised) continue;
        m_colour[k] = kNameColour;
        if (m_tok[k].allCapitals) continue; // says nothing of the word in prose
        std::string key = lowerCore(m_text, m_tok[k]);
        if (key.size() > 2 && key.compare(key.size() - 2, 2, "'s") == 0) key.resize(key.size() - 2);
        names.capitalised.insert(key);
    }
}

} // namespace qm::cascade
