#include "core/output/SaveScreen.h"

#include "core/base/Error.h"
#include "core/text/Tags.h"

#include <algorithm>

namespace qm {

bool saveScreenLine(std::string_view displayLine, std::string& out) {
    out = removeTags(displayLine);
    const std::string trimmed = trimBlanksAndControls(out);
    if (trimmed.size() == 4 && !out.empty() && (out[0] == 'p' || out[0] == 's')) return false;
    return out.find("age>") == std::string::npos;
}

Lines saveScreenLines(const LineBuffer& displayLines, int top, int nextTop) {
    const long long count = static_cast<long long>(displayLines.size());
    const long long last = std::max(top, nextTop);
    Lines out;
    std::string line;
    for (long long i = top; i <= last; ++i) {
        if (i < 0 || i >= count) throw UserError(listIndexOutOfBoundsMessage(i));
        if (saveScreenLine(displayLines[static_cast<std::size_t>(i)], line))
            out.push_back(std::move(line));
    }
    return out;
}

} // namespace qm
