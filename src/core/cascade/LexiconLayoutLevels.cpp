// The second half of the lexicon rules' layout of a sentence: the indent level of each line,
// the colours of its words, and writing the lines out. The breaking of the sentence into
// lines is in LexiconLayout.cpp.
#include "core/cascade/LexiconLayout.h"

#include "core/cascade/Lexicon.h"
#include "core/cascade/WordTests.h"

namespace qm::cascade {

namespace {

// The key a name is remembered by: lower case, without a possessive "'s".
std::string nameKey(std::string_view text, const Token& t) {
    std::string key = lowerCore(text, t);
    if (key.size() > 2 && key.compare(key.size() - 2, 2, "'s") == 0) key.resize(key.size() - 2);
    return key;
}

} // namespace

void LexiconLayout::assignLevels() {
    m_levels.assign(m_n, 0);
    m_frames.clear();
    m_frames.push_back(Frame{kBaseLevel});
    LevelWalk walk;
    walk.startsInSpeech = m_tok[0].inSpeech;
    m_frames.back().speech = walk.startsInSpeech;
    walk.speechLevel = walk.startsInSpeech ? kBaseLevel : -1;
    const Token& t0 = m_tok[0];
    if ((t0.classes & kSubordinator) && !coreIs(m_text, t0, "as"))
        m_frames.push_back(Frame{kBaseLevel, true});
    m_levels[0] = kBaseLevel;
    account(0, walk);
    for (std::size_t i = 1; i < m_n; ++i) {
        const Gap& g = m_gaps[i];
        if (g.word != kNone || g.quote != kNone || g.punct != kNoPunct) {
            const bool poppedFronted = closeAtPunct(g, walk);
            const Event governing = g.quote != kNone ? g.quote : g.word;
            Push push = kNoPush;
            int level = walk.cur;
            if (governing == kQuoteOpen || governing == kQuoteClose)
                level = quoteLevel(governing, walk, push);
            else if (governing == kSub || governing == kRel || governing == kCoordClause ||
                     governing == kClauseCore)
                level = clauseLevel(governing, walk, push);
            else
                level = phraseLevel(g, governing, poppedFronted, walk);
            placeLine(i, governing, level, push, walk);
        }
        account(i, walk);
    }
}

// Counts token i into the innermost frame, and ends the lead-in at anything but a joining word
// or an adverb ("And when ...", "But then if ...").
void LexiconLayout::account(std::size_t i, LevelWalk& walk) {
    if (m_tok[i].isWord) ++m_frames.back().words;
    if (m_verb[i]) m_frames.back().verbSeen = true;
    if (!(m_tok[i].classes & (kCoordinator | kAdverb)) || hasBreakingPunct(m_tok[i]))
        walk.leadIn = false;
}

void LexiconLayout::popToSpeech() {
    while (m_frames.size() > 1 && !m_frames.back().speech)
        m_frames.pop_back();
}

// A semicolon closes every clause inside the speech; a comma closes a fronted clause. Returns
// whether a fronted clause was closed.
bool LexiconLayout::closeAtPunct(const Gap& g, LevelWalk& walk) {
    if (g.punct == kSemicolon) {
        popToSpeech();
        walk.cur = m_frames.back().level;
        // What follows a semicolon is a clause of its own.
        m_frames.back().verbSeen = false;
        m_frames.back().words = 0;
        m_frames.back().itemLevel = -1;
    } else if (g.punct == kComma && m_frames.back().fronted && m_frames.size() > 1 &&
               g.word != kRel) {
        m_frames.pop_back();
        return true;
    }
    return false;
}

int LexiconLayout::quoteLevel(Event quote, const LevelWalk& walk, Push& push) {
    if (quote == kQuoteOpen) {
        if (walk.speechLevel >= 0) {
            popToSpeech();
            if (!m_frames.back().speech) push = kPushSpeech;
            return walk.speechLevel;
        }
        push = kPushSpeech;
        return m_frames.back().level + kLevelStep;
    }
    popToSpeech();
    if (walk.startsInSpeech) {
        push = kPushClause;
        return m_frames.back().level + kLevelStep;
    }
    if (m_frames.size() > 1) m_frames.pop_back();
    return m_frames.back().level;
}

int LexiconLayout::clauseLevel(Event event, const LevelWalk& walk, Push& push) {
    Frame& top = m_frames.back();
    switch (event) {
    case kSub:
        // A subordinate clause before its main clause: the main clause comes back to this
        // level after it.
        push = walk.leadIn ? kPushFronted : kPushClause;
        return walk.leadIn ? top.level : top.level + kLevelStep;
    case kRel:
        push = kPushClause;
        return walk.cur + kLevelStep;
    case kCoordClause:
        if (top.fronted && m_frames.size() > 1) m_frames.pop_back();
        m_frames.back().verbSeen = false;
        m_frames.back().itemLevel = -1;
        m_frames.back().words = 0;
        return m_frames.back().level;
    default: // kClauseCore
        if (top.fronted && m_frames.size() > 1) {
            m_frames.pop_back();
            return m_frames.back().level;
        }
        if (top.verbSeen) {
            push = kPushClause;
            return walk.cur + kLevelStep;
        }
        return top.level;
    }
}

int LexiconLayout::phraseLevel(const Gap& g, Event event, bool poppedFronted,
                               const LevelWalk& walk) {
    Frame& top = m_frames.back();
    switch (event) {
    case kSubjVerb:
        return top.level + kLevelStep;
    case kPrep:
    case kPrepOf:
    case kFallback:
        return walk.cur + kLevelStep;
    case kCoordPlain:
        return walk.chainStart;
    default: // kNone
        if (g.punct == kSemicolon || poppedFronted) return top.level;
        if (top.words <= 3 && !top.verbSeen) return top.level; // an opening phrase: "At last, ..."
        if (top.itemLevel >= 0) return top.itemLevel;          // items of a list line up
        if (g.start) top.itemLevel = boundLevel(top.level + kLevelStep);
        return top.level + kLevelStep;
    }
}

// Opens the frame the event asks for and, where a line starts at token i, sets its level.
void LexiconLayout::placeLine(std::size_t i, Event governing, int level, Push push,
                              LevelWalk& walk) {
    const bool start = m_gaps[i].start;
    const int lineLevel = start ? boundLevel(level) : walk.cur;
    if (push != kNoPush) {
        Frame f{lineLevel};
        f.speech = push == kPushSpeech;
        f.fronted = push == kPushFronted;
        m_frames.push_back(f);
        if (f.speech && walk.speechLevel < 0) walk.speechLevel = lineLevel;
    }
    if (!start) return;
    walk.cur = lineLevel;
    m_levels[i] = walk.cur;
    const bool prep = governing == kPrep || governing == kPrepOf;
    if (!prep || !walk.prevLinePrep) walk.chainStart = walk.cur;
    walk.prevLinePrep = prep;
}

void LexiconLayout::assignColours(NameMemory& names) {
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
            // A word in capitals says nothing of how the word is written in prose.
            if (!t.allCapitals) names.capitalised.insert(nameKey(m_text, t));
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
                } else if ((t.classes & kVerb) || t.edEnding ||
                           endsLikeParticipleNoTags(m_text, t) ||
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

std::size_t LexiconLayout::emit(Lines& out) {
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
