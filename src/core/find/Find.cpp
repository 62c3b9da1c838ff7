#include "core/find/Find.h"

#include "core/view/Tags.h"

#include <algorithm>
#include <string>

namespace qm {

namespace {

// Line i of the list, or an empty line when i lies outside it.
std::string_view lineAt(const Lines& lines, long long i) {
    if (i < 0 || i >= static_cast<long long>(lines.size())) return {};
    return lines[static_cast<std::size_t>(i)];
}

void lowerInPlace(std::string& s) {
    for (char& c : s)
        c = toLowerAscii(c);
}

// Tests lines for the first word. Without match case the line is lower-cased into one buffer
// that is reused for every line, so a scan over a long text allocates almost nothing.
class WordMatcher {
public:
    WordMatcher(std::string_view word, bool matchCase)
        : m_word(word)
        , m_matchCase(matchCase) {}

    bool matches(std::string_view line) {
        if (m_word.empty() || line.size() < m_word.size()) return false;
        if (m_matchCase) return line.find(m_word) != std::string_view::npos;
        m_buffer.assign(line);
        lowerInPlace(m_buffer);
        return m_buffer.find(m_word) != std::string::npos;
    }

private:
    std::string_view m_word;
    bool m_matchCase;
    std::string m_buffer;
};

// The phrase test: the trimmed line i and the trimmed line after it, joined by one blank and
// freed of tags, must hold the whole pattern.
bool phraseMatches(const Lines& lines, long long i, std::string_view pattern, bool matchCase) {
    std::string joined = trimBlanksAndControls(lineAt(lines, i));
    joined += ' ';
    joined += trimBlanksAndControls(lineAt(lines, i + 1));
    std::string text = removeTags(joined);
    if (!matchCase) lowerInPlace(text);
    return text.find(pattern) != std::string::npos;
}

} // namespace

FindResult findStep(const Lines& lines, int top, int nextTop, std::string_view findText, bool down,
                    bool matchCase) {
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
            found = matcher.matches(lineAt(lines, i));
        } while (!found && i < count - 2 && i > 1);

        if (phrase ? phraseMatches(lines, i, pattern, matchCase) : found) {
            result.kind = FindResult::Kind::Hit;
            result.hitLine = static_cast<int>(i);
            return result;
        }
        if (!phrase || !(count - 2 > i && i > 1)) return result;
    }
}

std::optional<int> pageTopForHit(const Lines& lines, int hitLine, int startLine) {
    const long long count = static_cast<long long>(lines.size());
    if (hitLine < 0 || hitLine >= count - 1) return std::nullopt;
    long long p = std::max(hitLine, 2);
    do {
        --p;
    } while (p > 0 && !(lineAt(lines, p).substr(0, 1) == "p"));
    if (p <= startLine) p = hitLine;
    return static_cast<int>(p);
}

} // namespace qm
