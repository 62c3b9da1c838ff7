#include "core/cascade/ParseLayout.h"

#include "core/cascade/Lexicon.h"
#include "core/cascade/ParseTree.h"
#include "core/cascade/PhraseLine.h"
#include "core/cascade/WordTests.h"

#include <algorithm>
#include <climits>

namespace qm::cascade {

using grammar::Rel;
using grammar::Upos;

namespace {

// Costs of the line-breaking search. Every line costs kLineCost plus a length penalty; a
// break earns kStrengthWeight times the strength of its gap; a break inside a tight unit costs
// kTightCost. Strengths run from 0 (nothing there) to 10 (a quote edge or a semicolon).
constexpr long kLineCost = 10;
constexpr long kStrengthWeight = 3;
constexpr long kTightCost = 200;
constexpr long kNoBlankCost = 15; // a cut inside "word--word" or a very long word
constexpr std::size_t kMostWords = kMaxLineWords + 1;

constexpr int kQuoteEdge = 10;
constexpr int kSemicolonGap = 10;
constexpr int kPunctGap = 9;
constexpr int kClauseGap = 8;
constexpr int kPhraseGap = 6;
constexpr int kListGap = 5;
constexpr int kLongSubjectGap = 7;
constexpr int kObjectGap = 4;
constexpr int kOfGap = 3;
constexpr int kShortSubjectGap = 1;
// A phrase of at most kShortLead words before its head is kept with it: its break loses kHold
// of its strength.
constexpr std::size_t kShortLead = 4;
constexpr int kHold = 7;
// A subject of this many words or more is broken from its verb.
constexpr std::size_t kLongSubject = 5;

long lengthPenalty(std::size_t words) {
    static constexpr long kPenalty[] = {40, 25, 4, 0, 0, 0, 3, 8, 30};
    return kPenalty[std::min(words, kMostWords)];
}

bool isClause(Rel r) {
    switch (r) {
    case Rel::Advcl:
    case Rel::AdvclRelcl:
    case Rel::Acl:
    case Rel::AclRelcl:
    case Rel::Ccomp:
    case Rel::Csubj:
    case Rel::CsubjOuter:
    case Rel::CsubjPass:
    case Rel::Parataxis:
        return true;
    default:
        return false;
    }
}

bool isPrepPhrase(Rel r) {
    switch (r) {
    case Rel::Obl:
    case Rel::OblAgent:
    case Rel::OblTmod:
    case Rel::OblUnmarked:
    case Rel::Nmod:
    case Rel::NmodDesc:
    case Rel::NmodTmod:
    case Rel::NmodUnmarked:
        return true;
    default:
        return false;
    }
}

bool isSubject(Rel r) {
    return r == Rel::Nsubj || r == Rel::NsubjPass || r == Rel::NsubjOuter || r == Rel::Expl;
}

// Steps in from its head for a dependent that follows it: phrases that complete or modify
// a word sit one step right of it, and so does a subject after its verb; coordinated items
// and the words inside a phrase stay where their head is.
int stepAfterHead(Rel r) {
    if (isClause(r) && r != Rel::Parataxis) return 1;
    if (isPrepPhrase(r)) return 1;
    switch (r) {
    case Rel::Nsubj: // after its verb: "there were / five-and-twenty soldiers"
    case Rel::NsubjPass:
    case Rel::Obj:
    case Rel::Iobj:
    case Rel::Xcomp:
    case Rel::Appos:
    case Rel::Dep:
    case Rel::Advmod:
    case Rel::Amod:
    case Rel::Dislocated:
    case Rel::Orphan:
    case Rel::List:
        return 1;
    default:
        return 0;
    }
}

// Steps in from its head for a phrase that comes before it inside a dependent clause: a
// subject, a clause or a prepositional phrase sits one step right of the clause it opens, so
// the clause's own line comes back out ("that, even with that model, / the price would be").
// What comes before the head of the main clause (or of a clause coordinated with it) stays at
// the base.
int stepBeforeHead(Rel r, bool mainClause) {
    if (mainClause) return 0;
    return (isClause(r) && r != Rel::Parataxis) || isPrepPhrase(r) || isSubject(r) ? 1 : 0;
}

} // namespace

// Whether token k is a word that only opens a clause or joins it on: a coordinator, a
// subordinator ("that", "because") or a wh-adverb in its place ("when", "how"). Such a word
// does not speak for the line it opens.
bool ParseLayout::opensClause(std::size_t k) const {
    const Rel r = relOf(k);
    if (r == Rel::Cc || r == Rel::Mark) return true;
    return r == Rel::Advmod && (tokenIs(k, "when") || tokenIs(k, "where") || tokenIs(k, "how") ||
                                tokenIs(k, "why") || tokenIs(k, "whenever"));
}

// Whether token k heads the main clause or a clause coordinated with it.
bool ParseLayout::inMainClause(std::size_t k) const {
    while (m_head[k] != kNone && relOf(k) == Rel::Conj)
        k = m_head[k];
    return m_head[k] == kNone;
}

Rel ParseLayout::relOf(std::size_t k) const {
    return m_rep[k] == kNone ? Rel::Punct : (*m_words)[m_rep[k]].rel;
}

Upos ParseLayout::uposOf(std::size_t k) const {
    return m_rep[k] == kNone ? Upos::Punct : (*m_words)[m_rep[k]].upos;
}

// Every word goes to the token its first byte falls in (or the next token, when it starts in
// a blank). Fails when the offsets run backwards or past the tokens.
bool ParseLayout::mapWords(std::size_t base) {
    const grammar::Sentence& words = *m_words;
    m_wordTok.assign(words.size(), 0);
    std::size_t k = 0;
    std::size_t lastBegin = 0;
    for (std::size_t w = 0; w < words.size(); ++w) {
        const std::size_t begin = base + words[w].begin;
        if (words[w].end < words[w].begin || begin < lastBegin) return false;
        lastBegin = begin;
        while (k < m_n && m_tok[k].end <= begin)
            ++k;
        if (k == m_n) return false;
        m_wordTok[w] = k;
    }
    return true;
}

// Collapses the word tree onto the tokens: each token is represented by its shallowest word
// that is not punctuation (its shallowest word when it has only punctuation), and hangs on the
// token of the nearest ancestor of that word that represents another token. Heads are always
// shallower, so the tokens form a tree.
void ParseLayout::buildTokenTree() {
    const grammar::Sentence& words = *m_words;
    wordDepths(words, true, m_wordDepth);
    wordDepths(words, false, m_clauseDepth);
    m_rep.assign(m_n, kNone);
    for (std::size_t w = 0; w < words.size(); ++w) {
        std::size_t& r = m_rep[m_wordTok[w]];
        if (r == kNone) {
            r = w;
            continue;
        }
        const bool punct = words[w].upos == Upos::Punct, rPunct = words[r].upos == Upos::Punct;
        if ((rPunct && !punct) || (punct == rPunct && m_wordDepth[w] < m_wordDepth[r])) r = w;
    }
    std::vector<std::uint8_t>& represents = m_tightAfter; // reused: word is its token's
    represents.assign(words.size(), 0);
    for (std::size_t k = 0; k < m_n; ++k) {
        if (m_rep[k] != kNone) represents[m_rep[k]] = 1;
    }
    m_head.assign(m_n, kNone);
    m_depth.assign(m_n, INT_MAX / 2);
    int deepest = 0;
    for (std::size_t k = 0; k < m_n; ++k) {
        if (m_rep[k] == kNone) continue;
        std::size_t w = m_rep[k];
        while (words[w].head != 0) {
            w = words[w].head - 1;
            if (represents[w] && m_wordTok[w] != k) {
                m_head[k] = m_wordTok[w];
                break;
            }
        }
        m_depth[k] = m_wordDepth[m_rep[k]];
        deepest = std::max(deepest, m_depth[k]);
    }
    // Heads before dependents: a counting sort by depth.
    std::vector<std::size_t>& count = m_from;
    count.assign(static_cast<std::size_t>(deepest) + 2, 0);
    for (std::size_t k = 0; k < m_n; ++k) {
        if (m_rep[k] != kNone) ++count[static_cast<std::size_t>(m_depth[k]) + 1];
    }
    for (std::size_t d = 1; d < count.size(); ++d)
        count[d] += count[d - 1];
    m_order.assign(count.back(), 0);
    for (std::size_t k = 0; k < m_n; ++k) {
        if (m_rep[k] != kNone) m_order[count[static_cast<std::size_t>(m_depth[k])]++] = k;
    }
    m_left.resize(m_n);
    m_right.resize(m_n);
    for (std::size_t k = 0; k < m_n; ++k)
        m_left[k] = m_right[k] = k;
    for (std::size_t i = m_order.size(); i-- > 0;) {
        const std::size_t k = m_order[i], h = m_head[k];
        if (h == kNone) continue;
        m_left[h] = std::min(m_left[h], m_left[k]);
        m_right[h] = std::max(m_right[h], m_right[k]);
    }
}

void ParseLayout::findStrengths() {
    m_strength.assign(m_n + 1, 0);
    auto mark = [&](std::size_t g, int s) {
        if (g > 0 && g < m_n) m_strength[g] = std::max(m_strength[g], s);
    };
    for (std::size_t k = 0; k < m_n; ++k) {
        const std::size_t h = m_head[k];
        if (h == kNone || h == k) continue;
        const Rel r = relOf(k);
        const bool before = k < h;
        int s = 0;
        if (isClause(r)) {
            s = kClauseGap;
        } else if (r == Rel::Conj) {
            s = isVerbal(uposOf(k)) ? kClauseGap : kListGap;
        } else if (isPrepPhrase(r)) {
            s = tokenIs(m_left[k], "of") ? kOfGap : kPhraseGap;
        } else if (r == Rel::Xcomp || r == Rel::Appos) {
            s = kListGap;
        } else if (r == Rel::Obj || r == Rel::Iobj) {
            s = kObjectGap;
        } else if (isSubject(r) && before) {
            const bool longSubject = m_spans.words(m_left[k], m_right[k] + 1) >= kLongSubject;
            mark(m_right[k] + 1, longSubject ? kLongSubjectGap : kShortSubjectGap);
            continue;
        }
        if (s == 0) continue;
        mark(m_left[k], s);
        // A phrase before its head ends where its head's part begins.
        if (before) mark(m_right[k] + 1, s);
    }
    // A short phrase before its head stays on the head's line ("In Ramadi, there was").
    m_hold.assign(m_n + 1, 0);
    for (std::size_t k = 0; k < m_n; ++k) {
        const std::size_t h = m_head[k];
        if (h == kNone || h <= k || m_right[k] + 1 >= m_n) continue;
        if (m_spans.words(m_left[k], m_right[k] + 1) > kShortLead ||
            m_right[k] - m_left[k] > 2 * kShortLead)
            continue;
        for (std::size_t g = m_left[k] + 1; g <= m_right[k] + 1; ++g) {
            // Quoted speech keeps its own lines: "Come here," / said he.
            if (m_tok[g].inSpeech == m_tok[g - 1].inSpeech) m_hold[g] = kHold;
        }
    }
    for (std::size_t g = 1; g < m_n; ++g) {
        const Token& p = m_tok[g - 1];
        const Token& t = m_tok[g];
        if (p.endsSemicolon) mark(g, kSemicolonGap);
        if (hasBreakingPunct(p)) mark(g, kPunctGap);
        if (t.inSpeech != p.inSpeech || (p.inSpeech && p.closesQuote && t.opensQuote))
            mark(g, kQuoteEdge);
    }
    // Gaps inside tight units, from the word tree.
    tightGaps(m_text.substr(m_base), *m_words, m_tightAfter);
    m_tight.assign(m_n + 1, 0);
    for (std::size_t w = 0; w + 1 < m_words->size(); ++w) {
        if (!m_tightAfter[w]) continue;
        for (std::size_t g = m_wordTok[w] + 1; g <= m_wordTok[w + 1]; ++g)
            m_tight[g] = 1;
    }
    markTagUnits();
}

// The cheapest way to cut the sentence into lines: lines of at most kMostWords words and
// kMaxLineWidth characters (a single token may be wider), each costing kLineCost and its
// length penalty, each break earning its gap's strength.
void ParseLayout::chooseBreaks() {
    m_cost.assign(m_n + 1, LONG_MAX);
    m_from.assign(m_n + 1, 0);
    m_cost[0] = 0;
    for (std::size_t j = 1; j <= m_n; ++j) {
        for (std::size_t i = j; i-- > 0;) {
            const std::size_t words = m_spans.words(i, j);
            if (i + 1 < j && (words > kMostWords || m_spans.width(i, j) > kMaxLineWidth)) break;
            if (m_cost[i] == LONG_MAX) continue;
            long c = m_cost[i] + kLineCost;
            // One word alone is fine when it is the whole sentence.
            if (!(i == 0 && j == m_n)) c += lengthPenalty(words);
            if (i > 0) {
                c += kTightCost * m_tight[i];
                if (!m_tok[i].gapBefore) c += kNoBlankCost;
                c -= kStrengthWeight * (m_strength[i] - m_hold[i]);
            }
            if (c < m_cost[j]) {
                m_cost[j] = c;
                m_from[j] = i;
            }
        }
    }
    m_start.assign(m_n, 0);
    for (std::size_t j = m_n; j > 0; j = m_from[j])
        m_start[m_from[j]] = 1;
}

// Each line's level from its head, the line's shallowest token (the first of equals): the
// root's line at the base; a line whose head depends on a word before it one step right of the
// line holding that word when it completes or modifies it (stepAfterHead), level with it
// otherwise; a line whose head comes before the word it depends on (a subject, a fronted
// clause or phrase: "When she came home, / she ...") at the level of that word's line, or one
// step right of it inside a dependent clause (stepBeforeHead). A verb
// outside quoted speech that comes after speech it governs or hangs on is a dialogue tag: one
// step in from the speech. No line goes deeper than boundLevel allows.
void ParseLayout::assignLevels() {
    markDialogueTags();
    anchorLines();
    findLineDepths();
    keepMainClauseOpening();
    m_levels.assign(m_n, 0);
    for (std::size_t k = 0; k < m_n; ++k) {
        if (k == 0 || m_start[k])
            m_levels[k] = boundLevel(kBaseLevel + kLevelStep * m_lineDepth[m_lineOf[k]]);
    }
}

void ParseLayout::markDialogueTags() {
    m_tag.assign(m_n, 0);
    for (std::size_t k = 0; k < m_n; ++k) {
        const std::size_t h = m_head[k];
        if (h == kNone || m_tok[k].inSpeech == m_tok[h].inSpeech) continue;
        // "Come here," said he: the verb after its speech, or hanging on it.
        if (k < h && m_tok[k].inSpeech) m_tag[h] = 1;
        if (k > h && m_tok[h].inSpeech && isVerbal(uposOf(k))) m_tag[k] = 1;
    }
}

// Each token's line, each line's first token, and its anchor: its shallowest token.
void ParseLayout::anchorLines() {
    m_lineOf.assign(m_n, 0);
    m_anchor.clear();
    m_lineStart.clear();
    for (std::size_t k = 0; k < m_n; ++k) {
        if (k == 0 || m_start[k]) {
            m_anchor.push_back(k);
            m_lineStart.push_back(k);
        }
        const std::size_t line = m_anchor.size() - 1;
        m_lineOf[k] = line;
        // A conjunction opening the line does not speak for it: the phrase after it does.
        const std::size_t a = m_anchor[line];
        if (m_depth[k] < m_depth[a] || (m_depth[k] == m_depth[a] && opensClause(a)))
            m_anchor[line] = k;
    }
}

// The first token of line l that is not one of the words `skip` passes over, looking no
// further than token `phrase`: where the line would open with the phrase starting there.
std::size_t ParseLayout::pastOpeningWords(std::size_t l, std::size_t phrase,
                                          bool (ParseLayout::*skip)(std::size_t) const) const {
    std::size_t open = m_lineStart[l];
    while (open < phrase && (this->*skip)(open))
        ++open;
    return open;
}

bool ParseLayout::isCoordinator(std::size_t k) const {
    return relOf(k) == Rel::Cc;
}

void ParseLayout::findLineDepths() {
    const std::size_t lines = m_anchor.size();
    constexpr int kUnknown = INT_MIN;
    m_lineDepth.assign(lines, kUnknown);
    std::vector<std::size_t>& chain = m_from;
    for (std::size_t line = 0; line < lines; ++line) {
        // Up the chain of host lines to one whose depth is known (or the root's), then down.
        chain.clear();
        std::size_t cur = line;
        while (m_lineDepth[cur] == kUnknown) {
            chain.push_back(cur);
            const std::size_t h = m_head[m_anchor[cur]];
            if (h == kNone || m_rep[m_anchor[cur]] == kNone) break;
            cur = m_lineOf[h];
        }
        for (std::size_t i = chain.size(); i-- > 0;)
            m_lineDepth[chain[i]] = lineDepth(chain[i]);
    }
}

// The depth of line l, the depths of the lines its anchor's head sits on known.
int ParseLayout::lineDepth(std::size_t l) const {
    const std::size_t a = m_anchor[l], h = m_head[a];
    int depth = 0;
    if (h == kNone || m_rep[a] == kNone) {
        depth = m_tag[a];
    } else {
        const std::size_t host = m_lineOf[h];
        const int hostDepth = m_lineDepth[host];
        if (a < h) {
            depth = hostDepth - (m_anchor[host] == h ? m_tag[h] : 0) + m_tag[a];
            // Only a line that opens with the phrase itself, outside speech and dialogue tags.
            // Inside a clause any joining word (a coordinator, a subordinator, a wh-adverb)
            // may stand before the phrase on its line.
            if (pastOpeningWords(l, m_left[a], &ParseLayout::opensClause) >= m_left[a] &&
                !m_tag[a] && !m_tag[h] && !m_tok[a].inSpeech)
                depth += stepBeforeHead(relOf(a), m_head[h] == kNone);
        } else {
            depth = hostDepth + stepAfterHead(relOf(a)) + m_tag[a];
        }
    }
    // Never deeper than the head's depth in the clause structure: a line comes back out when
    // the parse does, however its hosts stepped in.
    if (m_rep[a] != kNone) depth = std::min(depth, m_clauseDepth[m_rep[a]] + m_tag[a]);
    return l == 0 ? 0 : std::max(0, depth);
}

// The main clause begins where the phrases before its verb begin: a line opening such a phrase
// goes no deeper than the verb's line, however the parse nests the phrase ("this little bit /
// from the column / is just too good" with "bit" hung on "column"). Only a coordinator may
// stand before the phrase on its line: a line a subordinator opens begins a clause of its own.
void ParseLayout::keepMainClauseOpening() {
    std::size_t root = 0;
    while (root < m_n && (m_rep[root] == kNone || m_head[root] != kNone))
        ++root;
    for (std::size_t l = 1; l < m_anchor.size() && root < m_n && !m_tok[root].inSpeech; ++l) {
        std::size_t d = m_anchor[l];
        if (m_rep[d] == kNone || m_tag[d] || m_tok[d].inSpeech || d >= root) continue;
        while (m_head[d] != root && m_head[d] != kNone)
            d = m_head[d];
        if (m_head[d] != root || d >= root) continue;
        if (pastOpeningWords(l, m_left[d], &ParseLayout::isCoordinator) == m_left[d])
            m_lineDepth[l] = std::min(m_lineDepth[l], m_lineDepth[m_lineOf[root]]);
    }
}

std::size_t ParseLayout::emit(Lines& out) {
    std::size_t count = 0;
    std::size_t a = 0;
    while (a < m_n) {
        std::size_t b = a + 1;
        while (b < m_n && !m_start[b])
            ++b;
        appendPhraseLine(m_text, m_tok, a, b, m_levels[a], m_colour, m_line, out);
        ++count;
        a = b;
    }
    return count;
}

std::size_t ParseLayout::layout(std::string_view text, const std::vector<Token>& tokens,
                                std::size_t first, std::size_t last, const grammar::Sentence& parse,
                                std::size_t base, NameMemory& names, Lines& out) {
    if (first >= last || last > tokens.size() || parse.empty() || !isTree(parse)) return 0;
    m_text = text;
    m_tok = tokens.data() + first;
    m_n = last - first;
    m_words = &parse;
    m_base = base;
    if (base > text.size() || !mapWords(base)) return 0;
    m_spans.measure(m_tok, m_n);
    buildTokenTree();
    findStrengths();
    chooseBreaks();
    assignLevels();
    assignColours(names);
    return emit(out);
}

} // namespace qm::cascade
