#include "ui/PdfPages.h"

#include "ui/PictureCache.h"
#include "ui/QtSurface.h"

#include <QFontMetricsF>
#include <QIODevice>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>
#include <exception>

namespace qm {

namespace {

constexpr int kResolution = 288;

QColor colourOf(Color c) {
    if (c & 0x80000000u) {
        if (c == kSystemWindow) return Qt::white;
        if (c == kSystemGrayText) return Qt::gray;
        return Qt::black;
    }
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

class PdfSurface final : public Surface {
public:
    PdfSurface(QPainter& painter, QPaintDevice& device, int width, int height, int margin)
        : m_painter(painter)
        , m_device(device)
        , m_width(width)
        , m_height(height)
        , m_margin(margin) {}

    int width() const override { return m_width; }
    int height() const override { return m_height; }
    void setBrushColor(Color color) override { m_brush = color; }
    Color brushColor() const override { return m_brush; }
    void fillRect(int x1, int y1, int x2, int y2) override {
        // What reaches an edge of the text area reaches the page's edge.
        if (x1 <= 0) x1 = -m_margin;
        if (y1 <= 0) y1 = -m_margin;
        if (x2 >= m_width) x2 = m_width + m_margin;
        if (y2 >= m_height) y2 = m_height + m_margin;
        if (x2 > x1 && y2 > y1)
            m_painter.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), colourOf(m_brush));
    }
    void setFontName(const std::string& name) override { m_name = name, m_stale = true; }
    const std::string& fontName() const override { return m_name; }
    void setFontSize(int points) override { m_size = points, m_stale = true; }
    int fontSize() const override { return m_size; }
    void setFontStyle(FontStyle style) override { m_style = style, m_stale = true; }
    FontStyle fontStyle() const override { return m_style; }
    void setFontColor(Color color) override { m_colour = color; }
    Color fontColor() const override { return m_colour; }
    int textWidth(std::string_view text) override {
        return static_cast<int>(std::ceil(metrics().horizontalAdvance(QtSurface::decode(text))));
    }
    int textHeight(std::string_view) override {
        return static_cast<int>(std::ceil(metrics().height()));
    }
    void textOut(int x, int y, std::string_view text) override {
        const QString s = QtSurface::decode(text);
        const QFontMetricsF& m = metrics();
        // A row's background starts at the page's edge, as its fills do.
        const double left = x <= 0 ? -m_margin : x;
        m_painter.fillRect(QRectF(left, y, x + m.horizontalAdvance(s) - left, m.height()),
                           colourOf(m_brush));
        m_painter.setFont(m_font);
        m_painter.setPen(colourOf(m_colour));
        m_painter.drawText(QPointF(x, y + m.ascent()), s);
    }
    void setPen(int width, Color color) override {
        m_penWidth = width;
        m_penColour = color;
    }
    void line(int x1, int y1, int x2, int y2) override {
        m_painter.setPen(QPen(colourOf(m_penColour), m_penWidth));
        m_painter.drawLine(x1, y1, x2, y2);
    }
    bool pictureSize(const std::string& path, int& width, int& height) override {
        const std::optional<QSize> size = m_pictures.sizeOf(path);
        if (!size) return false;
        width = size->width();
        height = size->height();
        return true;
    }
    // The picture goes into the document at no more pixels than its file has.
    bool drawPicture(const std::string& path, int x1, int y1, int x2, int y2) override {
        const std::optional<QSize> size = m_pictures.sizeOf(path);
        if (!size || x2 <= x1 || y2 <= y1) return false;
        const QRect rect(x1, y1, x2 - x1, y2 - y1);
        const QImage picture = m_pictures.scaled(path, size->boundedTo(rect.size()));
        if (picture.isNull()) return false;
        m_painter.drawImage(rect, picture);
        return true;
    }

private:
    const QFontMetricsF& metrics() {
        if (m_stale) {
            m_font = QFont(QtSurface::familyFor(m_name));
            m_font.setPointSize(m_size);
            m_font.setBold(m_style.bold);
            m_font.setItalic(m_style.italic);
            m_font.setUnderline(m_style.underline);
            m_font.setHintingPreference(QFont::PreferNoHinting);
            m_metrics.emplace(m_font, &m_device);
            m_stale = false;
        }
        return *m_metrics;
    }

    QPainter& m_painter;
    QPaintDevice& m_device;
    int m_width, m_height, m_margin;
    Color m_brush = 0xFFFFFF, m_colour = 0, m_penColour = 0;
    int m_penWidth = 1;
    std::string m_name = kDefaultFont;
    int m_size = 12;
    FontStyle m_style;
    bool m_stale = true;
    QFont m_font;
    std::optional<QFontMetricsF> m_metrics;
    PictureCache m_pictures;
};

// The device Qt's PDF writer writes to: each piece straight on to the export's output. A
// failure there may not pass through Qt: the write fails, and the failure waits for the
// document to throw it.
class OutputDevice final : public QIODevice {
public:
    explicit OutputDevice(exporting::PdfOutput& out)
        : m_out(out) {}
    bool isSequential() const override { return true; }
    void throwFailure() const {
        if (m_failure) std::rethrow_exception(m_failure);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (m_failure) return -1;
        try {
            m_out.write(std::string_view(data, static_cast<std::size_t>(size)));
        } catch (...) {
            m_failure = std::current_exception();
            return -1;
        }
        return size;
    }

private:
    exporting::PdfOutput& m_out;
    std::exception_ptr m_failure;
};

class PdfDocument final : public exporting::PageDocument {
public:
    PdfDocument(exporting::PageSize size, const exporting::ExportBook& book,
                exporting::PdfOutput& out)
        : m_device(out)
        , m_writer(&m_device) {
        m_device.open(QIODevice::WriteOnly);
        const exporting::PageMetrics page = exporting::pageMetricsOf(size);
        m_writer.setResolution(kResolution);
        m_writer.setPageLayout(
            QPageLayout(QPageSize(QSizeF(page.widthMm, page.heightMm), QPageSize::Millimeter),
                        QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        m_writer.setTitle(QString::fromUtf8(book.title));
        m_writer.setCreator(QStringLiteral("Quillmar"));
        m_painter.begin(&m_writer);
        auto units = [](double mm) {
            return static_cast<int>(std::lround(mm * kResolution / 25.4));
        };
        m_margin = units(exporting::kPageMarginMm);
        m_surface.emplace(m_painter, m_writer, units(page.widthMm) - 2 * m_margin,
                          units(page.heightMm) - 2 * m_margin, m_margin);
        m_painter.translate(m_margin, m_margin);
    }

    Surface& surface() override { return *m_surface; }
    double unitsPerPoint() const override { return kResolution / 72.0; }
    void newPage() override {
        m_writer.newPage();
        m_device.throwFailure();
        m_painter.resetTransform();
        m_painter.translate(m_margin, m_margin);
    }
    void finish() override {
        m_painter.end();
        m_device.throwFailure();
    }

private:
    OutputDevice m_device;
    QPdfWriter m_writer;
    QPainter m_painter;
    int m_margin = 0;
    std::optional<PdfSurface> m_surface;
};

} // namespace

std::unique_ptr<exporting::PageDocument> makePdfDocument(exporting::PageSize size,
                                                         const exporting::ExportBook& book,
                                                         exporting::PdfOutput& out) {
    return std::make_unique<PdfDocument>(size, book, out);
}

} // namespace qm
