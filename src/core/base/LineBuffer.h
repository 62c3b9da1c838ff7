#pragma once
// A list of lines held as bytes in blocks with one end offset per line, instead of one string
// per line: a text of a million short lines costs its bytes and two bytes a line, not a string
// and an allocation each. A line longer than a block has a block of its own. Lines are read as
// views; a view stays valid until the buffer is changed other than by appending.
#include "core/base/Text.h"

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace qm {

class LineBuffer {
public:
    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        const_iterator() = default;
        const_iterator(const LineBuffer* buffer, std::size_t index)
            : m_buffer(buffer)
            , m_index(index) {}
        std::string_view operator*() const { return (*m_buffer)[m_index]; }
        std::string_view operator[](difference_type n) const { return *(*this + n); }
        const_iterator& operator++() { return *this += 1; }
        const_iterator operator++(int) { return std::exchange(*this, *this + 1); }
        const_iterator& operator--() { return *this -= 1; }
        const_iterator operator--(int) { return std::exchange(*this, *this - 1); }
        const_iterator& operator+=(difference_type n) {
            m_index = static_cast<std::size_t>(static_cast<difference_type>(m_index) + n);
            return *this;
        }
        const_iterator& operator-=(difference_type n) { return *this += -n; }
        friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
        friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
        friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
            return static_cast<difference_type>(a.m_index) -
                   static_cast<difference_type>(b.m_index);
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) {
            return a.m_index == b.m_index;
        }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b) {
            return a.m_index <=> b.m_index;
        }

    private:
        const LineBuffer* m_buffer = nullptr;
        std::size_t m_index = 0;
    };
    using value_type = std::string_view;
    using size_type = std::size_t;
    using iterator = const_iterator;
    // The bytes of a block: the end of a line in it fits its two-byte offset.
    static constexpr std::size_t kBlockSize = 0xFFFF;

    LineBuffer() = default;
    // Copies of lists of strings, so that code and tests holding lines as strings can pass them.
    LineBuffer(const Lines& lines); // NOLINT(google-explicit-constructor)
    LineBuffer(std::initializer_list<std::string_view> lines);
    LineBuffer(const LineBuffer& other);
    LineBuffer& operator=(const LineBuffer& other);
    LineBuffer(LineBuffer&&) noexcept = default;
    LineBuffer& operator=(LineBuffer&&) noexcept = default;

    std::size_t size() const { return m_ends.size(); }
    bool empty() const { return m_ends.empty(); }
    std::string_view operator[](std::size_t i) const;
    std::string_view back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    // Room for this many more lines' offsets, so that a list read at once grows only once.
    void reserve(std::size_t lines) { m_ends.reserve(lines); }
    void push_back(std::string_view line);
    // Puts line in place of line i (i < size()). A line of another length rebuilds the buffer.
    void replace(std::size_t i, std::string_view line);
    // Keeps only the lines i for which keep(i) holds, in order. The buffer is rebuilt, each
    // old block let go once its lines are copied, so it never stands twice in memory.
    void keepIf(const std::function<bool(std::size_t)>& keep);
    void clear();
    // Lets go of the bytes of every block whose lines all come before line `line`, for a
    // reader that goes through the lines once in order: those lines read as empty afterwards.
    void releaseBefore(std::size_t line);
    Lines toLines() const;

    friend bool operator==(const LineBuffer& a, const LineBuffer& b);

private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t used = 0;
        std::size_t capacity = 0;
        bool ownLine() const { return capacity > kBlockSize; } // holds one long line
    };
    std::size_t blockOf(std::size_t line) const;
    // Where line i starts and ends in its block b.
    std::size_t startOf(std::size_t i, std::size_t b) const;
    std::size_t endOf(std::size_t i, std::size_t b) const;

    std::vector<Block> m_blocks;
    std::vector<std::size_t> m_firstLines; // the first line of each block
    std::vector<std::uint16_t> m_ends;     // each line's end within its block
    std::size_t m_released = 0;            // the blocks let go of, from the first
};

// The number of lines as an int (positions are ints), capped at the largest int.
int lineCount(const LineBuffer& lines);

} // namespace qm
