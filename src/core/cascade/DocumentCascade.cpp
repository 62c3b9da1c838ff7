#include "core/cascade/DocumentCascade.h"

#include "core/cascade/Cascader.h"
#include "core/cascade/StyleTags.h"

#include <cstdio>
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
    for (const Block& b : doc.blocks) {
        if (!banner.empty()) break;
        if (b.kind == BlockKind::Heading) banner = splitStyleTags(b.text).plain;
    }
    return banner.empty() ? std::string("Cascaded text") : banner;
}

std::optional<CascadedBook> cascadeDocument(const Document& doc, SentenceParser* parser,
                                            const CascadeProgress& progress) {
    CascadedBook book;
    std::optional<std::vector<std::string>> points = cascadeDocumentTo(
        doc, parser, [&](std::string& line) { book.lines.push_back(std::move(line)); }, progress);
    if (!points) return std::nullopt;
    book.chapterPoints = std::move(*points);
    return book;
}

namespace {

// A book laid out already: its lines handed on as they stand, copied or (from a book the
// caller lets go) taken.
std::vector<std::string> handOnLaidOut(const LaidOutText& laid, const LineSink& sink,
                                       const CascadeProgress& progress) {
    for (const std::string& line : laid.lines) {
        std::string copy = line;
        sink(copy);
    }
    if (progress) progress(1.0);
    return laid.chapterPoints;
}

std::vector<std::string> handOnLaidOut(LaidOutText& laid, const LineSink& sink,
                                       const CascadeProgress& progress) {
    for (std::string& line : laid.lines)
        sink(line);
    std::vector<std::string>().swap(laid.lines);
    if (progress) progress(1.0);
    return laid.chapterPoints;
}

template <typename Done>
std::optional<std::vector<std::string>>
cascadeBlocks(const Document& doc, SentenceParser* parser, const LineSink& sink,
              const CascadeProgress& progress, Done blockDone) {
    const std::size_t blockCount = doc.blocks.size();
    // The chapters that open at each block, and those pointing past the last one.
    std::vector<std::vector<std::size_t>> opening(blockCount + 1);
    for (std::size_t c = 0; c < doc.chapters.size(); ++c)
        opening[std::min(doc.chapters[c].block, blockCount)].push_back(c);

    std::vector<std::string> points(doc.chapters.size());
    std::string banner = bookBanner(doc);
    sink(banner);
    Cascader cascader(parser, std::move(banner));
    std::size_t sinceReport = 0;
    auto keepGoing = [&](std::size_t b) {
        sinceReport = 0;
        return !progress ||
               progress(blockCount == 0 ? 1.0
                                        : static_cast<double>(b) / static_cast<double>(blockCount));
    };
    for (std::size_t b = 0; b <= blockCount; ++b) {
        const std::vector<std::size_t>& here = opening[b];
        if ((!here.empty() || ++sinceReport >= kBlocksPerReport) && !keepGoing(b))
            return std::nullopt;
        if (b == blockCount) {
            if (!here.empty()) {
                const std::string point = referencePointName(cascader.addReferencePoint());
                for (const std::size_t c : here)
                    points[c] = point;
            }
            break;
        }
        const Block& block = doc.blocks[b];
        int number = 0;
        if (block.kind == BlockKind::Heading) {
            number = cascader.addHeading(block.text);
        } else if (!here.empty()) {
            number = cascader.addReferencePoint();
        }
        const std::string point = referencePointName(number);
        for (const std::size_t c : here)
            points[c] = point;
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
            cascader.addImage();
            break;
        case BlockKind::Entry:
            cascader.addEntry(block.text);
            break;
        }
        cascader.drainLines(sink);
        blockDone(b);
    }
    cascader.drainLines(sink);
    Lines rest = cascader.finish(); // the banner, already handed out, and "END"
    for (std::size_t i = 1; i < rest.size(); ++i)
        sink(rest[i]);
    return points;
}

} // namespace

std::optional<std::vector<std::string>> cascadeDocumentTo(const Document& doc,
                                                          SentenceParser* parser,
                                                          const LineSink& sink,
                                                          const CascadeProgress& progress) {
    if (doc.laidOut) return handOnLaidOut(std::as_const(*doc.laidOut), sink, progress);
    return cascadeBlocks(doc, parser, sink, progress, [](std::size_t) {});
}

std::optional<std::vector<std::string>>
cascadeDocumentReleasingText(Document& doc, SentenceParser* parser, const LineSink& sink,
                             const CascadeProgress& progress) {
    if (doc.laidOut) return handOnLaidOut(*doc.laidOut, sink, progress);
    return cascadeBlocks(doc, parser, sink, progress,
                         [&doc](std::size_t b) { std::string().swap(doc.blocks[b].text); });
}

} // namespace qm::cascade
