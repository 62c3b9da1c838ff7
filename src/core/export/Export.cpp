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

namespace {

UserError notExported(const UserError& e) {
    return UserError(std::string(e.what()) +
                     ". The book was not exported (is the disk full, or the folder read-only?); "
                     "no file was left behind.");
}

} // namespace

void exportBook(FileSystem& fs, ExportBook book, const ExportRequest& request,
                const PageDocumentMaker& makePdf, const library::Progress& progress) {
    const ExportFormat format = checkExportTarget(fs, request.path);
    auto tick = [&progress](double done) {
        if (progress.cancel && progress.cancel->load()) throw library::OpenCancelled();
        if (progress.report) progress.report(0.99 * done);
    };
    tick(0.0);
    if (format == ExportFormat::Pdf && !makePdf)
        throw UserError("Cannot export to " + request.path +
                        ": PDF pages are drawn by the window, which is not there.");
    // Declared before what writes to it, so that it is let go last: without a commit it
    // removes what was written.
    std::unique_ptr<FileWriter> file;
    try {
        file = fs.beginWrite(request.path);
    } catch (const UserError& e) {
        throw notExported(e);
    }
    auto write = [&file](std::string_view bytes) {
        try {
            file->write(bytes);
        } catch (const UserError& e) {
            throw notExported(e);
        }
    };
    if (format == ExportFormat::Epub) {
        writeEpub(book, EpubOptions{request.shades, {}}, fs, write, tick);
    } else {
        // The document writes to the output, which writes to the file: it goes first.
        PdfOutput out(write);
        const std::unique_ptr<PageDocument> document = makePdf(request.pageSize, book, out);
        if (!document)
            throw UserError("Cannot export to " + request.path +
                            ": PDF pages are drawn by the window, which is not there.");
        writePdf(std::move(book), request.pageSize, *document, out, fs, tick);
    }
    tick(1.0);
    try {
        file->commit();
    } catch (const UserError& e) {
        throw notExported(e);
    }
    if (progress.report) progress.report(1.0);
}

} // namespace qm::exporting
