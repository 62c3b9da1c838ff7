#include "core/base/TextLines.h"

namespace qm {

TextLines::TextLines(std::string_view text)
    : m_text(text) {
    std::size_t start = 0;
    while (start < m_text.size()) {
        if (m_count % kStride == 0) m_marks.push_back(start);
        ++m_count;
        start = nextStart(start);
    }
}

std::size_t TextLines::nextStart(std::size_t start) const {
    const std::size_t n = m_text.size();
    std::size_t i = start;
    while (i < n && m_text[i] != '\n' && m_text[i] != '\r')
        ++i;
    if (i == n) return n;
    return i + (m_text[i] == '\r' && i + 1 < n && m_text[i + 1] == '\n' ? 2 : 1);
}

std::string_view TextLines::operator[](std::size_t i) const {
    if (i < m_line || i / kStride != m_line / kStride) {
        m_line = i - i % kStride;
        m_start = m_marks[i / kStride];
        m_next = kUnknown;
    }
    for (; m_line < i; ++m_line) {
        m_start = m_next != kUnknown ? m_next : nextStart(m_start);
        m_next = kUnknown;
    }
    if (m_next == kUnknown) m_next = nextStart(m_start);
    std::size_t end = m_next;
    if (end > m_start && (m_text[end - 1] == '\n' || m_text[end - 1] == '\r')) --end;
    if (end > m_start && m_text[end - 1] == '\r' && end < m_next) --end;
    return m_text.substr(m_start, end - m_start);
}

} // namespace qm
