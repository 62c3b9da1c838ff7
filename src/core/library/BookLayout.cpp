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

namespace {

// The reader's plain pass (see LineFormat.h), one line at a time: the clean-up, then every
// phrase line but the last converted; each display line is handed to `take`.
void forEachDisplayLine(StoredLineSource& stored, const std::function<void(std::string)>& take) {
    CleanedLineSource cleaned(stored);
    std::string_view line;
    if (!cleaned.next(line)) return;
    std::string_view following;
    while (cleaned.next(following)) {
        take(!line.empty() && line.front() == 'l' ? phraseDisplayLine(line) : std::string(line));
        line = following;
    }
    take(std::string(line));
}

} // namespace

std::string storedTextIndex(StoredLineSource& stored, Lines* display) {
    WordIndexBuilder index;
    forEachDisplayLine(stored, [&](std::string line) {
        index.addLine(line);
        if (display) display->push_back(std::move(line));
    });
    return index.finishFile();
}

void storedTextIndexTo(StoredLineSource& stored, const ByteSink& out) {
    WordIndexBuilder index;
    forEachDisplayLine(stored, [&](const std::string& line) { index.addLine(line); });
    index.finishFileTo(out);
}

std::optional<LaidOutBook> layOutBook(cascade::Document doc, const std::string& key,
                                      std::string_view sourceName,
                                      const std::function<std::string(std::string_view)>& convert,
                                      cascade::SentenceParser* parser,
                                      const LayoutProgress& progress, const ByteSink& text) {
    auto tell = [&](double done) { return !progress || progress(done); };
    LaidOutBook book;
    std::optional<LineBuffer> points = cascade::cascadeDocumentReleasingTo(
        doc, parser,
        [&](std::string& line) {
            line = convert(line);
            line += "\r\n";
            text(line);
        },
        [&](double done) { return tell(done * kCascadeShare); });
    if (!points) return std::nullopt;
    if (!tell(kCascadeShare)) return std::nullopt;

    // Only the chapters at a reference point are listed.
    std::vector<CatalogueChapter> chapters;
    for (std::size_t c = 0; c < doc.chapters.size(); ++c) {
        if ((*points)[c].empty()) continue;
        chapters.push_back({convert(cascade::splitStyleTags(doc.chapters[c].title).plain),
                            std::string((*points)[c]), doc.chapters[c].depth});
    }
    std::string title = cascade::splitStyleTags(doc.title).plain;
    if (title.empty()) title = fileNameOf(sourceName);
    std::string banner = cascade::bookBanner(doc); // of a document whose blocks are gone
    if (banner.empty()) banner = title;
    book.catalogue = bookCatalogueText(key, convert(banner), chapters);

    book.manifest.key = key;
    book.manifest.source = std::string(sourceName);
    book.manifest.title = title;
    book.manifest.author = cascade::splitStyleTags(doc.author).plain;
    book.manifest.layoutVersion = cascade::kLayoutVersion;
    return book;
}

std::optional<LaidOutBook> layOutBook(cascade::Document doc, const std::string& key,
                                      std::string_view sourceName,
                                      const std::function<std::string(std::string_view)>& convert,
                                      cascade::SentenceParser* parser,
                                      const LayoutProgress& progress) {
    std::string text;
    // Phrase codes, tags, markers and line ends add a third to a half to the words. Room for
    // twice the words means the text is never copied into a doubled buffer (three times the
    // words at once); pages of the room left unwritten are never touched.
    text.reserve(2 * doc.blocks.textBytes() + 4096);
    std::optional<LaidOutBook> book =
        layOutBook(std::move(doc), key, sourceName, convert, parser, progress,
                   [&text](std::string_view bytes) { text += bytes; });
    if (book) book->text = std::move(text);
    return book;
}

} // namespace qm::library
