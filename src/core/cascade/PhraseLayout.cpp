#include "core/cascade/PhraseLayout.h"

#include "core/cascade/Lexicon.h"

#include <cstdlib>

namespace qm::cascade {

namespace {

// Adverbs looked through between a subject and its verb ("she only ever sat").
constexpr std::size_t kMaxAdverbs = 3;

bool coreIs(std::string_view text, const Token& t, std::string_view lower) {
    if (t.coreEnd - t.coreBegin != lower.size()) return false;
    for (std::size_t i = 0; i < lower.size(); ++i) {
        char c = text[t.coreBegin + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

bool hasBreakingPunct(const Token& t) {
    return t.endsComma || t.endsSemicolon || t.endsColon || t.endsDash ||
           (t.endsStop && !t.abbreviation);
}

// The key a name is remembered by: lower case, without a possessive "'s".
std::string nameKey(std::string_view text, const Token& t) {
    std::string key = lowerCore(text, t);
    if (key.size() > 2 && key.compare(key.size() - 2, 2, "'s") == 0) key.resize(key.size() - 2);
    return key;
}

bool endsLikeParticiple(std::string_view text, const Token& t) {
    const std::size_t len = t.coreEnd - t.coreBegin;
    if (len < 4) return false;
    const std::string_view w = text.substr(t.coreBegin, len);
    return w.ends_with("ed") || (w.ends_with("ing") && !w.ends_with("thing")) ||
           w.ends_with("en") || w.ends_with("wn");
}

} // namespace

int SentenceLayout::fold(int level) {
    while (level > kMaxLevel)
        level -= kLevelStep;
    return level;
}

std::size_t SentenceLayout::wordsIn(std::size_t a, std::size_t b) const {
    // m_scratch holds prefix sums of words, then of widths (blank before a token included).
    return m_scratch[b] - m_scratch[a];
}

std::size_t SentenceLayout::widthOf(std::size_t a, std::size_t b) const {
    const std::size_t* w = m_scratch.data() + m_n + 1;
    std::size_t width = w[b] - w[a];
    if (b > a && m_tok[a].gapBefore) --width;
    return width;
}

bool SentenceLayout::fits(std::size_t a, std::size_t b) const {
    return wordsIn(a, b) <= kMaxLineWords && widthOf(a, b) <= kMaxLineWidth;
}

void SentenceLayout::findVerbs() {
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

void SentenceLayout::findGaps() {
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

void SentenceLayout::chooseBreaks() {
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
        const std::size_t before = wordsIn(last, i);
        const std::size_t after = wordsIn(i, nextMandatory[i + 1]);
        bool take = false;
        switch (g.word) {
        case kPrep:
            // "who stood on one leg" stays whole; "She sat down / by the fire" breaks.
            take = before >= 2 && after >= 2 && before + wordsIn(i, nextCandidate[i + 1]) >= 6;
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

int SentenceLayout::splitScore(std::size_t g) const {
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

void SentenceLayout::splitLongLines() {
    std::size_t a = 0;
    while (a < m_n) {
        std::size_t b = a + 1;
        while (b < m_n && !m_gaps[b].start)
            ++b;
        std::size_t pos = a;
        while (!fits(pos, b)) {
            std::size_t best = 0;
            long bestScore = 0;
            const std::size_t rest = wordsIn(pos, b);
            for (std::size_t g = pos + 1; g < b && fits(pos, g); ++g) {
                const int s = splitScore(g);
                if (s <= 0 || wordsIn(g, b) < 2 || wordsIn(pos, g) < 2) continue;
                const long w = static_cast<long>(wordsIn(pos, g));
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

void SentenceLayout::mergeShortLines() {
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
        const bool lone =
            wordsIn(a, b) <= 1 && b - a == 1 && !(m_tok[a].opensQuote && m_tok[a].closesQuote);
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
            return wordsIn(from, to) <= kMaxLineWords + 1 && widthOf(from, to) <= kMaxLineWidth;
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

void SentenceLayout::assignLevels() {
    m_levels.assign(m_n, 0);
    m_frames.clear();
    m_frames.push_back(Frame{kBaseLevel});
    const bool startsInSpeech = m_tok[0].inSpeech;
    m_frames.back().speech = startsInSpeech;
    int speechLevel = startsInSpeech ? kBaseLevel : -1;
    int cur = kBaseLevel;
    int chainStart = kBaseLevel;
    bool prevLinePrep = false;
    const Token& t0 = m_tok[0];
    if ((t0.classes & kSubordinator) && !coreIs(m_text, t0, "as"))
        m_frames.push_back(Frame{kBaseLevel, true});
    m_levels[0] = kBaseLevel;
    // Only joining words and adverbs so far ("And when ...", "But then if ...").
    bool leadIn = true;
    auto account = [&](std::size_t i) {
        if (m_tok[i].isWord) ++m_frames.back().words;
        if (m_verb[i]) m_frames.back().verbSeen = true;
        if (!(m_tok[i].classes & (kCoordinator | kAdverb)) || hasBreakingPunct(m_tok[i]))
            leadIn = false;
    };
    auto popToSpeech = [&] {
        while (m_frames.size() > 1 && !m_frames.back().speech)
            m_frames.pop_back();
    };
    account(0);
    for (std::size_t i = 1; i < m_n; ++i) {
        const Gap& g = m_gaps[i];
        if (g.word == kNone && g.quote == kNone && g.punct == kNoPunct) {
            account(i);
            continue;
        }
        const bool start = g.start;
        bool poppedFronted = false;
        if (g.punct == kSemicolon) {
            popToSpeech();
            cur = m_frames.back().level;
            // What follows a semicolon is a clause of its own.
            m_frames.back().verbSeen = false;
            m_frames.back().words = 0;
            m_frames.back().itemLevel = -1;
        } else if (g.punct == kComma && m_frames.back().fronted && m_frames.size() > 1 &&
                   g.word != kRel) {
            m_frames.pop_back();
            poppedFronted = true;
        }
        const Event governing = g.quote != kNone ? g.quote : g.word;
        int level = cur;
        enum { kNoPush, kPushClause, kPushFronted, kPushSpeech } push = kNoPush;
        Frame& top = m_frames.back();
        switch (governing) {
        case kQuoteOpen:
            if (speechLevel >= 0) {
                popToSpeech();
                if (!m_frames.back().speech) push = kPushSpeech;
                level = speechLevel;
            } else {
                level = top.level + kLevelStep;
                push = kPushSpeech;
            }
            break;
        case kQuoteClose:
            if (startsInSpeech) {
                popToSpeech();
                level = m_frames.back().level + kLevelStep;
                push = kPushClause;
            } else {
                popToSpeech();
                if (m_frames.size() > 1) m_frames.pop_back();
                level = m_frames.back().level;
            }
            break;
        case kSub:
            if (leadIn) {
                // A subordinate clause before its main clause: the main clause comes back
                // to this level after it.
                level = top.level;
                push = kPushFronted;
            } else {
                level = top.level + kLevelStep;
                push = kPushClause;
            }
            break;
        case kRel:
            level = cur + kLevelStep;
            push = kPushClause;
            break;
        case kCoordClause:
            if (top.fronted && m_frames.size() > 1) m_frames.pop_back();
            level = m_frames.back().level;
            m_frames.back().verbSeen = false;
            m_frames.back().itemLevel = -1;
            m_frames.back().words = 0;
            break;
        case kClauseCore:
            if (top.fronted && m_frames.size() > 1) {
                m_frames.pop_back();
                level = m_frames.back().level;
            } else if (top.verbSeen) {
                level = cur + kLevelStep;
                push = kPushClause;
            } else {
                level = top.level;
            }
            break;
        case kSubjVerb:
            level = top.level + kLevelStep;
            break;
        case kPrep:
        case kPrepOf:
        case kFallback:
            level = cur + kLevelStep;
            break;
        case kCoordPlain:
            level = chainStart;
            break;
        case kNone:
            if (g.punct == kSemicolon || poppedFronted) {
                level = top.level;
            } else if (top.words <= 3 && !top.verbSeen) {
                level = top.level; // an opening phrase: "At last, ..."
            } else if (top.itemLevel >= 0) {
                level = top.itemLevel; // items of a list line up
            } else {
                level = top.level + kLevelStep;
                if (start) top.itemLevel = fold(level);
            }
            break;
        }
        const int lineLevel = start ? fold(level) : cur;
        if (push != kNoPush) {
            Frame f{lineLevel};
            f.speech = push == kPushSpeech;
            f.fronted = push == kPushFronted;
            m_frames.push_back(f);
            if (f.speech && speechLevel < 0) speechLevel = lineLevel;
        }
        if (start) {
            cur = lineLevel;
            m_levels[i] = cur;
            const bool prep = governing == kPrep || governing == kPrepOf;
            if (!prep || !prevLinePrep) chainStart = cur;
            prevLinePrep = prep;
        }
        account(i);
    }
}

void SentenceLayout::assignColours(NameMemory& names) {
    m_colour.assign(m_n, 0);
    for (std::size_t i = 0; i < m_n; ++i) {
        const Token& t = m_tok[i];
        if (t.inSpeech) {
            m_colour[i] = kSpeechColour;
            continue;
        }
        if (!t.isWord) continue;
        const unsigned char first = static_cast<unsigned char>(m_text[t.coreBegin]);
        if (first >= 'a' && first <= 'z') {
            if (t.classes == 0 && t.coreEnd - t.coreBegin >= 3)
                names.lowerCase.insert(nameKey(m_text, t));
            continue;
        }
        if (!t.capitalised || (t.classes & kFunctionWord)) continue;
        if (first == 'I' && (t.coreEnd - t.coreBegin == 1 || m_text[t.coreBegin + 1] == '\''))
            continue;
        const bool opening = i == 0 || t.sentenceStart || t.opensQuote || m_tok[i - 1].endsColon ||
                             (m_tok[i - 1].endsStop && !m_tok[i - 1].abbreviation);
        if (!opening) {
            names.capitalised.insert(nameKey(m_text, t));
            m_colour[i] = kNameColour;
        } else {
            const std::string key = nameKey(m_text, t);
            if (names.capitalised.count(key) && !names.lowerCase.count(key))
                m_colour[i] = kNameColour;
        }
    }
    // The verb group of each main clause: its first verb with auxiliaries and adverbs.
    std::size_t i = 0;
    while (i < m_n) {
        std::size_t end = i + 1;
        while (end < m_n) {
            const Gap& g = m_gaps[end];
            if (g.quote != kNone || g.punct == kSemicolon || g.word == kSub || g.word == kRel ||
                g.word == kCoordClause || g.word == kClauseCore)
                break;
            ++end;
        }
        // Only main clauses: a clause opened by "because", "who" and the like has none.
        const bool dependent = i == 0 ? (m_tok[0].classes & kSubordinator) != 0
                                      : (m_gaps[i].word == kSub || m_gaps[i].word == kRel);
        std::size_t k = dependent ? end : i;
        while (k < end && !(m_verb[k] && m_colour[k] == 0))
            ++k;
        if (k < end) {
            std::size_t last = k;
            bool auxiliary = (m_tok[k].classes & kAuxiliary) != 0;
            bool modal = (m_tok[k].classes & kModal) != 0;
            for (std::size_t j = k + 1;
                 auxiliary && j < end && m_colour[j] == 0 && !hasBreakingPunct(m_tok[j - 1]); ++j) {
                const Token& t = m_tok[j];
                if (t.classes & kAuxiliary) {
                    last = j;
                    modal = (t.classes & kModal) != 0;
                } else if ((t.classes & kAdverb) && !(t.classes & kFunctionWord)) {
                    continue; // kept only when a verb follows
                } else if ((t.classes & kVerb) || t.edEnding || endsLikeParticiple(m_text, t) ||
                           (modal && t.isWord && !t.capitalised && !(t.classes & kFunctionWord))) {
                    last = j;
                    auxiliary = false;
                } else {
                    auxiliary = false;
                }
            }
            for (std::size_t j = k; j <= last; ++j)
                m_colour[j] = kVerbColour;
        }
        i = end;
    }
}

std::size_t SentenceLayout::emit(Lines& out) {
    std::size_t count = 0;
    std::size_t a = 0;
    while (a < m_n) {
        std::size_t b = a + 1;
        while (b < m_n && !m_gaps[b].start)
            ++b;
        const int level = m_levels[a];
        m_line.clear();
        m_line.push_back('l');
        m_line.push_back(static_cast<char>('0' + level / 10));
        m_line.push_back(static_cast<char>('0' + level % 10));
        char colour = 0;
        for (std::size_t k = a; k < b; ++k) {
            const char c = m_colour[k];
            if (c != colour) {
                m_line.push_back('|');
                m_line.push_back(c == 0 ? '4' : c);
                m_line.push_back('>');
                colour = c;
            }
            if (k > a && m_tok[k].gapBefore) m_line.push_back(' ');
            m_line.append(m_text.substr(m_tok[k].begin, m_tok[k].end - m_tok[k].begin));
        }
        if (colour != 0) m_line.append("|4>");
        m_line.push_back(' ');
        out.push_back(m_line);
        ++count;
        a = b;
    }
    return count;
}

std::size_t SentenceLayout::layout(std::string_view text, const std::vector<Token>& tokens,
                                   std::size_t first, std::size_t last, NameMemory& names,
                                   Lines& out) {
    if (first >= last || last > tokens.size()) return 0;
    m_text = text;
    m_tok = tokens.data() + first;
    m_n = last - first;
    // Prefix sums: words, then widths with the blank before each token.
    m_scratch.assign(2 * (m_n + 1), 0);
    for (std::size_t i = 0; i < m_n; ++i) {
        const Token& t = m_tok[i];
        m_scratch[i + 1] = m_scratch[i] + (t.isWord ? 1 : 0);
        m_scratch[m_n + 2 + i] = m_scratch[m_n + 1 + i] + t.width + (t.gapBefore ? 1 : 0);
    }
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
