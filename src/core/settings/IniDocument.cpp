#include "core/settings/IniDocument.h"

#include "core/base/Text.h"

namespace qm {
namespace {

constexpr std::size_t npos = std::string::npos;

bool isSpace(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimSpaces(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isSpace(s[b]))
        ++b;
    while (e > b && isSpace(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (toLowerAscii(a[i]) != toLowerAscii(b[i])) return false;
    return true;
}

// The name of a section header line, or nothing for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    const std::string_view t = trimSpaces(line);
    if (t.empty() || t.front() != '[') return std::nullopt;
    const std::size_t close = t.find(']');
    if (close == npos) return std::nullopt;
    return trimSpaces(t.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key, value;
};

// The key and value of a key line, or nothing for a comment, header or any other line.
std::optional<KeyLine> keyLine(std::string_view line) {
    const std::string_view t = trimSpaces(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
    const std::size_t eq = t.find('=');
    if (eq == npos) return std::nullopt;
    const std::string_view key = trimSpaces(t.substr(0, eq));
    if (key.empty()) return std::nullopt;
    return KeyLine{key, trimSpaces(t.substr(eq + 1))};
}

} // namespace

IniDocument::IniDocument(std::string_view bytes) {
    std::size_t start = 0;
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') continue;
        Line line{std::string(bytes.substr(start, i - start)), End::Lf};
        if (c == '\r') {
            line.end = End::Cr;
            if (i + 1 < n && bytes[i + 1] == '\n') {
                line.end = End::CrLf;
                ++i;
            }
        }
        m_lines.push_back(std::move(line));
        start = i + 1;
    }
    if (start < n) m_lines.push_back({std::string(bytes.substr(start)), End::None});
}

IniDocument::Section IniDocument::findSection(std::string_view section) const {
    Section s{npos, m_lines.size()};
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto name = sectionName(m_lines[i].text);
        if (!name) continue;
        if (s.header != npos) {
            s.end = i;
            break;
        }
        if (sameName(*name, section)) s.header = i;
    }
    return s;
}

std::optional<std::size_t> IniDocument::findKey(const Section& s, std::string_view key) const {
    if (s.header == npos) return std::nullopt;
    for (std::size_t i = s.header + 1; i < s.end; ++i) {
        const auto kl = keyLine(m_lines[i].text);
        if (kl && sameName(kl->key, key)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
    const auto at = findKey(findSection(section), key);
    if (!at) return std::nullopt;
    return std::string(keyLine(m_lines[*at].text)->value);
}

std::string IniDocument::readString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    if (auto v = value(section, key)) return *v;
    return std::string(defaultValue);
}

int IniDocument::readInteger(std::string_view section, std::string_view key,
                             int defaultValue) const {
    const auto v = value(section, key);
    if (!v) return defaultValue;
    return parseInteger(*v).value_or(defaultValue);
}

void IniDocument::insertLine(std::size_t at, std::string text) {
    // A last line without a line end gets one when a line follows it.
    if (at > 0 && m_lines[at - 1].end == End::None) m_lines[at - 1].end = End::CrLf;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at),
                   Line{std::move(text), End::CrLf});
}

void IniDocument::writeString(std::string_view section, std::string_view key,
                              std::string_view value) {
    std::string text = std::string(key) + "=" + std::string(value);
    const Section s = findSection(section);
    if (s.header == npos) {
        insertLine(m_lines.size(), "[" + std::string(section) + "]");
        insertLine(m_lines.size(), std::move(text));
        return;
    }
    if (const auto at = findKey(s, key)) {
        m_lines[*at].text = std::move(text);
        return;
    }
    // A new key goes after the section's last non-blank line, so blank lines that separate
    // it from the next section stay where they are.
    std::size_t at = s.end;
    while (at > s.header + 1 && trimSpaces(m_lines[at - 1].text).empty())
        --at;
    insertLine(at, std::move(text));
}

void IniDocument::writeInteger(std::string_view section, std::string_view key, int value) {
    writeString(section, key, std::to_string(value));
}

std::string IniDocument::bytes() const {
    std::size_t total = 0;
    for (const auto& l : m_lines)
        total += l.text.size() + 2;
    std::string out;
    out.reserve(total);
    for (const auto& l : m_lines) {
        out += l.text;
        switch (l.end) {
        case End::None:
            break;
        case End::Lf:
            out += '\n';
            break;
        case End::Cr:
            out += '\r';
            break;
        case End::CrLf:
            out += "\r\n";
            break;
        }
    }
    return out;
}

} // namespace qm
