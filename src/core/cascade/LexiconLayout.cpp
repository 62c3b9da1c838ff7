#include "core/cascade/LexiconLayout.h"

#include "core/cascade/Lexicon.h"

#include <cstdlib>

namespace qm::cascade {

namespace {

// Adverbs looked through between a subject and its verb ("she only ever sat").
constexpr std::size_t kMaxAdverbs = 3;

} // namespace

bool LexiconLayout::fits(std::size_t a, std::size_t b) const {
    return m_spans.words(a, b) <= kMaxLineWords && m_spans.width(a, b) <= kMaxLineWidth;
}

void LexiconLayout::findVerbs() {
    m_verb.assign(m_n, 0);
    for (std::size_t i = 0; i < m_n; ++i) {
        const Token& t = m_tok[i];
        if (!t.isWord) continue;
        const Token* p = i > 0 ? &m_tok[i - 1] : nullptr;
        const bool afterNounMarker =
            p && !hasBreakingPunct(*p) && (p->classes & (kDeterminer | kPreposition)) != 0;
        bool verb = false;
        if (t.classes & kAuxiliary) {
            verb = !p || !(coreIs(m_text, *p, "the") || coreIs(m_text, *p, "a"));
        } else if ((t.classes & kVerb) || t.edEnding) {
            verb = !afterNounMarker;
        } else if (p && (p->classes & kModal) && !hasBreakingPunct(*p) &&
                   !(t.classes & kFunctionWord) && !t.capitalised) {
            verb = true; // "would keep", "did dare"
        } else if (!(t.classes & kFunctionWord) && !t.capitalised) {
            // The word after a subject pronoun (adverbs between them allowed) is its verb.
            std::size_t k = i;
            while (k > 0 && i - k < kMaxAdverbs && (m_tok[k - 1].classes & kAdverb) &&
                   !(m_tok[k - 1].classes & kFunctionWord) && !hasBreakingPunct(m_tok[k - 1]))
                --k;
            if (k > 0 && k - 1 < i) {
                const Token& s = m_tok[k - 1];
                const Token* before = k >= 2 ? &m_tok[k - 2] : nullptr;
                // "gave it away": a pronoun after a verb or a preposition is its object; "it"
                // and "you" are subjects only where a clause starts.
                bool objectUse = before && !hasBreakingPunct(*before) &&
                                 (m_verb[k - 2] || (before->classes & kPreposition));
                if ((s.classes & kObject) && before && !hasBreakingPunct(*before) &&
                    !(before->classes & (kCoordinator | kSubordinator | kRelative | kAdverb)))
                    objectUse = true;
                verb = (s.classes & kSubject) && !hasBreakingPunct(s) && !objectUse;
            }
        }
        m_verb[i] = verb ? 1 : 0;
    }
}

void LexiconLayout::findGaps() {
    m_gaps.assign(m_n, Gap{});
    std::size_t clauseWords = m_tok[0].isWord ? 1 : 0;
    bool verbSeen = m_verb[0] != 0;
    for (std::size_t i = 1; i < m_n; ++i) {
        const Token& p = m_tok[i - 1];
        const Token& t = m_tok[i];
        const Token* next = i + 1 < m_n ? &m_tok[i + 1] : nullptr;
        Gap& g = m_gaps[i];
        if (p.endsSemicolon)
            g.punct = kSemicolon;
        else if (hasBreakingPunct(p))
            g.punct = kComma;
        if (t.inSpeech && !p.inSpeech)
            g.quote = kQuoteOpen;
        else if (p.inSpeech && !t.inSpeech)
            g.quote = kQuoteClose;
        else if (p.inSpeech && t.opensQuote && p.closesQuote)
            g.quote = kQuoteOpen;

        const std::uint32_t c = t.classes;
        const bool pContent = p.isWord && !(p.classes & (kFunctionWord | kAdverb));
        // "her" may end a phrase ("around her as if"), "the" never does.
        const bool pLeadsNoun =
            (p.classes & (kPreposition | kDeterminer)) && !(p.classes & kObject);
        if (t.isWord && c != 0) {
            if ((c & kSubordinator) && !pLeadsNoun && !(p.classes & kSubordinator) &&
                (!coreIs(m_text, t, "as") ||
                 (next && ((next->classes & (kSubject | kDeterminer)) ||
                           coreIs(m_text, *next, "if") || coreIs(m_text, *next, "though"))))) {
                g.word = kSub;
            } else if ((c & kRelative) && pContent && next) {
                g.word = kRel;
            } else if ((c & kCoordinator) && next && !(p.classes & kCoordinator)) {
                bool clause =
                    (next->classes & (kSubject | kAuxiliary | kSubordinator | kRelative)) ||
                    m_verb[i + 1];
                if (!clause && (next->classes & (kDeterminer | kAdverb) || next->capitalised)) {
                    // "and the early dark was gathering": a verb soon after the noun.
                    for (std::size_t k = i + 2; k < m_n && k < i + 6; ++k) {
                        if (m_verb[k]) {
                            clause = true;
                            break;
                        }
                        if (hasBreakingPunct(m_tok[k]) || (m_tok[k].classes & kPreposition)) break;
                    }
                }
                // Without a clause after them "so" and "yet" are adverbs ("so wild").
                const bool adverb = coreIs(m_text, t, "so") || coreIs(m_text, t, "yet");
                g.word = clause ? kCoordClause : adverb ? kNone : kCoordPlain;
            } else if ((c & kPreposition) && next && p.isWord && !pLeadsNoun) {
                g.word = coreIs(m_text, t, "of") ? kPrepOf : kPrep;
            } else if ((c & kSubject) && !(c & kObject) && pContent && !m_verb[i - 1] &&
                       !p.capitalised) {
                g.word = kClauseCore;
            }
        }
        if (g.word == kNone && m_verb[i] && !verbSeen && clauseWords >= 3 && pContent)
            g.word = kSubjVerb;
        g.mandatory = g.punct != kNoPunct || g.quote != kNone || g.word == kSub || g.word == kRel ||
                      g.word == kCoordClause;

        const bool newClause = g.quote != kNone || g.punct == kSemicolon || g.word == kSub ||
                               g.word == kRel || g.word == kCoordClause || g.word == kClauseCore;
        if (newClause) {
            clauseWords = 0;
            verbSeen = false;
        }
        if (t.isWord) ++clauseWords;
        if (m_verb[i]) verbSeen = true;
    }
}

void LexiconLayout::chooseBreaks() {
    // Index of the next mandatory break, and of the next place any break may come, for
    // every gap (or the end).
    std::vector<std::size_t>& nextMandatory = m_starts;
    nextMandatory.assign(2 * (m_n + 1), m_n);
    std::size_t* nextCandidate = nextMandatory.data() + m_n + 1;
    for (std::size_t i = m_n; i-- > 1;) {
        nextMandatory[i] = m_gaps[i].mandatory ? i : nextMandatory[i + 1];
        nextCandidate[i] =
            m_gaps[i].mandatory || m_gaps[i].word != kNone ? i : nextCandidate[i + 1];
    }
    std::size_t last = 0;
    for (std::size_t i = 1; i < m_n; ++i) {
        Gap& g = m_gaps[i];
        if (g.mandatory) {
            g.start = true;
            last = i;
            continue;
        }
        const std::size_t before = m_spans.words(last, i);
        const std::size_t after = m_spans.words(i, nextMandatory[i + 1]);
        bool take = false;
        switch (g.word) {
        case kPrep:
            // "who stood on one leg" stays whole; "She sat down / by the fire" breaks.
            take =
                before >= 2 && after >= 2 && before + m_spans.words(i, nextCandidate[i + 1]) >= 6;
            break;
        case kClauseCore:
            take = before >= 2 && after >= 2;
            break;
        case kPrepOf:
            take = before >= 3 && after >= 3;
            break;
        case kSubjVerb:
            take = before >= 3 && after >= 2;
            break;
        case kCoordPlain:
            // "with no bonnet on her head / and no shoes on her feet"
            take = before >= 2 && after >= 3 && i + 1 < m_n &&
                   (m_tok[i + 1].classes & (kDeterminer | kPreposition));
            break;
        default:
            break;
        }
        if (take) {
            g.start = true;
            last = i;
        }
    }
}

int LexiconLayout::splitScore(std::size_t g) const {
    const Token& p = m_tok[g - 1];
    const Token& t = m_tok[g];
    if (hasBreakingPunct(p)) return 9;
    if (!t.gapBefore) return 1;
    if (p.classes & (kDeterminer | kPreposition | kTitle)) return 0;
    if (p.capitalised && t.capitalised) return 0;
    if ((p.classes & kAuxiliary) && (m_verb[g] || (t.classes & (kAuxiliary | kAdverb)))) return 0;
    switch (m_gaps[g].word) {
    case kNone:
    case kFallback:
        break;
    case kCoordPlain:
        return 6;
    default:
        return 7;
    }
    if (t.classes & (kSubordinator | kRelative)) return 6;
    if ((t.classes & kDeterminer) && !(t.classes & kObject)) return 5;
    if (m_verb[g] || (t.classes & kAuxiliary)) return 4;
    if (m_verb[g - 1] && t.isWord) return 4; // the object after its verb
    if (t.classes & kFunctionWord) return 3;
    return 1;
}

void LexiconLayout::splitLongLines() {
    std::size_t a = 0;
    while (a < m_n) {
        std::size_t b = a + 1;
        while (b < m_n && !m_gaps[b].start)
            ++b;
        std::size_t pos = a;
        // A lone token wider than a line cannot be split further: it keeps its own line.
        while (pos + 1 < b && !fits(pos, b)) {
            std::size_t best = 0;
            long bestScore = 0;
            const std::size_t rest = m_spans.words(pos, b);
            for (std::size_t g = pos + 1; g < b && fits(pos, g); ++g) {
                const int s = splitScore(g);
                if (s <= 0 || m_spans.words(g, b) < 2 || m_spans.words(pos, g) < 2) continue;
                const long w = static_cast<long>(m_spans.words(pos, g));
                const long target = rest <= 2 * kMaxLineWords ? static_cast<long>(rest) / 2 : 5;
                const long total = s * 10L - std::labs(w - target) + 1000;
                if (total > bestScore) {
                    bestScore = total;
                    best = g;
                }
            }
            if (best == 0) {
                // No good place: take as much as fits, at least one token.
                best = pos + 1;
                while (best + 1 < b && fits(pos, best + 1))
                    ++best;
            }
            Gap& gap = m_gaps[best];
            gap.start = true;
            if (gap.word == kNone && gap.quote == kNone && gap.punct == kNoPunct)
                gap.word = kFallback;
            pos = best;
        }
        a = b;
    }
}

void LexiconLayout::mergeShortLines() {
    std::vector<std::size_t>& starts = m_starts;
    starts.clear();
    for (std::size_t i = 0; i < m_n; ++i) {
        if (i == 0 || m_gaps[i].start) starts.push_back(i);
    }
    const std::size_t lines = starts.size();
    if (lines < 2) return;
    auto endOf = [&](std::size_t k) { return k + 1 < lines ? starts[k + 1] : m_n; };
    std::size_t keptBefore = 0; // start of the line that line k would join backwards
    bool skipNext = false;
    for (std::size_t k = 0; k < lines; ++k) {
        const std::size_t a = starts[k], b = endOf(k);
        if (skipNext) {
            skipNext = false;
            m_gaps[a].start = false;
            continue;
        }
        const bool lone = m_spans.words(a, b) <= 1 && b - a == 1 &&
                          !(m_tok[a].opensQuote && m_tok[a].closesQuote);
        if (!lone) {
            keptBefore = a;
            continue;
        }
        // A word with a comma after it ("Then, she ...") or a joining word ("and although
        // ...") leads into the next line; any other lone word finishes the line before it.
        const bool leads = (hasBreakingPunct(m_tok[a]) && !m_tok[a].endsStop) ||
                           (m_tok[a].classes & kFunctionWord);
        const bool preferBack = k + 1 == lines || !leads;
        // A lone word may make a full line one word longer, never wider.
        auto fitsWith = [&](std::size_t from, std::size_t to) {
            return m_spans.words(from, to) <= kMaxLineWords + 1 &&
                   m_spans.width(from, to) <= kMaxLineWidth;
        };
        const bool canBack = k > 0 && fitsWith(keptBefore, b);
        const bool canForward = k + 1 < lines && fitsWith(a, endOf(k + 1));
        if (canBack && (preferBack || !canForward)) {
            m_gaps[a].start = false;
            continue;
        }
        if (canForward) {
            skipNext = true;
            keptBefore = a;
            continue;
        }
        keptBefore = a;
    }
}

std::size_t LexiconLayout::layout(std::string_view text, const std::vector<Token>& tokens,
                                  std::size_t first, std::size_t last, NameMemory& names,
                                  Lines& out) {
    if (first >= last || last > tokens.size()) return 0;
    m_text = text;
    m_tok = tokens.data() + first;
    m_n = last - first;
    m_spans.measure(m_tok, m_n);
    findVerbs();
    findGaps();
    chooseBreaks();
    splitLongLines();
    mergeShortLines();
    assignLevels();
    assignColours(names);
    return emit(out);
}

} // namespace qm::cascade
