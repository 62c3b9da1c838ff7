#include "core/cascade/PhraseLine.h"

namespace qm::cascade {

bool coreIs(std::string_view text, const Token& t, std::string_view lower) {
    if (t.coreEnd - t.coreBegin != lower.size()) return false;
    for (std::size_t i = 0; i < lower.size(); ++i) {
        char c = text[t.coreBegin + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

bool inCapitals(std::string_view text, const Token* tokens, std::size_t a, std::size_t b) {
    std::size_t capitals = 0;
    for (std::size_t i = tokens[a].begin; i < tokens[b - 1].end; ++i) {
        const char c = text[i];
        if (c >= 'a' && c <= 'z') return false;
        if (c >= 'A' && c <= 'Z') ++capitals;
    }
    return capitals >= 2;
}

void appendPhraseLine(std::string_view text, const Token* tokens, std::size_t a, std::size_t b,
                      int level, const std::vector<char>& colours, std::string& line, Lines& out) {
    line.clear();
    line.push_back('l');
    line.push_back(static_cast<char>('0' + level / 10));
    line.push_back(static_cast<char>('0' + level % 10));
    const bool noNames = inCapitals(text, tokens, a, b);
    char colour = 0;
    for (std::size_t k = a; k < b; ++k) {
        const char c = colours[k] == kNameColour && noNames ? 0 : colours[k];
        if (c != colour) {
            line.push_back('|');
            line.push_back(c == 0 ? '4' : c);
            line.push_back('>');
            colour = c;
        }
        if (k > a && tokens[k].gapBefore) line.push_back(' ');
        line.append(text.substr(tokens[k].begin, tokens[k].end - tokens[k].begin));
    }
    if (colour != 0) line.append("|4>");
    line.push_back(' ');
    out.push_back(line);
}

bool hasBreakingPunct(const Token& t) {
    return t.endsComma || t.endsSemicolon || t.endsColon || t.endsDash ||
           (t.endsStop && !t.abbreviation);
}

void TokenSpans::measure(const Token* tokens, std::size_t n) {
    m_tok = tokens;
    m_words.assign(n + 1, 0);
    m_widths.assign(n + 1, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const Token& t = tokens[i];
        m_words[i + 1] = m_words[i] + (t.isWord ? 1 : 0);
        m_widths[i + 1] = m_widths[i] + t.width + (t.gapBefore ? 1 : 0);
    }
}

std::size_t TokenSpans::width(std::size_t a, std::size_t b) const {
    std::size_t width = m_widths[b] - m_widths[a];
    if (b > a && m_tok[a].gapBefore) --width;
    return width;
}

} // namespace qm::cascade
