#include "core/base/Text.h"

#include "core/base/Error.h"

#include <algorithm>
#include <climits>

namespace qm {

Lines splitLines(std::string_view bytes) {
    Lines lines;
    forEachLine(bytes, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

std::string joinLinesCrLf(const Lines& lines) {
    std::size_t total = 0;
    for (const auto& l : lines)
        total += l.size() + 2;
    std::string out;
    out.reserve(total);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

char toLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string toLowerAscii(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        c = toLowerAscii(c);
    return out;
}

std::string trimBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return std::string(s.substr(b, e - b));
}

static bool isBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

std::string_view trimBlanksAndControlsView(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isBlankOrControl(s[b]))
        ++b;
    while (e > b && isBlankOrControl(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::string trimBlanksAndControls(std::string_view s) {
    return std::string(trimBlanksAndControlsView(s));
}

bool isBlankLine(std::string_view s) {
    for (char c : s)
        if (!isBlankOrControl(c)) return false;
    return true;
}

std::optional<int> parseInteger(std::string_view text) {
    std::size_t i = 0, e = text.size();
    while (i < e && text[i] == ' ')
        ++i;
    while (e > i && text[e - 1] == ' ')
        --e;
    if (i == e) return std::nullopt;
    bool negative = false;
    if (text[i] == '-' || text[i] == '+') {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < e && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < e && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == e) return std::nullopt;
    long long value = 0;
    for (; i < e; ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        // Hexadecimal values wrap into the 32-bit range as the platform's conversion does;
        // decimal values must fit.
        if (value > 0xFFFFFFFFLL) return std::nullopt;
    }
    if (base == 16) {
        if (value > INT_MAX) value -= 0x100000000LL;
        return static_cast<int>(negative ? -value : value);
    }
    if (negative) value = -value;
    if (value < INT_MIN || value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
}

int lineCount(const Lines& lines) {
    return static_cast<int>(std::min<std::size_t>(lines.size(), INT_MAX));
}

int toInteger(std::string_view text) {
    if (auto v = parseInteger(text)) return *v;
    throw UserError(notValidIntegerMessage(std::string(text)));
}

} // namespace qm
