// The second half of a sentence's layout: the indent level of each line, the colours of its
// words, and writing the lines out. The breaking of the sentence into lines is in
// PhraseLayout.cpp.
#include "core/cascade/PhraseLayout.h"

#include "core/cascade/Lexicon.h"

namespace qm::cascade {

namespace {

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
        appendPhraseLine(m_text, m_tok, a, b, m_levels[a], m_colour, m_line, out);
        ++count;
        a = b;
    }
    return count;
}

} // namespace qm::cascade
