#include "core/import/DocumentTidy.h"

#include "core/import/ContentsList.h"

#include <vector>

namespace qm::import {

using cascade::Block;
using cascade::BlockKind;

void tidyBlocks(cascade::Document& doc) {
    settleContentsList(doc);
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

void capFields(cascade::Document& doc) {
    const auto cap = [](std::string& field, std::size_t maxChars) {
        field.resize(cappedText(field, maxChars).size());
    };
    cap(doc.title, kMaxTitleChars);
    cap(doc.author, kMaxAuthorChars);
    for (cascade::Chapter& c : doc.chapters)
        cap(c.title, kMaxChapterTitleChars);
}

std::string_view cappedText(std::string_view text, std::size_t maxChars) {
    if (text.size() <= maxChars) return text;
    // The cut goes before the lead byte of the first character past the limit.
    std::size_t chars = 0;
    std::size_t cut = 0;
    for (; cut < text.size(); ++cut) {
        const bool lead = (static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80;
        if (lead && chars++ == maxChars) break;
    }
    // The only bars in the text open style tags ("|i>"): one cut short goes whole.
    if (cut < text.size()) {
        if (cut >= 1 && text[cut - 1] == '|')
            cut -= 1;
        else if (cut >= 2 && text[cut - 2] == '|')
            cut -= 2;
    }
    while (cut > 0 && text[cut - 1] == ' ')
        --cut;
    return text.substr(0, cut);
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
