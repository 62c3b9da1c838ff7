#include "core/import/HtmlBook.h"

#include "core/base/Text.h"

#include "core/import/DistributorFrame.h"
#include "core/import/EpubBook.h"
#include "core/import/DocumentTidy.h"
#include "core/import/HtmlNotes.h"
#include "core/import/InlineText.h"

#include <algorithm>

namespace qm::import {
namespace {

using cascade::BlockKind;
using cascade::Chapter;
using cascade::ChapterList;
using cascade::Document;

const char* const kFile = "book.html";

// A note's mark ("1", "[2]", "(iii)", "*", a dagger): the link to a footnote, never a chapter.
bool isNoteMark(std::string_view text) {
    std::string_view t = trimBlanksAndControlsView(text);
    while (!t.empty() && (t.front() == '[' || t.front() == '(' || t.front() == '{'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ']' || t.back() == ')' || t.back() == '}' || t.back() == '.'))
        t.remove_suffix(1);
    if (t.empty()) return false;
    if (t == "\xE2\x80\xA0" || t == "\xE2\x80\xA1" || t == "\xC2\xA7") return true; // † ‡ §
    const bool digits =
        std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    const bool stars = std::all_of(t.begin(), t.end(), [](char c) { return c == '*'; });
    const bool smallNumeral = t.size() <= 4 && std::all_of(t.begin(), t.end(), [](char c) {
                                  return c == 'i' || c == 'v' || c == 'x';
                              });
    return digits || stars || smallNumeral ||
           (t.size() == 1 && t.front() >= 'a' && t.front() <= 'z');
}

// The book's own contents: links to places in the file that stand before the first place
// they lead to (so footnote links in the text are not taken for chapters), in order.
ChapterList chaptersFromContentsLinks(const Document& doc, const HtmlBlocks& blocks) {
    ChapterList chapters;
    std::size_t firstTarget = 0;
    for (const HtmlLink& link : blocks.links()) {
        if (!link.href.starts_with("#") || link.href.size() < 2 || !link.noteMark.empty() ||
            isNoteMark(link.text))
            continue;
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

HeaderFields stripDistributorFrame(Document& doc, HtmlBlocks& blocks) {
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

std::optional<std::string> localPicturePath(std::string_view src) {
    // Only a path inside the book's folder: no scheme, no absolute path, no climbing out.
    if (src.empty() || src.front() == '/' || src.find('\\') != std::string_view::npos ||
        src.starts_with("//"))
        return std::nullopt;
    std::optional<std::string> path = resolveEpubLink("", src);
    if (!path) return std::nullopt;
    path->resize(std::min(path->size(), path->find('#')));
    if (path->empty()) return std::nullopt;
    return path;
}

Document readHtmlBook(std::string_view utf8, const PictureFetch& localFiles) {
    Document doc;
    HtmlBlocks blocks(doc);
    BookPictures pictures(doc, localFiles);
    if (localFiles)
        blocks.setPictureSource([&pictures](const std::string&, std::string_view src) {
            const std::optional<std::string> path = localPicturePath(src);
            return path ? pictures.keep(*path) : std::string();
        });
    blocks.addFile(kFile, utf8);
    const HeaderFields fields = stripDistributorFrame(doc, blocks);
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
