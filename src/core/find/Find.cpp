#include "core/find/Find.h"

#include "core/text/Tags.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace qm {

namespace {

// Line i of the list, or an empty line when i lies outside it.
std::string_view lineAt(const LineBuffer& lines, long long i) {
    if (i < 0 || i >= static_cast<long long>(lines.size())) return {};
    return lines[static_cast<std::size_t>(i)];
}

// The words of a line: a picture's file name after its image tag is none.
std::string_view wordsOf(std::string_view line) {
    return line.substr(0, line.find("|image>"));
}

void lowerInPlace(std::string& s) {
    for (char& c : s)
        c = toLowerAscii(c);
}

// Whether the line holds the word (already lower-cased) with the letters A to Z of the line
// compared in lower case. Candidates are found with memchr for both cases of the word's first
// character, so a line is scanned at memchr speed and never copied.
bool containsIgnoringCase(std::string_view line, std::string_view word) {
    const std::size_t n = line.size(), m = word.size();
    if (m == 0 || n < m) return false;
    const char lower = word[0];
    const char upper = (lower >= 'a' && lower <= 'z') ? static_cast<char>(lower - 32) : lower;
    const std::size_t span = n - m + 1; // positions where the word can start
    auto next = [&](char c, std::size_t from) -> std::size_t {
        const void* p = std::memchr(line.data() + from, c, span - from);
        return p ? static_cast<std::size_t>(static_cast<const char*>(p) - line.data()) : span;
    };
    std::size_t nextLower = next(lower, 0);
    std::size_t nextUpper = upper == lower ? span : next(upper, 0);
    for (;;) {
        const std::size_t pos = std::min(nextLower, nextUpper);
        if (pos >= span) return false;
        std::size_t k = 1;
        while (k < m && toLowerAscii(line[pos + k]) == word[k])
            ++k;
        if (k == m) return true;
        if (pos == nextLower) nextLower = pos + 1 < span ? next(lower, pos + 1) : span;
        if (pos == nextUpper) nextUpper = pos + 1 < span ? next(upper, pos + 1) : span;
    }
}

// Tests lines for the first word: a plain substring test on the raw line, with the line
// lower-cased (A to Z) when match case is off.
class WordMatcher {
public:
    WordMatcher(std::string_view word, bool matchCase)
        : m_word(word)
        , m_matchCase(matchCase) {}

    bool matches(std::string_view line) const {
        if (m_word.empty() || line.size() < m_word.size()) return false;
        if (m_matchCase) return line.find(m_word) != std::string_view::npos;
        return containsIgnoringCase(line, m_word);
    }

private:
    std::string_view m_word;
    bool m_matchCase;
};

// The phrase test: the trimmed line i and the trimmed line after it, joined by one blank and
// freed of tags, must hold the whole pattern.
bool phraseMatches(const LineBuffer& lines, long long i, std::string_view pattern, bool matchCase) {
    std::string joined = trimBlanksAndControls(wordsOf(lineAt(lines, i)));
    joined += ' ';
    joined += trimBlanksAndControls(wordsOf(lineAt(lines, i + 1)));
    std::string text = removeTags(joined);
    if (!matchCase) lowerInPlace(text);
    return text.find(pattern) != std::string::npos;
}

} // namespace

FindResult findStep(const LineBuffer& lines, int top, int nextTop, std::string_view findText,
                    bool down, bool matchCase) {
    const long long count = static_cast<long long>(lines.size());
    FindResult result;
    long long s = 0;
    int d = 0;
    if (down) {
        if (!(nextTop < count - 1)) return result;
        s = nextTop;
        d = 1;
    } else {
        if (top <= 1) return result;
        s = top;
        d = -1;
    }
    result.startLine = static_cast<int>(s);
    if (findText.empty()) {
        result.kind = FindResult::Kind::NoSearch;
        return result;
    }

    const std::string pattern = matchCase ? std::string(findText) : toLowerAscii(findText);
    const std::size_t blank = pattern.find(' ');
    const bool phrase = blank != std::string::npos;
    WordMatcher matcher(std::string_view(pattern).substr(0, blank), matchCase);

    // The scan starts two lines beyond the start line; when that line does not exist there is
    // nothing to search.
    if (s + 2 * d < 0 || s + 2 * d >= count) return result;

    long long i = s + d;
    for (;;) {
        bool found = false;
        do {
            i += d;
            found = matcher.matches(wordsOf(lineAt(lines, i)));
        } while (!found && i < count - 2 && i > 1);

        if (phrase ? phraseMatches(lines, i, pattern, matchCase) : found) {
            result.kind = FindResult::Kind::Hit;
            result.hitLine = static_cast<int>(i);
            return result;
        }
        if (!phrase || !(count - 2 > i && i > 1)) return result;
    }
}

std::optional<int> pageTopForHit(const LineBuffer& lines, int hitLine, int startLine) {
    const long long count = static_cast<long long>(lines.size());
    if (hitLine < 0 || hitLine >= count - 1) return std::nullopt;
    long long p = std::max(hitLine, 2);
    do {
        --p;
    } while (p > 0 && !(lineAt(lines, p).substr(0, 1) == "p"));
    if (p <= startLine) p = hitLine;
    return static_cast<int>(p);
}

int hitPageStart(const LineBuffer& lines, int from, int hitLine) {
    for (int n = std::max(from, 0); n < hitLine; ++n) {
        if (isForwardPageBreak(lineAt(lines, n))) return n;
    }
    return hitLine;
}

namespace {

// The characters of a text and, for each, the line and the offset in it it came from (offset
// -1 for the blank that joins two lines).
struct Traced {
    struct Origin {
        int line;
        int offset;
    };
    std::string text;
    std::vector<Origin> origin;
};

// Appends the line's characters between its trimmed ends, with their offsets.
void appendTrimmed(Traced& t, std::string_view line, int index) {
    const std::string_view trimmed = trimBlanksAndControlsView(line);
    const int first = static_cast<int>(trimmed.data() - line.data());
    for (std::size_t k = 0; k < trimmed.size(); ++k) {
        t.text.push_back(trimmed[k]);
        t.origin.push_back({index, first + static_cast<int>(k)});
    }
}

// The phrase test's text: both lines trimmed and joined by one blank, then freed of tags as
// removeTags frees them, each character still knowing where it came from.
Traced tracedJoin(const LineBuffer& lines, int i) {
    Traced joined;
    appendTrimmed(joined, wordsOf(lineAt(lines, i)), i);
    joined.text.push_back(' ');
    joined.origin.push_back({i, -1});
    appendTrimmed(joined, wordsOf(lineAt(lines, static_cast<long long>(i) + 1)), i + 1);
    Traced out;
    for (std::size_t k = 0; k < joined.text.size();) {
        if (joined.text[k] == '|') {
            k += 3;
            continue;
        }
        out.text.push_back(joined.text[k]);
        out.origin.push_back(joined.origin[k]);
        ++k;
    }
    return out;
}

} // namespace

LineSpans foundSpans(const LineBuffer& lines, int hitLine, std::string_view findText,
                     bool matchCase) {
    LineSpans spans;
    if (findText.empty() || hitLine < 0 || hitLine >= static_cast<long long>(lines.size()))
        return spans;
    const std::string pattern = matchCase ? std::string(findText) : toLowerAscii(findText);
    if (pattern.find(' ') == std::string::npos) {
        std::string line(lineAt(lines, hitLine));
        if (!matchCase) lowerInPlace(line);
        for (auto at = line.find(pattern); at != std::string::npos;
             at = line.find(pattern, at + pattern.size())) {
            const int begin = static_cast<int>(at);
            spans.push_back({hitLine, begin, begin + static_cast<int>(pattern.size())});
        }
        return spans;
    }
    Traced joined = tracedJoin(lines, hitLine);
    if (!matchCase) lowerInPlace(joined.text);
    const auto at = joined.text.find(pattern);
    if (at == std::string::npos) return spans;
    // Per line, from the first character of the phrase in it to the last; the tags between
    // them fall inside and are not drawn.
    for (std::size_t k = at; k < at + pattern.size(); ++k) {
        const Traced::Origin& o = joined.origin[k];
        if (o.offset < 0) continue;
        if (spans.empty() || spans.back().line != o.line)
            spans.push_back({o.line, o.offset, o.offset + 1});
        else
            spans.back().end = o.offset + 1;
    }
    return spans;
}

} // namespace qm
