#pragma once
// Exporting the text showing: the format its file name asks for, the checks that give bad
// input a clear message before any work, and the one safe write of the result (a temporary
// beside the target, flushed and renamed), so a cancel or a failure leaves no partial file and
// the old file, if any, untouched.
#include "core/export/ExportBook.h"
#include "core/export/PdfExport.h"
#include "core/library/Library.h"
#include "core/port/FileSystem.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qm::exporting {

enum class ExportFormat { Epub, Pdf };

struct ExportRequest {
    std::string path;
    PageSize pageSize = PageSize::A4; // of a PDF
    bool shades = false;              // an EPUB's paragraphs on their shades
};

// The format a file name asks for by its extension (".epub" or ".pdf", any letter case).
std::optional<ExportFormat> exportFormatOf(std::string_view path);

// The format of the target; throws UserError when its name has no extension the reader writes
// or its folder does not exist.
ExportFormat checkExportTarget(const FileSystem& fs, const std::string& path);

// A page document for a PDF of this page size writing to `out` (the window's draws with Qt's
// PDF writer).
using PageDocumentMaker =
    std::function<std::unique_ptr<PageDocument>(PageSize, const ExportBook&, PdfOutput& out)>;

// Writes the book to request.path, its bytes streamed to the temporary as they are made. Throws
// UserError (a bad target, no page document for a PDF, a failed write) or
// library::OpenCancelled when the progress's cancel flag was set; either way nothing is left of
// the new file and an old one stays as it was. The book is taken: a PDF lets its stored lines
// go once it has its display lines.
void exportBook(FileSystem& fs, ExportBook book, const ExportRequest& request,
                const PageDocumentMaker& makePdf, const library::Progress& progress = {});

} // namespace qm::exporting
