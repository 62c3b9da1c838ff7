#include "core/cascade/DocumentCascade.h"

#include "core/cascade/Cascader.h"
#include "core/cascade/StyleTags.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <unordered_map>
#include <utility>

namespace qm::cascade {

namespace {

// Blocks cascaded between two progress reports in a book without many chapters.
constexpr std::size_t kBlocksPerReport = 256;

std::string referencePointName(int number) {
    if (number <= 0) return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "refpt%03d", number);
    return buf;
}

} // namespace

std::string bookBanner(const Document& doc) {
    if (doc.laidOut && !doc.laidOut->lines.empty()) return doc.laidOut->lines.front();
    std::string banner = splitStyleTags(doc.title).plain;
    const std::string author = splitStyleTags(doc.author).plain;
    if (!author.empty()) banner += (banner.empty() ? "by " : ", by ") + author;
    for (const BlockView b : doc.blocks) {
        if (!banner.empty()) break;
        if (b.kind == BlockKind::Heading) banner = splitStyleTags(b.text).plain;
    }
    return banner.empty() ? std::string("Cascaded text") : banner;
}

std::optional<CascadedBook> cascadeDocument(const Document& doc, SentenceParser* parser,
                                            const CascadeProgress& progress) {
    CascadedBook book;
    std::optional<LineBuffer> points = cascadeDocumentTo(
        doc, parser, [&](std::string& line) { book.lines.push_back(std::move(line)); }, progress);
    if (!points) return std::nullopt;
    book.chapterPoints = points->toLines();
    return book;
}

namespace {

// A book laid out already: its lines handed on as they stand.
LineBuffer handOnLaidOut(const LaidOutText& laid, const LineSink& sink,
                         const CascadeProgress& progress) {
    for (const std::string& line : laid.lines) {
        std::string copy = line;
        sink(copy);
    }
    if (progress) progress(1.0);
    return LineBuffer(laid.chapterPoints);
}

// With `release` (the document's own blocks), each block's text is let go of once it is
// cascaded.
std::optional<LineBuffer> cascadeBlocks(const Document& doc, SentenceParser* parser,
                                        const LineSink& sink, const CascadeProgress& progress,
                                        BlockList* release) {
    const std::size_t blockCount = doc.blocks.size();
    // The chapters in the order of the blocks they open at (those past the last block at the
    // end, taken there together), walked alongside the blocks.
    const std::vector<std::uint32_t> opening = chaptersInBlockOrder(doc.chapters);
    const auto blockOf = [&](std::size_t c) { return std::min(doc.chapters[c].block, blockCount); };
    std::size_t nextChapter = 0;

    // Each chapter's reference point number (0: none), named only once the book is done.
    std::vector<std::uint32_t> points(doc.chapters.size(), 0);
    std::string banner = bookBanner(doc);
    sink(banner);
    Cascader cascader(parser, std::move(banner));
    cascader.handLinesTo(sink);
    std::unordered_map<std::string_view, int> pictureRows;
    for (const Picture& p : doc.pictures)
        pictureRows.emplace(p.name, p.rows);
    const auto rowsOf = [&pictureRows](std::string_view name) {
        const auto it = pictureRows.find(name);
        return it == pictureRows.end() ? 0 : it->second;
    };
    // The cover comes first, before the title and the first reference point.
    if (!doc.cover.empty() && rowsOf(doc.cover) > 0) {
        cascader.addImage(doc.cover, rowsOf(doc.cover));
        cascader.drainLines(sink);
    }
    std::size_t sinceReport = 0;
    auto keepGoing = [&](std::size_t b) {
        sinceReport = 0;
        return !progress ||
               progress(blockCount == 0 ? 1.0
                                        : static_cast<double>(b) / static_cast<double>(blockCount));
    };
    for (std::size_t b = 0; b <= blockCount; ++b) {
        // The chapters that open here are opening[here, hereEnd).
        const std::size_t here = nextChapter;
        while (nextChapter < opening.size() && blockOf(opening[nextChapter]) == b)
            ++nextChapter;
        const bool chaptersHere = nextChapter > here;
        const auto setPoints = [&](int number) {
            for (std::size_t k = here; k < nextChapter; ++k)
                points[opening[k]] = static_cast<std::uint32_t>(std::max(0, number));
        };
        if ((chaptersHere || ++sinceReport >= kBlocksPerReport) && !keepGoing(b))
            return std::nullopt;
        if (b == blockCount) {
            if (chaptersHere) setPoints(cascader.addReferencePoint());
            break;
        }
        const BlockView block = doc.blocks[b];
        int number = 0;
        if (block.kind == BlockKind::Heading) {
            number = cascader.addHeading(block.text);
        } else if (chaptersHere) {
            number = cascader.addReferencePoint();
        }
        setPoints(number);
        switch (block.kind) {
        case BlockKind::Heading:
            break;
        case BlockKind::Paragraph:
            cascader.addParagraph(block.text);
            break;
        case BlockKind::Verbatim:
            cascader.addVerbatim(block.text);
            break;
        case BlockKind::SceneBreak:
            cascader.addSceneBreak();
            break;
        case BlockKind::Image:
            if (const int rows = rowsOf(block.text); rows > 0)
                cascader.addImage(block.text, rows);
            else
                cascader.addImage();
            break;
        case BlockKind::Entry:
            cascader.addEntry(block.text);
            break;
        }
        cascader.drainLines(sink);
        if (release) release->releaseTextBefore(b + 1);
    }
    cascader.drainLines(sink);
    Lines rest = cascader.finish(); // the banner, already handed out, and "END"
    for (std::size_t i = 1; i < rest.size(); ++i)
        sink(rest[i]);
    LineBuffer names;
    names.reserve(points.size());
    for (const std::uint32_t number : points)
        names.push_back(referencePointName(static_cast<int>(number)));
    return names;
}

} // namespace

std::optional<LineBuffer> cascadeDocumentTo(const Document& doc, SentenceParser* parser,
                                            const LineSink& sink, const CascadeProgress& progress) {
    if (doc.laidOut) return handOnLaidOut(*doc.laidOut, sink, progress);
    return cascadeBlocks(doc, parser, sink, progress, nullptr);
}

std::optional<LineBuffer> cascadeDocumentReleasingTo(Document& doc, SentenceParser* parser,
                                                     const LineSink& sink,
                                                     const CascadeProgress& progress) {
    std::optional<LineBuffer> points =
        doc.laidOut ? handOnLaidOut(*doc.laidOut, sink, progress)
                    : cascadeBlocks(doc, parser, sink, progress, &doc.blocks);
    doc.blocks.clear();
    return points;
}

} // namespace qm::cascade
