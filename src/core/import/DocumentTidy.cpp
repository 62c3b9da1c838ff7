#include "core/import/DocumentTidy.h"

#include <vector>

namespace qm::import {

using cascade::Block;
using cascade::BlockKind;

void tidyBlocks(cascade::Document& doc) {
    std::vector<Block>& in = doc.blocks;
    std::vector<std::size_t> newIndex(in.size() + 1, 0);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < in.size(); ++i) {
        newIndex[i] = kept;
        if (in[i].kind == BlockKind::SceneBreak) {
            const bool afterProse = kept > 0 && in[kept - 1].kind != BlockKind::SceneBreak &&
                                    in[kept - 1].kind != BlockKind::Heading;
            const bool beforeProse = i + 1 < in.size() && in[i + 1].kind != BlockKind::Heading &&
                                     in[i + 1].kind != BlockKind::SceneBreak;
            if (!afterProse || !beforeProse) continue;
        }
        if (kept != i) in[kept] = std::move(in[i]);
        ++kept;
    }
    newIndex[in.size()] = kept;
    in.resize(kept);
    std::vector<cascade::Chapter> chapters;
    chapters.reserve(doc.chapters.size());
    for (cascade::Chapter& c : doc.chapters) {
        if (c.block >= newIndex.size()) continue;
        c.block = newIndex[c.block];
        if (c.block < kept) chapters.push_back(std::move(c));
    }
    doc.chapters = std::move(chapters);
}

std::string removeStyleTags(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::string_view rest = text.substr(i);
        if (rest.starts_with("|i>") || rest.starts_with("|b>") || rest.starts_with("|n>")) {
            i += 3;
            continue;
        }
        out.push_back(text[i++]);
    }
    return out;
}

} // namespace qm::import
