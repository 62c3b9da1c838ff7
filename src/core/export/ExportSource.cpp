#include "core/base/Error.h"
#include "core/base/Paths.h"
#include "core/cascade/Cascader.h"
#include "core/catalogue/Catalogue.h"
#include "core/encoding/Utf8.h"
#include "core/encoding/Windows1252.h"
#include "core/export/ExportBook.h"
#include "core/text/BuiltInTexts.h"
#include "core/text/LineFormat.h"
#include "core/text/ScanningReader.h"
#include "core/text/Tags.h"

#include <cstdio>

namespace qm::exporting {

namespace {

// The depth character of a catalogue line (the character after its first "<<"), or -1.
int levelOfLine(const std::string& line) {
    const std::size_t at = line.find("<<");
    if (at == std::string::npos || at + 2 >= line.size()) return -1;
    const char c = line[at + 2];
    return c >= '0' && c <= '9' ? c - '0' : -1;
}

// The pieces a stored text file is read in.
constexpr std::size_t kPieceSize = std::size_t{64} << 10;

// The lines of a stored text file, read in pieces: once to count them and tell the encoding,
// once to take them (each converted from UTF-8 when the file is UTF-8), its trailing blank
// lines dropped. Nothing when the file cannot be read.
std::optional<LineBuffer> storedFileLines(FileSystem& fs, const std::string& path) {
    std::unique_ptr<FileReader> file = fs.openFile(path);
    if (!file) return std::nullopt;
    encoding::Utf8Scan scan;
    ScanningReader counter(std::move(file), scan);
    const std::optional<std::size_t> count = FileLineSource::countLines(counter, kPieceSize);
    if (!count || !(file = fs.openFile(path))) return std::nullopt;
    const bool utf8 = scan.isUtf8Text();
    FileLineSource source(std::move(file), *count, kPieceSize);
    source.dropTrailingBlankLines();
    LineBuffer lines;
    lines.reserve(*count);
    std::string_view line;
    while (source.next(line)) {
        if (!utf8) {
            lines.push_back(line);
            continue;
        }
        if (lines.empty()) line = encoding::withoutUtf8Bom(line);
        lines.push_back(encoding::utf8ToWindows1252(line));
    }
    // A line may turn blank in its conversion (a wide space becomes a blank).
    std::size_t end = lines.size();
    while (end > 0 && isBlankLine(lines[end - 1]))
        --end;
    if (end < lines.size()) lines.keepIf([end](std::size_t i) { return i < end; });
    return lines;
}

// A text of a ".cdb" collection in the plain form showing the same display lines: markers as
// they are, every other line a phrase line indented by its leading blanks.
LineBuffer plainFormOfRecordText(const LineBuffer& stored) {
    const Lines display = prepareDisplayLines(stored.toLines(), ConversionPass::Record);
    LineBuffer out;
    out.reserve(display.size());
    out.push_back(stored.empty() ? std::string_view() : stored[0]);
    // The clean-up's three closing lines ("p999", the end line and " ") are not the text's.
    for (std::size_t i = 0; i + 3 < display.size(); ++i) {
        const std::string& line = display[i];
        if (!line.empty() && (line.front() == 'p' || line.front() == 's')) {
            out.push_back(line);
            continue;
        }
        const std::size_t blanks = std::min<std::size_t>(
            line.find_first_not_of(' ') == std::string::npos ? line.size()
                                                             : line.find_first_not_of(' '),
            kMaxIndent);
        char code[32];
        std::snprintf(code, sizeof code, "l%02zu", blanks);
        out.push_back(std::string(code) + line.substr(blanks));
    }
    return out;
}

} // namespace

LineBuffer storedTextLines(FileSystem& fs, const std::string& path,
                           std::string_view catalogueExtension, cascade::SentenceParser* parser) {
    LineBuffer buffer;
    const BuiltInSource source = builtInSourceFor(textKeyOf(path));
    if (source == BuiltInSource::None && !isPlainProseFile(path)) {
        std::optional<LineBuffer> stored = storedFileLines(fs, path);
        if (!stored) throw UserError("Cannot open file " + path);
        buffer = std::move(*stored);
    } else {
        Lines lines;
        if (source == BuiltInSource::EmbeddedBook) {
            rebuildEmbeddedBook(lines);
        } else if (source != BuiltInSource::None) {
            lines = builtInPageLines(source);
        } else {
            // Plain prose is cascaded whole.
            const std::optional<std::string> bytes = fs.readFile(path);
            if (!bytes) throw UserError("Cannot open file " + path);
            const bool utf8 = encoding::isUtf8Text(*bytes);
            lines = cascadeText(utf8 ? encoding::withoutUtf8Bom(*bytes) : *bytes, parser);
            if (utf8)
                for (std::string& line : lines)
                    line = encoding::utf8ToWindows1252(line);
        }
        while (!lines.empty() && isBlankLine(lines.back()))
            lines.pop_back();
        buffer = LineBuffer(lines);
    }
    if (conversionPassFor(catalogueExtension) == ConversionPass::Record)
        return plainFormOfRecordText(buffer);
    return buffer;
}

std::vector<ExportChapter> catalogueChapters(const Lines& catalogue, std::string_view textKey) {
    std::vector<ExportChapter> chapters;
    const std::string prefix = std::string(textKey) + "@";
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        if (entryKeyOfLine(catalogue[i]) != textKey) continue;
        const int bookLevel = levelOfLine(catalogue[i]);
        for (std::size_t j = i + 1; j < catalogue.size(); ++j) {
            const int level = levelOfLine(catalogue[j]);
            const std::string key = entryKeyOfLine(catalogue[j]);
            if (level <= bookLevel || !key.starts_with(prefix)) break;
            chapters.push_back({encoding::windows1252ToUtf8(titleOfLine(catalogue[j])),
                                key.substr(prefix.size()), level - bookLevel - 1});
        }
        break;
    }
    return chapters;
}

std::string catalogueTitle(const Lines& catalogue, std::string_view textKey) {
    for (const std::string& line : catalogue)
        if (entryKeyOfLine(line) == textKey) return encoding::windows1252ToUtf8(titleOfLine(line));
    return {};
}

std::string bannerAuthor(std::string_view banner) {
    const std::size_t by = banner.rfind(", by ");
    if (by == std::string_view::npos) return {};
    std::string_view author = banner.substr(by + 5);
    author = author.substr(0, author.find(" -- "));
    return encoding::windows1252ToUtf8(trimBlanks(author));
}

ExportBook libraryExportBook(FileSystem& fs, const library::Book& book) {
    ExportBook out;
    out.lines = storedTextLines(fs, book.files.text, ".toc", nullptr);
    if (const std::optional<std::string> toc = fs.readFile(book.files.catalogue))
        out.chapters = catalogueChapters(splitLines(*toc), book.key);
    out.title = book.manifest.title;
    out.author = book.manifest.author;
    out.imageFolder = book.files.folder;
    out.drawsPictures = true;
    return out;
}

std::vector<ExportChapter> referencePointChapters(const LineBuffer& lines) {
    std::vector<ExportChapter> chapters;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::size_t tag = line.find("|refpt");
        const std::size_t close = line.find('>', tag);
        if (tag == std::string_view::npos || close == std::string_view::npos) continue;
        std::string title;
        for (std::size_t j = i + 1; j < lines.size() && j < i + 20 && title.empty(); ++j) {
            if (lines[j].starts_with("l") && lines[j].size() > 3)
                title = trimBlanks(removeTags(lines[j].substr(3)));
        }
        if (title.empty()) title = "Part " + std::to_string(chapters.size() + 1);
        chapters.push_back({encoding::windows1252ToUtf8(title),
                            std::string(line.substr(tag + 1, close - tag - 1)), 0});
    }
    return chapters;
}

} // namespace qm::exporting
