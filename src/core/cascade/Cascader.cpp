// PLACEHOLDER: the cascader's owner replaces this file.
#include "core/cascade/Cascader.h"
namespace qm {
Lines cascadeText(std::string_view prose) {
    Lines out{"Cascaded text"};
    for (auto& l : splitLines(prose)) out.push_back("l05" + l + " ");
    out.push_back("END");
    return out;
}
} // namespace qm
