#include "core/library/BookLayout.h"

#include "core/cascade/DocumentCascade.h"
#include "core/cascade/LayoutVersion.h"
#include "core/cascade/StyleTags.h"
#include "core/index/WordIndex.h"
#include "core/library/BookCatalogue.h"
#include "core/text/LineFormat.h"

namespace qm::library {

namespace {

// The share of the layout's time the cascade takes, for the progress told.
constexpr double kCascadeShare = 0.95;

std::string fileNameOf(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace

std::string storedTextIndex(StoredLineSource& stored, Lines* display) {
    // The reader's plain pass (see LineFormat.h), one line at a time: the clean-up, then every
    // phrase line but the last converted.
    WordIndexBuilder index;
    auto take = [&](std::string line) {
        index.addLine(line);
        if (display) display->push_back(std::move(line));
    };
    CleanedLineSource cleaned(stored);
    std::string_view line;
    if (!cleaned.next(line)) return index.finishFile();
    std::string_view following;
    while (cleaned.next(following)) {
        take(!line.empty() && line.front() == 'l' ? phraseDisplayLine(line) : std::string(line));
        line = following;
    }
    take(std::string(line));
    return index.finishFile();
}

std::optional<LaidOutBook> layOutBook(cascade::Document doc, const std::string& key,
                                      std::string_view sourceName,
                                      const std::function<std::string(std::string_view)>& convert,
                                      cascade::SentenceParser* parser,
                                      const LayoutProgress& progress) {
    auto tell = [&](double done) { return !progress || progress(done); };
    LaidOutBook book;
    std::size_t textBytes = 0;
    for (const cascade::Block& b : doc.blocks)
        textBytes += b.text.size();
    // Phrase codes, tags, markers and line ends add a third to a half to the words. Room for
    // twice the words means the text is never copied into a doubled buffer (three times the
    // words at once); pages of the room left unwritten are never touched.
    book.text.reserve(2 * textBytes + 4096);
    std::optional<std::vector<std::string>> points = cascade::cascadeDocumentReleasingText(
        doc, parser,
        [&](std::string& line) {
            book.text += convert(line);
            book.text += "\r\n";
        },
        [&](double done) { return tell(done * kCascadeShare); });
    if (!points) return std::nullopt;
    std::vector<cascade::Block>().swap(doc.blocks);
    if (!tell(kCascadeShare)) return std::nullopt;

    std::vector<CatalogueChapter> chapters;
    chapters.reserve(doc.chapters.size());
    for (std::size_t c = 0; c < doc.chapters.size(); ++c) {
        chapters.push_back({convert(cascade::splitStyleTags(doc.chapters[c].title).plain),
                            (*points)[c], doc.chapters[c].depth});
    }
    std::string title = cascade::splitStyleTags(doc.title).plain;
    if (title.empty()) title = fileNameOf(sourceName);
    std::string banner = cascade::bookBanner(doc);
    if (banner.empty()) banner = title;
    book.catalogue = joinLinesCrLf(bookCatalogueLines(key, convert(banner), chapters));

    book.manifest.key = key;
    book.manifest.source = std::string(sourceName);
    book.manifest.title = title;
    book.manifest.author = cascade::splitStyleTags(doc.author).plain;
    book.manifest.layoutVersion = cascade::kLayoutVersion;
    return book;
}

} // namespace qm::library
