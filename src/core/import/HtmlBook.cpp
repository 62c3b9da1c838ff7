#include "core/import/HtmlBook.h"

#include "core/import/DistributorFrame.h"
#include "core/import/DocumentTidy.h"
#include "core/import/HtmlNotes.h"
#include "core/import/InlineText.h"

#include <algorithm>

namespace qm::import {
namespace {

using cascade::BlockKind;
using cascade::Chapter;
using cascade::Document;

const char* const kFile = "book.html";

// Strips the distributor's frame: every block up to the one holding the "*** START OF" line,
// from the one holding "*** END OF" on, and an "End of the ..." paragraph before it. The
// header's title and author are read from the blocks stripped before the start.
HeaderFields stripFrame(Document& doc, HtmlBlocks& blocks) {
    HeaderFields fields;
    std::size_t start = doc.blocks.size();
    for (std::size_t i = 0; i < doc.blocks.size() && start == doc.blocks.size(); ++i) {
        for (std::string_view line : splitLineViews(doc.blocks[i].text)) {
            if (isFrameStartLine(line)) {
                start = i;
                break;
            }
        }
    }
    // The header's lines are gathered only when there is a header.
    if (start < doc.blocks.size()) {
        std::vector<std::string_view> header;
        for (std::size_t i = 0; i <= start; ++i) {
            for (std::string_view line : splitLineViews(doc.blocks[i].text)) {
                if (i == start && isFrameStartLine(line)) break;
                header.push_back(line);
            }
        }
        fields = readHeaderFields(header);
    }
    const std::size_t from = start < doc.blocks.size() ? start + 1 : 0;
    std::size_t end = doc.blocks.size();
    for (std::size_t i = from; i < doc.blocks.size() && end == doc.blocks.size(); ++i) {
        for (std::string_view line : splitLineViews(doc.blocks[i].text)) {
            if (isFrameEndLine(line)) {
                end = i;
                break;
            }
        }
    }
    if (end < doc.blocks.size()) {
        if (end > from && (doc.blocks[end - 1].text.starts_with("End of the Project") ||
                           doc.blocks[end - 1].text.starts_with("End of Project")))
            --end;
        blocks.eraseBlocks(end, doc.blocks.size());
    }
    if (start < doc.blocks.size()) blocks.eraseBlocks(0, start + 1);
    return fields;
}

// The book's own contents: links to places in the file that stand before the first place
// they lead to (so footnote links in the text are not taken for chapters), in order.
std::vector<Chapter> chaptersFromContentsLinks(const Document& doc, const HtmlBlocks& blocks) {
    std::vector<Chapter> chapters;
    std::size_t firstTarget = 0;
    for (const HtmlLink& link : blocks.links()) {
        if (!link.href.starts_with("#") || link.href.size() < 2 || !link.noteMark.empty()) continue;
        const auto target = blocks.blockOf(link.file + link.href);
        if (!target || *target >= doc.blocks.size() || *target <= link.block) continue;
        if (chapters.empty()) firstTarget = *target;
        if (link.block > firstTarget) break;
        if (!chapters.empty() && *target < chapters.back().block) return {};
        std::string title = link.text;
        if (title.empty()) title = removeStyleTags(doc.blocks[*target].text);
        chapters.push_back(Chapter{std::move(title), *target, 0});
    }
    if (chapters.size() < 2) return {};
    return chapters;
}

} // namespace

void chaptersFromHeadings(Document& doc, int maxLevel) {
    int top = maxLevel;
    for (const cascade::BlockView b : doc.blocks)
        if (b.kind == BlockKind::Heading && b.level <= maxLevel) top = std::min(top, b.level);
    for (std::size_t i = 0; i < doc.blocks.size(); ++i) {
        const cascade::BlockView b = doc.blocks[i];
        if (b.kind != BlockKind::Heading || b.level > maxLevel) continue;
        doc.chapters.push_back(Chapter{removeStyleTags(b.text), i, b.level - top});
    }
}

Document readHtmlBook(std::string_view utf8) {
    Document doc;
    HtmlBlocks blocks(doc);
    blocks.addFile(kFile, utf8);
    const HeaderFields fields = stripFrame(doc, blocks);
    doc.title = !fields.title.empty() ? fields.title : blocks.titleElement();
    doc.author = fields.author;
    doc.chapters = chaptersFromContentsLinks(doc, blocks);
    if (doc.chapters.empty()) chaptersFromHeadings(doc, 3);
    placeNotes(doc, blocks, [](const HtmlLink& link) -> std::optional<std::string> {
        if (!link.href.starts_with("#")) return std::nullopt;
        return link.file + link.href;
    });
    tidyBlocks(doc);
    capFields(doc);
    return doc;
}

} // namespace qm::import
