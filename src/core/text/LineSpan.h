#pragma once
// A run of characters of one display line: the bytes [begin, end) of line `line` as it
// stands in the display-line list, its leading blanks and tags included. The words a find
// step found are such runs, which the page renderer lights.
#include <vector>

namespace qm {

struct LineSpan {
    int line = 0;
    int begin = 0;
    int end = 0;
    bool operator==(const LineSpan&) const = default;
};

using LineSpans = std::vector<LineSpan>;

} // namespace qm
