#include "core/cascade/StyleTags.h"

namespace qm::cascade {

namespace {

bool isStyleTag(std::string_view s, std::size_t i) {
    return i + 2 < s.size() && s[i] == '|' && s[i + 2] == '>' &&
           (s[i + 1] == 'i' || s[i + 1] == 'b' || s[i + 1] == 'n');
}

bool isPhraseLine(std::string_view l) {
    return l.size() >= 3 && l[0] == 'l' && l[1] >= '0' && l[1] <= '9' && l[2] >= '0' && l[2] <= '9';
}

void appendTag(std::string& out, char code) {
    out.push_back('|');
    out.push_back(code);
    out.push_back('>');
}

// Breaks "s000" and "refp" just completed at the end of `plain` with a hyphen; tags after
// the hyphen move with the bytes they stand before.
void breakMarkerRun(StyledText& st) {
    std::string& p = st.plain;
    const std::size_t n = p.size();
    std::size_t at = std::string::npos;
    if (n >= 4 && p.compare(n - 4, 4, "s000") == 0)
        at = n - 3;
    else if (n >= 4 && p.compare(n - 4, 4, "refp") == 0)
        at = n - 1;
    if (at == std::string::npos) return;
    p.insert(at, 1, '-');
    for (auto it = st.tags.rbegin(); it != st.tags.rend() && it->offset >= at; ++it)
        ++it->offset;
}

} // namespace

StyledText splitStyleTags(std::string_view text) {
    StyledText st;
    st.plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isStyleTag(text, i)) {
            st.tags.push_back({st.plain.size(), text[i + 1]});
            i += 2;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c <= 0x20 || c == 0x7F) {
            if (!st.plain.empty() && st.plain.back() != ' ') st.plain.push_back(' ');
            continue;
        }
        st.plain.push_back(c == '|' ? '/' : text[i]);
        if (c == '0' || c == 'p') breakMarkerRun(st);
    }
    if (!st.plain.empty() && st.plain.back() == ' ') st.plain.pop_back();
    for (StyleTag& t : st.tags) {
        if (t.offset > st.plain.size()) t.offset = st.plain.size();
    }
    return st;
}

void restoreStyleTags(const StyledText& styled, Lines& out, std::size_t first,
                      bool closeOpenSpan, bool openBefore) {
    const std::vector<StyleTag>& tags = styled.tags;
    const bool openAtEnd = tags.empty() ? openBefore : tags.back().code != 'n';
    if (tags.empty() && !(closeOpenSpan && openAtEnd)) return;
    const std::string& plain = styled.plain;
    std::size_t pos = 0;  // next byte of the plain text
    std::size_t next = 0; // next tag to place
    bool aligned = true;
    std::string* lastLine = nullptr;
    std::string rebuilt;
    for (std::size_t k = first; k < out.size(); ++k) {
        std::string& line = out[k];
        if (!isPhraseLine(line)) continue;
        lastLine = &line;
        if (!aligned || next == tags.size()) continue;
        rebuilt.assign(line, 0, 3);
        for (std::size_t i = 3; i < line.size(); ++i) {
            const char c = line[i];
            if (c == '|' && i + 2 < line.size() && line[i + 2] == '>') {
                rebuilt.append(line, i, 3);
                i += 2;
                continue;
            }
            if (c == ' ') {
                rebuilt.push_back(c);
                continue;
            }
            while (pos < plain.size() && plain[pos] == ' ')
                ++pos;
            if (pos >= plain.size() || plain[pos] != c) {
                // The layout showed bytes the text does not hold: the rest of the tags go
                // to the end of the paragraph rather than to a wrong place.
                aligned = false;
                break;
            }
            for (; next < tags.size() && tags[next].offset <= pos; ++next)
                appendTag(rebuilt, tags[next].code);
            rebuilt.push_back(c);
            ++pos;
            // Tags at the blank after a word close on the word's line.
            for (; next < tags.size() && tags[next].offset <= pos; ++next)
                appendTag(rebuilt, tags[next].code);
        }
        if (!aligned) continue;
        line.swap(rebuilt);
    }
    if (lastLine == nullptr) return;
    std::string rest;
    for (; next < tags.size(); ++next)
        appendTag(rest, tags[next].code);
    if (closeOpenSpan && openAtEnd) appendTag(rest, 'n');
    if (rest.empty()) return;
    const std::size_t at =
        !lastLine->empty() && lastLine->back() == ' ' ? lastLine->size() - 1 : lastLine->size();
    lastLine->insert(at, rest);
}

std::string withStyleTags(const StyledText& styled) {
    std::string out;
    out.reserve(styled.plain.size() + 3 * styled.tags.size());
    std::size_t next = 0;
    for (std::size_t pos = 0; pos <= styled.plain.size(); ++pos) {
        for (; next < styled.tags.size() && styled.tags[next].offset <= pos; ++next)
            appendTag(out, styled.tags[next].code);
        if (pos < styled.plain.size()) out.push_back(styled.plain[pos]);
    }
    return out;
}

std::vector<StyledText> wrapStyledText(const StyledText& styled, std::size_t width) {
    const std::string& plain = styled.plain;
    auto chars = [&](std::size_t a, std::size_t b) {
        std::size_t n = 0;
        for (std::size_t i = a; i < b; ++i)
            n += (static_cast<unsigned char>(plain[i]) & 0xC0) != 0x80 ? 1 : 0;
        return n;
    };
    // Each piece runs from `start` to the blank before the first word that would not fit.
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    std::size_t start = 0;
    while (start < plain.size()) {
        std::size_t end = plain.find(' ', start);
        if (end == std::string::npos) end = plain.size();
        while (end < plain.size()) {
            std::size_t next = plain.find(' ', end + 1);
            if (next == std::string::npos) next = plain.size();
            if (chars(start, next) > width) break;
            end = next;
        }
        spans.emplace_back(start, end);
        start = end < plain.size() ? end + 1 : end;
    }
    std::vector<StyledText> pieces(spans.size());
    std::size_t t = 0;
    for (std::size_t k = 0; k < spans.size(); ++k) {
        const auto [a, b] = spans[k];
        pieces[k].plain = plain.substr(a, b - a);
        const bool last = k + 1 == spans.size();
        for (; t < styled.tags.size() && (styled.tags[t].offset <= b || last); ++t)
            pieces[k].tags.push_back(
                {styled.tags[t].offset > a ? styled.tags[t].offset - a : 0, styled.tags[t].code});
    }
    return pieces;
}

} // namespace qm::cascade
