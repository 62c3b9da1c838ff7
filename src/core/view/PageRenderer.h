#pragma once
// Draws one page of display lines on a surface: one or two columns filled row by row, the
// shade flipped at every paragraph marker and reference point, inline tags applied, and lines
// too wide for their column shrunk point by point (never below 8 points). Returns where the
// next page begins.
//
// The renderer keeps nothing between calls: the caller owns the current shade (read and
// updated here) and the surface keeps its font name and style, which tags change and which
// carry over to the next drawing.
#include "core/base/LineBuffer.h"
#include "core/base/Text.h"
#include "core/port/Surface.h"
#include "core/text/LineSpan.h"
#include "core/view/ColourSchemes.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

struct PageRequest {
    const LineBuffer& lines;
    int top = 0;       // first line of the page; a negative top draws from line 0
    int fontSize = 15; // the font size setting, 4 to 40
    bool twoColumns = false;
    const ColourTable& colours;
    std::string programFolder; // where image files are looked up
    // Whether the image file at this full path exists; asked at most once per page.
    std::function<bool(const std::string&)> imageExists;
    // Characters drawn lit: in the current shade's background colour on a band of its text
    // colour, so they read in every scheme. Spans on lines not drawn, on marker rows or past a
    // line's end light nothing.
    std::span<const LineSpan> lit{};
    // The line being read aloud, drawn on a band of its own colour behind its row (-1: none).
    int litLine = -1;
    // Where a book's pictures are (a library book's layout folder); empty for the built-in
    // collection, whose image tags show "[image]". With a folder, an image tag naming a file
    // draws that picture across its row and the rows of the nameless image tags after it.
    std::string pictureFolder{};
};

// Where a display line was drawn: its row from left to right and top to bottom (exclusive).
struct PageRow {
    int line = 0;
    int left = 0, right = 0, top = 0, bottom = 0;
    bool operator==(const PageRow&) const = default;
};

struct PageResult {
    int next = 0;          // first display line not drawn
    std::string imageName; // full path of the page's first image tag, or empty
    std::vector<PageRow> rows; // the rows drawn, in drawing order
};

// Draws the columns of a page starting at request.top, which must be below count - 2 (or
// negative); lines past the list's second-to-last line are never drawn.
PageResult renderPage(Surface& surface, const PageRequest& request, int& shade);

// The display line drawn at (x, y), or -1.
int lineAtPoint(const std::vector<PageRow>& rows, int x, int y);

// The size at which text of this width fits `available` pixels: the font size setting when it
// fits or when the setting is 8 or less, otherwise the largest size from setting - 1 down to 8
// at which it fits, or 8. The result equals shrinking one point at a time, on the premise that
// widths never shrink as the size grows, but measures only two or three sizes. Leaves the
// surface at the returned size; *width receives the text's width at that size.
int fitFontSize(Surface& surface, std::string_view text, int available, int setting,
                int* width = nullptr);

// The font a tag sets: the font name and style that tags leave in force.
struct TagFont {
    std::string name;
    FontStyle style;
    bool operator==(const TagFont&) const = default;
};
// Applies the tag of character c (followed by `after`) to the font; false when it is no font
// tag (a colour, an image, a tag of no meaning).
bool applyFontTag(char c, char after, TagFont& font);

// The font the tags of lines [0, top) leave in force, drawn from the start of the text as
// the renderer draws them (marker rows carry none, an image tag ends its line); nothing when
// none of them sets one.
std::optional<TagFont> fontBefore(const LineBuffer& lines, int top);

// Whether an image tag's file name names a file inside the program folder, a subfolder's
// included: not empty, not absolute, no drive colon or NUL, never above the folder on the way.
bool isSafeImageName(std::string_view name);

// Where a picture of width x height goes in a box: scaled to fit it whole (never more than
// twice its size), its aspect kept, centred across and at the box's top.
struct PictureRect {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const PictureRect&) const = default;
};
PictureRect fitPicture(int width, int height, const PictureRect& box);

// The file an image tag on this display line names ("" for a nameless tag that continues a
// picture), or nothing when the line holds no image tag.
std::optional<std::string_view> imageTagName(std::string_view line);

// "a of b panels": the page position in panels of 100 display lines.
std::string panelLabel(int top, int count);

} // namespace qm
