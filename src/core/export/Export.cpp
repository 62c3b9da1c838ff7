#include "core/export/Export.h"

#include "core/base/Error.h"
#include "core/base/Paths.h"

namespace qm::exporting {

std::optional<ExportFormat> exportFormatOf(std::string_view path) {
    if (hasSuffixIgnoringCase(path, ".epub")) return ExportFormat::Epub;
    if (hasSuffixIgnoringCase(path, ".pdf")) return ExportFormat::Pdf;
    return std::nullopt;
}

ExportFormat checkExportTarget(const FileSystem& fs, const std::string& path) {
    const std::optional<ExportFormat> format = exportFormatOf(path);
    if (!format)
        throw UserError("Cannot export to " + path +
                        ": the name must end in .epub (an EPUB 3 book) or .pdf (a PDF).");
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (slash != std::string::npos && slash > 0 && !fs.folderExists(path.substr(0, slash)))
        throw UserError("Cannot export to " + path + ": the folder " + folder + " does not exist.");
    if (fs.folderExists(path))
        throw UserError("Cannot export to " + path + ": a folder has that name.");
    return *format;
}

void exportBook(FileSystem& fs, const ExportBook& book, const ExportRequest& request,
                const PageDocumentMaker& makePdf, const library::Progress& progress) {
    const ExportFormat format = checkExportTarget(fs, request.path);
    auto tick = [&progress](double done) {
        if (progress.cancel && progress.cancel->load()) throw library::OpenCancelled();
        // The last share is the write.
        if (progress.report) progress.report(0.95 * done);
    };
    tick(0.0);
    std::string bytes;
    if (format == ExportFormat::Epub) {
        bytes = epubBytes(book, EpubOptions{request.shades, {}}, fs, tick);
    } else {
        std::unique_ptr<PageDocument> document =
            makePdf ? makePdf(request.pageSize, book) : nullptr;
        if (!document)
            throw UserError("Cannot export to " + request.path +
                            ": PDF pages are drawn by the window, which is not there.");
        bytes = pdfBytes(book, request.pageSize, *document, fs, tick);
    }
    tick(1.0);
    try {
        fs.writeFile(request.path, bytes);
    } catch (const UserError& e) {
        throw UserError(std::string(e.what()) +
                        ". The book was not exported (is the disk full, or the folder read-only?); "
                        "no file was left behind.");
    }
    if (progress.report) progress.report(1.0);
}

} // namespace qm::exporting
