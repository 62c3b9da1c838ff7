#include "core/bookmarks/BookmarkSection.h"

#include "core/bookmarks/BookmarkList.h"

#include <algorithm>

namespace qm::bookmarks {

namespace {

std::size_t at(int index) {
    return static_cast<std::size_t>(index);
}

} // namespace

void BookmarkSection::adopt(Lines list, int header) {
    m_lines = std::move(list);
    m_header = header;
    m_end = qm::bookmarks::listedEnd(m_lines, header);
}

void BookmarkSection::clear() {
    m_lines.clear();
    m_header = 0;
    m_end = 0;
}

void BookmarkSection::insert(std::string line) {
    const int position = std::clamp(m_header + 1, 0, lineCount(m_lines));
    m_lines.insert(m_lines.begin() + position, std::move(line));
    adopt(std::move(m_lines), m_header);
}

void BookmarkSection::remove(int index) {
    if (index < 0 || index >= lineCount(m_lines)) return;
    m_lines.erase(m_lines.begin() + index);
    adopt(std::move(m_lines), m_header);
}

int BookmarkSection::listedLimit() const {
    return std::min(m_end, lineCount(m_lines));
}

std::vector<std::string> BookmarkSection::captions() const {
    std::vector<std::string> names;
    for (int i = std::max(m_header + 1, 0); i < listedLimit(); ++i)
        names.emplace_back(nameOf(m_lines[at(i)]));
    return names;
}

std::optional<int> BookmarkSection::listedLine(int item) const {
    const long long index = static_cast<long long>(m_header) + 1 + item;
    if (item < 0 || index < 0 || index >= listedLimit()) return std::nullopt;
    return static_cast<int>(index);
}

std::optional<std::string> BookmarkSection::newestLine() const {
    if (m_header < 0 || m_header + 1 >= listedLimit()) return std::nullopt;
    return m_lines[at(m_header + 1)];
}

long long BookmarkSection::rankOf(int index) const {
    if (index < 0 || index >= lineCount(m_lines)) return 0;
    const auto first = m_lines.begin() + std::clamp(m_header + 1, 0, index);
    return std::count(first, m_lines.begin() + index, m_lines[at(index)]);
}

int findLineAgain(const Lines& list, int header, std::string_view line, long long rank) {
    const int end = std::min(sectionEnd(list, header), lineCount(list));
    int found = -1;
    long long seen = 0;
    for (int i = std::max(header + 1, 0); i < end; ++i) {
        if (list[at(i)] != line) continue;
        found = i;
        if (seen++ == rank) break;
    }
    return found;
}

} // namespace qm::bookmarks
