#include "core/text/Tags.h"

namespace qm {

std::string removeTags(std::string_view line) {
    // Deleting at the first bar leaves no bar before it, so one forward pass that skips three
    // characters at every bar gives the same text as deleting and searching again.
    std::string out;
    out.reserve(line.size());
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == '|') {
            i += 3;
        } else {
            out.push_back(line[i]);
            ++i;
        }
    }
    return out;
}

bool isForwardPageBreak(std::string_view line) {
    return line.size() < 3 || line[0] == 'p' || line[0] == 'r' || line[0] == 's';
}

bool isBackwardPageBreak(std::string_view line) {
    return line.size() < 2 || line[0] == 'p' || line[0] == 's';
}

} // namespace qm
