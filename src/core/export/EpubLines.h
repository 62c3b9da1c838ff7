#pragma once
// Stored lines as the XHTML of an exported EPUB (the markup in import/CascadeMarkup.h), and
// the style sheet that shows them cascaded: each line one block, indented by its level, its
// tagged words coloured and styled as the light scheme shows them.
#include "core/base/Text.h"
#include "core/base/XmlText.h"

#include <functional>
#include <set>
#include <string>
#include <string_view>

namespace qm::exporting {

// What a picture named by an image tag becomes: the path of its file inside the book,
// relative to the chapter files, or empty when it does not go along.
using PictureHref = std::function<std::string(std::string_view name)>;

class LineMarkup {
public:
    explicit LineMarkup(PictureHref pictures)
        : m_pictures(std::move(pictures)) {}

    // A chapter file's body: its lines stand in one shade's paragraph blocks.
    void beginFile(std::string& out);
    // Appends the block of the text's first line, its banner, which the page never shows.
    void addBanner(std::string_view stored, std::string& out);
    // Appends the block of one stored line after it (single-byte).
    void add(std::string_view stored, std::string& out);
    void endFile(std::string& out);

private:
    struct Style {
        int colour = 4;
        bool bold = false, italic = false, underline = false, fixed = false;
        bool operator==(const Style&) const = default;
    };
    bool addPhrase(std::string_view stored, std::string& out);
    void addVerbatim(std::string_view stored, std::string& out);
    void flipShade(std::string& out);
    void applyTag(char c);
    std::string styleClasses() const;

    PictureHref m_pictures;
    Style m_style;
    int m_shade = 0;
    bool m_afterReference = false;
    std::set<std::string> m_ids; // of the file being written
};

// XHTML text: single-byte text as UTF-8 with markup characters escaped and control
// characters left out; `attribute` escapes quotes as well.
std::string xhtmlText(std::string_view singleByte, bool attribute = false);

// The style sheet: the levels in `levels` indented (a quarter em each, at most 10 em, so that
// the deepest leaves half of a small screen's width), colours from the light scheme, and the
// paragraphs' shades as backgrounds only when `shades`.
std::string cascadeStyleSheet(const std::set<int>& levels, bool shades);

// The level of a stored phrase line ("l" and two digits), or -1.
int storedLevel(std::string_view stored);

} // namespace qm::exporting
