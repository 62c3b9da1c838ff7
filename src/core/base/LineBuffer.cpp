#include "core/base/LineBuffer.h"

#include "core/base/Error.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace qm {

namespace {

// Blocks are large enough that the allocator maps them from the system, whose pages become
// resident only as lines are written into them: the unused end of the last block costs
// nothing, and nothing is ever copied to grow.
constexpr std::size_t kBlockSize = std::size_t{1} << 20;

} // namespace

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

std::string_view LineBuffer::operator[](std::size_t i) const {
    const std::size_t b = blockOf(i);
    const std::size_t start = i == m_firstLines[b] ? 0 : m_ends[i - 1];
    return {m_blocks[b].bytes.get() + start, m_ends[i] - start};
}

void LineBuffer::push_back(std::string_view line) {
    if (line.size() > UINT32_MAX) throw UserError("A line of the text is too long to show");
    if (m_blocks.empty() || m_blocks.back().capacity - m_blocks.back().used < line.size()) {
        // A line longer than a block gets a block of its own size.
        const std::size_t capacity = std::max(kBlockSize, line.size());
        // Not value-initialised: zeroing would make every page of the block resident.
        m_blocks.push_back({std::unique_ptr<char[]>(new char[capacity]), 0, capacity});
        m_firstLines.push_back(m_ends.size());
    }
    Block& block = m_blocks.back();
    if (!line.empty()) std::memcpy(block.bytes.get() + block.used, line.data(), line.size());
    block.used += line.size();
    m_ends.push_back(static_cast<std::uint32_t>(block.used));
}

void LineBuffer::replace(std::size_t i, std::string_view line) {
    const std::size_t b = blockOf(i);
    const std::size_t start = i == m_firstLines[b] ? 0 : m_ends[i - 1];
    if (m_ends[i] - start == line.size()) {
        if (!line.empty()) std::memmove(m_blocks[b].bytes.get() + start, line.data(), line.size());
        return;
    }
    LineBuffer rebuilt;
    rebuilt.reserve(size());
    for (std::size_t j = 0; j < size(); ++j)
        rebuilt.push_back(j == i ? line : (*this)[j]);
    *this = std::move(rebuilt);
}

void LineBuffer::clear() {
    m_blocks.clear();
    m_firstLines.clear();
    m_ends.clear();
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
