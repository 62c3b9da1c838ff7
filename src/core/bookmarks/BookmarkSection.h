#pragma once
// The bookmark list as last loaded, with the current text's section in it: the list, the index
// of the section's header and the end of the section's listed part (see BookmarkList.h). The
// three always agree: every change goes through adopt, clear, insert or remove, and each of
// them works the listed end out again from the list. A header past a list too short to hold it
// gives an end past the list too; the readers below never look past the list.
#include "core/base/Text.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::bookmarks {

class BookmarkSection {
public:
    // Takes the list with the section's header at index `header`.
    void adopt(Lines list, int header);
    // Forgets the list.
    void clear();
    // Inserts a line directly below the header: the newest entry.
    void insert(std::string line);
    // Removes the line at `index`; an index outside the list changes nothing.
    void remove(int index);

    const Lines& lines() const { return m_lines; }
    bool empty() const { return m_lines.empty(); }
    int headerIndex() const { return m_header; }
    int listedEnd() const { return m_end; }
    // Whether the section lists any line.
    bool anyListed() const { return m_header + 1 < m_end; }

    // The names of the listed lines, in list order: the popup menus' captions.
    std::vector<std::string> captions() const;
    // Index in the list of the listed line behind popup item `item`, if there is one.
    std::optional<int> listedLine(int item) const;
    // The line directly below the header, when the section lists one.
    std::optional<std::string> newestLine() const;
    // Which of the section's lines equal to the line at `index` it is, counted from the
    // header (0 for the first).
    long long rankOf(int index) const;

private:
    int listedLimit() const;

    Lines m_lines;
    int m_header = 0;
    int m_end = 0;
};

// Finds a line again in the list as it is now (another copy of the reader may have added or
// removed lines since it was shown): the line equal to `line` of this rank in the section
// whose header is at `header`, or the last equal line when the section holds fewer; -1 when
// the section holds none.
int findLineAgain(const Lines& list, int header, std::string_view line, long long rank);

} // namespace qm::bookmarks
