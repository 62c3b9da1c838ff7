#pragma once
// The drawing surface the page renderer draws on. The program uses a QPainter on a QImage;
// tests use a fake with fixed metrics. Coordinates are pixels from the top-left corner;
// rectangles include their left and top edge and exclude the right and bottom edge.
//
// The font state (name, size, style, colour) and the brush colour persist on the surface
// between calls, as the renderer relies on.
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

// A colour as 0x00BBGGRR; 0x80000000 + n stands for the platform's system colour n.
using Color = std::uint32_t;

constexpr Color kSystemWindow = 0x80000005;
constexpr Color kSystemWindowText = 0x80000008;
constexpr Color kSystemGrayText = 0x80000011;
constexpr Color kSystemInfoBackground = 0x80000018; // tooltips' background

// The font names the reader uses; they are the values of the font state, and a surface maps
// them to the faces installed.
inline const std::string kSerifFont = "Times New Roman";
inline const std::string kFixedFont = "Courier New";
// The surface's font before anything sets one.
inline const std::string kDefaultFont = "MS Sans Serif";

struct FontStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool operator==(const FontStyle&) const = default;
};

class Surface {
public:
    virtual ~Surface() = default;

    // The drawing state that carries from one page to the next: the font and the brush.
    struct DrawingState {
        std::string fontName;
        int fontSize = 0;
        FontStyle fontStyle;
        Color fontColor = 0;
        Color brushColor = 0;
        bool operator==(const DrawingState&) const = default;
    };
    DrawingState drawingState() const {
        return {fontName(), fontSize(), fontStyle(), fontColor(), brushColor()};
    }
    void setDrawingState(const DrawingState& state) {
        setFontName(state.fontName);
        setFontSize(state.fontSize);
        setFontStyle(state.fontStyle);
        setFontColor(state.fontColor);
        setBrushColor(state.brushColor);
    }

    virtual int width() const = 0;
    virtual int height() const = 0;

    virtual void setBrushColor(Color color) = 0;
    virtual Color brushColor() const = 0;
    // Fills the rectangle from (x1, y1) to (x2, y2) with the brush colour.
    virtual void fillRect(int x1, int y1, int x2, int y2) = 0;

    virtual void setFontName(const std::string& name) = 0;
    virtual const std::string& fontName() const = 0;
    virtual void setFontSize(int points) = 0;
    virtual int fontSize() const = 0;
    virtual void setFontStyle(FontStyle style) = 0;
    virtual FontStyle fontStyle() const = 0;
    virtual void setFontColor(Color color) = 0;
    virtual Color fontColor() const = 0;

    // Metrics of a string in the current font.
    virtual int textWidth(std::string_view text) = 0;
    virtual int textHeight(std::string_view text) = 0;
    // Draws the string at (x, y) with its background painted in the brush colour.
    virtual void textOut(int x, int y, std::string_view text) = 0;

    virtual void setPen(int width, Color color) = 0;
    virtual void line(int x1, int y1, int x2, int y2) = 0;

    // The size in pixels of the picture file at `path`; false when it cannot be read as one
    // (no such file, a kind the surface cannot draw, broken bytes).
    virtual bool pictureSize(const std::string& /*path*/, int& /*width*/, int& /*height*/) {
        return false;
    }
    // Draws the picture file at `path` scaled to fill the rectangle from (x1, y1) to (x2, y2);
    // false, drawing nothing, when it cannot.
    virtual bool drawPicture(const std::string& /*path*/, int /*x1*/, int /*y1*/, int /*x2*/,
                             int /*y2*/) {
        return false;
    }

    // A page is complete: a surface that batches its drawing finishes it here.
    virtual void flush() {}
    // Exchanges the drawn page and the drawing state with another surface of the same kind and
    // size, so that each holds what the other drew. False, changing nothing, when the two
    // cannot exchange them.
    virtual bool swapPage(Surface& /*other*/) { return false; }
};

} // namespace qm
