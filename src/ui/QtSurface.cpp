#include "ui/QtSurface.h"

#include "core/encoding/Windows1252.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace qm {

namespace {

// Strings longer than this are measured and drawn without keeping them.
constexpr std::size_t kLongText = 1024;
// Strings kept per font before the font's store starts afresh.
constexpr std::size_t kStringsPerFont = 20000;
// Drawings kept while deferred before they are painted all the same: pages drawn in two
// columns never fill the whole page at once.
constexpr std::size_t kMostKept = 4096;
// Coordinates beyond this are off any real surface; holding them here keeps sums in range.
constexpr int kFar = 1 << 22;

int far(int v) {
    return std::clamp(v, -kFar, kFar);
}

// Font sizes kept to a range the font engine handles; the renderer uses 4 to 40.
int pixelSizeFor(int points) {
    const int p = std::clamp(points, 1, 400);
    return (p * 96 + 36) / 72; // points at 96 dots per inch, rounded as the platform does
}

std::uint64_t fontKey(std::size_t nameIndex, FontStyle style, int points) {
    const unsigned styleBits =
        (style.bold ? 1u : 0u) | (style.italic ? 2u : 0u) | (style.underline ? 4u : 0u);
    return (static_cast<std::uint64_t>(nameIndex) << 16) | (styleBits << 12) |
           static_cast<std::uint64_t>(std::clamp(points, 1, 400));
}

} // namespace

QtSurface::QtSurface(int width, int height, qreal devicePixelRatio)
    : m_width(std::max(0, width))
    , m_height(std::max(0, height))
    , m_ratio(devicePixelRatio > 0 && std::isfinite(devicePixelRatio) ? devicePixelRatio : 1.0)
    , m_fonts(std::make_shared<FontStore>())
    , m_pictures(std::make_shared<PictureCache>()) {
    if (qGuiApp) m_palette = QGuiApplication::palette();
    m_fonts->names.push_back(m_fontName);
}

std::unique_ptr<QtSurface> QtSurface::makeSpare() const {
    auto spare = std::make_unique<QtSurface>(m_width, m_height, m_ratio);
    spare->m_palette = m_palette;
    spare->m_fonts = m_fonts;
    spare->m_pictures = m_pictures;
    spare->m_deferred = true;
    spare->m_ahead = true;
    return spare;
}

bool QtSurface::swapPage(Surface& other) {
    auto* o = dynamic_cast<QtSurface*>(&other);
    if (!o || o == this || o->m_fonts != m_fonts || o->m_width != m_width ||
        o->m_height != m_height || o->m_ratio != m_ratio || m_held || o->m_held)
        return false;
    flush();
    o->flush();
    std::swap(m_image, o->m_image);
    std::swap(m_startColour, o->m_startColour);
    std::swap(m_kept, o->m_kept);
    std::swap(m_pageStart, o->m_pageStart);
    std::swap(m_imageHoldsPage, o->m_imageHoldsPage);
    std::swap(m_brush, o->m_brush);
    std::swap(m_fontColor, o->m_fontColor);
    std::swap(m_penColor, o->m_penColor);
    std::swap(m_penWidth, o->m_penWidth);
    std::swap(m_fontName, o->m_fontName);
    std::swap(m_fontSize, o->m_fontSize);
    std::swap(m_style, o->m_style);
    std::swap(m_font, o->m_font);
    m_painterPen.reset();
    o->m_painterPen.reset();
    return true;
}

void QtSurface::lendImage(QtSurface& spare) {
    if (m_pageStart >= m_kept.size() || m_image.isNull()) return;
    if (spare.m_image.isNull()) spare.m_image = std::move(m_image);
    m_image = QImage();
    m_imageHoldsPage = false;
}

void QtSurface::paintAhead() {
    if (m_kept.empty() || m_imageHoldsPage) return;
    if (m_pageStart >= m_kept.size()) {
        paintKept();
        return;
    }
    ensureImage();
    QPainter painter(&m_image);
    for (const Kept& drawing : m_kept)
        paint(painter, drawing);
    m_imageHoldsPage = true;
}

QtSurface::~QtSurface() {
    flush();
}

void QtSurface::ensureImage() const {
    if (!m_image.isNull()) return;
    recreateImage(static_cast<int>(std::ceil(std::max(1, m_width) * m_ratio)),
                  static_cast<int>(std::ceil(std::max(1, m_height) * m_ratio)));
}

void QtSurface::recreateImage(int pixelWidth, int pixelHeight) const {
    QImage grown(pixelWidth, pixelHeight, QImage::Format_RGB32);
    grown.setDevicePixelRatio(m_ratio);
    grown.fill(m_startColour);
    if (!m_image.isNull()) {
        QPainter p(&grown);
        p.drawImage(QPoint(0, 0), m_image);
    }
    m_image = std::move(grown);
}

void QtSurface::resize(int width, int height) {
    flush();
    forgetPaintedPage();
    paintKept(); // on the image at the size it had when they were drawn
    m_width = std::max(0, width);
    m_height = std::max(0, height);
    if (m_image.isNull()) return; // made at this size when first used
    const int w = static_cast<int>(std::ceil(std::max(1, m_width) * m_ratio));
    const int h = static_cast<int>(std::ceil(std::max(1, m_height) * m_ratio));
    if (w <= m_image.width() && h <= m_image.height()) return;
    recreateImage(std::max(w, m_image.width()), std::max(h, m_image.height()));
}

const QImage& QtSurface::image() const {
    if (m_painter && m_painter->isActive()) m_painter->end();
    paintKept();
    ensureImage();
    return m_image;
}

void QtSurface::setDeferred(bool deferred) {
    m_deferred = deferred;
    if (!deferred) paintKept();
}

void QtSurface::keep(Kept drawing) {
    m_imageHoldsPage = false;
    m_kept.push_back(std::move(drawing));
    if (m_kept.size() >= kMostKept) paintKept();
}

void QtSurface::paintKept() const {
    if (m_imageHoldsPage) return; // painted already, and kept for paintPage
    m_pageStart = kNoPage;
    if (m_kept.empty()) return;
    if (m_painter && m_painter->isActive()) m_painter->end();
    ensureImage();
    QPainter painter(&m_image);
    for (const Kept& drawing : m_kept)
        paint(painter, drawing);
    m_kept.clear();
}

bool QtSurface::paintPage(QPainter& painter, const QRect& area) const {
    if (m_imageHoldsPage || m_pageStart >= m_kept.size()) return false;
    const bool all = area.isNull();
    for (auto it = m_kept.begin() + static_cast<std::ptrdiff_t>(m_pageStart); it != m_kept.end();
         ++it) {
        if (all || reach(*it).intersects(area)) paint(painter, *it);
    }
    return true;
}

// Where a drawing may leave pixels: a line's pen reaches past its end points by up to its
// width, and a glyph may stand out of its text's background (an italic's slant, a tall
// accent), here by up to the background's height.
QRect QtSurface::reach(const Kept& drawing) {
    if (drawing.line) {
        const int w = drawing.pen.width() + 1;
        return QRect(drawing.line->p1(), drawing.line->p2()).normalized().adjusted(-w, -w, w, w);
    }
    if (!drawing.run) return drawing.rect;
    const int h = drawing.rect.height();
    return drawing.rect.adjusted(-h, -h, h, h);
}

void QtSurface::paint(QPainter& painter, const Kept& drawing) {
    if (drawing.picture) {
        painter.drawImage(drawing.rect, *drawing.picture);
        return;
    }
    if (drawing.line) {
        painter.setPen(drawing.pen);
        painter.drawLine(*drawing.line);
        return;
    }
    painter.fillRect(drawing.rect, drawing.colour);
    if (drawing.run) {
        painter.setPen(drawing.pen);
        painter.drawGlyphRun(drawing.origin, *drawing.run);
    }
}

void QtSurface::flush() {
    if (m_painter && m_painter->isActive()) m_painter->end();
    if (m_ahead) paintAhead();
}

void QtSurface::forgetPaintedPage() {
    if (!m_imageHoldsPage) return;
    m_kept.clear();
    m_pageStart = kNoPage;
    m_imageHoldsPage = false;
}

void QtSurface::setPalette(const QPalette& palette) {
    m_palette = palette;
}

QString QtSurface::decode(std::string_view bytes) {
    const std::array<char16_t, 256>& chars = encoding::windows1252Characters();
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* data = out.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        data[i] = QChar(b < 0x20 || b == 0x7F ? u' ' : chars[b]);
    }
    return out;
}

QColor QtSurface::resolve(Color color) const {
    if (color & 0x80000000u) {
        QColor system;
        switch (color & 0x7FFFFFFFu) {
        case 5:
            system = m_palette.color(QPalette::Base);
            break;
        case 8:
            system = m_palette.color(QPalette::Text);
            break;
        case 0x11:
            system = m_palette.color(QPalette::PlaceholderText);
            break;
        case 0x18:
            system = m_palette.color(QPalette::ToolTipBase);
            break;
        default:
            system = m_palette.color(QPalette::WindowText);
            break;
        }
        // A translucent palette colour (the grey text is often black at half alpha) shows
        // over the window's background: it is drawn as that opaque mix, whatever lies below.
        if (system.alpha() < 255) {
            const QColor base = m_palette.color(QPalette::Base);
            const double a = system.alphaF();
            const auto mix = [a](float over, float under) {
                return std::clamp(over * a + under * (1.0 - a), 0.0, 1.0);
            };
            system = QColor::fromRgbF(static_cast<float>(mix(system.redF(), base.redF())),
                                      static_cast<float>(mix(system.greenF(), base.greenF())),
                                      static_cast<float>(mix(system.blueF(), base.blueF())));
        }
        return system;
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

QString QtSurface::familyFor(const std::string& fontName) {
    if (fontName == kSerifFont) return QStringLiteral("Liberation Serif");
    if (fontName == kFixedFont) return QStringLiteral("Liberation Mono");
    return QStringLiteral("Liberation Sans");
}

void QtSurface::setFontName(const std::string& name) {
    if (name == m_fontName) return;
    m_fontName = name;
    m_font = nullptr;
}

void QtSurface::setFontSize(int points) {
    if (points == m_fontSize) return;
    m_fontSize = points;
    m_font = nullptr;
}

void QtSurface::setFontStyle(FontStyle style) {
    if (style == m_style) return;
    m_style = style;
    m_font = nullptr;
}

QtSurface::FontEntry& QtSurface::currentFont() {
    if (m_font) return *m_font;
    std::vector<std::string>& names = m_fonts->names;
    auto nameIt = std::find(names.begin(), names.end(), m_fontName);
    if (nameIt == names.end()) nameIt = names.insert(names.end(), m_fontName);
    const auto key = fontKey(static_cast<std::size_t>(nameIt - names.begin()), m_style, m_fontSize);
    auto& slot = m_fonts->entries[key];
    if (!slot) {
        slot = std::make_unique<FontEntry>();
        QFont f(familyFor(m_fontName));
        f.setPixelSize(pixelSizeFor(m_fontSize));
        f.setBold(m_style.bold);
        f.setItalic(m_style.italic);
        f.setUnderline(m_style.underline);
        const QFontMetrics metrics(f);
        slot->raw = QRawFont::fromFont(f);
        slot->font = f;
        slot->height = metrics.height();
        slot->ascent = metrics.ascent();
    }
    m_font = slot.get();
    return *m_font;
}

QtSurface::Shaped* QtSurface::cached(FontEntry& font, std::string_view text) {
    if (text.size() > kLongText) return nullptr;
    auto it = font.strings.find(text);
    if (it != font.strings.end()) return &it->second;
    if (font.strings.size() >= kStringsPerFont) font.strings.clear();
    return &font.strings.emplace(std::string(text), Shaped{}).first->second;
}

int QtSurface::layout(const FontEntry& font, std::string_view text) {
    const QString chars = decode(text);
    int count = static_cast<int>(chars.size());
    m_glyphs.resize(count);
    if (!font.raw.glyphIndexesForChars(chars.constData(), count, m_glyphs.data(), &count))
        count = 0;
    m_glyphs.resize(count);
    m_advances.resize(static_cast<std::size_t>(count));
    m_positions.resize(count);
    if (count > 0 && !font.raw.advancesForGlyphIndexes(m_glyphs.constData(), m_advances.data(),
                                                       count, QRawFont::KernedAdvances))
        std::fill(m_advances.begin(), m_advances.end(), QPointF());
    qreal x = 0;
    for (int i = 0; i < count; ++i) {
        m_positions[i] = QPointF(x, 0);
        x += m_advances[static_cast<std::size_t>(i)].x();
    }
    return static_cast<int>(std::lround(std::clamp<qreal>(x, 0, INT_MAX / 2)));
}

QGlyphRun QtSurface::glyphRun(const FontEntry& font) const {
    QGlyphRun run;
    run.setRawFont(font.raw);
    run.setGlyphIndexes(m_glyphs);
    run.setPositions(m_positions);
    run.setUnderline(font.font.underline());
    return run;
}

int QtSurface::measure(FontEntry& font, std::string_view text) {
    if (text.empty()) return 0;
    Shaped* shaped = cached(font, text);
    if (shaped && shaped->width >= 0) return shaped->width;
    constexpr std::size_t kMeasured = 1 << 16;
    int width = 0;
    if (text.size() <= kMeasured) {
        width = layout(font, text);
    } else {
        // Far beyond any page's width whatever its exact value: lay out a part and scale.
        const double part = layout(font, text.substr(0, kMeasured));
        width = static_cast<int>(
            std::min(part * static_cast<double>(text.size()) / kMeasured, INT_MAX / 2.0));
    }
    if (shaped) shaped->width = width;
    return width;
}

int QtSurface::textWidth(std::string_view text) {
    return measure(currentFont(), text);
}

int QtSurface::textHeight(std::string_view) {
    return currentFont().height;
}

QPainter& QtSurface::painter() {
    if (!m_painter) m_painter = std::make_unique<QPainter>();
    if (!m_painter->isActive()) {
        forgetPaintedPage();
        paintKept(); // a page taken over from a deferred surface comes first
        ensureImage();
        m_painter->begin(&m_image);
        m_painterPen.reset();
    }
    return *m_painter;
}

void QtSurface::fillRect(int x1, int y1, int x2, int y2) {
    x1 = far(x1), y1 = far(y1), x2 = far(x2), y2 = far(y2);
    if (x2 <= x1 || y2 <= y1) return;
    const bool wholePage = x1 <= 0 && y1 <= 0 && x2 >= m_width && y2 >= m_height;
    const QRect rect(x1, y1, x2 - x1, y2 - y1);
    if (m_image.isNull() && wholePage) {
        m_startColour = resolve(m_brush);
        m_kept.clear();
        m_pageStart = kNoPage;
        m_imageHoldsPage = false;
        // Kept as well while deferred, as the start of a page that can be painted elsewhere.
        if (m_deferred && !m_held) {
            m_pageStart = 0;
            m_kept.push_back({rect, m_startColour, {}, {}, {}, {}});
        }
        return;
    }
    if (m_held) return;
    if (!m_deferred && !m_kept.empty() &&
        rect.contains(QRect(QPoint(0, 0), m_image.deviceIndependentSize().toSize()))) {
        m_kept.clear(); // painted over
        m_pageStart = kNoPage;
    }
    if (m_deferred) {
        if (rect.contains(QRect(QPoint(0, 0), m_image.deviceIndependentSize().toSize()))) {
            m_kept.clear();
            m_pageStart = kNoPage;
        }
        if (wholePage) m_pageStart = m_kept.size();
        Kept fill;
        fill.rect = rect;
        fill.colour = resolve(m_brush);
        keep(std::move(fill));
        return;
    }
    painter().fillRect(rect, resolve(m_brush));
}

void QtSurface::textOut(int x, int y, std::string_view text) {
    x = far(x), y = far(y);
    FontEntry& font = currentFont();
    if (text.empty() || x >= m_width || y >= m_height || y + font.height <= 0) return;
    if (text.size() > kLongText) {
        // Only the part that can reach the right edge is drawn: even the narrowest glyph of
        // the smallest size takes more than a quarter pixel.
        const auto visible = static_cast<std::size_t>(m_width - std::min(x, 0)) * 4 + 64;
        text = text.substr(0, std::min(text.size(), visible));
    }
    if (m_held) {
        measure(font, text); // kept for the drawing after the hold
        return;
    }
    Shaped* shaped = cached(font, text);
    int width = 0;
    QGlyphRun run;
    if (shaped && shaped->run) {
        width = shaped->width;
        run = *shaped->run;
    } else {
        width = layout(font, text);
        run = glyphRun(font);
        if (shaped) {
            shaped->width = width;
            shaped->run = run;
        }
    }

    if (m_deferred) {
        Kept drawn;
        drawn.rect = QRect(x, y, width, font.height);
        drawn.colour = resolve(m_brush);
        drawn.pen = QPen(resolve(m_fontColor));
        drawn.origin = QPointF(x, y + font.ascent);
        drawn.run = std::move(run);
        keep(std::move(drawn));
        return;
    }
    QPainter& p = painter();
    p.fillRect(QRect(x, y, width, font.height), resolve(m_brush));
    const QColor colour = resolve(m_fontColor);
    // The whole colour, alpha included, tells whether the pen must change.
    if (m_painterPen != colour.rgba()) {
        p.setPen(colour);
        m_painterPen = colour.rgba();
    }
    p.drawGlyphRun(QPointF(x, y + font.ascent), run);
}

void QtSurface::line(int x1, int y1, int x2, int y2) {
    if (m_held) return;
    QPen pen(resolve(m_penColor));
    pen.setWidth(std::clamp(m_penWidth, 0, 1000));
    if (m_deferred) {
        Kept drawn;
        drawn.pen = pen;
        drawn.line = QLine(far(x1), far(y1), far(x2), far(y2));
        keep(std::move(drawn));
        return;
    }
    QPainter& p = painter();
    p.setPen(pen);
    m_painterPen.reset();
    p.drawLine(far(x1), far(y1), far(x2), far(y2));
}

bool QtSurface::pictureSize(const std::string& path, int& width, int& height) {
    const std::optional<QSize> size = m_pictures->sizeOf(path);
    if (!size) return false;
    width = size->width();
    height = size->height();
    return true;
}

bool QtSurface::drawPicture(const std::string& path, int x1, int y1, int x2, int y2) {
    x1 = far(x1), y1 = far(y1), x2 = far(x2), y2 = far(y2);
    if (x2 <= x1 || y2 <= y1) return false;
    const QRect rect(x1, y1, x2 - x1, y2 - y1);
    // Decoded at the pixels it takes on the image, so it is drawn without scaling again.
    const QSize pixels(std::max(1, qRound(rect.width() * m_ratio)),
                       std::max(1, qRound(rect.height() * m_ratio)));
    QImage picture = m_pictures->scaled(path, pixels);
    if (picture.isNull()) return false;
    if (m_held) return true;
    if (m_deferred) {
        Kept drawn;
        drawn.rect = rect;
        drawn.picture = std::move(picture);
        keep(std::move(drawn));
        return true;
    }
    painter().drawImage(rect, picture);
    return true;
}

} // namespace qm
