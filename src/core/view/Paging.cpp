#include "core/view/Paging.h"

#include "core/text/Tags.h"
#include "core/view/PageRenderer.h"

#include <algorithm>

namespace qm {

int clampFontSize(int size) {
    return std::clamp(size, kMinFontSize, kMaxFontSize);
}

int previousPageTop(const LineBuffer& lines, int top, int rows) {
    const long long begin = static_cast<long long>(top) - std::max(rows, 0);
    if (begin < 0) return 0;
    const long long end = std::min<long long>(top, static_cast<long long>(lines.size()));
    // A step back that lands inside a library book's picture starts the page with the picture,
    // which the page would otherwise never show whole.
    // (A picture's further rows are nameless image tags, which only library books have.)
    const auto nameAt = [&](long long n) {
        return n < static_cast<long long>(lines.size())
                   ? imageTagName(lines[static_cast<std::size_t>(n)])
                   : std::nullopt;
    };
    const auto here = nameAt(begin);
    const auto next = nameAt(begin + 1);
    if (begin < end && here && (here->empty() || (next && next->empty()))) {
        for (long long first = begin; first >= 0; --first) {
            const auto name = nameAt(first);
            if (!name) break;
            if (!name->empty()) return static_cast<int>(first);
        }
    }
    for (long long n = begin; n < end; ++n)
        if (isBackwardPageBreak(lines[static_cast<std::size_t>(n)])) return static_cast<int>(n);
    return static_cast<int>(begin);
}

} // namespace qm
