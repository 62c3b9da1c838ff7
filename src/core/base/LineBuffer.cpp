#include "core/base/LineBuffer.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace qm {

LineBuffer::LineBuffer(const Lines& lines) {
    reserve(lines.size());
    for (const std::string& line : lines)
        push_back(line);
}

LineBuffer::LineBuffer(std::initializer_list<std::string_view> lines) {
    reserve(lines.size());
    for (std::string_view line : lines)
        push_back(line);
}

LineBuffer::LineBuffer(const LineBuffer& other) {
    reserve(other.size());
    for (std::string_view line : other)
        push_back(line);
}

LineBuffer& LineBuffer::operator=(const LineBuffer& other) {
    if (this != &other) {
        LineBuffer copy(other);
        *this = std::move(copy);
    }
    return *this;
}

std::size_t LineBuffer::blockOf(std::size_t line) const {
    const auto after = std::upper_bound(m_firstLines.begin(), m_firstLines.end(), line);
    return static_cast<std::size_t>(after - m_firstLines.begin()) - 1;
}

std::size_t LineBuffer::startOf(std::size_t i, std::size_t b) const {
    return i == m_firstLines[b] ? 0 : m_ends[i - 1];
}

std::size_t LineBuffer::endOf(std::size_t i, std::size_t b) const {
    return m_blocks[b].ownLine() ? m_blocks[b].used : m_ends[i];
}

std::string_view LineBuffer::operator[](std::size_t i) const {
    const std::size_t b = blockOf(i);
    if (!m_blocks[b].bytes) return {}; // let go of
    const std::size_t start = startOf(i, b);
    return {m_blocks[b].bytes.get() + start, endOf(i, b) - start};
}

void LineBuffer::push_back(std::string_view line) {
    if (m_blocks.empty() || m_blocks.back().ownLine() || !m_blocks.back().bytes ||
        m_blocks.back().capacity - m_blocks.back().used < line.size()) {
        const std::size_t capacity = std::max(kBlockSize, line.size());
        // Not value-initialised: zeroing would make the whole block resident at once.
        m_blocks.push_back({std::unique_ptr<char[]>(new char[capacity]), 0, capacity});
        m_firstLines.push_back(m_ends.size());
    }
    Block& block = m_blocks.back();
    if (!line.empty()) std::memcpy(block.bytes.get() + block.used, line.data(), line.size());
    block.used += line.size();
    // A block of its own line keeps its end in its size instead.
    m_ends.push_back(block.ownLine() ? 0 : static_cast<std::uint16_t>(block.used));
}

void LineBuffer::replace(std::size_t i, std::string_view line) {
    const std::size_t b = blockOf(i);
    const std::size_t start = startOf(i, b);
    if (m_blocks[b].bytes && endOf(i, b) - start == line.size()) {
        if (!line.empty()) std::memmove(m_blocks[b].bytes.get() + start, line.data(), line.size());
        return;
    }
    LineBuffer rebuilt;
    rebuilt.reserve(size());
    for (std::size_t j = 0; j < size(); ++j)
        rebuilt.push_back(j == i ? line : (*this)[j]);
    *this = std::move(rebuilt);
}

void LineBuffer::keepIf(const std::function<bool(std::size_t)>& keep) {
    LineBuffer kept;
    std::size_t i = 0;
    for (std::size_t b = 0; b < m_blocks.size(); ++b) {
        const std::size_t last = b + 1 < m_blocks.size() ? m_firstLines[b + 1] : size();
        for (; i < last; ++i) {
            if (!keep(i)) continue;
            const std::size_t start = startOf(i, b);
            kept.push_back(m_blocks[b].bytes ? std::string_view(m_blocks[b].bytes.get() + start,
                                                                endOf(i, b) - start)
                                             : std::string_view());
        }
        m_blocks[b].bytes.reset();
    }
    *this = std::move(kept);
}

void LineBuffer::clear() {
    m_blocks.clear();
    m_firstLines.clear();
    m_ends.clear();
    m_released = 0;
}

void LineBuffer::releaseBefore(std::size_t line) {
    // Block b's lines end where block b + 1's begin; the last block's at the end.
    while (m_released < m_blocks.size() &&
           (m_released + 1 < m_blocks.size() ? m_firstLines[m_released + 1] : size()) <= line)
        m_blocks[m_released++].bytes.reset();
}

Lines LineBuffer::toLines() const {
    return Lines(begin(), end());
}

bool operator==(const LineBuffer& a, const LineBuffer& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

int lineCount(const LineBuffer& lines) {
    return static_cast<int>(std::min<std::size_t>(lines.size(), INT_MAX));
}

} // namespace qm
