#pragma once
// The page document of a PDF export: Qt's PDF writer drawing into memory at 288 units to the
// inch, with a surface over its painter that the page renderer draws on as it draws the
// window's page (fonts embedded by the writer). The page's margins are outside the surface;
// fills reaching an edge of the surface reach the page's edge, so shaded paragraphs span the
// page as they span the window.
#include "core/export/PdfExport.h"

#include <memory>

namespace qm {

// A page document for the book's PDF at this page size; usable on any one thread.
std::unique_ptr<exporting::PageDocument> makePdfDocument(exporting::PageSize size,
                                                         const exporting::ExportBook& book);

} // namespace qm
