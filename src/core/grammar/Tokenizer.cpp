#include "core/grammar/Tokenizer.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace qm::grammar {
namespace {

using Byte = unsigned char;

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isAlnum(char c) {
    return isAsciiLetter(c) || isDigit(c) || static_cast<Byte>(c) >= 0x80;
}
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsLower(std::string_view s, std::string_view lowerWord) {
    if (s.size() != lowerWord.size()) return false;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (lower(s[i]) != lowerWord[i]) return false;
    return true;
}

// Length of the blank at text[i]: ASCII white space, no-break space or a Unicode space.
std::size_t blankAt(std::string_view t, std::size_t i) {
    const auto c = static_cast<Byte>(t[i]);
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') return 1;
    if (c == 0xC2 && i + 1 < t.size() && static_cast<Byte>(t[i + 1]) == 0xA0) return 2;
    if (c == 0xE2 && i + 2 < t.size() && static_cast<Byte>(t[i + 1]) == 0x80) {
        const auto d = static_cast<Byte>(t[i + 2]);
        if ((d >= 0x80 && d <= 0x8A) || d == 0xAF) return 3;
    }
    if (c == 0xE3 && i + 2 < t.size() && static_cast<Byte>(t[i + 1]) == 0x80 &&
        static_cast<Byte>(t[i + 2]) == 0x80)
        return 3;
    return 0;
}

// Multi-byte punctuation the tokenizer splits: curly quotes, guillemets, dashes, ellipsis.
std::size_t wideMarkAt(std::string_view t, std::size_t i) {
    const auto c = static_cast<Byte>(t[i]);
    if (c == 0xC2 && i + 1 < t.size()) {
        const auto d = static_cast<Byte>(t[i + 1]);
        return d == 0xAB || d == 0xBB || d == 0xBF || d == 0xA1 ? 2 : 0;
    }
    if (c == 0xE2 && i + 2 < t.size() && static_cast<Byte>(t[i + 1]) == 0x80) {
        const auto d = static_cast<Byte>(t[i + 2]);
        return (d >= 0x93 && d <= 0x9F) || d == 0xA6 ? 3 : 0;
    }
    return 0;
}

// The curly apostrophe (right single quote) at t[i].
bool curlyApostropheAt(std::string_view t, std::size_t i) {
    return i + 2 < t.size() && static_cast<Byte>(t[i]) == 0xE2 &&
           static_cast<Byte>(t[i + 1]) == 0x80 && static_cast<Byte>(t[i + 2]) == 0x99;
}

// Length of an apostrophe (straight or curly) ending at t[end).
std::size_t apostropheBefore(std::string_view t, std::size_t begin, std::size_t end) {
    if (end > begin && t[end - 1] == '\'') return 1;
    if (end >= begin + 3 && curlyApostropheAt(t, end - 3)) return 3;
    return 0;
}

bool isLeadingMark(char c) {
    return c == '(' || c == '[' || c == '{' || c == '"' || c == '\'' || c == '<' || c == '*' ||
           c == '`' || c == '$' || c == '#' || c == '~' || c == '&';
}

bool isTrailingMark(char c) {
    return c == ')' || c == ']' || c == '}' || c == '"' || c == '\'' || c == ',' || c == ';' ||
           c == ':' || c == '%' || c == '*' || c == '>' || c == '`';
}

bool isStop(char c) {
    return c == '.' || c == '!' || c == '?';
}

constexpr std::array<std::string_view, 62> kAbbreviations = {
    "mr",   "mrs",    "ms",   "dr",  "st",  "jr",     "sr",  "inc", "ltd",  "co",    "corp",
    "vs",   "etc",    "jan",  "feb", "mar", "apr",    "jun", "jul", "aug",  "sep",   "sept",
    "oct",  "nov",    "dec",  "mon", "tue", "tues",   "wed", "thu", "thur", "thurs", "fri",
    "sat",  "sun",    "no",   "gen", "gov", "lt",     "rev", "sen", "rep",  "ft",    "mt",
    "ave",  "blvd",   "dept", "est", "fig", "approx", "al",  "ca",  "col",  "capt",  "sgt",
    "prof", "messrs", "vol",  "pp",  "cf",  "v",      "op"};

constexpr std::array<std::string_view, 24> kHyphenPrefixes = {
    "e",       "non",   "pre",   "anti", "mid",   "re",     "post",  "co",
    "over",    "pro",   "multi", "ex",   "sub",   "semi",   "cross", "neo",
    "counter", "intra", "micro", "un",   "socio", "psycho", "inter", "vice"};

constexpr std::array<std::string_view, 14> kEmoticons = {
    ":)", ":-)", ":(", ":-(", ";)", ";-)", ":D", ":-D", ":P", ":-P", ":/", "=)", "<3", ":'("};

// "U.S", "e.g", "Ph.D": runs of one or two letters with inner periods, before a final one.
bool dottedLetters(std::string_view s) {
    if (s.size() < 3) return false;
    bool sawDot = false;
    std::size_t run = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '.') {
            if (run == 0) return false;
            sawDot = true;
            run = 0;
        } else if (!isAsciiLetter(s[i]) || ++run > 2) {
            return false;
        }
    }
    return sawDot;
}

// Marks that make one word however often they repeat ("***", "<<", "====").
bool isRepeatingMark(char c) {
    return c == '*' || c == '<' || c == '>' || c == '=' || c == '-' || c == '_' || c == '~' ||
           c == '#';
}

// Whether "core." is an abbreviation that keeps its period.
bool keepsPeriod(std::string_view core) {
    if (core.size() == 1 && isAsciiLetter(core[0])) return true;
    if (dottedLetters(core)) return true;
    return std::any_of(kAbbreviations.begin(), kAbbreviations.end(),
                       [&](std::string_view a) { return equalsLower(core, a); });
}

bool looksLikeAddress(std::string_view s) {
    if (s.find("://") != std::string_view::npos) return true;
    if (s.size() > 4 && equalsLower(s.substr(0, 4), "www.")) return true;
    const std::size_t at = s.find('@');
    return at != std::string_view::npos && at > 0 && s.find('.', at) != std::string_view::npos &&
           s.back() != '.';
}

class Cutter {
public:
    Cutter(std::string_view text, Sentence& out)
        : m_t(text)
        , m_out(out) {}

    // Cuts one blank-separated chunk; the last chunk of the sentence gives up a final period
    // even after an abbreviation ("etc.").
    void chunk(std::size_t b, std::size_t e, bool last);

private:
    void emit(std::size_t b, std::size_t e) {
        if (b >= e) return;
        Word w;
        w.begin = b;
        w.end = e;
        m_out.push_back(w);
    }
    void core(std::size_t b, std::size_t e);
    void inner(std::size_t b, std::size_t e);

    std::string_view m_t;
    Sentence& m_out;
};

void Cutter::chunk(std::size_t b, std::size_t e, bool last) {
    const std::size_t chunkEnd = e;
    const std::string_view whole = m_t.substr(b, e - b);
    if (std::find(kEmoticons.begin(), kEmoticons.end(), whole) != kEmoticons.end()) {
        emit(b, e);
        return;
    }
    // Leading marks, each a word, unless an apostrophe starts a clitic or a year ("'s", "'90s").
    while (b < e) {
        if (const std::size_t w = wideMarkAt(m_t, b); w != 0) {
            if (curlyApostropheAt(m_t, b) && b + 3 < e && isAlnum(m_t[b + 3])) break;
            emit(b, b + w);
            b += w;
            continue;
        }
        const char c = m_t[b];
        if (isRepeatingMark(c) && b + 1 < e && m_t[b + 1] == c) {
            std::size_t r = b + 1;
            while (r < e && m_t[r] == c)
                ++r;
            emit(b, r);
            b = r;
            continue;
        }
        if (c == '\'' && b + 1 < e && isAlnum(m_t[b + 1])) break;
        if ((c == '$' || c == '#') && !(b + 1 < e && isDigit(m_t[b + 1]))) break;
        if (!isLeadingMark(c) || b + 1 == e) break;
        emit(b, b + 1);
        ++b;
    }
    // Trailing marks, gathered from the end and emitted after the core.
    std::array<std::pair<std::size_t, std::size_t>, 24> tail;
    std::size_t tailCount = 0;
    while (e > b && tailCount < tail.size()) {
        std::size_t markLen = 0;
        if (e >= b + 3) {
            const std::size_t w = wideMarkAt(m_t, e - 3);
            if (w == 3) markLen = 3;
        }
        if (markLen == 0 && e >= b + 2 && wideMarkAt(m_t, e - 2) == 2) markLen = 2;
        if (markLen == 0) {
            const char c = m_t[e - 1];
            if (isStop(c)) {
                std::size_t s = e - 1;
                while (s > b && isStop(m_t[s - 1]))
                    --s;
                if (s == b) break;
                if (e - s == 1 && c == '.' && !(last && e == chunkEnd) &&
                    keepsPeriod(m_t.substr(b, s - b)))
                    break;
                markLen = e - s;
            } else if (isRepeatingMark(c) && e - 1 > b && m_t[e - 2] == c) {
                std::size_t s = e - 1;
                while (s > b && m_t[s - 1] == c)
                    --s;
                markLen = e - s;
            } else if (isTrailingMark(c) && e - 1 > b) {
                markLen = 1;
            }
        }
        if (markLen == 0 || markLen >= e - b) break;
        tail[tailCount++] = {e - markLen, e};
        e -= markLen;
    }
    core(b, e);
    for (std::size_t i = tailCount; i-- > 0;)
        emit(tail[i].first, tail[i].second);
}

void Cutter::core(std::size_t b, std::size_t e) {
    if (b >= e) return;
    const std::string_view s = m_t.substr(b, e - b);
    if (looksLikeAddress(s)) {
        emit(b, e);
        return;
    }
    // Whole words that the treebank cuts in two.
    struct Split {
        std::string_view word;
        std::size_t at;
    };
    static constexpr std::array<Split, 5> kSplits = {
        {{"cannot", 3}, {"gonna", 3}, {"wanna", 3}, {"gotta", 3}, {"dont", 2}}};
    for (const Split& sp : kSplits) {
        if (equalsLower(s, sp.word)) {
            emit(b, b + sp.at);
            emit(b + sp.at, e);
            return;
        }
    }
    // n't, and 's 're 've 'll 'd 'm after a word.
    std::size_t clitic = e;
    if (s.size() >= 4) {
        const char n = lower(s[s.size() - 1]);
        if (n == 't') {
            const std::size_t a = apostropheBefore(m_t, b, e - 1);
            if (a != 0 && e - 1 - a > b + 1 && lower(m_t[e - 2 - a]) == 'n') clitic = e - 2 - a;
        }
    }
    if (clitic == e) {
        for (std::size_t len = 1; len <= 2 && clitic == e; ++len) {
            if (s.size() <= len + 1) break;
            const std::string_view end = s.substr(s.size() - len);
            const bool known =
                len == 1
                    ? (equalsLower(end, "s") || equalsLower(end, "d") || equalsLower(end, "m"))
                    : (equalsLower(end, "re") || equalsLower(end, "ve") || equalsLower(end, "ll"));
            if (!known) continue;
            const std::size_t a = apostropheBefore(m_t, b, e - len);
            if (a != 0 && e - len - a > b) clitic = e - len - a;
        }
    }
    inner(b, clitic);
    emit(clitic, e);
}

// Splits inside a word: dashes, hyphens between words, slashes and commas between letters,
// quotes and ellipses.
void Cutter::inner(std::size_t b, std::size_t e) {
    std::size_t start = b;
    std::size_t i = b;
    while (i < e) {
        const char c = m_t[i];
        if (const std::size_t w = wideMarkAt(m_t, i); w != 0 && !curlyApostropheAt(m_t, i)) {
            emit(start, i);
            emit(i, i + w);
            i += w;
            start = i;
            continue;
        }
        const bool between = i > b && i + 1 < e && isAlnum(m_t[i - 1]) && isAlnum(m_t[i + 1]);
        bool split = false;
        std::size_t len = 1;
        if (c == '-' && i + 1 < e && m_t[i + 1] == '-') {
            while (i + len < e && m_t[i + len] == '-')
                ++len;
            split = i > start || i + len < e;
        } else if (c == '-' && between) {
            const bool digits = isDigit(m_t[i - 1]) && isDigit(m_t[i + 1]);
            const std::string_view left = m_t.substr(start, i - start);
            const bool prefix =
                std::any_of(kHyphenPrefixes.begin(), kHyphenPrefixes.end(),
                            [&](std::string_view p) { return equalsLower(left, p); });
            split = !digits && !prefix;
        } else if ((c == '/' || c == ',') && between) {
            split = !(isDigit(m_t[i - 1]) && isDigit(m_t[i + 1]));
        } else if (c == '"' || (c == '.' && i + 1 < e && m_t[i + 1] == '.')) {
            while (c == '.' && i + len < e && m_t[i + len] == '.')
                ++len;
            split = true;
        }
        if (split) {
            emit(start, i);
            emit(i, i + len);
            start = i + len;
        }
        i += len;
    }
    emit(start, e);
}

} // namespace

void tokenize(std::string_view text, Sentence& out) {
    out.clear();
    Cutter cut(text, out);
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t blank = blankAt(text, i);
        if (blank != 0) {
            i += blank;
            continue;
        }
        std::size_t j = i;
        while (j < text.size() && blankAt(text, j) == 0)
            ++j;
        std::size_t k = j;
        while (k < text.size() && blankAt(text, k) != 0)
            k += blankAt(text, k);
        cut.chunk(i, j, k == text.size());
        i = j;
    }
}

} // namespace qm::grammar
