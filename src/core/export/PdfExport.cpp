#include "core/export/PdfExport.h"

#include "core/base/LineBuffer.h"
#include "core/encoding/Windows1252.h"
#include "core/text/LineFormat.h"
#include "core/view/ColourSchemes.h"
#include "core/view/PageRenderer.h"
#include "core/view/Paging.h"

#include <algorithm>

namespace qm::exporting {

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
// Forty characters of ordinary prose: the width a page's text must hold.
constexpr std::string_view kFortyCharacters = "and so the little boat went on down the r";
// Where the renderer puts a column's first row.
constexpr int kFirstRow = 5;
// Pages drawn between two reports of progress.
constexpr std::size_t kPagesPerTick = 16;

// The renderer's pages depend on line heights alone (a line too wide shrinks within its row),
// so a pass that measures heights and draws nothing finds where every page begins.
class PagingSurface final : public Surface {
public:
    explicit PagingSurface(Surface& real)
        : m_real(real)
        , m_saved(real.drawingState()) {}
    ~PagingSurface() override { m_real.setDrawingState(m_saved); }
    PagingSurface(const PagingSurface&) = delete;
    PagingSurface& operator=(const PagingSurface&) = delete;

    int width() const override { return m_real.width(); }
    int height() const override { return m_real.height(); }
    void setBrushColor(Color color) override { m_brush = color; }
    Color brushColor() const override { return m_brush; }
    void fillRect(int, int, int, int) override {}
    void setFontName(const std::string& name) override { m_real.setFontName(name); }
    const std::string& fontName() const override { return m_real.fontName(); }
    void setFontSize(int points) override { m_real.setFontSize(points); }
    int fontSize() const override { return m_real.fontSize(); }
    void setFontStyle(FontStyle style) override { m_real.setFontStyle(style); }
    FontStyle fontStyle() const override { return m_real.fontStyle(); }
    void setFontColor(Color color) override { m_colour = color; }
    Color fontColor() const override { return m_colour; }
    int textWidth(std::string_view) override { return 0; }
    int textHeight(std::string_view text) override { return m_real.textHeight(text); }
    void textOut(int, int, std::string_view) override {}
    void setPen(int, Color) override {}
    void line(int, int, int, int) override {}

private:
    Surface& m_real;
    DrawingState m_saved;
    Color m_brush = 0;
    Color m_colour = 0;
};

struct Pages {
    const LineBuffer& lines;
    int fontSize;
    const ColourTable& colours;
    std::string imageFolder;
    std::function<bool(const std::string&)> imageExists;
    std::string pictureFolder{};

    PageRequest request(int top) const {
        PageRequest r{lines, top, fontSize, false, colours, imageFolder, imageExists};
        r.pictureFolder = pictureFolder;
        return r;
    }

    std::vector<int> tops(Surface& surface) const {
        PagingSurface paging(surface);
        std::vector<int> found;
        int shade = 0;
        const int count = lineCount(lines);
        for (int top = 0; top < count - 2;) {
            found.push_back(top);
            top = std::max(top + 1, renderPage(paging, request(top), shade).next);
        }
        return found;
    }
};

// The contents as display lines: a bold heading, then one line per chapter indented by its
// depth, with the page it starts on. No line is short enough to end a page early.
LineBuffer contentsLines(const std::vector<ExportChapter>& chapters,
                         const std::vector<std::size_t>& pages) {
    LineBuffer lines;
    lines.push_back("|b>Contents|n> ");
    lines.push_back("   ");
    for (std::size_t c = 0; c < chapters.size(); ++c) {
        std::string title = encoding::utf8ToWindows1252(chapters[c].title);
        std::replace(title.begin(), title.end(), '|', '/');
        lines.push_back(
            std::string(2 + 3 * static_cast<std::size_t>(std::clamp(chapters[c].depth, 0, 8)),
                        ' ') +
            title + "   " + std::to_string(pages[c] + 1));
    }
    lines.push_back("");
    lines.push_back(" ");
    return lines;
}

// The display line a chapter opens at: the line after its reference point's.
std::optional<int> chapterLine(const LineBuffer& lines, const std::string& point) {
    const std::string tag = "|" + point + ">";
    for (std::size_t j = 0; j + 3 < lines.size(); ++j)
        if (lines[j].find(tag) != std::string_view::npos) return static_cast<int>(j + 1);
    return std::nullopt;
}

} // namespace

PageMetrics pageMetricsOf(PageSize size) {
    switch (size) {
    case PageSize::A4:
        return {210.0, 297.0};
    case PageSize::Letter:
        return {215.9, 279.4};
    case PageSize::A5:
        return {148.0, 210.0};
    case PageSize::EReader:
        return {90.0, 122.0};
    }
    return {210.0, 297.0};
}

std::optional<PageSize> pageSizeNamed(std::string_view name) {
    const std::string n = toLowerAscii(name);
    if (n == "a4") return PageSize::A4;
    if (n == "letter") return PageSize::Letter;
    if (n == "a5") return PageSize::A5;
    if (n == "ereader") return PageSize::EReader;
    return std::nullopt;
}

int fittingFontSize(Surface& surface, int width) {
    const Surface::DrawingState saved = surface.drawingState();
    surface.setFontName(kSerifFont);
    surface.setFontStyle(FontStyle{});
    int size = kMinFontSize;
    for (int s = kMaxFontSize; s >= kMinFontSize; --s) {
        surface.setFontSize(s);
        if (surface.textWidth(kFortyCharacters) <= width) {
            size = s;
            break;
        }
    }
    surface.setDrawingState(saved);
    return size;
}

void writePdf(ExportBook book, PageSize size, PageDocument& document, PdfOutput& out,
              const FileSystem& fs, const ExportTick& tick, PdfPlan* plan) {
    Surface& surface = document.surface();
    const double upp = document.unitsPerPoint();
    const PageMetrics page = pageMetricsOf(size);
    const double narrowest = pageMetricsOf(PageSize::EReader).widthMm - 2 * kPageMarginMm;
    const int fontSize = fittingFontSize(surface, static_cast<int>(narrowest * kPointsPerMm * upp));

    ColourTable colours{};
    writeScheme(colours, ColourScheme::Light);
    LineBuffer display;
    {
        BufferLineSource source(book.lines);
        prepareDisplayLines(source, ConversionPass::Plain, display);
    }
    if (book.chapters.empty()) book.chapters = referencePointChapters(book.lines);
    // The pages are drawn from the display lines alone.
    book.lines = LineBuffer();
    auto exists = [&fs](const std::string& path) { return fs.fileExists(path); };
    const Pages text{display, fontSize, colours, book.imageFolder, exists,
                     book.drawsPictures ? book.imageFolder : std::string()};
    const std::vector<int> tops = text.tops(surface);

    // The contents in reading order, each chapter with the page it opens on.
    std::vector<std::pair<int, ExportChapter>> found;
    for (const ExportChapter& c : book.chapters)
        if (const std::optional<int> line = chapterLine(display, c.referencePoint))
            found.emplace_back(*line, c);
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<ExportChapter> chapters;
    std::vector<std::size_t> chapterPages;
    for (const auto& [line, c] : found) {
        chapters.push_back(c);
        chapterPages.push_back(static_cast<std::size_t>(
            std::upper_bound(tops.begin(), tops.end(), line) - tops.begin() - 1));
    }
    // The contents' pages come first: the chapters' page numbers count them.
    std::size_t contentsPages = 0;
    std::vector<int> contentsTops;
    if (!chapters.empty()) {
        contentsTops =
            Pages{contentsLines(chapters, chapterPages), fontSize, colours, {}, {}}.tops(surface);
        contentsPages = contentsTops.size();
        for (std::size_t& p : chapterPages)
            p += contentsPages;
    }
    const LineBuffer contents = contentsLines(chapters, chapterPages);
    const Pages contentsText{contents, fontSize, colours, {}, {}};
    // Every page run starts as the reader's page does before any tag: the default font.
    const Surface::DrawingState start{kDefaultFont, fontSize, {}, 0, 0};
    surface.setDrawingState(start);

    surface.setFontSize(fontSize);
    const int lineHeight = std::max(1, surface.textHeight("X"));
    std::vector<PdfLink> links;
    int shade = 0;
    std::size_t drawn = 0;
    const double pageHeight = page.heightMm * kPointsPerMm;
    const double margin = kPageMarginMm * kPointsPerMm;
    for (std::size_t p = 0; p < contentsTops.size(); ++p) {
        if (drawn++ > 0) document.newPage();
        const int top = contentsTops[p];
        const int next = renderPage(surface, contentsText.request(top), shade).next;
        for (int j = std::max(top, 2); j < next && j - 2 < static_cast<int>(chapters.size()); ++j) {
            const double y = kFirstRow + static_cast<double>(j - top) * lineHeight;
            links.push_back({p, margin, pageHeight - margin - (y + lineHeight) / upp,
                             margin + surface.width() / upp, pageHeight - margin - y / upp,
                             chapterPages[static_cast<std::size_t>(j - 2)]});
        }
    }
    shade = 0;
    surface.setDrawingState(start);
    for (std::size_t p = 0; p < tops.size(); ++p) {
        if (tick && p % kPagesPerTick == 0)
            tick(static_cast<double>(p) / static_cast<double>(tops.size()));
        if (drawn++ > 0) document.newPage();
        renderPage(surface, text.request(tops[p]), shade);
        surface.flush();
    }
    if (plan) *plan = {fontSize, contentsPages, tops};
    // Ending the document embeds the fonts' subsets: the lines are not needed for it.
    display = LineBuffer();
    document.finish();
    if (tick) tick(1.0);
    if (!links.empty()) out.write(pdfLinkUpdate(out, links));
}

} // namespace qm::exporting
