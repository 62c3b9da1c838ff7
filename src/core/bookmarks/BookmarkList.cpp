#include "core/bookmarks/BookmarkList.h"

namespace qm::bookmarks {

namespace {
bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}
} // namespace

int findHeader(const Lines& list, std::string_view header) {
    int i = 1;
    while (i < lineCount(list) - 1 && list[static_cast<std::size_t>(i)] != header)
        ++i;
    return i;
}

bool fixUpSection(Lines& list, const std::string& header) {
    const int h = findHeader(list, header);
    // h is at least 1, so a list that reaches this point has at least two lines.
    if (h != lineCount(list) - 1 || list.back() == header) return false;
    std::string& last = list.back();
    if (!last.empty() && (last.front() == '#' || last.front() == '<')) {
        list.push_back(header);
    } else if (last.empty()) {
        last = header;
        list.emplace_back();
    } else {
        // A hand-written closing line is kept rather than overwritten.
        list.push_back(header);
        list.emplace_back();
    }
    return true;
}

int sectionEnd(const Lines& list, int headerIndex) {
    int end = headerIndex;
    do {
        ++end;
    } while (end < lineCount(list) - 1 && !startsWith(list[static_cast<std::size_t>(end)], "<<"));
    return end;
}

int listedEnd(const Lines& list, int headerIndex) {
    const int end = sectionEnd(list, headerIndex);
    return end > headerIndex + kMaxListed + 1 ? headerIndex + kMaxListed + 1 : end;
}

bool closeLastSection(Lines& list, std::string_view header) {
    if (list.size() < 2 || list.back().empty()) return false;
    const int h = findHeader(list, header);
    if (list[static_cast<std::size_t>(h)] != header) return false;
    if (h != lineCount(list) - 1 && sectionEnd(list, h) != lineCount(list) - 1) return false;
    if (h != lineCount(list) - 1 && startsWith(list.back(), "<<")) return false;
    list.emplace_back();
    return true;
}

int prepareSection(Lines& list, const std::string& header) {
    while (list.size() < 2)
        list.emplace_back();
    fixUpSection(list, header);
    return findHeader(list, header);
}

std::string_view topLineText(std::string_view line) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank < 2) return {};
    return line.substr(1, blank - 1);
}

std::string_view nameOf(std::string_view line) {
    const std::size_t blank = line.find(' ');
    return blank == std::string_view::npos ? line : line.substr(blank + 1);
}

} // namespace qm::bookmarks
