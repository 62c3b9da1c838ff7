#pragma once
// A cascaded text as a PDF of the reader's own pages: the page renderer draws every page on
// the surface of a page document (the window's is Qt's PDF writer), in the light scheme with
// both shades, in one column. Decided here: the page sizes, the font size (the largest at which
// about forty characters fit the narrowest page, the same on every size), where the pages
// break (as the reader pages), and the contents pages at the front, one line per chapter
// with its page number, each a link to its chapter's page.
#include "core/export/EpubExport.h"
#include "core/export/ExportBook.h"
#include "core/export/PdfOutput.h"
#include "core/port/FileSystem.h"
#include "core/port/Surface.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::exporting {

enum class PageSize { A4, Letter, A5, EReader };

struct PageMetrics {
    double widthMm = 0;
    double heightMm = 0;
};
PageMetrics pageMetricsOf(PageSize size);
// "a4", "letter", "a5" or "ereader" (any letter case).
std::optional<PageSize> pageSizeNamed(std::string_view name);
// The margin around every page's text.
inline constexpr double kPageMarginMm = 6.0;

// A link on a page: its rectangle in PDF points (origin at the bottom left) and the page it
// leads to, pages counted from 0.
struct PdfLink {
    std::size_t page = 0;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::size_t target = 0;
};

// The pages being made, their bytes written to the PdfOutput it was made with as each page
// ends. Its surface is the text area of the page being drawn (the page less its margins);
// what fills a whole side of it reaches the page's edge. A failure of the output comes out of
// newPage() or finish().
class PageDocument {
public:
    virtual ~PageDocument() = default;
    virtual Surface& surface() = 0;
    // The surface's units in one PDF point (1/72 inch).
    virtual double unitsPerPoint() const = 0;
    // Ends the page drawn so far and begins the next one (the first page needs no call).
    virtual void newPage() = 0;
    // Ends the document: its last bytes go to the output.
    virtual void finish() = 0;
};

// The font size at which a sample of forty characters fits `width` units on this surface:
// the largest from 4 to 40, or 4. The surface's font state is left as it was.
int fittingFontSize(Surface& surface, int width);

struct PdfPlan {
    int fontSize = 0;
    std::size_t contentsPages = 0;
    std::vector<int> bookPageTops; // the first display line of each page of the text
};

// Draws the book's pages on the document, the contents first, and then writes the contents'
// links to `out`, the output the document writes to. The book is taken, so that its stored
// lines are let go once its display lines are made. `tick` is told the fraction done every
// few pages (an exception it throws stops the drawing). `plan`, when given, receives how the
// pages were made. Picture files (shown as "[image]") are looked for through `fs`.
void writePdf(ExportBook book, PageSize size, PageDocument& document, PdfOutput& out,
              const FileSystem& fs, const ExportTick& tick = {}, PdfPlan* plan = nullptr);

// The incremental update that adds the links to the PDF written to `pdf` so far (new link
// annotations, each page's list of annotations written again, a new cross-reference section),
// to be written after it: the pages drawn stay byte for byte. Throws UserError when the PDF's
// structure cannot be read.
std::string pdfLinkUpdate(const PdfOutput& pdf, const std::vector<PdfLink>& links);
// The same for a PDF held whole: the PDF with its update.
std::string addPdfLinks(std::string pdf, const std::vector<PdfLink>& links);

} // namespace qm::exporting
