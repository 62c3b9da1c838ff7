#pragma once
// The display lines of the open text, counting their own changes. Every change takes a new
// version before it touches the lines, so whatever was drawn from them (the page drawn ahead)
// can tell it is stale by the version alone, also after a change that stopped half-way with an
// error and left the lines part old, part new.
#include "core/base/LineBuffer.h"

#include <string_view>
#include <utility>

namespace qm {

class DisplayLines {
public:
    DisplayLines() = default;
    DisplayLines(const DisplayLines&) = delete;
    DisplayLines& operator=(const DisplayLines&) = delete;

    const LineBuffer& lines() const { return m_lines; }
    // Differs after every change from what it was before it; never repeats.
    unsigned long long version() const { return m_version; }

    void clear() {
        changing();
        m_lines.clear();
    }
    void push_back(std::string_view line) {
        changing();
        m_lines.push_back(line);
    }
    // Line i (i < size()) becomes line.
    void replace(std::size_t i, std::string_view line) {
        changing();
        m_lines.replace(i, line);
    }
    void assign(LineBuffer lines) {
        changing();
        m_lines = std::move(lines);
    }
    // Empties the lines and has fill(LineBuffer&) write the new ones in place. When fill
    // throws, the lines it wrote stay, under a new version all the same.
    template <class Fill> void refill(Fill&& fill) {
        changing();
        m_lines.clear();
        std::forward<Fill>(fill)(m_lines);
    }

private:
    void changing() { ++m_version; }

    LineBuffer m_lines;
    unsigned long long m_version = 0;
};

} // namespace qm
