#pragma once
// A drawing surface with fixed metrics that records what is drawn, for tests and fuzzing.
// A character is size / 2 pixels wide (at least 1) and a line is size * 4 / 3 pixels high,
// so a 15-point line of 10 characters is 70 pixels wide and 20 pixels high.
#include "core/port/Surface.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qm {

class FakeSurface final : public Surface {
public:
    struct Text {
        int x, y;
        std::string text;
        Color color, background;
        std::string font;
        int size;
        FontStyle style;
    };
    struct Fill {
        int x1, y1, x2, y2;
        Color color;
    };
    struct Line {
        int x1, y1, x2, y2, width;
        Color color;
    };
    struct Picture {
        std::string path;
        int x1, y1, x2, y2;
        bool operator==(const Picture&) const = default;
    };

    FakeSurface(int w, int h)
        : m_width(w)
        , m_height(h) {}

    void resize(int w, int h) {
        m_width = w;
        m_height = h;
    }
    void clearRecord() {
        texts.clear();
        fills.clear();
        lines.clear();
        drawn.clear();
    }

    int width() const override { return m_width; }
    int height() const override { return m_height; }
    void setBrushColor(Color c) override { m_brush = c; }
    Color brushColor() const override { return m_brush; }
    void fillRect(int x1, int y1, int x2, int y2) override {
        fills.push_back({x1, y1, x2, y2, m_brush});
    }
    void setFontName(const std::string& name) override { m_font = name; }
    const std::string& fontName() const override { return m_font; }
    void setFontSize(int points) override { m_size = points; }
    int fontSize() const override { return m_size; }
    void setFontStyle(FontStyle style) override { m_style = style; }
    FontStyle fontStyle() const override { return m_style; }
    void setFontColor(Color c) override { m_color = c; }
    Color fontColor() const override { return m_color; }
    int textWidth(std::string_view text) override {
        ++measureCount;
        return static_cast<int>(text.size()) * charWidth();
    }
    int textHeight(std::string_view) override { return m_size * 4 / 3; }
    void textOut(int x, int y, std::string_view text) override {
        texts.push_back({x, y, std::string(text), m_color, m_brush, m_font, m_size, m_style});
    }
    void setPen(int width, Color color) override {
        m_penWidth = width;
        m_penColor = color;
    }
    void line(int x1, int y1, int x2, int y2) override {
        lines.push_back({x1, y1, x2, y2, m_penWidth, m_penColor});
    }

    // The picture files the fake can read are those given sizes in `pictureSizes`.
    bool pictureSize(const std::string& path, int& width, int& height) override {
        const auto it = pictureSizes.find(path);
        if (it == pictureSizes.end()) return false;
        width = it->second.first;
        height = it->second.second;
        return true;
    }
    bool drawPicture(const std::string& path, int x1, int y1, int x2, int y2) override {
        if (!pictureSizes.count(path)) return false;
        drawn.push_back({path, x1, y1, x2, y2});
        return true;
    }

    // Exchanges the records with the drawing state, as a surface exchanges its page.
    bool swapPage(Surface& other) override {
        auto* fake = dynamic_cast<FakeSurface*>(&other);
        if (!fake || fake->m_width != m_width || fake->m_height != m_height) return false;
        std::swap(texts, fake->texts);
        std::swap(fills, fake->fills);
        std::swap(lines, fake->lines);
        std::swap(drawn, fake->drawn);
        std::swap(m_brush, fake->m_brush);
        std::swap(m_color, fake->m_color);
        std::swap(m_penColor, fake->m_penColor);
        std::swap(m_font, fake->m_font);
        std::swap(m_size, fake->m_size);
        std::swap(m_style, fake->m_style);
        std::swap(m_penWidth, fake->m_penWidth);
        ++swaps;
        return true;
    }

    int charWidth() const { return m_size / 2 > 0 ? m_size / 2 : 1; }

    std::vector<Text> texts;
    std::vector<Fill> fills;
    std::vector<Line> lines;
    std::vector<Picture> drawn;
    std::map<std::string, std::pair<int, int>> pictureSizes;
    int measureCount = 0;
    int swaps = 0;

private:
    int m_width, m_height;
    Color m_brush = 0, m_color = 0, m_penColor = 0;
    std::string m_font = kDefaultFont;
    int m_size = 8;
    FontStyle m_style;
    int m_penWidth = 1;
};

} // namespace qm
