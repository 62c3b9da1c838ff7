#include "core/text/OpenedText.h"

#include "core/base/Error.h"
#include "core/base/Paths.h"
#include "core/cascade/Cascader.h"
#include "core/encoding/Utf8.h"
#include "core/encoding/Windows1252.h"
#include "core/text/BuiltInTexts.h"
#include "core/text/ScanningReader.h"

namespace qm {

namespace {

using encoding::isUtf8Text;
using encoding::withoutUtf8Bom;

// Lines in the page's single-byte form, each converted from UTF-8.
Lines singleByteLines(Lines lines) {
    for (std::string& line : lines)
        line = encoding::utf8ToWindows1252(line);
    return lines;
}

// Fills `out` with the display lines of the text at `path`, whose key has no built-in
// source: the file's own lines when it can be read (a ".txt" file is plain prose and is
// cascaded first; a UTF-8 text is converted to the page's form), otherwise the author entry
// page. A file larger than its size cap is refused with its message.
void fillFromFile(FileSystem& fs, const std::string& path, ConversionPass pass,
                  cascade::SentenceParser* parser, LineBuffer& out) {
    if (isPlainProseFile(path)) {
        if (const std::optional<std::string> bytes = fs.readFile(path, kBookFileCap)) {
            const Lines cascaded =
                isUtf8Text(*bytes) ? singleByteLines(cascadeText(withoutUtf8Bom(*bytes), parser))
                                   : cascadeText(*bytes, parser);
            ListLineSource source(cascaded);
            prepareDisplayLines(source, pass, out);
            return;
        }
    } else if (std::unique_ptr<FileReader> counter = fs.openFile(path, kStoredTextCap)) {
        // A stored text is read in pieces (once to count its lines and check its encoding,
        // once to convert them), so a large file is never held whole beside its display
        // lines. A UTF-8 one is read whole and converted line by line.
        encoding::Utf8Scan scan;
        counter = std::make_unique<ScanningReader>(std::move(counter), scan);
        const std::optional<std::size_t> lines = FileLineSource::countLines(*counter);
        counter.reset();
        if (lines && scan.isUtf8Text()) {
            if (const std::optional<std::string> bytes = fs.readFile(path, kStoredTextCap)) {
                const Lines converted = singleByteLines(splitLines(withoutUtf8Bom(*bytes)));
                ListLineSource source(converted);
                prepareDisplayLines(source, pass, out);
                return;
            }
        } else if (std::unique_ptr<FileReader> reader =
                       lines ? fs.openFile(path, kStoredTextCap) : nullptr) {
            FileLineSource source(std::move(reader), *lines);
            prepareDisplayLines(source, pass, out);
            return;
        }
    }
    const Lines page = builtInPageLines(BuiltInSource::None);
    ListLineSource source(page);
    prepareDisplayLines(source, pass, out);
}

} // namespace

void readDisplayLines(FileSystem& fs, const std::string& path, ConversionPass pass,
                      cascade::SentenceParser* parser, Lines& embeddedBook, LineBuffer& out) {
    const BuiltInSource source = builtInSourceFor(textKeyOf(path));
    if (source == BuiltInSource::EmbeddedBook) {
        if (embeddedBook.empty()) rebuildEmbeddedBook(embeddedBook);
        ListLineSource lines(embeddedBook);
        prepareDisplayLines(lines, pass, out);
    } else if (source == BuiltInSource::None) {
        fillFromFile(fs, path, pass, parser, out);
    } else {
        const Lines page = builtInPageLines(source);
        ListLineSource lines(page);
        prepareDisplayLines(lines, pass, out);
    }
}

Lines openedTextLines(FileSystem& fs, const std::string& textPath,
                      std::string_view catalogueExtension, cascade::SentenceParser* parser) {
    if (builtInSourceFor(textKeyOf(textPath)) == BuiltInSource::None &&
        !fs.openFile(textPath, kStoredTextCap))
        throw UserError("Cannot open file " + textPath);
    Lines embeddedBook;
    LineBuffer out;
    readDisplayLines(fs, textPath, conversionPassFor(catalogueExtension), parser, embeddedBook,
                     out);
    return out.toLines();
}

bool isNoReferencePoint(std::string_view name) {
    return name.empty() || name == " " || name == kNoReferencePoint;
}

int referencePointTop(const LineBuffer& displayLines, std::string_view name) {
    const std::string tag = "|" + std::string(name) + ">";
    for (std::size_t j = 0; j + 1 < displayLines.size(); ++j) {
        if (displayLines[j].find(tag) != std::string_view::npos) return static_cast<int>(j + 1);
    }
    return 0;
}

} // namespace qm
