#include "core/view/Paging.h"

#include "core/text/Tags.h"

#include <algorithm>

namespace qm {

int clampFontSize(int size) {
    return std::clamp(size, kMinFontSize, kMaxFontSize);
}

int previousPageTop(const LineBuffer& lines, int top, int rows) {
    const long long begin = static_cast<long long>(top) - std::max(rows, 0);
    if (begin < 0) return 0;
    const long long end = std::min<long long>(top, static_cast<long long>(lines.size()));
    for (long long n = begin; n < end; ++n)
        if (isBackwardPageBreak(lines[static_cast<std::size_t>(n)])) return static_cast<int>(n);
    return static_cast<int>(begin);
}

} // namespace qm
