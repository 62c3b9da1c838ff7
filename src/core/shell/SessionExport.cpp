// Export: the text showing written as an EPUB 3 or a PDF of the reader's pages.
#include "core/base/Error.h"
#include "core/base/Paths.h"
#include "core/encoding/Windows1252.h"
#include "core/shell/Session.h"

namespace qm {

namespace {

constexpr const char* kExportCaption = "Export";

// A title as a file name: letters, digits, blanks and "-_.,'" kept, anything else a blank.
std::string fileNameFromTitle(std::string_view title) {
    std::string name;
    for (const char c : title) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') ||
                          std::string_view(" -_.,'").find(c) != std::string_view::npos;
        name += kept ? c : ' ';
    }
    name = trimBlanks(name);
    return name.empty() ? std::string("book") : name;
}

} // namespace

exporting::ExportBook Session::exportedBook() const {
    const std::string path =
        m_currentTextPath.empty() ? m_loc.programFolder + "none.tvt" : m_currentTextPath;
    const std::string key = textKeyOf(path);
    // A library book is exported as stored, with the title and author of its manifest.
    if (!m_bookKey.empty() && key == m_bookKey) {
        const library::Library lib =
            library::Library::withBookReaders(m_fs, m_loc.dataFolder, m_parser.get());
        if (const std::optional<library::Book> stored = lib.find(key))
            if (stored->files.text == path) return exporting::libraryExportBook(m_fs, *stored);
    }
    exporting::ExportBook book;
    book.lines = exporting::storedTextLines(m_fs, path, m_loc.catalogueExtension, m_parser.get());
    if (book.lines.empty()) throw UserError("There is no text showing to export.");
    book.chapters = exporting::catalogueChapters(m_catalogue, key);
    book.imageFolder = m_loc.programFolder;
    // Any other text is named by its catalogue line, else by its banner.
    book.title = exporting::catalogueTitle(m_catalogue, key);
    const std::string_view banner = book.lines[0];
    if (book.title.empty())
        book.title =
            encoding::windows1252ToUtf8(trimBlanks(banner.substr(0, banner.rfind(", by "))));
    if (book.title.empty()) book.title = "Cascaded text";
    book.author = exporting::bannerAuthor(banner);
    return book;
}

void Session::ExportItemClick() {
    // The dialog starts beside the file opened last, named after the text's title.
    const std::string& opened = m_openDialogFileName;
    const std::size_t slash = opened.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? m_loc.dataFolder : opened.substr(0, slash + 1);
    const std::string title =
        m_captionTitle.empty() || m_captionTitle == " " ? std::string("Quillmar") : m_captionTitle;
    const std::optional<ViewPort::ExportChoice> choice =
        m_view.chooseExportFile(folder + fileNameFromTitle(title) + ".epub");
    if (!choice || choice->path.empty()) return;
    const exporting::ExportRequest request{
        choice->path, exporting::pageSizeNamed(choice->pageSize).value_or(exporting::PageSize::A4),
        choice->shades};
    exporting::checkExportTarget(m_fs, request.path);
    if (m_fs.fileExists(request.path) &&
        !m_view.askYesNo(kExportCaption, request.path + " already exists. Replace it?"))
        return;
    startExport(request);
}

void Session::exportText(const exporting::ExportRequest& request, bool replace) {
    exporting::checkExportTarget(m_fs, request.path);
    if (m_fs.fileExists(request.path) && !replace)
        throw UserError("Cannot export to " + request.path +
                        ": the file already exists and was left as it is.");
    startExport(request);
}

void Session::startExport(const exporting::ExportRequest& request) {
    exporting::ExportBook book = exportedBook();
    if (m_exporter) {
        m_exporter(std::move(book), request);
        return;
    }
    exporting::exportBook(m_fs, std::move(book), request, m_pageDocumentMaker);
}

} // namespace qm
