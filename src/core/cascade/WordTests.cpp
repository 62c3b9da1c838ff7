#include "core/cascade/WordTests.h"

namespace qm::cascade {

using grammar::Upos;

bool isVerbal(Upos u) {
    return u == Upos::Verb || u == Upos::Aux;
}

bool isNoun(Upos u) {
    return u == Upos::Noun || u == Upos::Propn;
}

bool isNounOrPronoun(Upos u) {
    return u == Upos::Noun || u == Upos::Propn || u == Upos::Pron;
}

bool isNominal(Upos u) {
    return u == Upos::Noun || u == Upos::Propn || u == Upos::Pron || u == Upos::Num;
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

bool isText(std::string_view text, const grammar::Word& w, std::string_view s) {
    return w.end <= text.size() && w.end >= w.begin && text.substr(w.begin, w.end - w.begin) == s;
}

bool isLowerOrCapitalTo(std::string_view text, const grammar::Word& w) {
    if (w.end != w.begin + 2 || w.end > text.size()) return false;
    return (text[w.begin] == 't' || text[w.begin] == 'T') && text[w.begin + 1] == 'o';
}

bool isRelativeWord(std::string_view text, const grammar::Word& w) {
    return isAnyWord(text, w, {"who", "which", "that", "whom", "whose", "what"});
}

bool isRelativeOrWhAdverb(std::string_view text, const grammar::Word& w) {
    return isRelativeWord(text, w) || isAnyWord(text, w, {"where", "when", "why", "how"});
}

bool isSubordinatingAdverb(std::string_view text, const grammar::Word& w) {
    return isAnyWord(text, w, {"when", "whenever", "where", "wherever", "while", "once"});
}

bool isSubordinatingPreposition(std::string_view text, const grammar::Word& w) {
    return isAnyWord(text, w, {"as", "after", "before", "since", "until", "till"});
}

bool isFiniteAuxiliary(std::string_view text, const grammar::Word& w) {
    return isAnyWord(text, w, {"is",    "are",   "was",    "were", "am",    "can",  "could", "will",
                               "would", "shall", "should", "may",  "might", "must", "do",    "does",
                               "did",   "has",   "have",   "had",  "'s",    "'re"});
}

bool isIrregularParticiple(std::string_view text, const grammar::Word& w) {
    return isAnyWord(text, w, {"left",   "made",    "built", "found", "held",  "kept",  "brought",
                               "bought", "thought", "told",  "sold",  "sent",  "spent", "set",
                               "put",    "cut",     "done",  "gone",  "born",  "lost",  "paid",
                               "led",    "read",    "heard", "meant", "felt",  "won",   "got",
                               "shot",   "hit",     "run",   "come",  "become"});
}

bool hasParticipleEnding(std::string_view word) {
    return word.ends_with("ed") || word.ends_with("ing") || word.ends_with("en");
}

bool isParticipleVerb(std::string_view text, const grammar::Word& w) {
    if (w.upos != Upos::Verb || w.end > text.size() || w.end < w.begin + 5) return false;
    return hasParticipleEnding(text.substr(w.begin, w.end - w.begin));
}

bool endsLikeParticiple(std::string_view text, const Token& t) {
    const std::string_view w = text.substr(t.coreBegin, t.coreEnd - t.coreBegin);
    return w.size() >= 4 && hasParticipleEnding(w);
}

bool endsLikeParticipleNoTags(std::string_view text, const Token& t) {
    const std::size_t len = t.coreEnd - t.coreBegin;
    if (len < 4) return false;
    const std::string_view w = text.substr(t.coreBegin, len);
    return w.ends_with("ed") || (w.ends_with("ing") && !w.ends_with("thing")) ||
           w.ends_with("en") || w.ends_with("wn");
}

} // namespace qm::cascade
