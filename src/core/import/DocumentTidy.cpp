#include "core/import/DocumentTidy.h"

#include "core/import/ContentsList.h"

#include <cstdint>
#include <vector>

namespace qm::import {

using cascade::BlockKind;

void tidyBlocks(cascade::Document& doc) {
    settleContentsList(doc);
    cascade::BlockList& in = doc.blocks;
    const std::size_t count = in.size();
    std::vector<bool> keep(count, true);
    std::size_t kept = 0;
    BlockKind lastKept = BlockKind::Heading;
    for (std::size_t i = 0; i < count; ++i) {
        const BlockKind kind = in[i].kind;
        if (kind == BlockKind::SceneBreak) {
            const bool afterProse =
                kept > 0 && lastKept != BlockKind::SceneBreak && lastKept != BlockKind::Heading;
            const bool beforeProse = i + 1 < count && in[i + 1].kind != BlockKind::Heading &&
                                     in[i + 1].kind != BlockKind::SceneBreak;
            if (!afterProse || !beforeProse) {
                keep[i] = false;
                continue;
            }
        }
        lastKept = kind;
        ++kept;
    }
    if (kept != count) in.keepIf([&keep](std::size_t i) { return keep[i]; });

    // Each chapter moves to the index its block (or the first kept block after it) has now,
    // found in one sweep over the chapters in block order.
    const std::vector<std::uint32_t> order = cascade::chaptersInBlockOrder(doc.chapters);
    std::vector<bool> stays(doc.chapters.size(), false);
    std::size_t block = 0;
    std::size_t before = 0; // kept blocks before `block`
    for (const std::uint32_t c : order) {
        const std::size_t target = doc.chapters[c].block;
        if (target >= count) break;
        for (; block < target; ++block)
            before += keep[block] ? 1 : 0;
        doc.chapters[c].block = before;
        stays[c] = before < kept;
    }
    // The chapters that stay close up in place, so that the list is never held twice.
    std::size_t keptChapters = 0;
    for (std::size_t c = 0; c < doc.chapters.size(); ++c) {
        if (!stays[c]) continue;
        if (keptChapters != c) doc.chapters[keptChapters] = std::move(doc.chapters[c]);
        ++keptChapters;
    }
    doc.chapters.resize(keptChapters);
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
