#pragma once
// The page document of a PDF export: Qt's PDF writer at 288 units to the inch, its bytes going
// to the export's output as it writes them (never gathered in memory), with a surface over its
// painter that the page renderer draws on as it draws the window's page (fonts embedded by the
// writer). The page's margins are outside the surface; fills reaching an edge of the surface reach
// the page's edge, so shaded paragraphs span the page as they span the window.
#include "core/export/PdfExport.h"

#include <memory>

namespace qm {

// A page document for the book's PDF at this page size, writing to `out`; usable on any one
// thread.
std::unique_ptr<exporting::PageDocument> makePdfDocument(exporting::PageSize size,
                                                         const exporting::ExportBook& book,
                                                         exporting::PdfOutput& out);

} // namespace qm
