#include "core/view/PageRenderer.h"

#include "core/text/Tags.h"

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

namespace qm {

namespace {

constexpr int kTopMargin = 5;
constexpr int kSmallestShrunkSize = 8;
constexpr Color kSeparatorColour = 0x808080;
constexpr int kSeparatorWidth = 6;
const std::string kFiveBlanks = "     ";
const std::string kImageShown = "  [image]";

Color slot(const ColourTable& colours, int shade, int index) {
    return colours[shade == 0 ? 0 : 1][static_cast<std::size_t>(index)];
}

std::string_view trimTrailingBlanks(std::string_view s) {
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// One call's drawing: the column geometry and the running row position.
class PageDrawer {
public:
    PageDrawer(Surface& surface, const PageRequest& request, int& shade)
        : m_surface(surface)
        , m_request(request)
        , m_shade(shade)
        , m_count(lineCount(request.lines))
        , m_width(surface.width())
        , m_height(surface.height()) {}

    PageResult draw() {
        const int columns = m_request.twoColumns ? 2 : 1;
        int i = m_request.top < 0 ? 0 : m_request.top;
        m_right = m_request.twoColumns ? m_width / 2 - 2 : m_width;
        for (int column = 0; column < columns; ++column) {
            if (column == 1 && !(i < m_count - 1)) break;
            m_x0 = 0;
            if (column == 1) {
                m_x0 = m_width / 2 + 3;
                m_right = m_width;
            }
            i = drawColumn(i);
        }
        if (m_request.twoColumns) {
            m_surface.setPen(kSeparatorWidth, kSeparatorColour);
            m_surface.line(m_width / 2 - 3, 0, m_width / 2 - 3, m_height);
        }
        return {i, std::move(m_imageName), std::move(m_rows)};
    }

private:
    int drawColumn(int i) {
        const ColourTable& colours = m_request.colours;
        m_surface.setFontSize(m_request.fontSize);
        m_surface.setFontColor(slot(colours, m_shade, 4));
        m_lineHeight = std::max(1, m_surface.textHeight("X"));
        int rows = m_height / m_lineHeight;
        // The fill reaches the surface's right edge. When the first of two columns cannot
        // reach the end of the list, the second column is certain to follow and to fill its
        // own area over this one, so this fill stops where that one starts.
        int fillRight = m_width;
        if (m_request.twoColumns && m_x0 == 0 &&
            static_cast<long long>(i < 0 ? 0 : i) + std::max(rows, 1) < m_count - 1)
            fillRight = std::min(m_width, m_width / 2 + 3);
        m_surface.setBrushColor(slot(colours, m_shade, 1));
        m_surface.fillRect(m_x0, 0, fillRight, m_height);
        m_y = kTopMargin;
        if (i < 0) i = 0;
        if (i >= m_count - 1) return i; // nothing left that may be drawn
        if (i + rows > m_count - 1) rows = m_count - 1 - i;
        // The column ends before the last page-break point it would otherwise hold; one on
        // its own first line does not count.
        for (int n = rows - 1; n >= 1; --n) {
            if (isForwardPageBreak(m_request.lines[static_cast<std::size_t>(i + n)])) {
                rows = n;
                break;
            }
        }
        if (drawsPictures()) rows = keepPicturesWhole(i, rows);
        do {
            m_rows.push_back({i, m_x0, m_right, m_y, m_y + m_lineHeight});
            litSpansOf(i);
            if (i == m_request.litLine)
                drawLitLine(m_request.lines[static_cast<std::size_t>(i)]);
            else
                drawLine(m_request.lines[static_cast<std::size_t>(i)]);
            m_y += m_lineHeight;
            ++i;
            --rows;
            if (m_picture && !continuesPicture(i)) finishPicture();
        } while (rows > 0 && m_y < m_height && i < m_count - 1);
        if (m_picture) finishPicture();
        return i;
    }

    bool drawsPictures() const { return !m_request.pictureFolder.empty(); }

    // A picture starting on a later row of the column that would not fit whole in its rows
    // moves to the next column or page: the column ends before it. One on the column's first
    // row is drawn into the rows there are.
    int keepPicturesWhole(int i, int rows) const {
        for (int n = 1; n < rows; ++n) {
            const auto name = imageTagName(m_request.lines[static_cast<std::size_t>(i + n)]);
            if (!name || name->empty()) continue;
            int end = n + 1;
            while (end < rows && continuesPicture(i + end))
                ++end;
            if (end == rows && continuesPicture(i + end)) return n;
            n = end - 1;
        }
        return rows;
    }

    // Whether display line i is a nameless image tag, a further row of a picture.
    bool continuesPicture(int i) const {
        if (i >= m_count - 1) return false;
        const auto name = imageTagName(m_request.lines[static_cast<std::size_t>(i)]);
        return name && name->empty();
    }

    // Draws the picture begun on an earlier row across the rows it took in this column.
    void finishPicture() {
        const PendingPicture p = *std::exchange(m_picture, std::nullopt);
        const PictureRect box =
            fitPicture(p.width, p.height, {m_x0 + kTopMargin, p.top, m_right - kTopMargin, m_y});
        if (box.x2 > box.x1 && box.y2 > box.y1)
            m_surface.drawPicture(p.path, box.x1, box.y1, box.x2, box.y2);
    }

    void fillRow(int x1) {
        if (x1 < m_right) m_surface.fillRect(x1, m_y, m_right, m_y + m_lineHeight);
    }

    // The lit spans of line i, kept for drawing it.
    void litSpansOf(int i) {
        m_lineLit.clear();
        for (const LineSpan& span : m_request.lit)
            if (span.line == i && span.begin < span.end) m_lineLit.push_back(span);
    }

    // Draws text at the running x and advances x; text wholly right of the surface is not
    // drawn or measured, since nothing of it can show.
    void drawText(std::string_view text, int knownWidth = -1) {
        if (text.empty() || m_x >= m_width) return;
        if (!m_lineLit.empty() && drawLitText(text)) return;
        m_surface.textOut(m_x, m_y, text);
        const long long width = knownWidth >= 0 ? knownWidth : m_surface.textWidth(text);
        m_x = static_cast<int>(std::clamp<long long>(m_x + width, INT_MIN / 2, INT_MAX / 2));
    }

    // Draws text that is a part of the line being drawn in pieces, lit and unlit. False when
    // the text is not a part of the line (a marker row's blanks, the image placeholder).
    bool drawLitText(std::string_view text) {
        const char* line = m_text.data();
        if (text.data() < line || text.data() + text.size() > line + m_text.size()) return false;
        const int from = static_cast<int>(text.data() - line);
        const int to = from + static_cast<int>(text.size());
        for (int pos = from; pos < to;) {
            bool lit = false;
            int end = to;
            for (const LineSpan& span : m_lineLit) {
                if (span.begin <= pos && pos < span.end) {
                    lit = true;
                    end = std::min(end, span.end);
                } else if (span.begin > pos) {
                    end = std::min(end, span.begin);
                }
            }
            const std::string_view piece = text.substr(static_cast<std::size_t>(pos - from),
                                                       static_cast<std::size_t>(end - pos));
            const Color brush = m_surface.brushColor();
            const Color ink = m_surface.fontColor();
            if (lit) {
                m_surface.setBrushColor(slot(m_request.colours, m_shade, 4));
                m_surface.setFontColor(slot(m_request.colours, m_shade, 1));
            }
            m_surface.textOut(m_x, m_y, piece);
            if (lit) {
                m_surface.setBrushColor(brush);
                m_surface.setFontColor(ink);
            }
            m_x = static_cast<int>(
                std::clamp<long long>(static_cast<long long>(m_x) + m_surface.textWidth(piece),
                                      INT_MIN / 2, INT_MAX / 2));
            pos = end;
        }
        return true;
    }

    void flipShade() {
        m_shade = m_shade == 0 ? 1 : 0;
        m_surface.setBrushColor(slot(m_request.colours, m_shade, 1));
        m_surface.setFontColor(slot(m_request.colours, m_shade, 4));
    }

    // The band goes behind the whole row before the text, which is drawn on it; the shade's
    // background is the brush again after the row.
    void drawLitLine(std::string_view line) {
        m_surface.setBrushColor(litBandColour(m_request.colours, m_shade));
        m_surface.fillRect(m_x0, m_y, m_right, m_y + m_lineHeight);
        drawLine(line);
        m_surface.setBrushColor(slot(m_request.colours, m_shade, 1));
    }

    void drawLine(std::string_view line) {
        m_surface.setFontSize(m_request.fontSize);
        m_x = m_x0;
        m_text.assign(line);
        m_text.push_back(' ');
        std::string_view s = m_text;
        if (s.front() == 'p') {
            s = kFiveBlanks;
            flipShade();
        } else if (s.find("refp") != std::string_view::npos) {
            const auto bar = s.find("|refp");
            if (bar != std::string_view::npos) s.remove_prefix(bar + 1);
            const auto close = s.find('>');
            if (close != std::string_view::npos) s.remove_prefix(close + 1);
            if (s.size() < 5) {
                std::string padded(s);
                padded += kFiveBlanks;
                m_text = std::move(padded);
                s = m_text;
            }
            flipShade();
        } else if (s.find("s000") != std::string_view::npos) {
            s = kFiveBlanks;
        }

        // Fitting: the row is cleared once when the line shrinks, as every shrink step would
        // clear the same row in the same colour.
        int width = -1;
        const bool tagged = s.find('|') != std::string_view::npos;
        std::string_view measured = s;
        if (tagged) {
            m_measure = removeTags(s);
            measured = m_measure;
        }
        const int size =
            fitFontSize(m_surface, measured, m_right - m_x0, m_request.fontSize, &width);
        if (size != m_request.fontSize) fillRow(m_x0);
        if (!tagged) {
            drawText(s, width);
            fillRow(m_x);
            return;
        }

        for (auto bar = s.find('|'); bar != std::string_view::npos; bar = s.find('|')) {
            drawText(s.substr(0, bar));
            const char c = bar + 1 < s.size() ? s[bar + 1] : '\0';
            const char after = bar + 2 < s.size() ? s[bar + 2] : '\0';
            if (c == 'i' && after == 'm') {
                s = imageTag(s.substr(bar));
                break;
            }
            applyTag(c, after);
            s.remove_prefix(std::min(s.size(), bar + 3));
        }
        drawText(s);
        fillRow(m_x);
    }

    void applyTag(char c, char after) {
        if (c >= '1' && c <= '9') {
            m_surface.setFontColor(slot(m_request.colours, m_shade, c - '0'));
            return;
        }
        TagFont font{m_surface.fontName(), m_surface.fontStyle()};
        if (!applyFontTag(c, after, font)) return;
        if (font.style != m_surface.fontStyle()) m_surface.setFontStyle(font.style);
        m_surface.setFontName(font.name);
    }

    // An image tag and the rest of its line; returns what is left to draw of the line.
    std::string_view imageTag(std::string_view tag) {
        if (drawsPictures()) return pictureTag(tag);
        if (!m_imageName.empty()) {
            // A second picture on one page ends the column after this row.
            m_y = m_height - m_lineHeight + 1;
            return {};
        }
        const auto close = tag.find('>');
        const std::string_view name = close == std::string_view::npos
                                          ? std::string_view{}
                                          : trimTrailingBlanks(tag.substr(close + 1));
        m_imageName = m_request.programFolder;
        m_imageName += name;
        const bool exists =
            isSafeImageName(name) && m_request.imageExists && m_request.imageExists(m_imageName);
        return exists ? std::string_view(kImageShown) : std::string_view{};
    }

    // A picture's tag: the picture is drawn once its rows are; a picture the surface cannot
    // read shows the placeholder. A nameless tag draws nothing of its own.
    std::string_view pictureTag(std::string_view tag) {
        const auto name = imageTagName(tag);
        if (!name || name->empty()) return {};
        std::string path = m_request.pictureFolder;
        path += *name;
        // The page's first picture is asked after as step 12 asks after its image, so a page
        // drawn ahead knows what it depended on.
        bool there = isSafeImageName(*name);
        if (m_imageName.empty()) {
            m_imageName = path;
            if (there && m_request.imageExists) there = m_request.imageExists(path);
        }
        int width = 0;
        int height = 0;
        if (!there || !m_surface.pictureSize(path, width, height)) return kImageShown;
        m_picture = PendingPicture{std::move(path), width, height, m_y};
        return {};
    }

    struct PendingPicture {
        std::string path;
        int width = 0, height = 0;
        int top = 0;
    };

    Surface& m_surface;
    const PageRequest& m_request;
    int& m_shade;
    const int m_count;
    const int m_width;
    const int m_height;
    int m_x0 = 0;
    int m_right = 0;
    int m_x = 0;
    int m_y = 0;
    int m_lineHeight = 1;
    std::string m_imageName;
    std::vector<PageRow> m_rows;
    std::string m_text;              // the line being drawn, reused across lines
    std::string m_measure;           // its text without tags
    std::vector<LineSpan> m_lineLit; // the lit spans of the line being drawn
    std::optional<PendingPicture> m_picture; // begun, its rows not all drawn yet
};

} // namespace

PageResult renderPage(Surface& surface, const PageRequest& request, int& shade) {
    return PageDrawer(surface, request, shade).draw();
}

bool applyFontTag(char c, char after, TagFont& font) {
    if (c == 'f') {
        font.name = kFixedFont;
    } else if (c == 'a') {
        font.name = kSerifFont;
    } else if (c == 'b' || c == 'u' || (c == 'i' && after == '>')) {
        if (c == 'b') font.style.bold = true;
        if (c == 'u') font.style.underline = true;
        if (c == 'i') font.style.italic = true;
        font.name = kSerifFont;
    } else if (c == 'n') {
        font.style = FontStyle{};
        font.name = kSerifFont;
    } else {
        return false;
    }
    return true;
}

std::optional<TagFont> fontBefore(const LineBuffer& lines, int top) {
    std::optional<TagFont> font;
    const long long end = std::min<long long>(top, lineCount(lines));
    for (long long i = 0; i < end; ++i) {
        std::string_view s = lines[static_cast<std::size_t>(i)];
        if (s.empty() || s.front() == 'p') continue;
        if (s.find("refp") != std::string_view::npos) {
            if (const auto bar = s.find("|refp"); bar != std::string_view::npos)
                s.remove_prefix(bar + 1);
            if (const auto close = s.find('>'); close != std::string_view::npos)
                s.remove_prefix(close + 1);
        } else if (s.find("s000") != std::string_view::npos) {
            continue;
        }
        for (auto bar = s.find('|'); bar != std::string_view::npos; bar = s.find('|', bar + 1)) {
            const char c = bar + 1 < s.size() ? s[bar + 1] : '\0';
            const char after = bar + 2 < s.size() ? s[bar + 2] : '\0';
            if (c == 'i' && after == 'm') break;
            TagFont next = font.value_or(TagFont{});
            if (applyFontTag(c, after, next)) font = std::move(next);
            bar += 2;
        }
    }
    return font;
}

int lineAtPoint(const std::vector<PageRow>& rows, int x, int y) {
    for (const PageRow& row : rows)
        if (x >= row.left && x < row.right && y >= row.top && y < row.bottom) return row.line;
    return -1;
}

int fitFontSize(Surface& surface, std::string_view text, int available, int setting, int* width) {
    int w = surface.textWidth(text);
    int size = setting;
    if (w > available && setting > kSmallestShrunkSize) {
        // Search the sizes between the largest known to fit (lo; 7 stands for "none down to
        // 8") and the smallest known not to (hi). Widths grow about in proportion to the
        // size, so the next size to try is interpolated from the known widths; a real font
        // lands within a point of the answer, so two or three sizes are measured in all.
        int lo = kSmallestShrunkSize - 1;
        int hi = setting;
        long long wLo = 0;
        long long wHi = w;
        int measured = setting;
        while (hi - lo > 1) {
            long long guess = 0;
            if (lo < kSmallestShrunkSize)
                guess = available <= 0 ? 0 : static_cast<long long>(hi) * available / wHi;
            else if (wHi > wLo)
                guess = lo + (available - wLo) * (hi - lo) / (wHi - wLo);
            const int next = static_cast<int>(
                std::clamp<long long>(guess, std::max(lo + 1, kSmallestShrunkSize), hi - 1));
            surface.setFontSize(next);
            measured = next;
            const int nextWidth = surface.textWidth(text);
            if (nextWidth <= available) {
                lo = next;
                wLo = nextWidth;
            } else {
                hi = next;
                wHi = nextWidth;
            }
        }
        size = lo < kSmallestShrunkSize ? kSmallestShrunkSize : lo;
        w = static_cast<int>(size == lo ? wLo : wHi);
        if (measured != size) surface.setFontSize(size);
    }
    if (width) *width = w;
    return size;
}

bool isSafeImageName(std::string_view name) {
    // No absolute name, drive or NUL; then the name is followed part by part (either slash
    // separates), and it must name a file and never climb above the folder it starts in.
    if (name.empty() || name.front() == '/' || name.front() == '\\' ||
        name.find_first_of(std::string_view(":\0", 2)) != std::string_view::npos)
        return false;
    int depth = 0;
    std::string_view last;
    for (std::size_t start = 0; start <= name.size();) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = name.size();
        last = name.substr(start, end - start);
        if (last == "..") {
            if (--depth < 0) return false;
        } else if (!last.empty() && last != ".") {
            ++depth;
        }
        start = end + 1;
    }
    return !last.empty() && last != "." && last != "..";
}

PictureRect fitPicture(int width, int height, const PictureRect& box) {
    const int boxW = box.x2 - box.x1;
    const int boxH = box.y2 - box.y1;
    if (width <= 0 || height <= 0 || boxW <= 0 || boxH <= 0) return {box.x1, box.y1, box.x1, box.y1};
    const double scale =
        std::min({2.0, static_cast<double>(boxW) / width, static_cast<double>(boxH) / height});
    const int w = std::clamp(static_cast<int>(width * scale), 1, boxW);
    const int h = std::clamp(static_cast<int>(height * scale), 1, boxH);
    const int x = box.x1 + (boxW - w) / 2;
    return {x, box.y1, x + w, box.y1 + h};
}

std::optional<std::string_view> imageTagName(std::string_view line) {
    const std::size_t tag = line.find("|image>");
    if (tag == std::string_view::npos) return std::nullopt;
    return trimTrailingBlanks(line.substr(tag + 7));
}

std::string panelLabel(int top, int count) {
    return std::to_string(top / 100) + " of " + std::to_string(count / 100) + " panels";
}

} // namespace qm
