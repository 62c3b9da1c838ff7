#include "core/encoding/GapText.h"

#include <unicode/utf16.h>

#include <algorithm>
#include <cstring>

namespace qm::encoding {

GapText::GapText(const icu::UnicodeString& text)
    : m_units(text.getBuffer(), text.getBuffer() + text.length())
    , m_gapStart(m_units.size())
    , m_gapEnd(m_units.size()) {}

std::size_t GapText::at(std::int32_t offset) const {
    const auto i = static_cast<std::size_t>(offset);
    return i < m_gapStart ? i : i + (m_gapEnd - m_gapStart);
}

std::int32_t GapText::getLength() const {
    return static_cast<std::int32_t>(m_units.size() - (m_gapEnd - m_gapStart));
}

char16_t GapText::getCharAt(std::int32_t offset) const {
    return m_units[at(offset)];
}

// The code point at an offset, as icu::UnicodeString::char32At reads it: a surrogate pair
// whichever half the offset names, a lone surrogate as itself.
UChar32 GapText::getChar32At(std::int32_t offset) const {
    const char16_t c = getCharAt(offset);
    if (U16_IS_LEAD(c) && offset + 1 < getLength()) {
        const char16_t next = getCharAt(offset + 1);
        if (U16_IS_TRAIL(next)) return U16_GET_SUPPLEMENTARY(c, next);
    } else if (U16_IS_TRAIL(c) && offset > 0) {
        const char16_t before = getCharAt(offset - 1);
        if (U16_IS_LEAD(before)) return U16_GET_SUPPLEMENTARY(before, c);
    }
    return c;
}

void GapText::extractBetween(std::int32_t start, std::int32_t limit,
                             icu::UnicodeString& target) const {
    target.remove();
    if (limit <= start) return;
    const auto from = static_cast<std::size_t>(start);
    const auto to = static_cast<std::size_t>(limit);
    // The part before the gap, then the part after it.
    if (from < m_gapStart)
        target.append(m_units.data() + from,
                      static_cast<std::int32_t>(std::min(to, m_gapStart) - from));
    if (to > m_gapStart) {
        const std::size_t first = std::max(from, m_gapStart);
        target.append(m_units.data() + first + (m_gapEnd - m_gapStart),
                      static_cast<std::int32_t>(to - first));
    }
}

icu::UnicodeString GapText::tail(std::int32_t start) const {
    icu::UnicodeString out;
    extractBetween(start, getLength(), out);
    return out;
}

void GapText::handleReplaceBetween(std::int32_t start, std::int32_t limit,
                                   const icu::UnicodeString& text) {
    moveGapTo(start);
    m_gapEnd += static_cast<std::size_t>(limit - start);
    const auto n = static_cast<std::size_t>(text.length());
    widenGap(n);
    std::copy_n(text.getBuffer(), n, m_units.data() + m_gapStart);
    m_gapStart += n;
}

void GapText::copy(std::int32_t start, std::int32_t limit, std::int32_t dest) {
    icu::UnicodeString piece;
    extractBetween(start, limit, piece);
    handleReplaceBetween(dest, dest, piece);
}

void GapText::moveGapTo(std::int32_t offset) {
    const auto to = static_cast<std::size_t>(offset);
    char16_t* units = m_units.data();
    if (to < m_gapStart) {
        const std::size_t n = m_gapStart - to;
        std::memmove(units + m_gapEnd - n, units + to, n * sizeof(char16_t));
        m_gapStart -= n;
        m_gapEnd -= n;
    } else if (to > m_gapStart) {
        const std::size_t n = to - m_gapStart;
        std::memmove(units + m_gapStart, units + m_gapEnd, n * sizeof(char16_t));
        m_gapStart += n;
        m_gapEnd += n;
    }
}

// Makes the gap hold at least `needed` units, growing the buffer by half at least so that
// growth costs time in step with the text.
void GapText::widenGap(std::size_t needed) {
    if (m_gapEnd - m_gapStart >= needed) return;
    const std::size_t after = m_units.size() - m_gapEnd;
    m_units.resize(m_units.size() + std::max(needed, m_units.size() / 2 + 16));
    std::memmove(m_units.data() + m_units.size() - after, m_units.data() + m_gapEnd,
                 after * sizeof(char16_t));
    m_gapEnd = m_units.size() - after;
}

} // namespace qm::encoding
