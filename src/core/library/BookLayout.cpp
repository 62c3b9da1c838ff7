#include "core/library/BookLayout.h"

#include "core/cascade/DocumentCascade.h"
#include "core/cascade/LayoutVersion.h"
#include "core/cascade/StyleTags.h"
#include "core/index/WordIndex.h"
#include "core/library/BookCatalogue.h"
#include "core/text/LineFormat.h"

namespace qm::library {

namespace {

// Shares of the layout's time, for the progress told: most of it is the cascade.
constexpr double kCascadeShare = 0.8;
constexpr double kConvertShare = 0.05;

std::string fileNameOf(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace

std::optional<LaidOutBook> layOutBook(const cascade::Document& doc, const std::string& key,
                                      std::string_view sourceName,
                                      const std::function<std::string(std::string_view)>& convert,
                                      const LayoutProgress& progress, bool keepDisplay) {
    auto tell = [&](double done) { return !progress || progress(done); };
    std::optional<cascade::CascadedBook> cascaded =
        cascade::cascadeDocument(doc, [&](double done) { return tell(done * kCascadeShare); });
    if (!cascaded) return std::nullopt;

    LaidOutBook book;
    std::size_t bytes = 0;
    for (const std::string& l : cascaded->lines)
        bytes += l.size() + 2;
    book.text.reserve(bytes + bytes / 8);
    for (std::string& l : cascaded->lines) {
        book.text += convert(l);
        book.text += "\r\n";
        std::string().swap(l);
    }
    Lines().swap(cascaded->lines);
    if (!tell(kCascadeShare + kConvertShare)) return std::nullopt;

    // The index numbers display lines exactly as the reader makes them from the stored file.
    Lines display;
    ByteLineSource source(book.text);
    prepareDisplayLines(source, ConversionPass::Plain, display);
    book.index = joinLinesCrLf(makeWordIndex(display));
    if (keepDisplay) book.display = std::move(display);
    if (!tell(0.95)) return std::nullopt;

    std::vector<CatalogueChapter> chapters;
    chapters.reserve(doc.chapters.size());
    for (std::size_t c = 0; c < doc.chapters.size(); ++c) {
        chapters.push_back({convert(cascade::splitStyleTags(doc.chapters[c].title).plain),
                            cascaded->chapterPoints[c], doc.chapters[c].depth});
    }
    std::string title = cascade::splitStyleTags(doc.title).plain;
    if (title.empty()) title = fileNameOf(sourceName);
    std::string banner = cascade::bookBanner(doc);
    if (banner.empty()) banner = title;
    book.catalogue =
        joinLinesCrLf(bookCatalogueLines(key, convert(title), convert(banner), chapters));

    book.manifest.key = key;
    book.manifest.source = std::string(sourceName);
    book.manifest.title = title;
    book.manifest.author = cascade::splitStyleTags(doc.author).plain;
    book.manifest.layoutVersion = cascade::kLayoutVersion;
    return book;
}

} // namespace qm::library
