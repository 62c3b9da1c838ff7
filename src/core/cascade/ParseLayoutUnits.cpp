// ParseLayout's units from the words and their tags: the parser's arcs are wrong more often
// than its tags, so the units a line must not split are also read off the tags and the words
// themselves. Each such gap adds to the gap's count in m_tight.
#include "core/cascade/Lexicon.h"
#include "core/cascade/ParseLayout.h"
#include "core/cascade/WordTests.h"

namespace qm::cascade {

using grammar::Upos;

namespace {

// Tags a word of a name or a title may take.
bool nameLike(Upos u) {
    return u == Upos::Propn || u == Upos::Noun || u == Upos::Adj || u == Upos::Num ||
           u == Upos::X || u == Upos::Verb;
}

// The longest run of words from a determiner to its noun.
constexpr std::size_t kLongestNounPhrase = 6;
// Adverbs, particles and auxiliaries between an auxiliary and its verb ("had not yet been").
constexpr std::size_t kLongestVerbGroup = 4;

} // namespace

bool ParseLayout::tokenIs(std::size_t k, std::string_view lower) const {
    const Token& t = m_tok[k];
    if (t.coreEnd - t.coreBegin != lower.size()) return false;
    for (std::size_t i = 0; i < lower.size(); ++i) {
        if (toLowerAscii(m_text[t.coreBegin + i]) != lower[i]) return false;
    }
    return true;
}

bool ParseLayout::wordIs(std::size_t w, std::string_view s) const {
    const grammar::Word& word = (*m_words)[w];
    return word.end >= word.begin && m_base + word.end <= m_text.size() &&
           m_text.substr(m_base + word.begin, word.end - word.begin) == s;
}

// Participles that work as prepositions ("questions regarding / this matter" is a break
// inside the phrase, whatever the tagger makes of "regarding").
bool ParseLayout::isPrepositionLike(std::size_t k) const {
    static constexpr std::string_view kWords[] = {"regarding", "concerning", "including",
                                                  "excluding", "barring"};
    for (std::string_view w : kWords) {
        if (tokenIs(k, w)) return true;
    }
    return false;
}

bool ParseLayout::isArticleOrPossessive(std::size_t k) const {
    static constexpr std::string_view kWords[] = {"the",  "a",   "an",   "my",    "your",
                                                  "his",  "its", "our",  "their", "every",
                                                  "each", "thy", "whose"};
    for (std::string_view w : kWords) {
        if (tokenIs(k, w)) return true;
    }
    return false;
}

// Whether a break between words w and w + 1 would split nothing but what a line may split: the
// two are in tokens of their own, with no punctuation or quotation edge between them.
bool ParseLayout::wordGapOpen(std::size_t w) const {
    const std::size_t a = m_wordTok[w], b = m_wordTok[w + 1];
    if (b != a + 1) return false;
    const Token& p = m_tok[a];
    const Token& t = m_tok[b];
    return !hasBreakingPunct(p) && !p.closesQuote && !t.opensQuote && t.isWord;
}

void ParseLayout::tieWords(std::size_t from, std::size_t to) {
    for (std::size_t w = from; w < to; ++w)
        ++m_tight[m_wordTok[w + 1]];
}

// Runs of words the tags mark as one unit:
// - a determiner or a possessive with the adjectives, numbers, participles and nouns up to the
//   last noun of its phrase ("the attached file", "their likely sky-high valuation", "a
//   charming, friendly place");
// - an auxiliary with the auxiliaries, adverbs and particles after it and its verb ("was
//   supposed", "had not yet been seen");
// - a verb with a preposition that has no object after it: its particle ("check in.");
// - a coordinator with the word after it;
// - a few two-word prepositions and connectives ("due to", "kind of", "such as").
void ParseLayout::markWordUnits() {
    const grammar::Sentence& words = *m_words;
    const std::size_t n = words.size();
    auto upos = [&](std::size_t w) { return w < n ? words[w].upos : Upos::Punct; };
    for (std::size_t w = 0; w + 1 < n; ++w) {
        const Upos u = words[w].upos;
        const std::size_t k = m_wordTok[w];
        const bool possessive = u == Upos::Pron && (m_tok[k].classes & kDeterminer) != 0;
        if (u == Upos::Det || possessive) {
            std::size_t last = w;
            bool listComma = false; // the word before is a comma between two adjectives
            for (std::size_t v = w + 1; v < n && v <= w + kLongestNounPhrase; ++v) {
                const Upos x = upos(v);
                const bool participle =
                    x == Upos::Verb && endsLikeParticiple(m_text, m_tok[m_wordTok[v]]);
                // "that blessed, laudatory lack": a comma between adjectives before their noun.
                if (x == Upos::Punct && last == w && upos(v + 1) == Upos::Adj &&
                    (upos(v - 1) == Upos::Adj || upos(v - 1) == Upos::Verb) &&
                    m_wordTok[v] == m_wordTok[v - 1] && wordIs(v, ",")) {
                    listComma = true;
                    continue;
                }
                if (listComma ? m_wordTok[v] != m_wordTok[v - 1] + 1 : !wordGapOpen(v - 1)) break;
                listComma = false;
                if (isNoun(x)) {
                    last = v;
                } else if (last != w ||
                           !(x == Upos::Adj || x == Upos::Num || participle || x == Upos::Adv)) {
                    break;
                }
            }
            // A determiner right before its noun is tied below already.
            if (last > w + 1) tieWords(w, last);
        } else if (u == Upos::Aux) {
            for (std::size_t v = w + 1; v < n && v <= w + kLongestVerbGroup; ++v) {
                const Upos x = upos(v);
                if (!wordGapOpen(v - 1)) break;
                if (x == Upos::Verb) {
                    tieWords(w, v);
                    break;
                }
                if (x == Upos::Aux && v == w + 1) tieWords(w, v);
                const std::size_t t = m_wordTok[v];
                const bool floating = tokenIs(t, "all") || tokenIs(t, "both") || tokenIs(t, "each");
                if (x != Upos::Adv && x != Upos::Part && x != Upos::Aux && !floating) break;
            }
        } else if (u == Upos::Verb && (upos(w + 1) == Upos::Adp || upos(w + 1) == Upos::Adv) &&
                   wordGapOpen(w)) {
            static constexpr std::string_view kParticles[] = {"in",   "on",   "over",  "through",
                                                              "back", "away", "up",    "out",
                                                              "off",  "down", "around"};
            const std::size_t next = m_wordTok[w + 1];
            const bool alone = w + 2 >= n || upos(w + 2) == Upos::Punct ||
                               upos(w + 2) == Upos::Cconj || hasBreakingPunct(m_tok[next]);
            for (std::string_view p : kParticles) {
                if (alone && tokenIs(next, p)) tieWords(w, w + 1);
            }
        }
        // Coordinated adjectives before their noun ("the efficient and effective ads", "a
        // strange but true story") are one noun phrase.
        if (u == Upos::Adj && upos(w + 1) == Upos::Cconj && upos(w + 2) == Upos::Adj &&
            isNoun(upos(w + 3)) && wordGapOpen(w) && wordGapOpen(w + 1) && wordGapOpen(w + 2))
            tieWords(w, w + 3);
        // A coordinator goes with what it joins on: "Firefox / and the project", never
        // "Firefox and / the project".
        if (u == Upos::Cconj && wordGapOpen(w)) tieWords(w, w + 1);
        if (wordGapOpen(w)) {
            static constexpr std::string_view kPairs[][2] = {
                {"due", "to"},      {"because", "of"},  {"kind", "of"},    {"sort", "of"},
                {"such", "as"},     {"rather", "than"}, {"instead", "of"}, {"according", "to"},
                {"even", "though"}, {"as", "if"},       {"so", "that"},    {"as", "well"}};
            const std::size_t next = m_wordTok[w + 1];
            for (const auto& pair : kPairs) {
                if (tokenIs(k, pair[0]) && tokenIs(next, pair[1])) tieWords(w, w + 1);
            }
        }
    }
}

// The same units as the tokens show them, then as the words and tags show them: an article or
// a possessive with the next word, a preposition with the first word of its object, an
// auxiliary with the auxiliary, negation or participle after it.
void ParseLayout::markTagUnits() {
    for (std::size_t g = 1; g < m_n; ++g) {
        const Token& p = m_tok[g - 1];
        const Token& t = m_tok[g];
        if (hasBreakingPunct(p) || p.closesQuote || t.opensQuote || !t.isWord) continue;
        const std::uint32_t next = t.classes;
        bool tight = false;
        if (p.classes & kDeterminer) {
            tight = isArticleOrPossessive(g - 1);
        } else if ((p.classes & kPreposition) || isPrepositionLike(g - 1)) {
            tight = (next & (kAuxiliary | kSubordinator | kCoordinator | kRelative)) == 0;
        } else if (p.classes & kAuxiliary) {
            tight = (next & kAuxiliary) != 0 || tokenIs(g, "not") || tokenIs(g, "never") ||
                    (!t.capitalised && endsLikeParticiple(m_text, t));
        }
        // A run of noun-phrase words by their tags ("the big old house", "Power Source"), a
        // determiner with the word after it ("those Americans").
        const Upos a = uposOf(g - 1), b = uposOf(g);
        // A common noun before a name seldom belongs with it ("the group / Hamas").
        const bool nominal = b == Upos::Noun || b == Upos::Propn;
        if (nominal && (a == Upos::Adj || a == Upos::Propn || a == Upos::Num ||
                        (a == Upos::Noun && b == Upos::Noun)))
            tight = true;
        if (a == Upos::Adj && b == Upos::Adj) tight = true;
        const bool determiner =
            a == Upos::Det || ((p.classes & kDeterminer) && !tokenIs(g - 1, "that"));
        if (determiner && (nominal || b == Upos::Adj || b == Upos::Num)) tight = true;
        // A verb with a word that is nearly always its particle ("set up", "find out").
        if (a == Upos::Verb &&
            (tokenIs(g, "up") || tokenIs(g, "out") || tokenIs(g, "off") || tokenIs(g, "down")))
            tight = true;
        // A run of capitalised words is a name or a title ("Constellation Power Source",
        // "Coalition Provisional Authority") whatever the tags make of its words; the
        // sentence's first word only when it is tagged a name.
        if (p.capitalised && t.capitalised && nameLike(a) && nameLike(b) &&
            (g > 1 || a == Upos::Propn))
            tight = true;
        if (tight) ++m_tight[g];
    }
    markWordUnits();
}

} // namespace qm::cascade
