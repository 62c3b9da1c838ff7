#pragma once
// The text of one block as the readers build it: whitespace collapsed to single blanks,
// control characters blanked, bars replaced so that the only bars left are the style tags
// "|i>", "|b>" and "|n>", which are written where the style changes.
#include <string>
#include <string_view>

namespace qm::import {

enum class Style : unsigned char { Plain, Italic, Bold };

class InlineText {
public:
    // Appends UTF-8 text; runs of whitespace become one blank, blanks at the start are
    // dropped (unless indentation is kept).
    void addText(std::string_view utf8);
    // A line end inside the block: at most one empty line between lines.
    void addLineBreak();
    // The style of the text added from now on.
    void setStyle(Style style) { m_wanted = style; }
    // Keeps the blanks that indent each line (for set lines such as verse); blanks between
    // words are still one. Line ends come only from addLineBreak.
    void setKeepSpaces(bool keep) { m_keepSpaces = keep; }

    // Room for this many bytes of text, so that a long block is not copied as it grows.
    void reserve(std::size_t bytes) { m_text.reserve(bytes); }
    bool empty() const { return m_text.empty(); }
    bool hasLineBreaks() const { return m_lines > 0; }
    std::size_t size() const { return m_text.size(); }
    // The text so far, any open style closed; the builder is empty again afterwards (the
    // wanted style stays).
    std::string take();

private:
    // Appends characters that are no blank, after any pending blanks, line ends and tags.
    void putChar(std::string_view chars);

    std::string m_text;
    Style m_wanted = Style::Plain;
    Style m_written = Style::Plain;
    std::size_t m_pendingSpaces = 0;
    int m_pendingBreaks = 0;
    std::size_t m_lines = 0;
    bool m_keepSpaces = false;
};

// One line of UTF-8 text cleaned the same way (blanks collapsed, bars replaced, no tags):
// for titles, authors and chapter names.
std::string cleanText(std::string_view utf8);

} // namespace qm::import
