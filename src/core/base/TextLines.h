#pragma once
// The lines of a text by index (CR, LF or CR LF ends, cut as forEachLine cuts them), at about
// a byte per four lines instead of a view per line: where every 32nd line starts is kept, and
// a line is found by scanning on from there. Reading lines in order, or near the one read
// last, costs a scan of that line only. The text must outlive it; reading is not
// thread-safe (the last line found is remembered).
#include <cstddef>
#include <string_view>
#include <vector>

namespace qm {

class TextLines {
public:
    explicit TextLines(std::string_view text);

    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    // Line i (i < size()), without its line end.
    std::string_view operator[](std::size_t i) const;

private:
    static constexpr std::size_t kStride = 32;
    // Where the line after the one starting at `start` starts.
    std::size_t nextStart(std::size_t start) const;

    std::string_view m_text;
    std::size_t m_count = 0;
    std::vector<std::size_t> m_marks; // the start of lines 0, kStride, 2 * kStride, ...
    static constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
    mutable std::size_t m_line = 0; // the line found last, where it starts and where the
    mutable std::size_t m_start = 0; // next one starts (kUnknown until scanned)
    mutable std::size_t m_next = kUnknown;
};

} // namespace qm
