#pragma once
// The reading page's drawing surface: a QPainter drawing on a QImage that the reading page
// shows. Bytes are decoded as Windows-1252 here; the font names of the text stay the font
// state and map to installed faces ("Times New Roman" to Liberation Serif, "Courier New" to
// Liberation Mono, anything else to Liberation Sans); point sizes are taken at 96 dots per
// inch, so a 15-point font is 20 logical pixels. System colours (0x80000000 + n) take the
// palette's colours.
//
// Speed: Qt keeps no text widths and shapes a string again on every drawText. The surface
// lays strings out itself from the font's character map and glyph advances (with kerning),
// which costs a fraction of shaping, and keeps per font the width of every short string it
// measured and the glyph run of every short string it drew, so a redraw after an option
// change or a resize only paints.
//
// The painter stays open while a page is drawn; flush() (called at the end of every page)
// and image() close it, so the image is complete whenever someone looks at it.
//
// Memory: the image is made only when something is drawn or someone looks at it, at the page's
// size then, not at the size the page had before the window was laid out. A fill of the whole
// page before that only sets the colour the image starts with. While held (a window not yet
// shown, whose first showing draws the whole page again), drawing calls measure and keep the
// drawing state but paint nothing. While deferred (the page is not in front), drawing is
// measured and laid out as usual and kept, and painted in order when someone looks at the image
// or the deferral ends: the pixels are those painting at once makes, and a fill that covers the
// whole image drops what was kept before it.
//
// Drawing ahead: a spare surface shares the page surface's fonts and strings. A page drawn on
// it is kept as drawings and painted on its image when complete (flush); swapPage hands both to
// the page surface, which shows the image without painting again. Once that page is shown,
// lendImage moves the image back to the spare for the next page, and the page surface paints
// its page from the drawings when asked: the two hold one page image between them.
#include "core/port/Surface.h"
#include "ui/PictureCache.h"

#include <QColor>
#include <QFont>
#include <QGlyphRun>
#include <QImage>
#include <QLine>
#include <QPalette>
#include <QPen>
#include <QRawFont>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QPainter;

namespace qm {

class QtSurface final : public Surface {
public:
    // A page of width x height logical pixels on an image of that size times the ratio.
    QtSurface(int width, int height, qreal devicePixelRatio = 1.0);
    ~QtSurface() override;
    QtSurface(const QtSurface&) = delete;
    QtSurface& operator=(const QtSurface&) = delete;

    // The page is drawn at this size from now on; the image grows to hold it and never
    // shrinks, keeping what it showed.
    void resize(int width, int height);
    // The drawn image; its top-left width x height logical pixels are the page.
    const QImage& image() const;
    // Holds or releases painting (see above).
    void setHeld(bool held) { m_held = held; }
    bool held() const { return m_held; }
    // Defers or resumes painting (see above); resuming paints what was kept.
    void setDeferred(bool deferred);
    bool deferred() const { return m_deferred; }
    // While deferred, a page kept from a fill that covers it is painted straight onto this
    // painter (a window's backing store), from that fill on, without making the image or
    // painting it there: false when no such page is kept, and then the image holds the page.
    // With an area, only the drawings that reach into it are painted (the window shows that
    // part again).
    bool paintPage(QPainter& painter, const QRect& area = QRect()) const;
    // A surface of this one's size and pixel ratio that shares its fonts and palette: a page is
    // drawn on it ahead and taken over with swapPage.
    std::unique_ptr<QtSurface> makeSpare() const;
    // The colours that stand for the system colours; the application's palette by default.
    void setPalette(const QPalette& palette);

    // Windows-1252 bytes as characters for display, through the code page's table; control
    // characters (NUL among them) as blanks.
    static QString decode(std::string_view bytes);
    // The colour a table value stands for.
    QColor resolve(Color color) const;
    // The installed face that stands for a font name of the text.
    static QString familyFor(const std::string& fontName);

    int width() const override { return m_width; }
    int height() const override { return m_height; }
    void setBrushColor(Color color) override { m_brush = color; }
    Color brushColor() const override { return m_brush; }
    void fillRect(int x1, int y1, int x2, int y2) override;
    void setFontName(const std::string& name) override;
    const std::string& fontName() const override { return m_fontName; }
    void setFontSize(int points) override;
    int fontSize() const override { return m_fontSize; }
    void setFontStyle(FontStyle style) override;
    FontStyle fontStyle() const override { return m_style; }
    void setFontColor(Color color) override { m_fontColor = color; }
    Color fontColor() const override { return m_fontColor; }
    int textWidth(std::string_view text) override;
    int textHeight(std::string_view text) override;
    void textOut(int x, int y, std::string_view text) override;
    void setPen(int width, Color color) override {
        m_penWidth = width;
        m_penColor = color;
    }
    void line(int x1, int y1, int x2, int y2) override;
    bool pictureSize(const std::string& path, int& width, int& height) override;
    bool drawPicture(const std::string& path, int x1, int y1, int x2, int y2) override;
    void flush() override;
    // Exchanges the page (image, kept drawings) and the drawing state with a surface made by
    // makeSpare, or the one it was made from, of the same size; held surfaces exchange nothing.
    bool swapPage(Surface& other) override;
    // Gives the image to the spare (or drops it when the spare has one) while this surface's
    // page is kept as drawings that paintPage paints.
    void lendImage(QtSurface& spare);

private:
    struct StringHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept {
            return std::hash<std::string_view>{}(s);
        }
    };
    struct Shaped {
        int width = -1; // -1 until measured
        std::optional<QGlyphRun> run;
    };
    struct FontEntry {
        QFont font;
        QRawFont raw;
        int height = 0;
        int ascent = 0;
        std::unordered_map<std::string, Shaped, StringHash, std::equal_to<>> strings;
    };

    // The fonts looked up so far and every name set, for the font keys; shared with a spare.
    struct FontStore {
        std::vector<std::string> names;
        std::unordered_map<std::uint64_t, std::unique_ptr<FontEntry>> entries;
    };

    // A drawing kept while deferred: a fill, text on its background, or a line.
    struct Kept {
        QRect rect;     // the fill, or the text's background
        QColor colour;  // of the fill or the background
        QPen pen;       // of the text or the line
        QPointF origin; // the text's baseline origin
        std::optional<QGlyphRun> run;
        std::optional<QLine> line;
        std::optional<QImage> picture{}; // drawn into rect
    };
    void keep(Kept drawing);
    void paintAhead();
    // The image stops standing for the kept page: drawing goes on from the image.
    void forgetPaintedPage();
    void paintKept() const;
    static void paint(QPainter& painter, const Kept& drawing);
    static QRect reach(const Kept& drawing);

    FontEntry& currentFont();
    Shaped* cached(FontEntry& font, std::string_view text);
    int measure(FontEntry& font, std::string_view text);
    // Lays the text out into m_glyphs and m_positions (baseline origin); returns its width.
    int layout(const FontEntry& font, std::string_view text);
    QGlyphRun glyphRun(const FontEntry& font) const;
    QPainter& painter();
    void ensureImage() const;
    void recreateImage(int pixelWidth, int pixelHeight) const;

    mutable QImage m_image;                   // made on first use
    mutable QColor m_startColour = Qt::white; // what a new image is filled with
    bool m_held = false;
    bool m_deferred = false;
    bool m_ahead = false;             // a spare: a complete page is painted on the image as well
    bool m_imageHoldsPage = false;    // the image shows the kept page; paintPage leaves it to it
    mutable std::vector<Kept> m_kept; // drawn while deferred, not painted yet
    static constexpr std::size_t kNoPage = static_cast<std::size_t>(-1);
    mutable std::size_t m_pageStart = kNoPage; // the kept fill that covers the page
    std::unique_ptr<QPainter> m_painter;
    int m_width, m_height;
    qreal m_ratio;
    QPalette m_palette;

    Color m_brush = 0xFFFFFF, m_fontColor = 0, m_penColor = 0;
    int m_penWidth = 1;
    std::string m_fontName = kDefaultFont;
    int m_fontSize = 8;
    FontStyle m_style;

    std::shared_ptr<FontStore> m_fonts;
    std::shared_ptr<PictureCache> m_pictures; // shared with a spare
    FontEntry* m_font = nullptr; // the entry of the current state, once looked up
    std::optional<QRgb> m_painterPen;
    QList<quint32> m_glyphs;    // scratch of layout()
    QList<QPointF> m_positions; // scratch of layout()
    std::vector<QPointF> m_advances;
};

} // namespace qm
