// Opening a text into the display-line list, the contents-tree click and "Open File".
#include "core/cascade/Cascader.h"
#include "core/shell/Error.h"
#include "core/shell/Locations.h"
#include "core/shell/Session.h"
#include "core/text/BuiltInTexts.h"
#include "core/text/LineFormat.h"
#include "core/text/TextEncoding.h"

namespace qm {

namespace {

constexpr const char* kResumeQuestion =
    "Do you want to start reading where you last closed the file?";
constexpr const char* kNoReferencePoint = "00000";

bool isNoReferencePoint(const std::string& referencePoint) {
    return referencePoint.empty() || referencePoint == " " || referencePoint == kNoReferencePoint;
}

bool endsWithTxt(const std::string& path) {
    return path.size() >= 4 &&
           toLowerAscii(std::string_view(path).substr(path.size() - 4)) == ".txt";
}

// Lines in the page's single-byte form, each converted from UTF-8.
Lines singleByteLines(Lines lines) {
    for (std::string& line : lines)
        line = toSingleByte(line);
    return lines;
}

// Fills `out` with the display lines of the text at `path`, whose key has no built-in
// source: the file's own lines when it can be read (a ".txt" file is plain prose and is
// cascaded first; a UTF-8 text is converted to the page's form), otherwise the author entry
// page.
void fillFromFile(FileSystem& fs, const std::string& path, ConversionPass pass, Lines& out) {
    if (endsWithTxt(path)) {
        if (const std::optional<std::string> bytes = fs.readFile(path)) {
            const Lines cascaded = isUtf8Text(*bytes)
                                       ? singleByteLines(cascadeText(withoutUtf8Bom(*bytes)))
                                       : cascadeText(*bytes);
            ListLineSource source(cascaded);
            prepareDisplayLines(source, pass, out);
            return;
        }
    } else if (std::unique_ptr<FileReader> counter = fs.openFile(path)) {
        // A stored text is read in pieces (once to count its lines and check its encoding,
        // once to convert them), so a large file is never held whole beside its display
        // lines. A UTF-8 one is read whole and converted line by line.
        Utf8Scan scan;
        counter = scanningReader(std::move(counter), scan);
        const std::optional<std::size_t> lines = FileLineSource::countLines(*counter);
        counter.reset();
        if (lines && scan.isUtf8()) {
            if (const std::optional<std::string> bytes = fs.readFile(path)) {
                const Lines converted = singleByteLines(splitLines(withoutUtf8Bom(*bytes)));
                ListLineSource source(converted);
                prepareDisplayLines(source, pass, out);
                return;
            }
        } else if (std::unique_ptr<FileReader> reader = lines ? fs.openFile(path) : nullptr) {
            FileLineSource source(std::move(reader), *lines);
            prepareDisplayLines(source, pass, out);
            return;
        }
    }
    const Lines page = builtInPageLines(BuiltInSource::None);
    ListLineSource source(page);
    prepareDisplayLines(source, pass, out);
}

// The catalogue line's entry key: what follows the level character after the first "<<",
// trimmed. A line without "<<" names no entry.
std::string entryKeyOfLine(const std::string& line) {
    const auto sep = line.find("<<");
    if (sep == std::string::npos || sep + 3 > line.size()) return {};
    return trimBlanks(std::string_view(line).substr(sep + 3));
}

std::string titleOfLine(const std::string& line) {
    return trimBlanks(std::string_view(line).substr(0, line.find("<<")));
}

} // namespace

void Session::openText(const std::string& path, const std::string& referencePointName) {
    if (path != currentTextPath) {
        currentTextPath = path;
        textKey = textKeyOf(path);
        displayLines.clear();
        const ConversionPass pass = conversionPassFor(loc.catalogueExtension);
        const BuiltInSource source = builtInSourceFor(textKey);
        if (source == BuiltInSource::EmbeddedBook) {
            if (embeddedBook.empty()) rebuildEmbeddedBook(embeddedBook);
            ListLineSource lines(embeddedBook);
            prepareDisplayLines(lines, pass, displayLines);
        } else if (source == BuiltInSource::None) {
            fillFromFile(fs, path, pass, displayLines);
        } else {
            const Lines page = builtInPageLines(source);
            ListLineSource lines(page);
            prepareDisplayLines(lines, pass, displayLines);
        }
    }

    int top = 0;
    if (!isNoReferencePoint(referencePointName)) {
        const std::string tag = "|" + referencePointName + ">";
        // The last line (the single blank) is never looked at.
        for (std::size_t j = 0; j + 1 < displayLines.size(); ++j) {
            if (displayLines[j].find(tag) != std::string::npos) {
                top = static_cast<int>(j + 1);
                break;
            }
        }
    } else {
        locateSection();
        if (const std::optional<Entry> entry = newestEntry()) {
            if (view.askYesNo(kResumeQuestion, entry->name)) top = entry->topLine;
        }
    }
    nextTopLine = drawPage(top);
}

// The click and the double click share these steps; only the click is swallowed after a
// node was expanded or collapsed.
static void openFromContentsTree(Session& s, std::optional<int> selected) {
    s.referencePoint = kNoReferencePoint;
    rebuildEmbeddedBook(s.embeddedBook);
    // The start-up page counts as the open greeting page, so choosing the root entry first
    // only positions it.
    if (s.currentTextPath.empty()) s.currentTextPath = s.loc.programFolder + "none.tvt";
    if (s.pageTurned) s.writeClosingMark();
    s.pageTurned = false;

    if (selected) {
        const int i = *selected;
        if (i >= 0 && static_cast<std::size_t>(i) < s.catalogue.size()) {
            const auto index = static_cast<std::size_t>(i);
            s.entryKey = entryKeyOfLine(s.catalogue[index]);
            // A story's caption is the title of the book entry above it.
            std::size_t titleLine = index;
            if (s.entryKey.find('@') != std::string::npos) {
                while (titleLine > 0 && s.catalogue[titleLine].find('@') != std::string::npos)
                    --titleLine;
            }
            s.captionTitle = titleOfLine(s.catalogue[titleLine]);
            s.caption = "Quillmar -- " + s.captionTitle;
        } else {
            s.entryKey.clear();
            s.captionTitle = " ";
            s.caption = "Quillmar";
        }
        s.view.setCaption(s.caption);
    }

    if (s.entryKey.empty()) {
        s.view.showMessage("Not here yet");
        return;
    }
    if (const auto at = s.entryKey.find('@'); at != std::string::npos) {
        s.referencePoint = s.entryKey.substr(at + 1);
        s.entryKey.resize(at);
    }
    const std::string path = s.loc.programFolder + s.entryKey + ".tvt";
    s.openDialogFileName = path;

    s.indexFile = s.loc.programFolder + s.entryKey + ".tvx";
    const bool haveIndex = s.fs.fileExists(s.indexFile);
    if (!haveIndex) s.indexFile.clear();
    s.view.setTabVisible(Page::IndexTabSheet, haveIndex);

    if (path != s.currentTextPath) s.resetToPanel();
    s.openText(path, s.referencePoint);
    s.view.showPage(Page::ReadTabSheet);
}

void Session::TOCTreeViewClick(std::optional<int> selected) {
    if (skipNextClick) {
        skipNextClick = false;
        return;
    }
    openFromContentsTree(*this, selected);
}

void Session::TOCTreeViewDblClick(std::optional<int> selected) {
    skipNextClick = false;
    openFromContentsTree(*this, selected);
}

void Session::OpenTVTItemClick() {
    // Plain prose files are offered too: they are cascaded when opened.
    const std::optional<std::string> chosen =
        view.chooseOpenFile("Torvane(tm) File|*.tvt|Plain Text File|*.txt", "tvt",
                            "Open Torvane(tm) Document", openDialogFileName);
    if (!chosen || chosen->empty()) return;
    openDialogFileName = *chosen;
    view.showPage(Page::ReadTabSheet);
    controls.setVisible(Control::BMMenu, false);
    openText(*chosen, " ");
}

} // namespace qm
